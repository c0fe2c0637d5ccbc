#include "i18n/multiLangs.h"

#include <windows.h>

#include <array>
#include <cwchar>

#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "i18n/langDefaults.h"
#include "i18n/profileFiles.h"

namespace purgeon {

namespace {

using i18n_detail::kTextDefaults;

// Earlier releases wrote this one key in another letter case; lookups ignore case, so both read.
constexpr wchar_t kNoRemainsFileKey[] = L"IDS_MESSAGEBOX_WARNING_NoRemains";

std::array<std::wstring, kTextKeyCount> EnglishTexts() {
    std::array<std::wstring, kTextKeyCount> texts;
    for (int i = 0; i < kTextKeyCount; ++i) texts[i] = kTextDefaults[i].english;
    return texts;
}

std::array<std::wstring, kTextKeyCount>& Texts() {
    static std::array<std::wstring, kTextKeyCount> texts = EnglishTexts();
    return texts;
}

const wchar_t* FileKeyName(int index) {
    return index == IDS_MESSAGEBOX_WARNING_Noremains ? kNoRemainsFileKey : kTextDefaults[index].key;
}

std::wstring ReplaceAll(std::wstring text, std::wstring_view from, std::wstring_view to) {
    for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool IsFlag(wchar_t c) { return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

enum class ArgSize { Default, Short, Long, Wide, Int64, LongDouble };

}  // namespace

const std::wstring& LangText(TextKey key) { return Texts()[key]; }
const wchar_t* LangKeyName(TextKey key) { return kTextDefaults[key].key; }
const wchar_t* LangDefaultText(TextKey key) { return kTextDefaults[key].english; }
bool IsMultiLineText(TextKey key) { return kTextDefaults[key].multiLine; }

void ResetLanguageTable() { Texts() = EnglishTexts(); }

void ShowSaveFailedBox(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

std::wstring ConvertLineBreaks(std::wstring_view text, LineBreaks direction) {
    std::wstring result = Trim(text);
    if (direction == LineBreaks::ForDisplay) return ReplaceAll(std::move(result), L"#13", L"\r\n");
    result = ReplaceAll(std::move(result), L"\r\n", L"#13");
    result = ReplaceAll(std::move(result), L"\n", L"#13");
    return ReplaceAll(std::move(result), L"\r", L"#13");
}

// Follows the runtime's wide printf (what Format uses): "%s" is a wide string there, "%S" and
// "%hs" 8-bit ones, and "long" is 32 bits.
std::optional<std::wstring> PlaceholderSignature(std::wstring_view text) {
    std::wstring kinds;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        if (text[i] != L'%') continue;
        if (++i >= n) return std::nullopt;
        if (text[i] == L'%') continue;
        while (i < n && IsFlag(text[i])) ++i;
        if (i < n && text[i] == L'*') {
            kinds += L'd';
            ++i;
        } else {
            while (i < n && IsDigit(text[i])) ++i;
        }
        if (i < n && text[i] == L'.') {
            ++i;
            if (i < n && text[i] == L'*') {
                kinds += L'd';
                ++i;
            } else {
                while (i < n && IsDigit(text[i])) ++i;
            }
        }
        ArgSize size = ArgSize::Default;
        std::wstring_view rest = text.substr(i);
        auto take = [&](std::wstring_view prefix, ArgSize s) {
            if (rest.substr(0, prefix.size()) != prefix) return false;
            i += prefix.size();
            size = s;
            return true;
        };
        take(L"I64", ArgSize::Int64) || take(L"I32", ArgSize::Default) || take(L"I", ArgSize::Int64) ||
            take(L"ll", ArgSize::Int64) || take(L"hh", ArgSize::Short) || take(L"h", ArgSize::Short) ||
            take(L"l", ArgSize::Long) || take(L"w", ArgSize::Wide) || take(L"L", ArgSize::LongDouble) ||
            take(L"z", ArgSize::Int64) || take(L"j", ArgSize::Int64) || take(L"t", ArgSize::Int64);
        if (i >= n) return std::nullopt;
        switch (text[i]) {
            case L'd': case L'i': case L'o': case L'u': case L'x': case L'X':
                kinds += size == ArgSize::Int64 ? L'D' : L'd';
                break;
            case L'c': case L'C':
                kinds += L'd';  // promoted to int
                break;
            case L'e': case L'E': case L'f': case L'F': case L'g': case L'G': case L'a': case L'A':
                kinds += size == ArgSize::LongDouble ? L'F' : L'f';
                break;
            case L's':
                kinds += size == ArgSize::Short ? L'a' : L's';
                break;
            case L'S':
                kinds += size == ArgSize::Long || size == ArgSize::Wide ? L's' : L'a';
                break;
            case L'p':
                kinds += L'p';
                break;
            default:  // "%n" writes through its argument; anything else is not a conversion
                return std::nullopt;
        }
    }
    return kinds;
}

bool SamePlaceholders(std::wstring_view candidate, std::wstring_view reference) {
    std::optional<std::wstring> a = PlaceholderSignature(candidate);
    return a && a == PlaceholderSignature(reference);
}

bool SaveLanguage(const std::wstring& givenPath) {
    // The profile functions look for a bare file name in the Windows folder, the file functions
    // in the current one: a full path makes both reach the same file.
    const std::wstring path = FullPathName(givenPath);
    if (!FileExists(path) && !CreateUnicodeProfileFile(path)) return false;
    const auto& texts = Texts();
    for (int i = 0; i < kTextKeyCount; ++i) {
        std::wstring value = kTextDefaults[i].multiLine ? ConvertLineBreaks(texts[i], LineBreaks::ForFile) : texts[i];
        if (!WritePrivateProfileStringW(kLanguageSection, FileKeyName(i), QuoteForProfile(value).c_str(), path.c_str()))
            return false;
    }
    return true;
}

bool SaveLanguage() { return SaveLanguage(AppPaths.LangPath); }

std::optional<std::wstring> TableFileReady(const std::wstring& givenPath, const std::function<bool(const std::wstring&)>& create,
                                           const SaveFailedBox& showError) {
    const std::wstring path = FullPathName(givenPath);
    if (FileExists(path) || create(path)) return path;
    if (showError) showError(Format(LangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed).c_str(), path.c_str()));
    return std::nullopt;
}

std::optional<std::wstring> TableFileReadable(const std::wstring& path, const SaveFailedBox& showError) {
    // The profile functions take a file they cannot open for one without any key: every text
    // would silently stay as it was.
    UniqueHandle file = AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return path;
    const DWORD error = LastErrorOr(ERROR_ACCESS_DENIED);
    if (showError) showError(ReadFailedText(path, SystemErrorText(error)));
    return std::nullopt;
}

std::wstring ReadFailedText(const std::wstring& path, const std::wstring& reason) {
    return Format(LangText(IDS_MESSAGEBOX_WARNING_ReadFileFailed).c_str(), path.c_str(), reason.c_str());
}

bool LoadLanguage(const std::wstring& givenPath, const SaveFailedBox& showError) {
    std::optional<std::wstring> ready =
        TableFileReady(givenPath, [](const std::wstring& path) { return SaveLanguage(path); }, showError);
    if (ready) ready = TableFileReadable(*ready, showError);
    if (!ready) return false;
    const std::wstring& path = *ready;
    // Entries read before a failure keep their new texts.
    try {
        auto& texts = Texts();
        for (int i = 0; i < kTextKeyCount; ++i) {
            std::optional<std::wstring> value = ReadProfileValue(path, kLanguageSection, kTextDefaults[i].key);
            if (!value) continue;
            if (kTextDefaults[i].multiLine) *value = ConvertLineBreaks(*value, LineBreaks::ForDisplay);
            // Texts are format strings: a translation taking other arguments would crash or
            // print garbage where it is filled in.
            if (!SamePlaceholders(*value, kTextDefaults[i].english)) continue;
            texts[i] = std::move(*value);
        }
    } catch (const std::exception& error) {  // out of memory, the one thing that can go wrong here
        if (showError) showError(ReadFailedText(path, FromUtf8(error.what())));
        return false;
    }
    return true;
}

bool LoadLanguage() { return LoadLanguage(AppPaths.LangPath); }

std::vector<LanguageMenuEntry> ListLanguageFiles(const std::wstring& langDir, const std::wstring& currentPath) {
    std::vector<LanguageMenuEntry> entries;
    const std::wstring currentName = ExtractFileName(currentPath);
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW((IncludeTrailingBackslash(langDir) + L"*.ini").c_str(), &found));
    if (!find) return entries;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::wstring name = found.cFileName;
        std::wstring caption = name.substr(0, name.find(L'.'));
        // A nameless entry would show as a blank menu line.
        if (caption.empty()) continue;
        entries.push_back({caption, name, EqualsNoCase(name, currentName)});
    } while (FindNextFileW(find.get(), &found));
    return entries;
}

std::optional<std::wstring> LanguageFileOfCaption(const std::wstring& langDir, const std::wstring& caption) {
    std::wstring path = IncludeTrailingBackslash(langDir) + caption + L".ini";
    if (!FileExists(path)) return std::nullopt;
    return path;
}

}  // namespace purgeon
