#pragma once
// Sample programs installed into the current prefix: each one has a folder of files, an
// Uninstall entry whose uninstaller really runs, vendor keys and optional startup entries.
// The demo seeds a dozen of them; tests install what they need and check what is left.
#include <windows.h>

#include <string>
#include <vector>

#include "common/globals.h"

namespace purgeon::samples {

// What the sample's uninstaller does when its UninstallString is run.
enum class UninstallBehaviour {
    RemoveAll,  // removes the folder, its keys and startup entries, then exits quickly
    Remains,    // removes the Uninstall entry and some files; leaves files, folders, vendor keys
    Handover,   // starts a copy of itself from %TEMP% that does the work ~1 s later, exits at once
    Slow,       // does what Remains does, but takes about 1.5 s
    Missing,    // the UninstallString names an uninstaller that is not there
    Nothing,    // changes nothing and exits: cancelled, or only a maintenance dialog
};

struct SampleSpec {
    // Uninstall subkey, vendor key names, install folder name, Run value and shortcut name.
    std::wstring name;
    std::wstring displayName;  // defaults to name
    std::wstring publisher = L"Purgeon Sample Software";
    std::wstring version = L"1.0.0";
    UninstallBehaviour behaviour = UninstallBehaviour::RemoveAll;
    // What the %TEMP% copy does for Handover: RemoveAll or Remains.
    UninstallBehaviour handoverWork = UninstallBehaviour::RemoveAll;
    DWORD exitCode = 0;            // what the uninstaller (or the copy it hands over to) exits with
    bool runEntry = false;         // HKCU\...\Run value <name> -> the app exe
    bool startupShortcut = false;  // <Startup folder>\<name>.lnk -> the app exe
    std::wstring patchId;          // e.g. L"KB5012345": an extra Uninstall entry under this one
    std::wstring installDate;      // YYYYMMDD; today when empty
    std::wstring comments, helpLink, urlInfoAbout, urlUpdateInfo;  // defaults from the publisher
    int iconIndex = 0;             // which of SampleApp.exe's icons (sampleIcons.h) its entry shows
};

// Where an installed sample put things.
struct InstalledSample {
    std::wstring keyName;
    std::wstring installDir;       // with trailing backslash
    std::wstring appExe;
    std::wstring uninstallerPath;  // named by UninstallString even for Missing
    std::wstring uninstallString;
    std::wstring runValueName;     // empty unless a Run entry was made
    std::wstring shortcutPath;     // empty unless a Startup shortcut was made
    std::wstring patchKeyName;     // empty unless a patch entry was made
    std::vector<std::wstring> files;  // every file written, relative to installDir
};

// A failure to install or remove; the message says what and why.
class SampleError : public UserError {
public:
    using UserError::UserError;
};

// File names of the tool binaries looked for in toolsDir.
inline constexpr wchar_t kUninstallerFile[] = L"SampleUninstall.exe";
inline constexpr wchar_t kAppFile[] = L"SampleApp.exe";
inline constexpr wchar_t kSaverFile[] = L"SampleSaver.scr";
inline constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kDefaultSeedPrefix[] = L"PurgeonSeed";

// Installs (or reinstalls over) a sample. toolsDir holds SampleUninstall.exe and SampleApp.exe.
// Throws SampleError.
InstalledSample InstallSample(const SampleSpec& spec, const std::wstring& toolsDir);
// Removes everything any sample of that name may have left, whatever its uninstaller did.
// Returns what it removed, one line per item; throws SampleError when something stays.
std::vector<std::wstring> RemoveSample(const std::wstring& keyName);
// The same, but when the Uninstall entry is gone the SampleSpec still tells where the rest lives.
std::vector<std::wstring> RemoveSample(const SampleSpec& spec);

// The dozen varied samples the demo prefix shows.
std::vector<SampleSpec> DemoSamples();
// The UninstallString arguments and command-line name of a behaviour.
const wchar_t* BehaviourName(UninstallBehaviour behaviour);
bool ParseBehaviour(const std::wstring& text, UninstallBehaviour* behaviour);

// Files the Remains/Slow uninstaller leaves in the install folder, relative to it.
std::vector<std::wstring> RemainingFiles();
// Every file a fresh install writes into its folder, relative to it (without the uninstaller).
std::vector<std::wstring> SampleFiles(const std::wstring& name);

// Paths, for callers that check what is there.
std::wstring ProgramFilesDir();                       // "C:\Program Files\"
std::wstring InstallDirOf(const std::wstring& publisher, const std::wstring& name);
std::wstring StartupShortcutPath(const std::wstring& name);
std::wstring UninstallKeyPath(const std::wstring& keyName);  // under HKLM

// The screen saver, copied from toolsDir into the system folder. Returns its path there.
std::wstring InstallScreenSaver(const std::wstring& toolsDir);
// True when it was there and is gone now; throws SampleError when it cannot be deleted.
bool RemoveScreenSaver();
std::wstring ScreenSaverPath();

// Creates count plain Uninstall entries <prefix>000001... with a few values each, fast.
// Returns how many were written.
size_t SeedEntries(size_t count, const std::wstring& prefix = kDefaultSeedPrefix);
// Deletes every Uninstall entry whose name starts with prefix; returns how many.
size_t UnseedEntries(const std::wstring& prefix = kDefaultSeedPrefix);

// One installed sample as the list command shows it.
struct SampleListing {
    std::wstring keyName, displayName, version, publisher, installLocation, uninstallString;
    bool uninstallerPresent = false;
};
// Uninstall entries whose uninstaller is the sample uninstaller.
std::vector<SampleListing> ListInstalledSamples();

// --- the uninstaller's work, shared with the uninstaller exe ---------------
// Runs one behaviour's removal for keyName now (no waiting, no handover). A file that cannot
// be deleted because it is running (the uninstaller itself) is moved out to %TEMP% instead.
void RunUninstallWork(const std::wstring& keyName, UninstallBehaviour behaviour);
// Deletes leftover uninstaller copies in %TEMP% from earlier runs (those still running stay).
void SweepTempCopies();
// A fresh %TEMP% path for a copied uninstaller or a parked running file.
std::wstring NewTempCopyPath();

}  // namespace purgeon::samples
