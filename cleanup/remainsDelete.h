#pragma once
// Takes away what the remains scan found and the user left checked, working only from the nodes'
// targets and marks: the registry part is saved into the clean-up's backup and deleted, the files
// and folders are set aside in that backup. Nothing a link points to is touched, nothing outside
// the install folder, nothing shared; every checked item comes back with its outcome, and the
// trees keep exactly what stayed.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "cleanup/cleanupBackup.h"
#include "cleanup/itemOutcome.h"
#include "remains/remains.h"

namespace purgeon::cleanup {

using remains::ScanNode;

// Deletes every checked key (top-level node) with everything below it, then every checked value
// of the keys that are not checked. The caller has saved them. Keys no single program owns stay.
// One outcome per checked node, and a done one for each listed value a key that stayed has lost.
// Keys named in `unsaved` (with the error that kept them from the backup) are not deleted.
std::vector<ItemOutcome> DeleteCheckedKeys(const std::vector<ScanNode>& keys,
                                           const std::map<std::wstring, DWORD>& unsaved = {});

// Names in `backup` every file, folder and link SetAsideCheckedFiles would take, moving nothing
// (CleanupBackup::Sync puts the names on disk).
void PlanSetAside(const std::vector<ScanNode>& files, CleanupBackup& backup);
// Sets the checked files and folders of an install folder's tree (or of several folders' trees,
// each a top node) aside in `backup`: a checked
// folder with everything in it at this moment, files one by one, each checked against the install
// folder's final path first, so nothing reached through a link moves. Links stay (Windows moves
// the link itself). Protection is looked at again. Only what the plan names is taken, and each
// item's outcome is noted in the backup as it is done. One outcome per item taken or left.
std::vector<ItemOutcome> SetAsideCheckedFiles(const std::vector<ScanNode>& files, CleanupBackup& backup);

struct CleanupRequest {
    std::wstring backupRoot;  // "...\Back up\Clean-ups\"
    std::wstring program;     // the key name the scan looked for
    std::wstring location;    // the install folder it listed
};

struct CleanupResult {
    bool ran = false;           // false: nothing was changed, `error` says why
    std::wstring error;
    std::wstring backupFolder;  // where what went lies; empty when nothing was set aside
    std::vector<ItemOutcome> keyOutcomes;
    std::vector<ItemOutcome> fileOutcomes;
    bool AllGone() const;
    std::vector<ItemOutcome> Outcomes() const;  // keys, then files
};

// The whole clean-up: a new backup folder, the registry part and the plan of the files saved into
// it and flushed to disk (nothing is deleted when that fails), the keys and values deleted, the
// files set aside. Afterwards each tree keeps
// exactly what stayed, still checked, with marks brought up to date.
CleanupResult CleanRemains(std::vector<ScanNode>& keys, std::vector<ScanNode>& files,
                           const CleanupRequest& request);

// True when any node of the trees is checked.
bool AnyChecked(const std::vector<ScanNode>& roots);

// Takes the nodes of items that went out of a tree, and adds below their folder's node the
// entries that stayed although the scan had not listed them, checked.
void KeepWhatStayed(std::vector<ScanNode>& roots, const std::vector<ItemOutcome>& outcomes);

// After a deletion: every node that still has children shows what they show; a partly checked
// node left without children becomes unchecked. Leaves keep their marks.
void RefreshChecks(std::vector<ScanNode>& roots);

}  // namespace purgeon::cleanup
