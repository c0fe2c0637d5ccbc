// Folders that no single program owns, so they are never offered for deletion.
#include <shlobj.h>
#include <knownfolders.h>

#include <mutex>

#include "remains/remainsScan.h"
#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon::remains {

namespace {

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    UniqueCoTaskMem<wchar_t> path;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, path.put())) && path) return path.get();
    return L"";
}

std::wstring CsidlFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)) ? buffer : L"";
}

// "\\?\C:\x" and "\\.\C:\x" name the same place as "C:\x", "\\?\UNC\server\share" as
// "\\server\share": compared without the prefix, or they would slip past every rule below.
std::wstring DropNamespacePrefix(const std::wstring& path) {
    if (path.size() < 4 || path[0] != L'\\' || path[1] != L'\\' || (path[2] != L'?' && path[2] != L'.') ||
        path[3] != L'\\')
        return path;
    const std::wstring rest = path.substr(4);
    if (StartsWithNoCase(rest, L"UNC\\")) return L"\\\\" + rest.substr(4);
    return rest;
}

bool SameOrInside(const std::wstring& path, const std::wstring& folder) {
    if (folder.empty()) return false;
    if (EqualsNoCase(path, folder)) return true;
    return path.size() > folder.size() && path[folder.size()] == L'\\' &&
           StartsWithNoCase(path, folder);
}

// Folders that are protected themselves; what lies inside them may belong to one program.
std::vector<std::wstring> ReadProtectedExactly() {
    std::vector<std::wstring> folders;
    for (REFKNOWNFOLDERID id :
         {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_ProgramFilesX64, FOLDERID_ProgramFilesCommon,
          FOLDERID_ProgramFilesCommonX86, FOLDERID_ProgramFilesCommonX64, FOLDERID_ProgramData, FOLDERID_UserProfiles,
          FOLDERID_Profile, FOLDERID_Public, FOLDERID_Desktop, FOLDERID_Documents, FOLDERID_Downloads,
          FOLDERID_RoamingAppData, FOLDERID_LocalAppData, FOLDERID_LocalAppDataLow, FOLDERID_StartMenu,
          FOLDERID_Programs, FOLDERID_Startup, FOLDERID_PublicDesktop, FOLDERID_PublicDocuments,
          FOLDERID_CommonStartMenu, FOLDERID_CommonPrograms, FOLDERID_CommonStartup})
        folders.push_back(KnownFolder(id));
    // Older resolution, for prefixes where a known folder is not set up.
    for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
                      CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_COMMON_APPDATA, CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY,
                      CSIDL_PERSONAL, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_STARTMENU, CSIDL_PROGRAMS,
                      CSIDL_STARTUP, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTUP})
        folders.push_back(CsidlFolder(csidl));
    std::vector<std::wstring> out;
    for (const std::wstring& folder : folders)
        if (!folder.empty()) out.push_back(NormalisedPath(folder));
    return out;
}

// The system's folders as they are now, and the Users folder. Asking the shell for some forty
// folders costs more than a clean-up's move of a folder, and every folder of a clean-up is
// judged again as it goes: a reading is kept for two seconds, a folder moved meanwhile being
// caught by the next one.
struct SystemFolders {
    std::vector<std::wstring> exactly;
    std::wstring users;
};
SystemFolders CurrentSystemFolders() {
    static std::mutex lock;
    static SystemFolders kept;
    static ULONGLONG readAt = 0;
    std::lock_guard<std::mutex> guard(lock);
    const ULONGLONG now = GetTickCount64();
    if (readAt == 0 || now - readAt > 2000) {
        kept.exactly = ReadProtectedExactly();
        kept.users = NormalisedPath(KnownFolder(FOLDERID_UserProfiles));
        if (kept.users.empty()) kept.users = NormalisedPath(ExtractFilePath(NormalisedPath(CsidlFolder(CSIDL_PROFILE))));
        readAt = now;
    }
    return kept;
}

// Standard folders of any profile, relative to it, for profiles other than the current one.
constexpr const wchar_t* kProfileFolders[] = {
    L"Desktop", L"Documents", L"My Documents", L"Downloads", L"AppData", L"AppData\\Roaming", L"AppData\\Local",
    L"AppData\\LocalLow", L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
    L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
    L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
};

bool IsBareShareOrRelative(const std::wstring& path) {
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        // "\\server\share" and less is the share itself.
        size_t parts = 0;
        size_t start = 2;
        while (start < path.size()) {
            size_t end = path.find(L'\\', start);
            if (end == std::wstring::npos) end = path.size();
            if (end > start) ++parts;
            start = end + 1;
        }
        return parts <= 2;
    }
    // Only "X:\..." names one place whatever the current folder is.
    return !(path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\');
}

}  // namespace

std::wstring NormalisedPath(const std::wstring& path) {
    if (path.empty()) return path;
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return ExcludeTrailingBackslash(path);
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    full.resize(size);
    // "C:\PROGRA~1" is Program Files; only an existing path has a long form to look up.
    size = GetLongPathNameW(full.c_str(), nullptr, 0);
    if (size > 0) {
        std::wstring longForm(size, L'\0');
        size = GetLongPathNameW(full.c_str(), longForm.data(), size);
        if (size > 0 && size < longForm.size()) {
            longForm.resize(size);
            full = longForm;
        }
    }
    return ExcludeTrailingBackslash(full);
}

bool IsProtectedFolder(const std::wstring& rawPath) {
    std::wstring path = CleanInstallLocation(rawPath);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    path = DropNamespacePrefix(path);
    if (path.empty() || IsBareShareOrRelative(path)) return true;
    path = NormalisedPath(path);
    if (path.size() <= 2) return true;  // "C:" left of "C:\"
    if (IsBareShareOrRelative(path + L'\\')) return true;

    wchar_t windows[MAX_PATH] = {};
    if (GetWindowsDirectoryW(windows, MAX_PATH) && SameOrInside(path, NormalisedPath(windows))) return true;
    if (SameOrInside(path, NormalisedPath(SystemDirectory()))) return true;

    // A protected folder, or one that holds a protected folder (removing "...\Roaming\Microsoft"
    // would take the Start Menu with it).
    const SystemFolders system = CurrentSystemFolders();
    for (const std::wstring& folder : system.exactly)
        if (SameOrInside(folder, path)) return true;

    // Any profile under the Users folder, and its standard folders.
    const std::wstring& users = system.users;
    if (!users.empty() && path.size() > users.size() + 1 && SameOrInside(path, users)) {
        const std::wstring rest = path.substr(users.size() + 1);
        const size_t slash = rest.find(L'\\');
        if (slash == std::wstring::npos) return true;
        const std::wstring inProfile = rest.substr(slash + 1);
        for (const wchar_t* standard : kProfileFolders)
            if (SameOrInside(standard, inProfile)) return true;
    }
    return false;
}

}  // namespace purgeon::remains
