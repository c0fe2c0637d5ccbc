#pragma once
// What became of one item of a clean-up, of its undo or of the deletion of its backup: done, or
// left where it was, and why. Every item the user confirmed gets one, so nothing is reported as
// gone that is still there.
#include <windows.h>

#include <string>
#include <vector>

namespace purgeon::cleanup {

enum class Reason {
    None,
    InUse,              // another program holds it open
    AccessDenied,
    PathTooLong,
    LinkNotFollowed,    // a link, or reached through one: what it points to is left alone
    OutsideFolder,      // does not lie inside the install folder
    Protected,          // a folder or key the system or every program shares
    ContentsStayed,     // a folder that keeps something that stayed
    BackupFailed,       // could not be set aside, so it was not removed
    Occupied,           // undo: something is at the path again, and it is not overwritten
    DataDiffers,        // undo: a value of that name is there again with other data
    MissingFromBackup,  // undo: the backup no longer holds it
    LinkRemoved,        // undo: a link that was removed rather than set aside
    NotACleanup,        // undo: the folder holds no clean-up
    OwnBackups,         // the clean-ups' own backups, which a clean-up never takes
    LeftInBackup,       // undo: a file of the backup that nothing given back accounts for
    Failed,             // any other system error, named by `error`
};

struct ItemOutcome {
    std::wstring path;  // a node's text, or the path of an entry found below a checked folder
    bool done = false;
    Reason reason = Reason::None;
    DWORD error = ERROR_SUCCESS;  // the system's error behind the reason, when there is one
    bool inPlace = false;         // undo: done, as it had never been taken (a clean-up cut short)
};

inline ItemOutcome Done(const std::wstring& path) { return {path, true, Reason::None, ERROR_SUCCESS}; }
inline ItemOutcome InPlace(const std::wstring& path) { return {path, true, Reason::None, ERROR_SUCCESS, true}; }
inline ItemOutcome Stayed(const std::wstring& path, Reason reason, DWORD error = ERROR_SUCCESS) {
    return {path, false, reason, error};
}

// A system error saying the item is not there (any more).
inline bool IsGoneError(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The reason a system error stands for: in use, access denied, path too long, or Failed.
Reason ReasonOfError(DWORD error);
inline ItemOutcome StayedFor(const std::wstring& path, DWORD error) {
    return Stayed(path, ReasonOfError(error), error);
}

// The outcomes that failed on their own account: a folder that stayed only because something in
// it stayed is not counted again.
std::vector<ItemOutcome> OwnFailures(const std::vector<ItemOutcome>& outcomes);

}  // namespace purgeon::cleanup
