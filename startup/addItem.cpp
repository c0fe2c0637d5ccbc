#include "startup/addItem.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "common/funUtils.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
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

LONG WriteRunValue(HKEY root, const std::wstring& name, const std::wstring& data) {
    UniqueHKey key;
    // Writing a value needs no more than that.
    LONG status = RegOpenKeyExW(root, kRunKeyPath, 0, KEY_SET_VALUE, key.put());
    if (status != ERROR_SUCCESS) return status;
    return RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

HRESULT SaveShortcut(const std::wstring& target, const std::wstring& linkPath) {
    ComApartment apartment;
    ComPtr<IShellLinkW> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
    if (FAILED(result)) return result;
    if (FAILED(result = link->SetPath(target.c_str()))) return result;
    link->SetWorkingDirectory(ExtractFilePath(target).c_str());
    ComPtr<IPersistFile> file;
    if (FAILED(result = link->QueryInterface(IID_IPersistFile, file.put_void()))) return result;
    const std::wstring saveAs = ExtractFilePath(linkPath) + WithoutExtension(ExtractFileName(linkPath)) + L".lnk";
    return file->Save(saveAs.c_str(), FALSE);
}

bool CreateShortcut(const std::wstring& target, const std::wstring& linkPath) {
    return SUCCEEDED(SaveShortcut(target, linkPath));
}

std::wstring RunValueNameFor(std::wstring_view target) { return WithoutExtension(ExtractFileName(target)); }

std::wstring ShortcutNameFor(std::wstring_view target) { return RunValueNameFor(target) + L".lnk"; }

std::wstring RunCommandFor(std::wstring_view target) {
    if (target.find_first_of(L" \t") == std::wstring_view::npos) return std::wstring(target);
    return L"\"" + std::wstring(target) + L"\"";
}

std::wstring ShortcutPathFor(const AddItemRequest& request) {
    if (request.section != AddItemSection::CurrentUserFolder && request.section != AddItemSection::AllUsersFolder)
        return L"";
    const std::wstring folder = StartupFolder(request.section);
    return folder.empty() ? folder : folder + ShortcutNameFor(request.target);
}

AddItemOutcome AddStartupItem(const AddItemRequest& request) {
    if (!FileExists(request.target)) return {AddItemResult::TargetMissing, ERROR_FILE_NOT_FOUND};
    DWORD error = ERROR_SUCCESS;
    switch (request.section) {
        case AddItemSection::CurrentUserFolder:
        case AddItemSection::AllUsersFolder: {
            const std::wstring link = ShortcutPathFor(request);
            if (link.empty()) {
                error = ERROR_PATH_NOT_FOUND;
                break;
            }
            const HRESULT saved = SaveShortcut(request.target, link);
            if (FAILED(saved)) error = static_cast<DWORD>(saved);
            break;
        }
        case AddItemSection::CurrentUserRun:
            error = static_cast<DWORD>(
                WriteRunValue(HKEY_CURRENT_USER, RunValueNameFor(request.target), RunCommandFor(request.target)));
            break;
        case AddItemSection::MachineRun:
            error = static_cast<DWORD>(
                WriteRunValue(HKEY_LOCAL_MACHINE, RunValueNameFor(request.target), RunCommandFor(request.target)));
            break;
    }
    if (error != ERROR_SUCCESS) return {AddItemResult::NotWritten, error};
    return {AddItemResult::Added, ERROR_SUCCESS};
}

std::wstring AddItemFailureMessage(const AddItemRequest& request, const AddItemOutcome& outcome) {
    if (outcome.result != AddItemResult::NotWritten) return L"";
    const int section = static_cast<int>(request.section);
    const std::wstring place = section >= 0 && section < kAddItemSectionCount
                                   ? LangText(static_cast<TextKey>(IDS_ADDITEMFORM_COMBOBOX_Items1 + section))
                                   : request.target;
    return Format(LangText(IDS_MESSAGEBOX_WARNING_AddItemFailed).c_str(), place.c_str(),
                  SystemErrorText(outcome.error).c_str());
}

}  // namespace purgeon
