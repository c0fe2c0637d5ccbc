#pragma once
// The program-list report: the text the Save/Print window shows, saves and prints, and the CSV
// and HTML exports of the same list. Plain data in, text out; only the writers touch files.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace purgeon::report {

// The labels of the report, from the text table at the moment the report is built.
struct ReportTexts {
    std::wstring titleFormat;   // "%s Application Report"
    std::wstring computerName, userName, programs, createdIn, createdBy, installedPrograms;
    static ReportTexts FromTable();
};

// What the header says about the computer and the run.
struct ReportHeader {
    std::wstring appTitle;
    std::wstring computerName, userName;  // empty when the system could not tell
    std::wstring countsText;              // the program count label's text
    std::wstring createdAt;               // the user's short date and long time
    std::wstring createdBy;               // the running executable's full path
};

// The report's lines: title, two blank lines, the "=" block with the five header lines, two
// blank lines, the list's title, then "k - caption" between two "-" lines.
std::vector<std::wstring> ReportLines(const ReportHeader& header, const std::vector<std::wstring>& captions,
                                      const ReportTexts& texts);
// Every line ended by CR LF, the last one too.
std::wstring JoinLines(const std::vector<std::wstring>& lines);

// The header's system part, as this machine tells it now.
ReportHeader CurrentReportHeader(const std::wstring& countsText);
std::wstring LocalDateTimeText(const SYSTEMTIME& time);

// One listed program with the fields the CSV and HTML exports carry.
struct ReportProgram {
    std::wstring name, publisher, version, installDate;
    ULONGLONG sizeBytes = 0;  // 0 when unknown
    std::wstring installLocation, key, uninstallCommand, comment;
};

// The column captions, from the text table.
std::vector<std::wstring> ReportColumns();

// RFC 4180: CRLF after every record, fields in double quotes when they hold a comma, a quote,
// CR or LF, quotes doubled. Starts with the header record.
std::wstring CsvText(const std::vector<ReportProgram>& programs, const std::vector<std::wstring>& columns);
// Characters that mean something in HTML written as entities.
std::wstring HtmlEscape(const std::wstring& text);
// A self-contained page: the report's header lines, then a table of the programs.
std::wstring HtmlText(const ReportHeader& header, const ReportTexts& texts, const std::vector<ReportProgram>& programs,
                      const std::vector<std::wstring>& columns);

enum class ReportFormat { Text, Csv, Html };
// By the file's extension (.txt, .csv, .htm, .html, any case); nullopt for others.
std::optional<ReportFormat> ReportFormatOfFile(const std::wstring& path);

// UTF-8 with a byte-order mark, replacing the file; ERROR_SUCCESS once written and closed.
DWORD WriteUtf8File(const std::wstring& path, const std::wstring& text);

}  // namespace purgeon::report
