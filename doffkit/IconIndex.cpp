#include "doffkit/IconIndex.h"

#include <shellapi.h>

#include "common/funUtils.h"

namespace doffkit {

namespace {

using CachedImageIndexFn = int(WINAPI*)(const wchar_t* path, int iconIndex, UINT flags);

// Wine's shell32 exports this only by ordinal 72 (the A/W-neutral name), Windows also by
// name: importing it by name would keep the DLL from loading under Wine.
CachedImageIndexFn CachedImageIndex() {
    static CachedImageIndexFn function = [] {
        HMODULE shell = GetModuleHandleW(L"shell32.dll");
        if (!shell) return CachedImageIndexFn{};
        FARPROC proc = GetProcAddress(shell, "Shell_GetCachedImageIndexW");
        if (!proc) proc = GetProcAddress(shell, MAKEINTRESOURCEA(72));
        return reinterpret_cast<CachedImageIndexFn>(reinterpret_cast<void*>(proc));
    }();
    return function;
}

std::optional<int> ShellFileIcon(const std::wstring& path, DWORD attributes, UINT flags) {
    SHFILEINFOW info = {};
    if (!SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info, SHGFI_SYSICONINDEX | flags)) return std::nullopt;
    return info.iIcon;
}

// The icon of the file's type, from its name alone: the shell does not open the file.
std::optional<int> TypeIcon(const std::wstring& path) {
    return ShellFileIcon(purgeon::ExtractFileName(path), FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES);
}

}  // namespace

IconFileKind IconIndexCache::Checked(const std::wstring& path) {
    std::wstring id = purgeon::ToLower(path);
    auto found = checked_.find(id);
    if (found != checked_.end()) return found->second;
    const IconFileKind kind = CheckIconFile(path);
    checked_.emplace(std::move(id), kind);
    return kind;
}

std::optional<int> IconIndexCache::IconOf(const std::wstring& path, int iconIndex) {
    std::wstring id = purgeon::Format(L"%d,", iconIndex) + purgeon::ToLower(path);
    auto found = known_.find(id);
    if (found != known_.end()) return found->second < 0 ? std::nullopt : std::optional<int>(found->second);
    int index = -1;
    // A stat is far cheaper than letting the shell try to open a missing file.
    if (Exists(path)) {
        GenericProgram();  // brings the system image list up first
        switch (Checked(path)) {
            case IconFileKind::Sound:
                if (CachedImageIndexFn function = CachedImageIndex()) index = function(path.c_str(), iconIndex, 0);
                if (index < 0 && iconIndex == 0) index = ShellFileIcon(path, 0, 0).value_or(-1);
                break;
            case IconFileKind::Other:
                if (iconIndex == 0) index = TypeIcon(path).value_or(-1);
                break;
            case IconFileKind::Unsound:
                break;
        }
    }
    known_.emplace(std::move(id), index);
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

bool IconIndexCache::Exists(const std::wstring& path) {
    const bool local = path.size() > 3 && path[1] == L':' && path[2] == L'\\';
    if (local) {
        std::wstring lower = purgeon::ToLower(path);
        for (size_t slash = lower.find(L'\\', 3); slash != std::wstring::npos; slash = lower.find(L'\\', slash + 1))
            if (missingFolders_.count(lower.substr(0, slash))) return false;
    }
    if (purgeon::FileExists(path)) return true;
    if (local) {
        // Remember the outermost missing folder of the path.
        std::wstring folder = purgeon::ExcludeTrailingBackslash(purgeon::ExtractFilePath(path)), missing;
        while (folder.size() > 3 && !purgeon::DirectoryExists(folder)) {
            missing = folder;
            folder = purgeon::ExcludeTrailingBackslash(purgeon::ExtractFilePath(folder));
        }
        if (!missing.empty()) missingFolders_.insert(purgeon::ToLower(missing));
    }
    return false;
}

std::optional<int> IconIndexCache::FileIcon(const std::wstring& path) {
    std::wstring id = L"file," + purgeon::ToLower(path);
    auto found = known_.find(id);
    if (found != known_.end()) return found->second < 0 ? std::nullopt : std::optional<int>(found->second);
    int index = -1;
    switch (Checked(path)) {
        case IconFileKind::Sound: index = ShellFileIcon(path, 0, 0).value_or(-1); break;
        case IconFileKind::Other: index = TypeIcon(path).value_or(-1); break;
        case IconFileKind::Unsound: break;
    }
    known_.emplace(std::move(id), index);
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

int IconIndexCache::GenericProgram() {
    if (!generic_)
        generic_ = ShellFileIcon(L"program.exe", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES).value_or(0);
    return *generic_;
}

}  // namespace doffkit
