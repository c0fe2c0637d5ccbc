#pragma once
// How a program's uninstaller can run without asking anything: told from its entry and from the
// uninstaller's own file. A batch runs quiet forms side by side and one interactive uninstaller
// at a time; a program with no known quiet form is skipped when the user asked for quiet.
#include <optional>
#include <string>
#include <string_view>

namespace purgeon::uninstall {

enum class InstallerKind { WindowsInstaller, InnoSetup, Nsis, OwnQuietCommand, Unknown };

// What the entry says, as stored.
struct EntryFacts {
    std::wstring keyName;
    std::wstring uninstallCommand;       // what Uninstall runs (expanded; MsiExec /X for products)
    std::wstring quietUninstallString;   // QuietUninstallString, expanded; empty without one
    bool windowsInstaller = false;       // WindowsInstaller = 1
    bool innoAppPath = false;            // an "Inno Setup: App Path" value is there
};

// What the uninstaller's file shows.
struct UninstallerFacts {
    bool innoLayout = false;  // named unins###.exe with its unins###.dat beside it
    bool nullsoft = false;    // its bytes hold "Nullsoft"
};

struct QuietForm {
    InstallerKind kind = InstallerKind::Unknown;
    std::optional<std::wstring> quietCommand;  // nothing when no quiet form is known
};

// In this order: the entry's own quiet command; a Windows Installer product (by its product
// code); Inno Setup; NSIS; else none.
QuietForm QuietFormOf(const EntryFacts& entry, const UninstallerFacts& uninstaller);

// The entry's own values that decide its quiet form, read from its key (a full key path as the
// registry editor names it; the 32-bit view by its WOW6432Node path). Only what the command
// gives when the key cannot be read.
EntryFacts ReadEntryFacts(const std::wstring& keyPath, const std::wstring& keyName,
                          const std::wstring& uninstallCommand);

// Looks at the uninstaller's file named by the command: its name and neighbour for Inno Setup's
// layout, its first bytes (at most a few megabytes) for NSIS's mark. Nothing for a file that is
// not there.
UninstallerFacts ReadUninstallerFacts(const std::wstring& uninstallCommand);

// "unins000.exe" and the like: "unins", three digits, ".exe", any letter case.
bool IsInnoUninstallerName(std::wstring_view fileName);

}  // namespace purgeon::uninstall
