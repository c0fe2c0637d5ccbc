#include "startup/itemInfo.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "common/funUtils.h"
#include "common/handles.h"
#include "common/textParse.h"
#include "startup/fileInfo.h"

namespace purgeon {

namespace {

// "rundll32.exe" and kin: found the way the shell would start them.
std::wstring OnSearchPath(const std::wstring& name) {
    if (name.empty() || name.find_first_of(L"\\/:") != std::wstring::npos) return name;
    wchar_t found[MAX_PATH + 1] = {};
    DWORD length = SearchPathW(nullptr, name.c_str(), L".exe", MAX_PATH, found, nullptr);
    return length > 0 && length <= MAX_PATH ? std::wstring(found, length) : name;
}

std::optional<StartupItemInfo> InfoOf(const std::wstring& program) {
    if (program.empty()) return std::nullopt;
    TFileInfo file;
    if (!ReadFileVersionInfo(program, file)) return std::nullopt;
    return StartupItemInfo{file.CompanyName, file.FileVersion, file.FileDescription};
}

}  // namespace

std::wstring ShortcutTarget(const std::wstring& linkPath) {
    // The caller may or may not have COM running on this thread; either way it is balanced here.
    ComApartment apartment;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return L"";
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return L"";
    if (FAILED(file->Load(linkPath.c_str(), STGM_READ))) return L"";
    wchar_t target[MAX_PATH + 1] = {};
    if (link->GetPath(target, MAX_PATH, nullptr, 0) != S_OK) return L"";
    return target;
}

std::wstring StartupItemProgram(const std::wstring& command, StartupSource source) {
    if (source == StartupSource::Folder) {
        // The file's own path, blanks and all; a shortcut carries no version of its own.
        const std::wstring name = ExtractFileName(command);
        const size_t dot = name.rfind(L'.');
        if (dot != std::wstring::npos && EqualsNoCase(std::wstring_view(name).substr(dot), L".lnk")) {
            const std::wstring target = ShortcutTarget(command);
            if (!target.empty()) return target;
        }
        return command;
    }
    return OnSearchPath(ExpandEnvironment(ProgramPathOfCommand(command)));
}

std::optional<StartupItemInfo> ReadStartupItemInfo(const std::wstring& command, StartupSource source) {
    return InfoOf(StartupItemProgram(command, source));
}

std::optional<StartupItemInfo> ReadStartupItemInfo(const StartupRow& row) {
    return ReadStartupItemInfo(row.command, row.source);
}

std::optional<StartupItemInfo> ReadStartupItemInfo(const std::wstring& command, const std::wstring& location) {
    const bool registry = ToLower(location).find(L"currentversion") != std::wstring::npos;
    return ReadStartupItemInfo(command, registry ? StartupSource::Registry : StartupSource::Folder);
}

}  // namespace purgeon
