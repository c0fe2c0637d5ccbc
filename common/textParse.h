#pragma once
// Small text rules several folders share, each written once: blanks, whole numbers, a command
// line's program, environment variables.
#include <optional>
#include <string>
#include <string_view>

namespace purgeon {

// A space or a tab: what separates the words of a command line or the fields of a skin rectangle.
// (Trim, by contrast, strips every control character as well.)
bool IsBlank(wchar_t c);
std::wstring_view TrimBlanks(std::wstring_view text);

// A whole number in int range, with an optional sign and blanks around it; nothing else.
std::optional<int> ParseInt(std::wstring_view text);

// The program a command line starts, without quotes or arguments, as the shell would cut it:
// the quoted part when it begins with a quote; else up to the first ".exe" that ends a word
// (so "C:\Program Files\a.exe -x" keeps its blank); else everything before a "/" argument.
// Environment variables stay as written.
std::wstring ProgramPathOfCommand(std::wstring_view command);

// A text as one field of a tab-separated line: tabs and line breaks become blanks.
std::wstring OneLineField(std::wstring text);

// %variables% expanded; the text as it stands when it has none or expansion fails.
std::wstring ExpandEnvironment(const std::wstring& text);

}  // namespace purgeon
