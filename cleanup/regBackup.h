#pragma once
// Before remains are deleted, the checked registry keys (whole, with all below them) and the
// checked values are saved into one file the registry editor can load back ("regedit /s").
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/regFile.h"
#include "remains/remains.h"
#include "common/funUtils.h"

namespace purgeon::cleanup {

using remains::ScanNode;

// The registry editor's file form lives with the backups; the remains backup writes the same.
using backup::EscapeRegString;
using backup::ExportRegistryKey;
using backup::FormatRegValue;
using backup::kRegFileHeader;
inline constexpr wchar_t kRemainsBackupFile[] = L"remains.reg";

// The file text (without the byte-order mark) for the checked keys and values of a remains tree:
// a checked key whole, and for any other key only its checked values. Empty when nothing checked
// exists any more.
std::wstring RemainsBackupText(const std::vector<ScanNode>& keys);

// "yyyy-mm-dd hh-mm-ss" of a local time, a folder name that sorts by date.
std::wstring BackupFolderName(const SYSTEMTIME& time);

// Saves the checked registry remains into <backupDir>\<date and time>\remains.reg. Gives the
// file's path, an empty path when nothing was checked, and nothing when the save failed, in
// which case the caller must not delete.
std::optional<std::wstring> SaveRemainsBackup(const std::wstring& backupDir, const std::vector<ScanNode>& keys);

}  // namespace purgeon::cleanup
