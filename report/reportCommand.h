#pragma once
// `Purgeon.exe /report FILE`: the report of the whole program list, with the list filters saved
// in Config.ini, written as text, CSV or HTML by FILE's extension.
#include <functional>
#include <string>

#include "report/reportText.h"
#include "catalogue/DoffkitLib_TLB.h"

namespace purgeon::report {

// Builds the report of the list as the main window would show it (component order, the two
// filters applied) and writes it in `format`. ERROR_SUCCESS, or throws UserError with the reason.
void WriteProgramReport(IProgramList* list, bool hideSysPatch, bool hideScreenSaver, const std::wstring& path,
                        ReportFormat format);

// The whole mode: 0 when the file was written, else 1 with the reason written as one line.
int RunReportMode(const std::wstring& path, const std::function<void(const std::wstring& line)>& writeLine);

}  // namespace purgeon::report
