#pragma once
// Printing the report as a plain text document: one printed line per line given, a new page
// whenever a page is full.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace purgeon::report {

// Prints on a printer device context. ERROR_SUCCESS, or the error of the printing call that
// failed (the job is aborted then).
DWORD PrintLines(HDC printer, const std::wstring& documentName, const std::vector<std::wstring>& lines);

// The same on a printer named as the spooler knows it.
DWORD PrintLinesTo(const std::wstring& printerName, const std::wstring& documentName,
                   const std::vector<std::wstring>& lines);

// The user's default printer; nullopt when there is none (or no print service to ask).
std::optional<std::wstring> DefaultPrinterName();

// True when the spooler offers at least one printer (false too when there is no spooler).
bool PrintersAvailable();

// How many lines of a font `lineHeight` high fit on a page `pageHeight` high (at least one).
int LinesPerPage(int pageHeight, int lineHeight);

}  // namespace purgeon::report
