#pragma once
// Path, string and registry helpers shared across the program, the component and the tools.
#include <windows.h>
#include <cstdarg>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace purgeon {

// --- strings ---------------------------------------------------------------
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);
// printf-style formatting into a wide string.
std::wstring Format(const wchar_t* format, ...);
std::wstring FormatV(const wchar_t* format, va_list args);
std::wstring ToLower(std::wstring_view text);
// Upper-cased, as a lookup key for names the file system and the registry compare without case.
std::wstring FoldCase(std::wstring_view text);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix);
std::wstring Trim(std::wstring_view text);
// `text` with each character the table names replaced by its text, the others as they stand.
struct CharEscape {
    wchar_t c;
    const wchar_t* text;
};
std::wstring EscapeChars(std::wstring_view text, std::initializer_list<CharEscape> table);
// A window's text.
std::wstring WindowText(HWND window);
// The system's own text for an error code, without the trailing line break.
std::wstring SystemErrorText(DWORD error);
// GetLastError(), or `fallback` when a failed call left no error behind.
DWORD LastErrorOr(DWORD fallback);

// --- paths -----------------------------------------------------------------
std::wstring IncludeTrailingBackslash(std::wstring_view path);
std::wstring ExcludeTrailingBackslash(std::wstring_view path);
// Folder part with its trailing backslash ("C:\a\b.exe" -> "C:\a\").
std::wstring ExtractFilePath(std::wstring_view path);
std::wstring ExtractFileName(std::wstring_view path);
// The full path of `path`, against the current folder; as given when it cannot be made full.
std::wstring FullPathName(const std::wstring& path);
bool FileExists(const std::wstring& path);       // a file, not a folder
bool DirectoryExists(const std::wstring& path);
// Creates a folder with all missing parents; true when it exists afterwards.
bool ForceDirectories(const std::wstring& path);
std::wstring ModuleFileName(HMODULE module);
std::wstring SystemDirectory();
std::wstring TempDirectory();

// --- registry ------------------------------------------------------------
// A raw value as stored: its type and bytes.
struct RegValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};
// Reads one value whole, whatever its size; nullopt when it is absent or unreadable.
std::optional<RegValue> ReadRegValue(HKEY key, const wchar_t* name);
// A string value (REG_SZ or REG_EXPAND_SZ, unexpanded); nullopt for other types.
std::optional<std::wstring> ReadRegString(HKEY key, const wchar_t* name);
// Every value of a key in registry order.
std::vector<RegValue> ReadRegValues(HKEY key);
// The names of a key's subkeys in registry order; as far as the registry gives them. `error`,
// when given, says why the listing stopped before its end (ERROR_SUCCESS when it did not).
std::vector<std::wstring> SubkeyNames(HKEY key, LSTATUS* error = nullptr);
// The data rendered as the registry editor shows it.
std::wstring RenderRegValue(const RegValue& value);
// Text of REG_SZ/REG_EXPAND_SZ bytes, cut at the first NUL.
std::wstring RegBytesToString(const std::vector<BYTE>& data);

}  // namespace purgeon
