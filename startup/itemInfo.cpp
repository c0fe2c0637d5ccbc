#include "startup/itemInfo.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "common/funUtils.h"
#include "common/handles.h"
#include "startup/fileInfo.h"

namespace purgeon {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::wstring WithoutQuotes(std::wstring_view text) {
    std::wstring result;
    for (wchar_t c : text)
        if (c != L'"') result += c;
    return result;
}

// End of the first ".exe" that closes a word, or npos. Lets "C:\Program Files\a.exe -x" keep
// its blank.
size_t ExeEnd(std::wstring_view text) {
    const std::wstring lower = ToLower(text);
    for (size_t at = lower.find(L".exe"); at != std::wstring::npos; at = lower.find(L".exe", at + 1)) {
        const size_t end = at + 4;
        if (end == lower.size() || IsBlank(lower[end]) || lower[end] == L'/' || lower[end] == L'"' || lower[end] == L',')
            return end;
    }
    return std::wstring::npos;
}

std::wstring ExpandEnvironment(const std::wstring& text) {
    if (text.find(L'%') == std::wstring::npos) return text;
    DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (size == 0) return text;
    std::wstring expanded(size, L'\0');
    size = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), size);
    if (size == 0) return text;
    expanded.resize(size - 1);
    return expanded;
}

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

std::wstring ProgramPathOfCommand(std::wstring_view command) {
    std::wstring_view text = TrimBlanks(command);
    if (!text.empty() && text.front() == L'"') {
        const size_t close = text.find(L'"', 1);
        if (close != std::wstring_view::npos) return std::wstring(TrimBlanks(text.substr(1, close - 1)));
        // An opening quote never closed: the rest is cut like an unquoted command.
        text = TrimBlanks(text.substr(1));
    }
    const size_t exeEnd = ExeEnd(text);
    if (exeEnd != std::wstring::npos) return WithoutQuotes(text.substr(0, exeEnd));
    const size_t slash = text.find(L'/');
    if (slash != std::wstring_view::npos) text = TrimBlanks(text.substr(0, slash));
    return WithoutQuotes(text);
}

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
