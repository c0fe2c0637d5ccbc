#pragma once
// Undoing a clean-up from its backup folder: the list of past clean-ups, the restore of one, and
// the deletion of a backup that is no longer wanted.
#include <windows.h>

#include <string>
#include <vector>

#include "cleanup/cleanupBackup.h"
#include "cleanup/itemOutcome.h"

namespace purgeon::cleanup {

struct CleanupSummary {
    std::wstring folder;   // the backup folder, ending in a backslash
    std::wstring date;     // "yyyy-mm-dd hh:mm:ss"
    std::wstring program;  // the key name the scan looked for
    std::wstring location;
    int keys = 0;          // keys taken whole, and keys that lost single values
    int files = 0;         // files and links
    ULONGLONG size = 0;    // bytes the backup folder holds
    bool interrupted = false;  // cut short (a crash, a kill, a power cut): part of it was never done
    bool kept = false;         // cut short, and the user chose to keep what it did
};

// The clean-ups kept under `root` that still hold something to give back, newest first. Folders
// without a manifest of ours are not clean-ups and are left out.
std::vector<CleanupSummary> ListCleanups(const std::wstring& root);
// Those of them that were cut short and that the user has not chosen to keep (MarkKept).
std::vector<CleanupSummary> UnansweredInterruptedCleanups(const std::wstring& root);

// Gives back what the clean-up in `folder` took and no undo gave back yet: registry keys and
// values exactly as they were (types and bytes), then folders, then files at their paths. What
// stands at a path again is never overwritten: that item fails as occupied, and so does a value
// that is there again with other data. Of a clean-up cut short, an item still in its place and
// not in the backup is reported in place (done). One outcome per item; each item given back is
// recorded in the manifest, so a later restore takes up only the rest. When everything is back
// the backup folder goes, unless a file in it is still there: that is named and kept. A clean-up
// still running is not touched.
std::vector<ItemOutcome> RestoreCleanup(const std::wstring& folder);

// Removes a clean-up's backup folder once nothing of it is left to give back: its emptied folders,
// then its manifest and registry file. A file or link still in it is named (LeftInBackup) and the
// folder kept. Only a folder holding a manifest of ours is touched.
std::vector<ItemOutcome> RemoveEmptiedBackup(const std::wstring& folder);

// Deletes a clean-up's backup folder with everything in it, without ever following a link out of
// it. Only a folder holding a manifest of ours is touched. The outcomes of what stayed; empty when
// the folder is gone.
std::vector<ItemOutcome> DeleteCleanupBackup(const std::wstring& folder);

}  // namespace purgeon::cleanup
