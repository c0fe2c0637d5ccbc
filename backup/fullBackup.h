#pragma once
// The full backup: every subkey of the Uninstall keys written to a .reg file of its own, in the
// registry editor's form, in-process. Success means every file was written and closed.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace purgeon::backup {

// Where programs register their uninstall entries, and where their files go.
struct UninstallSource {
    HKEY root = nullptr;
    std::wstring rootName;  // "HKEY_LOCAL_MACHINE", as the [key] lines name it
    std::wstring path;      // below the root, without a trailing backslash
    std::wstring folder;    // subfolder of the backup folder for its files; empty for the folder itself
    std::wstring KeyText() const { return rootName + L"\\" + path; }
};

// The three Uninstall keys (common/registryKeys.h): the machine's key (files directly in the
// backup folder), its 32-bit view ("WOW6432Node\") and the current user's key ("HKEY_CURRENT_USER\").
std::vector<UninstallSource> UninstallSources();

// One Uninstall subkey's outcome. A source that exists but cannot be listed gives one failed
// entry whose keyName is the source's key text.
struct KeyBackup {
    std::wstring keyName;
    std::wstring keyText;  // the full key, as the file's first [key] line names it
    bool saved = false;
    std::wstring file;     // saved: the file's full path
    std::wstring reason;   // failed: the system's text for what went wrong
};

struct BackupResult {
    std::wstring folder;            // the backup folder, full path, ending in a backslash
    std::vector<KeyBackup> keys;    // in source order, then registry order
    bool cancelled = false;         // stopped by the progress callback before the end
    bool AllSaved() const;
    size_t SavedCount() const;
};

// Told after each file: how many are done (written or failed) of how many. Returning false
// stops the backup after that file.
using BackupProgress = std::function<bool(size_t done, size_t total)>;

// Writes one file per subkey of each source into `folder` (created with its parents when
// missing), as "<key name>.reg", or a safe name when the key's name cannot be a file's.
// Sources that do not exist are skipped.
BackupResult BackUpUninstallKeys(const std::vector<UninstallSource>& sources, const std::wstring& folder,
                                 const BackupProgress& progress = {});

// File names (without ".reg") for key names of one folder, in the same order. A name that can
// be a file's stays as it is; any other gets its forbidden characters (\ / : * ? " < > | and
// control characters), a device name's last letter (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or
// without an extension) and its trailing dots and blanks written as %XX, and a " (n)" suffix
// where that would meet another name regardless of case. Over-long names are cut.
std::vector<std::wstring> SafeFileNames(const std::vector<std::wstring>& keyNames);
bool IsUsableFileName(const std::wstring& name);

// The message the backup window ends with: the success text, or the keys that failed with why.
std::wstring BackupOutcomeText(const BackupResult& result);

// `Purgeon.exe /backup [FOLDER]`: one line per key, "saved\tKEYNAME\tFILE" or
// "failed\tKEYNAME\tREASON"; 0 when all were saved, 2 otherwise.
int RunBackupMode(const std::wstring& folder, const std::function<void(const std::wstring& line)>& writeLine);

}  // namespace purgeon::backup
