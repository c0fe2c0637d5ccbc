#pragma once
// System image list indexes, looked up once per icon location. Under Wine each lookup of a
// file not seen before opens the file and extracts its icon, so a refresh with many entries
// sharing an uninstaller pays for it once. A file reaches the shell only when its icon directory
// holds up (IconFileCheck.h); any other file gives its type's icon, a broken one none.
#include <windows.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "doffkit/IconFileCheck.h"

namespace doffkit {

class IconIndexCache {
public:
    // Index of icon `iconIndex` of the file (a position among its icons, or a negative
    // resource id); nullopt when the file is missing or has no such icon.
    std::optional<int> IconOf(const std::wstring& path, int iconIndex);
    // The icon the shell shows for the file itself (its type's icon when it has none).
    std::optional<int> FileIcon(const std::wstring& path);
    // The shell's generic program icon.
    int GenericProgram();

private:
    bool Exists(const std::wstring& path);
    // The file checked once per refresh before the shell may read it.
    IconFileKind Checked(const std::wstring& path);

    std::unordered_map<std::wstring, int> known_;  // -1: no icon there
    std::unordered_map<std::wstring, IconFileKind> checked_;
    // Lower-case folders found missing: orphaned entries often share one (a deleted
    // program folder), and under Wine a failed lookup scans the parent directory.
    std::unordered_set<std::wstring> missingFolders_;
    std::optional<int> generic_;
};

}  // namespace doffkit
