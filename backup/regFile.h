#pragma once
// Registry files (".reg") in the registry editor's own form: what "regedit /e" writes for a key,
// byte for byte, so a file of ours and one of the editor's can be told apart by nothing.
//
// One exception, for the sake of the backup: data the editor itself would write short or wrong
// (a REG_SZ without its terminating NUL, with an inner NUL or an odd size, a REG_DWORD that is
// not four bytes) goes as hex(1): / hex(4): lines, which hold every byte; the editor loads the text
// back but adds a missing terminator (and Wine's drops an odd last byte).
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/funUtils.h"

namespace purgeon::backup {

inline constexpr wchar_t kRegFileHeader[] = L"Windows Registry Editor Version 5.00";

// A text as it stands between the quotes of a .reg line: \ and " escaped, CR and LF as \r, \n.
std::wstring EscapeRegString(std::wstring_view text);

// One value as its .reg line (or wrapped lines), with its CRLF: "name"="text", @=dword:0000002a,
// "name"=hex(2):..., long hex data wrapped after the 77th column with ",\" and a two-space indent.
std::wstring FormatRegValue(const RegValue& value);

// The block of one key: a blank line, "[keyText]", its values in registry order.
std::wstring RegKeyBlock(const std::wstring& keyText, HKEY key);

// The whole file text (without the byte-order mark) for a key and everything below it, as the
// registry editor writes it for `rootName\path`. nullopt with *error set when the key, one of its
// subkeys or one of their values cannot be read: a file that lacks part of the key would pass
// for a backup of all of it.
std::optional<std::wstring> RegFileText(HKEY root, const std::wstring& rootName, const std::wstring& path,
                                        LSTATUS* error = nullptr);

// The same for `subkey` of an open key, its lines naming it `keyText`.
std::optional<std::wstring> RegFileTextOf(HKEY parent, const std::wstring& subkey, const std::wstring& keyText,
                                          LSTATUS* error = nullptr);

// A key and everything below it without the file's header and closing line; empty when the key
// cannot be opened.
std::wstring ExportRegistryKey(HKEY root, const std::wstring& path);

// Writes text as UTF-16LE with a byte-order mark, replacing the file. ERROR_SUCCESS only once
// every byte is written and the file is closed.
DWORD WriteUtf16File(const std::wstring& path, const std::wstring& text);

// Writes bytes as they are, replacing the file; ERROR_SUCCESS once written and closed.
DWORD WriteBytesFile(const std::wstring& path, std::string_view bytes);

}  // namespace purgeon::backup
