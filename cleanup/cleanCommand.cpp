#include "cleanup/cleanCommand.h"

#include <vector>

#include "cleanup/cleanupReport.h"
#include "cleanup/cleanupUndo.h"
#include "cleanup/remainsDelete.h"
#include "cleanup/remainsScan.h"
#include "common/funUtils.h"

namespace purgeon::cleanup {

namespace {

// A quoted path ending in a backslash reaches us with the closing quote still on.
std::wstring WithoutStrayQuote(std::wstring path) {
    while (!path.empty() && path.back() == L'"') path.pop_back();
    return path;
}

}  // namespace

int RunCleanCommand(const std::wstring& keyName, const std::wstring& locationArgument, const std::wstring& backupRoot,
                    const LineOutput& out) {
    const std::wstring location = CleanInstallLocation(WithoutStrayQuote(locationArgument));
    std::vector<ScanNode> keys = ScanRegistry(keyName);
    std::vector<ScanNode> files;
    if (std::optional<ScanNode> folder = ScanInstallFolder(location)) files.push_back(std::move(*folder));
    const CleanupResult result = CleanRemains(keys, files, {backupRoot, keyName, location});
    if (!result.ran) {
        out(L"error\t" + BackupFailedMessage(result.error) + L"\n");
        return kExitError;
    }
    for (const ItemOutcome& outcome : result.Outcomes()) out(OutcomeLine(outcome, false));
    if (!result.backupFolder.empty()) out(L"backup\t" + ExcludeTrailingBackslash(result.backupFolder) + L"\n");
    return result.AllGone() ? kExitAllGone : kExitSomethingStayed;
}

int RunRestoreCommand(const std::wstring& folder, const LineOutput& out) {
    bool allBack = true;
    for (const ItemOutcome& outcome : RestoreCleanup(WithoutStrayQuote(folder))) {
        out(OutcomeLine(outcome, true));
        allBack = allBack && outcome.done;
    }
    return allBack ? kExitAllGone : kExitSomethingStayed;
}

}  // namespace purgeon::cleanup
