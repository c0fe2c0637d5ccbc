#include "startup/fileInfo.h"

#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "common/funUtils.h"

namespace purgeon {

namespace {

// Looks up one string; nullopt when the table lacks it.
std::optional<std::wstring> QueryString(const std::vector<BYTE>& block, const std::wstring& path) {
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &text, &length) || !text) return std::nullopt;
    // The length counts characters and may include the terminator; stop at the first NUL.
    const wchar_t* chars = static_cast<const wchar_t*>(text);
    size_t count = 0;
    while (count < length && chars[count]) ++count;
    return std::wstring(chars, count);
}

}  // namespace

std::wstring StringTablePrefix(WORD language, WORD codePage) {
    return Format(L"\\StringFileInfo\\%04X%04X\\", language, codePage);
}

bool ReadFileVersionInfo(const std::wstring& path, TFileInfo& info, const std::wstring& extraName) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return false;

    static const wchar_t* const kNames[] = {L"CompanyName",      L"FileDescription", L"FileVersion",
                                            L"InternalName",     L"LegalCopyright",  L"LegalTrademarks",
                                            L"OriginalFileName", L"ProductName",     L"ProductVersion",
                                            L"Comments"};
    std::wstring* const fields[] = {&info.CompanyName,      &info.FileDescription, &info.FileVersion,
                                    &info.InternalName,     &info.LegalCopyright,  &info.LegalTrademarks,
                                    &info.OriginalFileName, &info.ProductName,     &info.ProductVersion,
                                    &info.Comments};

    // The file's own first translation decides; files that declare none, or declare a table
    // they do not carry, mostly hold one of the common English or neutral tables.
    std::vector<std::wstring> prefixes;
    struct Translation { WORD language, codePage; };
    void* translations = nullptr;
    UINT translationsSize = 0;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translations, &translationsSize) &&
        translations && translationsSize >= sizeof(Translation)) {
        const auto* first = static_cast<const Translation*>(translations);
        prefixes.push_back(StringTablePrefix(first->language, first->codePage));
    }
    for (auto [language, codePage] : {std::pair<WORD, WORD>{0x0409, 1200}, {0x0409, 1252}, {0x0000, 1200}})
        prefixes.push_back(StringTablePrefix(language, codePage));

    std::vector<std::optional<std::wstring>> found(std::size(kNames));
    std::wstring prefix;
    for (const std::wstring& candidate : prefixes) {
        bool any = false;
        for (size_t i = 0; i < std::size(kNames); ++i) {
            found[i] = QueryString(block, candidate + kNames[i]);
            any = any || found[i].has_value();
        }
        if (any) {
            prefix = candidate;
            break;
        }
    }
    for (size_t i = 0; i < std::size(kNames); ++i) *fields[i] = found[i].value_or(L"");

    info.FixedInfo = {};
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (VerQueryValueW(block.data(), L"\\", &fixed, &fixedSize) && fixed && fixedSize >= sizeof(VS_FIXEDFILEINFO))
        memcpy(&info.FixedInfo, fixed, sizeof(VS_FIXEDFILEINFO));

    if (!extraName.empty()) info.Extra = prefix.empty() ? L"" : QueryString(block, prefix + extraName).value_or(L"");
    return true;
}

}  // namespace purgeon
