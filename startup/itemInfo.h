#pragma once
// What the startup page shows about the selected row: publisher, version and description of
// the program the row starts, read from that program's version resource.
#include <optional>
#include <string>
#include <string_view>

#include "common/textParse.h"  // ProgramPathOfCommand, for callers of this header
#include "startup/startupItems.h"

namespace purgeon {

struct StartupItemInfo {
    std::wstring publisher;    // CompanyName
    std::wstring version;      // FileVersion
    std::wstring description;  // FileDescription
};

// Where a shell link points, or empty when it cannot be read.
std::wstring ShortcutTarget(const std::wstring& linkPath);

// The file whose version resource describes the row: for a registry row the program of its
// command (environment variables expanded, a bare name looked up on the search path); for a
// folder row its file, or the target when the file is a shortcut.
std::wstring StartupItemProgram(const std::wstring& command, StartupSource source);

// Nothing when the program has no readable version resource.
std::optional<StartupItemInfo> ReadStartupItemInfo(const std::wstring& command, StartupSource source);
std::optional<StartupItemInfo> ReadStartupItemInfo(const StartupRow& row);
// As the page holds a row: a Location without "CurrentVersion" names a Startup folder.
std::optional<StartupItemInfo> ReadStartupItemInfo(const std::wstring& command, const std::wstring& location);

}  // namespace purgeon
