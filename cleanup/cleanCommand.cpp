#include "cleanup/cleanCommand.h"

#include <vector>

#include "cleanup/cleanupReport.h"
#include "cleanup/cleanupUndo.h"
#include "cleanup/remainsDelete.h"
#include "remains/remains.h"
#include "common/funUtils.h"

namespace purgeon::cleanup {

using remains::CleanInstallLocation;
using remains::ScanFindings;
using remains::ScanRemains;

std::wstring WithoutStrayQuote(std::wstring path) {
    while (!path.empty() && path.back() == L'"') path.pop_back();
    return path;
}

int RunCleanCommand(const ScanRequest& request, const std::wstring& backupRoot, const RowOutput& out) {
    ScanFindings findings = ScanRemains(request);
    const CleanupResult result = CleanRemains(findings.keys, findings.files,
                                              {backupRoot, request.keyName, CleanInstallLocation(request.installLocation)});
    if (!result.ran) {
        out(ErrorRow(BackupFailedMessage(result.error)));
        return kExitNothingDone;
    }
    for (const ItemOutcome& outcome : result.Outcomes()) out(OutcomeRow(outcome, false));
    if (!result.backupFolder.empty()) out(BackupRow(result.backupFolder));
    return result.AllGone() ? kExitDone : kExitDoneInPart;
}

int RunRestoreCommand(const std::wstring& folder, const RowOutput& out) {
    bool allBack = true;
    const std::vector<ItemOutcome> outcomes = RestoreCleanup(WithoutStrayQuote(folder));
    for (const ItemOutcome& outcome : outcomes) {
        out(OutcomeRow(outcome, true));
        allBack = allBack && outcome.done;
    }
    // A folder that is no clean-up is a wrong argument: nothing was there to give back.
    if (outcomes.size() == 1 && outcomes[0].reason == Reason::NotACleanup) return kExitNothingDone;
    return allBack ? kExitDone : kExitDoneInPart;
}

}  // namespace purgeon::cleanup
