#pragma once
// The user's messages after a clean-up, an undo or the deletion of a backup, built from the
// outcomes alone: success only when every item went, otherwise how many stayed and why.
#include <string>
#include <vector>

#include "cleanup/itemOutcome.h"
#include "common/outputRows.h"

namespace purgeon::cleanup {

// Why an item stayed, in the current language; for an error of no known kind, the system's text.
std::wstring ReasonText(const ItemOutcome& outcome);

// "Clean Succeeded!" when everything checked went; otherwise the count of what stayed on its own
// account, then one "path: reason" line each, at most `maxLines` of them.
std::wstring CleanupMessage(const std::vector<ItemOutcome>& outcomes, size_t maxLines = 10);
// The same for an undo: the success text, or what could not be given back.
std::wstring RestoreMessage(const std::vector<ItemOutcome>& outcomes, size_t maxLines = 10);
// Empty when the backup is gone; otherwise what of it stayed.
std::wstring DeleteBackupMessage(const std::vector<ItemOutcome>& stayed, size_t maxLines = 10);
// Nothing was deleted because the clean-up could not be backed up.
std::wstring BackupFailedMessage(const std::wstring& why);

// One row per outcome for the command line, its fields result, path and reason: "deleted\tPATH"
// or "stayed\tPATH\tREASON" ("restored" and "failed" for an undo, and "inplace\tPATH" for an item
// a clean-up cut short never took).
OutputRow OutcomeRow(const ItemOutcome& outcome, bool restore);
// "backup\tFOLDER" (field folder): where the clean-up was set aside.
OutputRow BackupRow(const std::wstring& folder);

}  // namespace purgeon::cleanup
