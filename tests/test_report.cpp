// The program-list report: its lines as the Save/Print window shows them, the text, CSV and HTML
// files, and /report over real uninstall entries read through the component.
#include <gtest/gtest.h>

#include "report/reportText.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using namespace purgeon::report;
using namespace purgeon::test;

namespace {

ReportHeader Header() {
    return {L"Purgeon", L"DESK-7", L"anna", L"12 (Windows Updates: 1, Screen Saver: 0)", L"09.12.2026 13:05:09",
            L"C:\\Program Files\\Purgeon\\Purgeon.exe"};
}

TEST(ReportLines, HeaderThenNumberedCaptionsInScreenOrder) {
    const std::vector<std::wstring> lines =
        ReportLines(Header(), {L"Beta Tool", L"[Screen Saver]Bubbles"}, ReportTexts::FromTable());
    const std::vector<std::wstring> expected = {
        L"Purgeon Application Report",
        L"",
        L"",
        L"=======================",
        L"Computer Name : DESK-7",
        L"User Name : anna",
        L"Programs : 12 (Windows Updates: 1, Screen Saver: 0)",
        L"Created In : 09.12.2026 13:05:09",
        L"Created By : C:\\Program Files\\Purgeon\\Purgeon.exe",
        L"=======================",
        L"",
        L"",
        L"Programs installed on your computer:",
        L"----------------------",
        L"1 - Beta Tool",
        L"2 - [Screen Saver]Bubbles",
        L"----------------------"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(JoinLines({L"a", L""}), L"a\r\n\r\n");
}

TEST(ReportLines, AnEmptyListEndsWithTheTwoHyphenLinesAndNamesMayBeMissing) {
    ReportHeader header = Header();
    header.computerName.clear();
    header.userName.clear();
    const std::vector<std::wstring> lines = ReportLines(header, {}, ReportTexts::FromTable());
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[4], L"Computer Name : ");
    EXPECT_EQ(lines[5], L"User Name : ");
    EXPECT_EQ(lines[12], L"Programs installed on your computer:");
    EXPECT_EQ(lines[13], L"----------------------");
    EXPECT_EQ(lines[14], L"----------------------");
}

TEST(ReportLines, AnotherLanguageChangesTheLabelsButNotTheSeparatorsOrNumbering) {
    ScratchFolder dir(L"reportlang");
    const std::wstring file = dir.path() + L"Test.ini";
    const std::wstring text = L"[Language]\r\nIDS_PRINTFORM_MEMO_Title=Bericht von %s\r\n"
                              L"IDS_PRINTFORM_MEMO_ComputerName=Rechnername : \r\n"
                              L"IDS_PRINTFORM_MEMO_InstalledPL=Installierte Programme:\r\n";
    std::wstring content = L"\xFEFF" + text;
    WriteFileBytes(file, std::string(reinterpret_cast<const char*>(content.data()), content.size() * 2));
    ASSERT_TRUE(LoadLanguage(file, [](const std::wstring&) {}));
    const std::vector<std::wstring> lines = ReportLines(Header(), {L"\u00c4rger \u4e2d"}, ReportTexts::FromTable());
    ResetLanguageTable();
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[0], L"Bericht von Purgeon");
    EXPECT_EQ(lines[4], L"Rechnername :DESK-7") << "the profile reader drops the label's trailing blank";
    EXPECT_EQ(lines[5], L"User Name : anna");
    EXPECT_EQ(lines[12], L"Installierte Programme:");
    EXPECT_EQ(lines[3], L"=======================");
    EXPECT_EQ(lines[14], L"1 - \u00c4rger \u4e2d");
    EXPECT_EQ(lines[15], L"----------------------");
}

TEST(ReportHeader, TheMachineTellsItsNamesAndTheProgramItsPath) {
    const ReportHeader header = CurrentReportHeader(L"3");
    EXPECT_FALSE(header.computerName.empty());
    EXPECT_FALSE(header.userName.empty());
    EXPECT_EQ(header.createdBy, ModuleFileName(nullptr));
    EXPECT_EQ(header.appTitle, kAppTitle);
    SYSTEMTIME time{2026, 12, 3, 9, 13, 5, 9, 0};
    const std::wstring when = LocalDateTimeText(time);
    EXPECT_NE(when.find(L"2026"), std::wstring::npos) << ToUtf8(when);
    EXPECT_NE(when.find(L"05:09"), std::wstring::npos) << ToUtf8(when);
}

// RFC 4180 read back as a spreadsheet program reads it.
std::vector<std::vector<std::wstring>> ParseCsv(const std::wstring& text) {
    std::vector<std::vector<std::wstring>> records;
    std::vector<std::wstring> record;
    std::wstring field;
    bool quoted = false, fieldStarted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (quoted) {
            if (c == L'"' && i + 1 < text.size() && text[i + 1] == L'"') {
                field += L'"';
                ++i;
            } else if (c == L'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == L'"' && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == L',') {
            record.push_back(field);
            field.clear();
            fieldStarted = false;
        } else if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            record.push_back(field);
            records.push_back(record);
            record.clear();
            field.clear();
            fieldStarted = false;
            ++i;
        } else {
            EXPECT_NE(c, L'"') << "a bare quote inside an unquoted field";
            EXPECT_NE(c, L'\n') << "a bare line feed outside quotes";
            field += c;
            fieldStarted = true;
        }
    }
    EXPECT_FALSE(quoted) << "an open quote at the end";
    EXPECT_TRUE(field.empty() && record.empty()) << "the last record has no CRLF";
    return records;
}

std::vector<ReportProgram> Programs() {
    ReportProgram plain{L"Beta Tool", L"Beta Inc.", L"2.1", L"20240131", 3ull * 1048576,
                        L"C:\\Program Files\\Beta", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Beta",
                        L"\"C:\\Program Files\\Beta\\uninst.exe\" /S", L""};
    ReportProgram awkward{L"Quote \"Me\", Comma", L"A, B & C", L"", L"", 0, L"", L"", L"", L"line one\r\nline two \u00e9\u4e2d"};
    return {plain, awkward};
}

TEST(CsvReport, ReadsBackFieldForFieldWithTheHeaderFirst) {
    const std::vector<std::wstring> columns = ReportColumns();
    ASSERT_EQ(columns.size(), 9u);
    const auto records = ParseCsv(CsvText(Programs(), columns));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], columns);
    EXPECT_EQ(records[1], (std::vector<std::wstring>{L"Beta Tool", L"Beta Inc.", L"2.1", L"20240131", L"3145728",
                                                     L"C:\\Program Files\\Beta", Programs()[0].key,
                                                     L"\"C:\\Program Files\\Beta\\uninst.exe\" /S", L""}));
    EXPECT_EQ(records[2], (std::vector<std::wstring>{L"Quote \"Me\", Comma", L"A, B & C", L"", L"", L"", L"", L"", L"",
                                                     L"line one\r\nline two \u00e9\u4e2d"}));
}

// Installers write these texts: one that a spreadsheet would run as a formula stays text.
TEST(CsvReport, AFieldThatWouldBeAFormulaStaysText) {
    std::vector<ReportProgram> programs = Programs();
    programs.resize(1);
    programs[0].name = L"=HYPERLINK(\"http://example.org\",\"x\")";
    programs[0].publisher = L"+1";
    programs[0].version = L"-2";
    programs[0].installLocation = L"@SUM(A1)";
    programs[0].comment = L"\t=1";
    const auto records = ParseCsv(CsvText(programs, ReportColumns()));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1][0], L"'=HYPERLINK(\"http://example.org\",\"x\")");
    EXPECT_EQ(records[1][1], L"'+1");
    EXPECT_EQ(records[1][2], L"'-2");
    EXPECT_EQ(records[1][5], L"'@SUM(A1)");
    EXPECT_EQ(records[1][8], L"'\t=1");
    EXPECT_EQ(records[1][3], L"20240131");  // everything else as it was
}

TEST(HtmlReport, RegistryTextIsEscapedAndThePageStandsAlone) {
    std::vector<ReportProgram> programs = Programs();
    programs[0].name = L"<script>alert('x')</script><b>Bold</b>";
    programs[0].publisher = L"\"><img src=x onerror=alert(1)>";
    const std::wstring html = HtmlText(Header(), ReportTexts::FromTable(), programs, ReportColumns());
    EXPECT_EQ(html.find(L"<script"), std::wstring::npos);
    EXPECT_EQ(html.find(L"<b>"), std::wstring::npos);
    EXPECT_EQ(html.find(L"<img"), std::wstring::npos);
    EXPECT_NE(html.find(L"&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&lt;b&gt;Bold&lt;/b&gt;"), std::wstring::npos);
    EXPECT_NE(html.find(L"&quot;&gt;&lt;img src=x onerror=alert(1)&gt;"), std::wstring::npos);
    EXPECT_NE(html.find(L"A, B &amp; C"), std::wstring::npos);
    EXPECT_NE(html.find(L"<meta charset=\"utf-8\">"), std::wstring::npos);
    EXPECT_EQ(html.find(L"src=\"http"), std::wstring::npos) << "nothing is fetched from elsewhere";
    EXPECT_EQ(html.find(L"<link"), std::wstring::npos);
    // One row per program after the header row.
    size_t rows = 0;
    for (size_t at = 0; (at = html.find(L"<tr>", at)) != std::wstring::npos; ++at) ++rows;
    EXPECT_EQ(rows, 3u);
}

TEST(ReportFiles, FormatByExtensionAndUtf8WithBom) {
    EXPECT_EQ(ReportFormatOfFile(L"C:\\x\\list.TXT"), ReportFormat::Text);
    EXPECT_EQ(ReportFormatOfFile(L"list.csv"), ReportFormat::Csv);
    EXPECT_EQ(ReportFormatOfFile(L"list.htm"), ReportFormat::Html);
    EXPECT_EQ(ReportFormatOfFile(L"list.html"), ReportFormat::Html);
    EXPECT_FALSE(ReportFormatOfFile(L"list.pdf"));
    EXPECT_FALSE(ReportFormatOfFile(L"C:\\a.csv\\list"));
    ScratchFolder dir(L"reportfile");
    ASSERT_EQ(WriteUtf8File(dir.path() + L"r.txt", L"\u4e2d\u00e9\r\n"), ERROR_SUCCESS);
    EXPECT_EQ(ReadFileBytes(dir.path() + L"r.txt"), "\xEF\xBB\xBF\xE4\xB8\xAD\xC3\xA9\r\n");
    EXPECT_NE(WriteUtf8File(dir.path() + L"no\\such\\r.txt", L"x"), static_cast<DWORD>(ERROR_SUCCESS));
}

// /report over uninstall entries seeded into the machine's key, read through the component.
class ReportCommand : public ::testing::Test {
protected:
    static constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    void SetUp() override {
        Seed(L"PurgeonReportA", {{L"DisplayName", L"<b>Report & \"A\"</b>, first"},
                                 {L"Publisher", L"Vendor, Inc."},
                                 {L"DisplayVersion", L"1.2.3"},
                                 {L"InstallDate", L"20240131"},
                                 {L"InstallLocation", L"C:\\Report A"},
                                 {L"UninstallString", L"\"C:\\Report A\\un.exe\" /S"},
                                 {L"Comments", L"keep, \"really\""}});
        Seed(L"PurgeonReportB", {{L"DisplayName", L"Report B \u00e9\u4e2d"}, {L"UninstallString", L"C:\\b\\un.exe"}});
        UniqueHKey key;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kUninstall) + L"PurgeonReportA").c_str(), 0, KEY_SET_VALUE,
                      key.put());
        const DWORD kilobytes = 2048;
        RegSetValueExW(key.get(), L"EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kilobytes), 4);
    }
    void TearDown() override {
        for (const wchar_t* key : {L"PurgeonReportA", L"PurgeonReportB"})
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kUninstall) + key).c_str());
    }
    void Seed(const std::wstring& name, const std::vector<std::pair<std::wstring, std::wstring>>& values) {
        UniqueHKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kUninstall + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        for (const auto& [valueName, text] : values)
            RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    std::wstring Run(const std::wstring& file, DWORD* code) {
        return FromUtf8(CaptureOutput(BinDir() + L"Purgeon.exe", L"/report \"" + file + L"\"", code));
    }
    static std::wstring Utf8File(const std::wstring& path) {
        const std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF") << "no byte-order mark";
        return FromUtf8(bytes.size() >= 3 ? bytes.substr(3) : std::string());
    }
    ScratchFolder dir_{L"reportcmd"};
};

TEST_F(ReportCommand, TextCsvAndHtmlOfTheWholeList) {
    DWORD code = 99;
    const std::wstring text = dir_.path() + L"list.txt";
    EXPECT_EQ(Run(text, &code), L"");
    EXPECT_EQ(code, 0u);
    const std::wstring report = Utf8File(text);
    EXPECT_EQ(report.rfind(L"Purgeon Application Report\r\n\r\n\r\n=======================\r\n", 0), 0u);
    EXPECT_NE(report.find(L" - <b>Report & \"A\"</b>, first\r\n"), std::wstring::npos) << ToUtf8(report);
    EXPECT_NE(report.find(L" - Report B \u00e9\u4e2d\r\n"), std::wstring::npos) << "names outside the code page are kept";
    EXPECT_EQ(report.substr(report.size() - 26), L"\r\n----------------------\r\n");

    const std::wstring csv = dir_.path() + L"list.CSV";
    Run(csv, &code);
    EXPECT_EQ(code, 0u);
    bool found = false;
    for (const auto& record : ParseCsv(Utf8File(csv))) {
        ASSERT_EQ(record.size(), 9u);
        if (record[0] != L"<b>Report & \"A\"</b>, first") continue;
        found = true;
        EXPECT_EQ(record, (std::vector<std::wstring>{L"<b>Report & \"A\"</b>, first", L"Vendor, Inc.", L"1.2.3",
                                                     L"20240131", L"2097152", L"C:\\Report A",
                                                     L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PurgeonReportA",
                                                     L"\"C:\\Report A\\un.exe\" /S", L"keep, \"really\""}));
    }
    EXPECT_TRUE(found);

    const std::wstring html = dir_.path() + L"list.html";
    Run(html, &code);
    EXPECT_EQ(code, 0u);
    const std::wstring page = Utf8File(html);
    EXPECT_NE(page.find(L"<td>&lt;b&gt;Report &amp; &quot;A&quot;&lt;/b&gt;, first</td>"), std::wstring::npos);
    EXPECT_EQ(page.find(L"<b>Report"), std::wstring::npos);
}

TEST_F(ReportCommand, AnUnwritableFileOrUnknownFormatExitsOneWithTheReason) {
    DWORD code = 99;
    const std::wstring output = Run(dir_.path() + L"no\\such\\folder\\list.txt", &code);
    EXPECT_EQ(code, 1u);
    EXPECT_NE(output.find(L"list.txt"), std::wstring::npos) << ToUtf8(output);
    EXPECT_NE(output.find(L"failed"), std::wstring::npos) << ToUtf8(output);
    Run(dir_.path() + L"list.pdf", &code);
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(FileExists(dir_.path() + L"list.pdf"));
}

}  // namespace
