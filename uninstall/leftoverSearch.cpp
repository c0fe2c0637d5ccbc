#include "uninstall/leftoverSearch.h"

#include "uninstall/batchRunner.h"
#include "common/funUtils.h"
#include "common/exitCodes.h"
#include "common/handles.h"
#include "common/textParse.h"
#include "i18n/multiLangs.h"

namespace purgeon::uninstall {

using remains::Leftover;
using remains::LeftoverReason;

namespace {

// The folder of the file a command or icon value names ("C:\App\app.exe,0" is "C:\App").
std::wstring FolderOfCommand(const std::wstring& command) {
    std::wstring path = ExpandEnvironment(ProgramPathOfCommand(command));
    const size_t comma = path.rfind(L',');
    if (comma != std::wstring::npos && path.find(L'\\', comma) == std::wstring::npos) path.erase(comma);
    if (path.find(L'\\') == std::wstring::npos) return L"";  // "MsiExec.exe": no folder of its own
    return ExcludeTrailingBackslash(ExtractFilePath(Trim(path)));
}

// The entry's icon; the catalogue's rows do not carry it.
std::wstring DisplayIconOf(const ProgramRow& row) {
    const std::optional<RegistryTarget> where = SplitRegistryText(row.keyPath);
    if (!where) return L"";
    const RegistryKey key = where->Key();
    UniqueHKey opened;
    if (RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_QUERY_VALUE | key.view, opened.put()) != ERROR_SUCCESS)
        return L"";
    return ReadRegString(opened.get(), L"DisplayIcon").value_or(L"");
}

std::wstring ReasonWords(LeftoverReason reason, const Leftover& leftover) {
    switch (reason) {
        case LeftoverReason::Recorded:
            return Format(LangText(IDS_LEFTOVERS_REASON_Recorded).c_str(), leftover.program.c_str());
        case LeftoverReason::EmptyStartMenu: return LangText(IDS_LEFTOVERS_REASON_EmptyStartMenu);
        case LeftoverReason::RemovedVendor: return LangText(IDS_LEFTOVERS_REASON_RemovedVendor);
        case LeftoverReason::Unclaimed: return LangText(IDS_LEFTOVERS_REASON_Unclaimed);
        case LeftoverReason::InstalledVendor: return LangText(IDS_LEFTOVERS_REASON_InstalledVendor);
        case LeftoverReason::CloseToInstalled: return LangText(IDS_LEFTOVERS_REASON_CloseToInstalled);
        case LeftoverReason::HoldsPrograms: return LangText(IDS_LEFTOVERS_REASON_HoldsPrograms);
        case LeftoverReason::ManyFiles: return LangText(IDS_LEFTOVERS_REASON_ManyFiles);
        case LeftoverReason::GenericName: return LangText(IDS_LEFTOVERS_REASON_GenericName);
        case LeftoverReason::RecentlyWritten: return LangText(IDS_LEFTOVERS_REASON_RecentlyWritten);
    }
    return L"";
}

}  // namespace

remains::InstalledProgram InstalledProgramOf(const ProgramRow& row) {
    remains::InstalledProgram program;
    program.keyName = row.keyName;
    program.displayName = row.displayName;
    program.publisher = row.publisher;
    program.installLocation = remains::CleanInstallLocation(row.installLocation);
    program.uninstallerFolder = FolderOfCommand(row.uninstallString);
    program.iconFolder = FolderOfCommand(DisplayIconOf(row));
    return program;
}

remains::LeftoverSearch MachineLeftoverSearch(const std::vector<ProgramRow>& installed, const std::wstring& programDir) {
    remains::LeftoverSearch search = remains::MachineLeftoverPlaces();
    search.installed.reserve(installed.size());
    for (const ProgramRow& row : installed) search.installed.push_back(InstalledProgramOf(row));
    for (const BatchProgram& record : ReadUninstallRecords(UninstallRecordsFolderOf(programDir)))
        search.removed.push_back({record.keyName, record.displayName, record.publisher, record.installLocation});
    if (!programDir.empty()) search.ownFolders.push_back(ExcludeTrailingBackslash(programDir));
    return search;
}

std::wstring LeftoverReasonText(const Leftover& leftover) {
    std::wstring text;
    for (LeftoverReason reason : leftover.reasons) text += (text.empty() ? L"" : L"; ") + ReasonWords(reason, leftover);
    return text;
}

std::wstring LeftoverScoredText(const Leftover& leftover) {
    return Format(L"[%d] ", leftover.score) + LeftoverReasonText(leftover);
}

OutputRow LeftoverRow(const Leftover& leftover) {
    return {{L"result", leftover.checked ? L"checked" : L"unchecked"},
            {L"path", leftover.text},
            {L"reason", LeftoverReasonText(leftover)}};
}

cleanup::CleanupResult CleanLeftovers(std::vector<remains::ScanNode>& keys, std::vector<remains::ScanNode>& files,
                                      const std::wstring& backupRoot) {
    // One clean-up for every program's leftovers, so one undo gives them all back.
    return cleanup::CleanRemains(keys, files, {backupRoot, L"Leftovers of removed programs", L""});
}

int RunLeftoversCommand(const std::vector<Leftover>& leftovers, bool clean, const std::wstring& backupRoot,
                        const RowOutput& out) {
    if (!clean) {
        for (const Leftover& leftover : leftovers) out(LeftoverRow(leftover));
        return kExitDone;
    }
    std::vector<remains::ScanNode> keys, files;
    for (const Leftover& leftover : leftovers) {
        if (!leftover.checked) continue;
        (leftover.target.kind == remains::FindingTarget::Kind::Key ? keys : files)
            .push_back(remains::FindingNode(leftover.target));
    }
    const cleanup::CleanupResult result = CleanLeftovers(keys, files, backupRoot);
    if (!result.ran) {
        out(ErrorRow(cleanup::BackupFailedMessage(result.error)));
        return kExitNothingDone;
    }
    for (const cleanup::ItemOutcome& outcome : result.Outcomes()) out(cleanup::OutcomeRow(outcome, false));
    if (!result.backupFolder.empty()) out(cleanup::BackupRow(result.backupFolder));
    return result.AllGone() ? kExitDone : kExitDoneInPart;
}

}  // namespace purgeon::uninstall
