#include "startup/addItem.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "common/funUtils.h"
#include "common/handles.h"
#include "startup/startupItems.h"

namespace purgeon {

const wchar_t kRunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

namespace {

std::wstring WithoutExtension(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    return std::wstring(dot == std::wstring_view::npos ? name : name.substr(0, dot));
}

std::wstring StartupFolder(AddItemSection section) {
    const int csidl = section == AddItemSection::CurrentUserFolder ? CSIDL_STARTUP : CSIDL_COMMON_STARTUP;
    std::wstring folder = GetSpecialFolderPath(csidl);
    if (folder.empty()) {
        // A fresh profile may not have the folder yet; the shell knows where it belongs.
        wchar_t path[MAX_PATH + 1] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
            folder = path;
    }
    return folder.empty() ? folder : IncludeTrailingBackslash(folder);
}

bool WriteRunValue(HKEY root, const std::wstring& name, const std::wstring& data) {
    UniqueHKey key;
    if (RegOpenKeyExW(root, kRunKeyPath, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return false;
    return RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

bool CreateShortcut(const std::wstring& target, const std::wstring& linkPath) {
    ComApartment apartment;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return false;
    if (FAILED(link->SetPath(target.c_str()))) return false;
    link->SetWorkingDirectory(ExtractFilePath(target).c_str());
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;
    const std::wstring saveAs = ExtractFilePath(linkPath) + WithoutExtension(ExtractFileName(linkPath)) + L".lnk";
    return SUCCEEDED(file->Save(saveAs.c_str(), FALSE));
}

std::wstring RunValueNameFor(std::wstring_view target) { return WithoutExtension(ExtractFileName(target)); }

std::wstring ShortcutNameFor(std::wstring_view target) { return RunValueNameFor(target) + L".lnk"; }

std::wstring ShortcutPathFor(const AddItemRequest& request) {
    if (request.section != AddItemSection::CurrentUserFolder && request.section != AddItemSection::AllUsersFolder)
        return L"";
    const std::wstring folder = StartupFolder(request.section);
    return folder.empty() ? folder : folder + ShortcutNameFor(request.target);
}

AddItemResult AddStartupItem(const AddItemRequest& request) {
    if (!FileExists(request.target)) return AddItemResult::TargetMissing;
    bool written = false;
    switch (request.section) {
        case AddItemSection::CurrentUserFolder:
        case AddItemSection::AllUsersFolder: {
            const std::wstring link = ShortcutPathFor(request);
            written = !link.empty() && CreateShortcut(request.target, link);
            break;
        }
        case AddItemSection::CurrentUserRun:
            written = WriteRunValue(HKEY_CURRENT_USER, RunValueNameFor(request.target), request.target);
            break;
        case AddItemSection::MachineRun:
            written = WriteRunValue(HKEY_LOCAL_MACHINE, RunValueNameFor(request.target), request.target);
            break;
    }
    return written ? AddItemResult::Added : AddItemResult::NotWritten;
}

}  // namespace purgeon
