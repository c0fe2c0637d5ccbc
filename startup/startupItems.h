#pragma once
// Programs that start at logon: the rows of the startup page, read from the six startup keys
// of each root and from the two Startup folders, and the operations that write them back.
// Purgeon keeps disabled registry entries in a "Run_Disable" subkey of their startup key and
// disabled Startup-folder entries in a hidden subfolder of their Startup folder. Entries others
// disabled are read as disabled too: Task Manager's record under Explorer\StartupApproved (the
// entry stays where it is; an odd first byte means disabled), and the "AutorunsDisabled" subkeys
// and subfolders Autoruns moves entries into.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/outputRows.h"

namespace purgeon {

enum class StartupSource { Registry, Folder };
// Who disabled a row that is disabled.
enum class DisabledBy { None, Purgeon, TaskManager, Autoruns };

struct StartupRow {
    // What the page shows; `enabled` is the check mark the user edits.
    std::wstring name;      // value name, or file name with extension
    std::wstring command;   // value data as text, or the file's full path
    std::wstring location;  // "HKCU\<startup key>" / "HKLM\<startup key>", or the Startup folder
    bool enabled = true;

    // What was read, so Apply and Delete act on exactly that.
    StartupSource source = StartupSource::Registry;
    bool wasEnabled = true;
    HKEY root = nullptr;        // registry rows: the root the key lies under
    std::wstring keyPath;       // registry rows: the startup key (never its Run_Disable subkey)
    DWORD type = REG_NONE;      // registry rows: the value's type and bytes as stored
    std::vector<BYTE> data;
    std::wstring folder;        // folder rows: the Startup folder, ending in a backslash
    std::wstring filePath;      // folder rows: where the file lies now
    DisabledBy disabledBy = DisabledBy::None;  // of a row read as disabled
};

extern const wchar_t* const kStartupKeys[6];
extern const wchar_t kStartupKeys32BitSoftware[];  // "SOFTWARE\WOW6432Node\"
extern const wchar_t kRunDisableKey[];        // "Run_Disable"
extern const wchar_t kDisabledFolderName[];   // hidden subfolder of a Startup folder
extern const wchar_t kAutorunsDisabled[];     // Autoruns' subkey of a startup key, and subfolder of a Startup folder

// Where Task Manager keeps a row's enabled state: HKCU or HKLM ...\Explorer\StartupApproved\Run
// (the Run keys), \Run32 (the machine's 32-bit Run key) or \StartupFolder (the Startup folders);
// the value is named like the entry. Nothing for the other startup keys.
struct ApprovalPlace {
    HKEY root = nullptr;
    std::wstring keyPath;
};
std::optional<ApprovalPlace> ApprovalPlaceOf(const StartupRow& row);
// A record disables its entry when its first byte is odd (03, 07); even (02, 06) or none enables.
bool IsDisabledRecord(const std::vector<BYTE>& record);
// What Task Manager writes when it enables an entry: 02 and eleven zero bytes.
std::vector<BYTE> EnabledRecord();

// Shell folder path by CSIDL number, or empty when the shell knows none.
std::wstring GetSpecialFolderPath(int csidl);

// Rows of the six startup keys under `root`, each key's enabled values followed by those of
// its Run_Disable subkey. `abbreviation` names the root in Location; the one-argument form
// takes "HKCU" or "HKLM" from the predefined root. Keys that cannot be read are skipped; a
// value of a non-string type is listed with its data rendered as the registry editor shows it.
// Rows keep `root` as given: a root other than a predefined one must stay open while they are used.
// `softwarePath` replaces the keys' leading "SOFTWARE\": kStartupKeys32BitSoftware reads the
// machine's keys of 32-bit programs, which Windows starts as well.
std::vector<StartupRow> LoadRunKeyItems(HKEY root, const std::wstring& abbreviation,
                                        const std::wstring& softwarePath = L"SOFTWARE\\");
std::vector<StartupRow> LoadRunKeyItems(HKEY root);

// Rows of Startup folders: each folder's visible files and subfolders (checked), then the
// files of its hidden disabled-items subfolder (unchecked). Missing or empty paths add nothing.
std::vector<StartupRow> LoadStartupFolderItems(const std::vector<std::wstring>& folders);
// The current user's and then the all-users Startup folder.
std::vector<StartupRow> LoadStartupFolderItems();

// The whole list: HKCU keys, HKLM keys, HKLM keys of 32-bit programs, then the two Startup folders.
std::vector<StartupRow> LoadStartupItems();

// An entry an edit could not make, and the system's reason.
struct StartupFailure {
    std::wstring name;
    std::wstring location;
    DWORD error = ERROR_SUCCESS;
};

// A parked entry enabled under another name, because an enabled entry had its own.
struct StartupRename {
    std::wstring oldName;
    std::wstring newName;
    std::wstring location;
};

struct StartupApplyResult {
    int changed = 0;  // rows whose entry was moved
    int failed = 0;   // rows whose entry could not be moved (left as it was)
    std::vector<StartupFailure> failures;  // one per failed row, in row order
    std::vector<StartupRename> renamed;    // rows enabled under another name, in row order
};
// Writes the check marks back, acting only on rows whose mark differs from what was read.
// A registry value moves between its key and the Run_Disable subkey with its type and bytes
// unchanged; a folder entry moves between its folder and the hidden subfolder. When the
// enabled place already holds an entry of that name, neither is lost: a parked registry value
// with the very same type and bytes is dropped, anything else is enabled beside it as
// "name (2)" ("stem (2).ext" for a file) and listed in `renamed`. A row that fails does not
// stop the others. Rows that moved are updated to their new place and name, so applying again
// changes nothing.
StartupApplyResult ApplyStartupRows(std::vector<StartupRow>& rows);

struct StartupDeleteResult {
    int deleted = 0;  // rows that had something removed
    std::vector<StartupFailure> failures;  // rows whose entry could not be removed
};
// Removes the entries of these rows (the caller has asked for confirmation): a registry value
// from its key and from the Run_Disable subkey alike, a folder entry's file. An entry that is
// gone already is no failure.
StartupDeleteResult DeleteStartupRows(const std::vector<StartupRow>& rows);

// What the user is told about failed entries of Apply or Delete Entry: how many, then one
// "name (location): reason" line each. Empty when there are none.
std::wstring StartupFailureMessage(const std::vector<StartupFailure>& failures);

// What the user is told about entries enabled under another name: how many, then one
// "old -> new (location)" line each. Empty when there are none.
std::wstring StartupRenameMessage(const std::vector<StartupRename>& renamed);

// Checks or unchecks every row; nothing is written until Apply.
void SetAllStartupRowsEnabled(std::vector<StartupRow>& rows, bool enabled);

// A row as "/startup" prints it, its fields enabled (1 or 0), name, command and location.
OutputRow StartupListingRow(const StartupRow& row);

}  // namespace purgeon
