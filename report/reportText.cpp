#include "report/reportText.h"

#include "backup/regFile.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"

namespace purgeon::report {

namespace {

constexpr wchar_t kEqualsLine[] = L"=======================";  // 23
constexpr wchar_t kHyphenLine[] = L"----------------------";   // 22

// Installers write these texts. A spreadsheet takes a field beginning with = + - @ (or a tab or
// carriage return before one) for a formula and runs it: such a field keeps its text behind an
// apostrophe, which spreadsheets show as plain text.
std::wstring CsvField(const std::wstring& given) {
    const std::wstring text =
        !given.empty() && std::wstring_view(L"=+-@\t\r").find(given[0]) != std::wstring_view::npos ? L"'" + given : given;
    if (text.find_first_of(L",\"\r\n") == std::wstring::npos) return text;
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'"') out += L'"';
        out += c;
    }
    return out + L"\"";
}

std::wstring SizeText(ULONGLONG bytes) { return bytes > 0 ? Format(L"%llu", bytes) : std::wstring(); }

std::vector<std::wstring> Fields(const ReportProgram& program) {
    return {program.name,    program.publisher,       program.version,
            program.installDate, SizeText(program.sizeBytes), program.installLocation,
            program.key,     program.uninstallCommand, program.comment};
}

}  // namespace

ReportTexts ReportTexts::FromTable() {
    return {LangText(IDS_PRINTFORM_MEMO_Title),     LangText(IDS_PRINTFORM_MEMO_ComputerName),
            LangText(IDS_PRINTFORM_MEMO_UserName),  LangText(IDS_PRINTFORM_MEMO_Programs),
            LangText(IDS_PRINTFORM_MEMO_CreatedIn), LangText(IDS_PRINTFORM_MEMO_CreatedBy),
            LangText(IDS_PRINTFORM_MEMO_InstalledPL)};
}

std::vector<std::wstring> ReportLines(const ReportHeader& header, const std::vector<std::wstring>& captions,
                                      const ReportTexts& texts) {
    std::vector<std::wstring> lines;
    lines.reserve(15 + captions.size());
    lines.push_back(Format(texts.titleFormat.c_str(), header.appTitle.c_str()));
    lines.emplace_back();
    lines.emplace_back();
    lines.push_back(kEqualsLine);
    lines.push_back(texts.computerName + header.computerName);
    lines.push_back(texts.userName + header.userName);
    lines.push_back(texts.programs + header.countsText);
    lines.push_back(texts.createdIn + header.createdAt);
    lines.push_back(texts.createdBy + header.createdBy);
    lines.push_back(kEqualsLine);
    lines.emplace_back();
    lines.emplace_back();
    lines.push_back(texts.installedPrograms);
    lines.push_back(kHyphenLine);
    for (size_t k = 0; k < captions.size(); ++k)
        lines.push_back(Format(L"%d - %s", static_cast<int>(k + 1), captions[k].c_str()));
    lines.push_back(kHyphenLine);
    return lines;
}

std::wstring JoinLines(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    return text;
}

std::wstring LocalDateTimeText(const SYSTEMTIME& time) {
    wchar_t date[128] = L"", clock[128] = L"";
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, 128, nullptr);
    GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, clock, 128);
    return std::wstring(date) + L" " + clock;
}

ReportHeader CurrentReportHeader(const std::wstring& countsText) {
    ReportHeader header;
    header.appTitle = kAppTitle;
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD size = ARRAYSIZE(computer);
    if (GetComputerNameW(computer, &size)) header.computerName = computer;
    wchar_t user[255] = L"";
    size = ARRAYSIZE(user);
    if (GetUserNameW(user, &size)) header.userName = user;
    header.countsText = countsText;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    header.createdAt = LocalDateTimeText(now);
    header.createdBy = ModuleFileName(nullptr);
    return header;
}

std::vector<std::wstring> ReportColumns() {
    return {LangText(IDS_REPORT_COLUMN_Name),        LangText(IDS_REPORT_COLUMN_Publisher),
            LangText(IDS_REPORT_COLUMN_Version),     LangText(IDS_REPORT_COLUMN_InstallDate),
            LangText(IDS_REPORT_COLUMN_Size),        LangText(IDS_REPORT_COLUMN_InstallLocation),
            LangText(IDS_REPORT_COLUMN_Key),         LangText(IDS_REPORT_COLUMN_UninstallCommand),
            LangText(IDS_REPORT_COLUMN_Comment)};
}

std::wstring CsvText(const std::vector<ReportProgram>& programs, const std::vector<std::wstring>& columns) {
    auto record = [](const std::vector<std::wstring>& fields) {
        std::wstring line;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i) line += L',';
            line += CsvField(fields[i]);
        }
        return line + L"\r\n";
    };
    std::wstring text = record(columns);
    for (const ReportProgram& program : programs) text += record(Fields(program));
    return text;
}

std::wstring HtmlEscape(const std::wstring& text) {
    return EscapeChars(text,
                       {{L'&', L"&amp;"}, {L'<', L"&lt;"}, {L'>', L"&gt;"}, {L'"', L"&quot;"}, {L'\'', L"&#39;"}});
}

std::wstring HtmlText(const ReportHeader& header, const ReportTexts& texts, const std::vector<ReportProgram>& programs,
                      const std::vector<std::wstring>& columns) {
    const std::wstring title = HtmlEscape(Format(texts.titleFormat.c_str(), header.appTitle.c_str()));
    std::wstring html =
        L"<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n<title>" + title +
        L"</title>\r\n<style>\r\n"
        L"body { font-family: sans-serif; margin: 1.5em; }\r\n"
        L"table { border-collapse: collapse; }\r\n"
        L"th, td { border: 1px solid #999; padding: 3px 6px; text-align: left; vertical-align: top; }\r\n"
        L"th { background: #e8e8e8; }\r\n"
        L"td.number { text-align: right; }\r\n"
        L"</style>\r\n</head>\r\n<body>\r\n<h1>" + title + L"</h1>\r\n<p>\r\n";
    const std::pair<const std::wstring*, const std::wstring*> facts[] = {
        {&texts.computerName, &header.computerName}, {&texts.userName, &header.userName},
        {&texts.programs, &header.countsText},       {&texts.createdIn, &header.createdAt},
        {&texts.createdBy, &header.createdBy}};
    for (const auto& [label, value] : facts) html += HtmlEscape(*label + *value) + L"<br>\r\n";
    html += L"</p>\r\n<h2>" + HtmlEscape(texts.installedPrograms) + L"</h2>\r\n<table>\r\n<tr>";
    for (const std::wstring& column : columns) html += L"<th>" + HtmlEscape(column) + L"</th>";
    html += L"</tr>\r\n";
    for (const ReportProgram& program : programs) {
        html += L"<tr>";
        const std::vector<std::wstring> fields = Fields(program);
        for (size_t i = 0; i < fields.size(); ++i)
            html += (i == 4 ? L"<td class=\"number\">" : L"<td>") + HtmlEscape(fields[i]) + L"</td>";
        html += L"</tr>\r\n";
    }
    html += L"</table>\r\n</body>\r\n</html>\r\n";
    return html;
}

std::optional<ReportFormat> ReportFormatOfFile(const std::wstring& path) {
    const std::wstring name = ExtractFileName(path);
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos) return std::nullopt;
    const std::wstring extension = name.substr(dot);
    if (EqualsNoCase(extension, L".txt")) return ReportFormat::Text;
    if (EqualsNoCase(extension, L".csv")) return ReportFormat::Csv;
    if (EqualsNoCase(extension, L".html") || EqualsNoCase(extension, L".htm")) return ReportFormat::Html;
    return std::nullopt;
}

DWORD WriteUtf8File(const std::wstring& path, const std::wstring& text) {
    return backup::WriteBytesFile(path, "\xEF\xBB\xBF" + ToUtf8(text));
}

}  // namespace purgeon::report
