#pragma once
// The INI files the text and skin tables are kept in, read and written through the platform's
// profile functions.
#include <optional>
#include <string>

namespace purgeon {

// A value is read into a buffer of this many characters, so at most 2047 are used.
inline constexpr int kProfileValueBuffer = 2048;

// Creates an empty file holding only a UTF-16LE BOM, so the profile writer keeps it Unicode and
// any script can be saved; false when it cannot be created (or already exists).
bool CreateUnicodeProfileFile(const std::wstring& path);
// A key's value as the reader returns it (blanks and one pair of quotes stripped), at most 2047
// characters; nullopt when the section lacks the key.
std::optional<std::wstring> ReadProfileValue(const std::wstring& path, const wchar_t* section, const wchar_t* key);
// The reader strips blanks around a value and one pair of enclosing quotes; quoting such a
// value makes it read back as written.
std::wstring QuoteForProfile(const std::wstring& value);

}  // namespace purgeon
