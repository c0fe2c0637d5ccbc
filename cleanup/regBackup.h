#pragma once
// The registry part of a clean-up's backup again, as the registry editor's own file beside the
// manifest: the checked keys whole (with all below them) and the checked values, so that
// "regedit /s" can load them back without this program.
#include <windows.h>

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

}  // namespace purgeon::cleanup
