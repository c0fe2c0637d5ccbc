#pragma once
// A file's version resource: the standard strings, the fixed block and one string of the
// caller's choice. The startup page shows publisher, version and description from it.
#include <windows.h>

#include <string>

namespace purgeon {

struct TFileInfo {
    std::wstring CompanyName;
    std::wstring FileDescription;
    std::wstring FileVersion;
    std::wstring InternalName;
    std::wstring LegalCopyright;
    std::wstring LegalTrademarks;
    std::wstring OriginalFileName;
    std::wstring ProductName;
    std::wstring ProductVersion;
    std::wstring Comments;
    VS_FIXEDFILEINFO FixedInfo{};
    std::wstring Extra;
};

// Fills `info` from the file's version resource. False, with `info` untouched, when the file
// has none or cannot be read. The strings come from the table of the file's first declared
// translation; without a usable one, from the common English and neutral tables. A string the
// chosen table lacks is left empty, as is FixedInfo when the resource has no fixed block.
// `extraName`, when not empty, names one more string, copied into Extra.
bool ReadFileVersionInfo(const std::wstring& path, TFileInfo& info, const std::wstring& extraName = L"");

// The table prefix for a translation, e.g. "\StringFileInfo\040904B0\".
std::wstring StringTablePrefix(WORD language, WORD codePage);

}  // namespace purgeon
