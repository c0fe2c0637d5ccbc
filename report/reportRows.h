#pragma once
// The fields the CSV and HTML reports carry for each row of the program list, read through the
// component's entries.
#include <vector>

#include "report/reportText.h"
#include "catalogue/DoffkitLib_TLB.h"
#include "catalogue/programRows.h"

namespace purgeon {

// One report row per list row, in the same order. A program row gets its entry's name, publisher,
// version, install date, size, location, key, uninstall command and comment (the "Comments"
// value the entry shows); a screen saver row its caption, publisher and folder. Throws UserError
// on a failed component call.
std::vector<report::ReportProgram> ReadReportPrograms(IProgramList* list, const std::vector<ListRow>& rows);

}  // namespace purgeon
