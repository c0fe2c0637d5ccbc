#pragma once
// The leftovers of programs that are gone, on this machine: the search's places, what every
// installed program claims, the records of the programs this program uninstalled; and the
// command line's listing and clean-up of what it finds.
#include <string>
#include <vector>

#include "catalogue/ProgramList.h"
#include "cleanup/cleanup.h"
#include "common/outputRows.h"
#include "remains/remains.h"

namespace purgeon::uninstall {

// What an installed program names, its icon's folder read from its entry.
remains::InstalledProgram InstalledProgramOf(const ProgramRow& row);

// The whole search: this machine's places, every program of `installed`, the records under
// `programDir` (where this program lies; its own folder is claimed too), the time now.
remains::LeftoverSearch MachineLeftoverSearch(const std::vector<ProgramRow>& installed, const std::wstring& programDir);

// A finding's reasons in the current language, the deciding one first: "a; b".
std::wstring LeftoverReasonText(const remains::Leftover& leftover);
// The same with its score in front, as the scan window shows it: "[95] a; b".
std::wstring LeftoverScoredText(const remains::Leftover& leftover);

// A finding as the command line prints it, its fields result, path and reason:
// "checked\tPATH\tREASON" or "unchecked\tPATH\tREASON".
OutputRow LeftoverRow(const remains::Leftover& leftover);

// "/leftovers": one row per finding, exit 0. "/leftovers /clean": exactly the checked findings
// taken away with the clean-up's backup, with the rows of "/clean" ("deleted", "stayed",
// "backup", "error"); 0 when all went, 2 when something stayed, 1 when nothing was changed
// because the backup could not be written.
int RunLeftoversCommand(const std::vector<remains::Leftover>& leftovers, bool clean, const std::wstring& backupRoot,
                        const RowOutput& out);

// The clean-up of the checked findings, as one clean-up with one backup: what `/leftovers /clean`
// and the window's Delete take. `keys` and `files` keep what stayed.
cleanup::CleanupResult CleanLeftovers(std::vector<remains::ScanNode>& keys, std::vector<remains::ScanNode>& files,
                                      const std::wstring& backupRoot);

}  // namespace purgeon::uninstall
