#pragma once
// Installed screen savers: the *.scr files of the system folder.
#include <windows.h>

#include <string>
#include <vector>

namespace doffkit {

struct ScreenSaver {
    std::wstring fileName;    // bare name
    std::wstring directory;   // with its trailing backslash
    std::wstring title;       // FileDescription of the version resource, else empty
    std::wstring publisher;   // CompanyName of the version resource, else empty
    std::wstring lastUsed;    // last-access date, local time, "yyyy-MM-dd"
    unsigned long size = 0;   // bytes (saturated at 4 GB - 1)
};

// Every *.scr of the folder in find order.
std::vector<ScreenSaver> FindScreenSavers(const std::wstring& folder);

}  // namespace doffkit
