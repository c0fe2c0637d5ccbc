#pragma once
// Deleting a screen saver: it has no uninstaller, so its file is moved into the program's backup
// folder, where the user can find it again, and the copy Windows keeps of it is deleted.
#include <windows.h>

#include <string>

namespace purgeon::uninstall {

struct ScreenSaverFiles {
    std::wstring path;       // the screen saver itself
    std::wstring cachePath;  // the copy file protection keeps in the system folder's "dllcache"
};

// Empty paths when fileName is not a bare file name.
ScreenSaverFiles ScreenSaverFilesOf(const std::wstring& directory, const std::wstring& fileName);

// "name.scr" in backupDir, or "name (2).scr", "name (3).scr", ... for the n-th try.
std::wstring BackupCandidate(const std::wstring& backupDir, const std::wstring& fileName, int attempt);

struct ScreenSaverDeletion {
    bool backedUp = false;
    std::wstring backupPath;  // where the screen saver went
    DWORD error = ERROR_SUCCESS;  // why it could not be backed up
    DWORD cacheError = ERROR_SUCCESS;  // why the cache copy stayed; a missing copy is no failure
    DWORD leftError = ERROR_SUCCESS;   // why the original stayed beside its backup after a copy across drives
};

// Moves the screen saver into backupDir (created when missing) under a name no older backup
// has, and only once it is safely there deletes the cache copy. When it cannot be backed up,
// nothing is deleted.
ScreenSaverDeletion DeleteScreenSaver(const ScreenSaverFiles& files, const std::wstring& backupDir);

// What the user is told afterwards: empty when the screen saver and its cache copy are gone,
// otherwise what stayed and why, in the current language.
std::wstring ScreenSaverMessage(const ScreenSaverFiles& files, const ScreenSaverDeletion& deletion);

}  // namespace purgeon::uninstall
