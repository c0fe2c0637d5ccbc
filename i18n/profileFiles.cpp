#include "i18n/profileFiles.h"

#include <windows.h>

#include "common/handles.h"

namespace purgeon {

namespace {

// Returned for a key the file lacks. The reader trims trailing blanks off a default, so an
// entry's own text cannot serve as the default without losing a trailing blank.
constexpr wchar_t kMissing[] = L"\uE000<missing>\uE000";

// Whatever the profile reader strips from a value's ends: blanks and control characters.
bool IsStrippedByReader(wchar_t c) { return static_cast<unsigned>(c) <= L' '; }

}  // namespace

bool CreateUnicodeProfileFile(const std::wstring& path) {
    UniqueHandle file = AdoptFileHandle(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    static const BYTE bom[] = {0xFF, 0xFE};
    DWORD written = 0;
    return WriteFile(file.get(), bom, sizeof bom, &written, nullptr) && written == sizeof bom;
}

std::optional<std::wstring> ReadProfileValue(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    std::wstring buffer(kProfileValueBuffer, L'\0');
    DWORD length = GetPrivateProfileStringW(section, key, kMissing, buffer.data(), kProfileValueBuffer, path.c_str());
    buffer.resize(length);
    if (buffer == kMissing) return std::nullopt;
    return buffer;
}

std::wstring QuoteForProfile(const std::wstring& value) {
    if (value.empty()) return value;
    bool blankEnds = IsStrippedByReader(value.front()) || IsStrippedByReader(value.back());
    bool quoted = value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
                  value.back() == value.front();
    return blankEnds || quoted ? L"\"" + value + L"\"" : value;
}

}  // namespace purgeon
