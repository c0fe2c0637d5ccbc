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

int RunCleanCommand(const ScanRequest& request, const std::wstring& backupRoot, const LineOutput& out) {
    ScanFindings findings = ScanRemains(request);
    const CleanupResult result = CleanRemains(findings.keys, findings.files,
                                              {backupRoot, request.keyName, CleanInstallLocation(request.installLocation)});
    if (!result.ran) {
        out(L"error\t" + BackupFailedMessage(result.error) + L"\n");
        return kExitNothingDone;
    }
    for (const ItemOutcome& outcome : result.Outcomes()) out(OutcomeLine(outcome, false));
    if (!result.backupFolder.empty()) out(L"backup\t" + ExcludeTrailingBackslash(result.backupFolder) + L"\n");
    return result.AllGone() ? kExitDone : kExitDoneInPart;
}

int RunRestoreCommand(const std::wstring& folder, const LineOutput& out) {
    bool allBack = true;
    const std::vector<ItemOutcome> outcomes = RestoreCleanup(WithoutStrayQuote(folder));
    for (const ItemOutcome& outcome : outcomes) {
        out(OutcomeLine(outcome, true));
        allBack = allBack && outcome.done;
    }
    // A folder that is no clean-up is a wrong argument: nothing was there to give back.
    if (outcomes.size() == 1 && outcomes[0].reason == Reason::NotACleanup) return kExitNothingDone;
    return allBack ? kExitDone : kExitDoneInPart;
}

}  // namespace purgeon::cleanup
