#include "report/printReport.h"

#include <winspool.h>

#include <algorithm>
#include <vector>

#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon::report {

namespace {

constexpr int kFontPoints = 10;

}  // namespace

int LinesPerPage(int pageHeight, int lineHeight) {
    if (lineHeight <= 0) return 1;
    return std::max(1, pageHeight / lineHeight);
}

DWORD PrintLines(HDC printer, const std::wstring& documentName, const std::vector<std::wstring>& lines) {
    if (!printer) return ERROR_INVALID_HANDLE;
    LOGFONTW face{};
    face.lfHeight = -MulDiv(kFontPoints, GetDeviceCaps(printer, LOGPIXELSY), 72);
    face.lfCharSet = DEFAULT_CHARSET;
    wcscpy(face.lfFaceName, L"MS Shell Dlg");
    UniqueFont font(CreateFontIndirectW(&face));
    SelectedObject selected(printer, font.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(printer, &metrics);
    const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    const int perPage = LinesPerPage(GetDeviceCaps(printer, VERTRES), lineHeight);

    DOCINFOW document{sizeof(document)};
    document.lpszDocName = documentName.c_str();
    SetLastError(ERROR_SUCCESS);
    if (StartDocW(printer, &document) <= 0) return LastErrorOr(ERROR_PRINT_CANCELLED);
    size_t next = 0;
    do {
        SetLastError(ERROR_SUCCESS);
        if (StartPage(printer) <= 0) {
            const DWORD error = LastErrorOr(ERROR_PRINT_CANCELLED);
            AbortDoc(printer);
            return error;
        }
        for (int row = 0; row < perPage && next < lines.size(); ++row, ++next) {
            const std::wstring& line = lines[next];
            if (!line.empty()) TextOutW(printer, 0, row * lineHeight, line.c_str(), static_cast<int>(line.size()));
        }
        if (EndPage(printer) <= 0) {
            const DWORD error = LastErrorOr(ERROR_PRINT_CANCELLED);
            AbortDoc(printer);
            return error;
        }
    } while (next < lines.size());
    SetLastError(ERROR_SUCCESS);
    if (EndDoc(printer) <= 0) return LastErrorOr(ERROR_PRINT_CANCELLED);
    return ERROR_SUCCESS;
}

DWORD PrintLinesTo(const std::wstring& printerName, const std::wstring& documentName,
                   const std::vector<std::wstring>& lines) {
    SetLastError(ERROR_SUCCESS);
    UniqueDc printer(CreateDCW(L"WINSPOOL", printerName.c_str(), nullptr, nullptr));
    if (!printer) return LastErrorOr(ERROR_INVALID_PRINTER_NAME);
    return PrintLines(printer.get(), documentName, lines);
}

bool PrintersAvailable() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    return EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer.data(), needed, &needed,
                         &count) &&
           count > 0;
}

std::optional<std::wstring> DefaultPrinterName() {
    wchar_t name[512];
    DWORD size = ARRAYSIZE(name);
    if (!GetDefaultPrinterW(name, &size)) return std::nullopt;
    return std::wstring(name);
}

}  // namespace purgeon::report
