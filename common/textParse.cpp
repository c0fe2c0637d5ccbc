#include "common/textParse.h"

#include <windows.h>

#include <climits>

#include "common/funUtils.h"

namespace purgeon {

namespace {

std::wstring WithoutQuotes(std::wstring_view text) {
    std::wstring result;
    for (wchar_t c : text)
        if (c != L'"') result += c;
    return result;
}

// End of the first ".exe" that closes a word, or npos.
size_t ExeEnd(std::wstring_view text) {
    const std::wstring lower = ToLower(text);
    for (size_t at = lower.find(L".exe"); at != std::wstring::npos; at = lower.find(L".exe", at + 1)) {
        const size_t end = at + 4;
        if (end == lower.size() || IsBlank(lower[end]) || lower[end] == L'/' || lower[end] == L'"' || lower[end] == L',')
            return end;
    }
    return std::wstring::npos;
}

}  // namespace

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<int> ParseInt(std::wstring_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + (c - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

std::wstring ProgramPathOfCommand(std::wstring_view command) {
    std::wstring_view text = TrimBlanks(command);
    if (!text.empty() && text.front() == L'"') {
        const size_t close = text.find(L'"', 1);
        if (close != std::wstring_view::npos) return std::wstring(TrimBlanks(text.substr(1, close - 1)));
        // An opening quote never closed: the rest is cut like an unquoted command.
        text = TrimBlanks(text.substr(1));
    }
    const size_t exeEnd = ExeEnd(text);
    if (exeEnd != std::wstring::npos) return WithoutQuotes(text.substr(0, exeEnd));
    const size_t slash = text.find(L'/');
    if (slash != std::wstring_view::npos) text = TrimBlanks(text.substr(0, slash));
    return WithoutQuotes(text);
}

std::wstring OneLineField(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
    return text;
}

std::wstring ExpandEnvironment(const std::wstring& text) {
    if (text.find(L'%') == std::wstring::npos) return text;
    DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (size == 0) return text;
    std::wstring expanded(size, L'\0');
    size = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), size);
    if (size == 0 || size > expanded.size()) return text;
    expanded.resize(size - 1);
    return expanded;
}

}  // namespace purgeon
