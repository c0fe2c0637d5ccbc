#pragma once
// The command-line clean-up and its undo, with the scanner, protection rules, backup and messages
// of the scan window. Rows are handed to `out` one at a time.
#include <string>

#include "common/exitCodes.h"
#include "common/outputRows.h"
#include "remains/remains.h"

namespace purgeon::cleanup {

using remains::ScanRequest;

// "/clean KEYNAME LOCATION": what the scan window's Delete takes with the marks the scan sets.
// "deleted\tPATH" or "stayed\tPATH\tREASON" per item, then "backup\tFOLDER" when anything was set
// aside (its field: folder). 0 when everything went, 2 when something stayed, 1 ("error\tMESSAGE") when nothing was
// changed because the backup could not be written.
int RunCleanCommand(const ScanRequest& request, const std::wstring& backupRoot, const RowOutput& out);

// A quoted path ending in a backslash reaches a program with the closing quote still on.
std::wstring WithoutStrayQuote(std::wstring path);

// "/restore FOLDER": "restored\tPATH" or "failed\tPATH\tREASON" per item; 0 when everything came
// back, 2 when something did not, 1 when the folder holds no clean-up.
int RunRestoreCommand(const std::wstring& folder, const RowOutput& out);

}  // namespace purgeon::cleanup
