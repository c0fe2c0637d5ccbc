#pragma once
// Before remains are deleted, the checked registry keys (whole, with all below them) and the
// checked values are saved into one file the registry editor can load back ("regedit /s").
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleanup/remainsScan.h"
#include "common/funUtils.h"

namespace purgeon::cleanup {

inline constexpr wchar_t kRegFileHeader[] = L"Windows Registry Editor Version 5.00";
inline constexpr wchar_t kRemainsBackupFile[] = L"remains.reg";

// A string with \ and " escaped, as it stands between the quotes of a .reg line.
std::wstring EscapeRegString(std::wstring_view text);

// One value as a .reg line (or wrapped lines), with its CRLF: "name"="text", @=dword:0000002a,
// "name"=hex(2):..., long hex data wrapped with ",\" and a two-space indent. Strings that would
// not come back byte for byte in quotes (no terminator, inner NUL, line breaks) go as hex(1).
std::wstring FormatRegValue(const RegValue& value);

// A key with its values and everything below it, each key as "[root\path]" then its values and
// a blank line. Empty when the key cannot be opened.
std::wstring ExportRegistryKey(HKEY root, const std::wstring& path);

// The file text (without the byte-order mark) for the checked keys and values of a remains tree:
// a checked key whole, and for any other key only its checked values. Empty when nothing checked
// exists any more.
std::wstring RemainsBackupText(const std::vector<ScanNode>& keys);

// Writes text as UTF-16LE with a byte-order mark, replacing the file.
bool WriteUtf16File(const std::wstring& path, const std::wstring& text);

// "yyyy-mm-dd hh-mm-ss" of a local time, a folder name that sorts by date.
std::wstring BackupFolderName(const SYSTEMTIME& time);

// Saves the checked registry remains into <backupDir>\<date and time>\remains.reg. Gives the
// file's path, an empty path when nothing was checked, and nothing when the save failed, in
// which case the caller must not delete.
std::optional<std::wstring> SaveRemainsBackup(const std::wstring& backupDir, const std::vector<ScanNode>& keys);

}  // namespace purgeon::cleanup
