// Screen savers. LastUsed is the file's last-access date rendered as "yyyy-MM-dd" in local
// time: unambiguous in every locale and sortable as text (Windows may not update access
// times, so it is the best the file system knows, not a usage record).
#include "doffkit/ScreenSavers.h"

#include <optional>

#include "common/funUtils.h"
#include "common/handles.h"

namespace doffkit {

namespace {

struct VersionStrings {
    std::wstring description, company;
};

VersionStrings ReadVersionStrings(const std::wstring& path) {
    VersionStrings out;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return out;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return out;

    // The first declared translation, then the two US English tables most files carry.
    std::vector<std::wstring> tables;
    struct Translation { WORD language, codePage; };
    void* data = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &data, &length) && length >= sizeof(Translation)) {
        const auto* first = static_cast<const Translation*>(data);
        tables.push_back(purgeon::Format(L"%04x%04x", first->language, first->codePage));
    }
    tables.push_back(L"040904b0");
    tables.push_back(L"040904e4");

    auto lookup = [&](const wchar_t* name) {
        for (const std::wstring& table : tables) {
            std::wstring query = L"\\StringFileInfo\\" + table + L"\\" + name;
            void* text = nullptr;
            UINT chars = 0;
            if (VerQueryValueW(block.data(), query.c_str(), &text, &chars) && text && chars > 0) {
                std::wstring value(static_cast<const wchar_t*>(text), chars);
                size_t nul = value.find(L'\0');
                if (nul != std::wstring::npos) value.resize(nul);
                if (!value.empty()) return value;
            }
        }
        return std::wstring();
    };
    out.description = lookup(L"FileDescription");
    out.company = lookup(L"CompanyName");
    return out;
}

std::wstring DateText(const FILETIME& time) {
    if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0) return std::wstring();  // not recorded
    SYSTEMTIME utc = {}, local = {};
    if (!FileTimeToSystemTime(&time, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return std::wstring();
    return purgeon::Format(L"%04u-%02u-%02u", local.wYear, local.wMonth, local.wDay);
}

bool HasScrExtension(const std::wstring& name) {
    // "*.scr" also matches longer extensions through short names on Windows.
    return name.size() > 4 && purgeon::EqualsNoCase(std::wstring_view(name).substr(name.size() - 4), L".scr");
}

}  // namespace

std::vector<ScreenSaver> FindScreenSavers(const std::wstring& folder) {
    std::vector<ScreenSaver> savers;
    if (folder.empty()) return savers;
    const std::wstring directory = purgeon::IncludeTrailingBackslash(folder);
    WIN32_FIND_DATAW found = {};
    purgeon::UniqueFindHandle find(FindFirstFileW((directory + L"*.scr").c_str(), &found));
    if (!find) return savers;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ScreenSaver saver;
        saver.fileName = found.cFileName;
        if (!HasScrExtension(saver.fileName)) continue;
        saver.directory = directory;
        ULONGLONG size = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        saver.size = size > 0xffffffffULL ? 0xffffffffUL : static_cast<unsigned long>(size);
        saver.lastUsed = DateText(found.ftLastAccessTime);
        VersionStrings strings = ReadVersionStrings(directory + saver.fileName);
        saver.title = std::move(strings.description);
        saver.publisher = std::move(strings.company);
        savers.push_back(std::move(saver));
    } while (FindNextFileW(find.get(), &found));
    return savers;
}

}  // namespace doffkit
