// The Save/Print window driven in-process: saving the text as edited, CSV and HTML; printing to a
// real print queue (CUPS with a PDF printer, which scripts/test.sh starts around this test) read
// back from the printed PDF; and the message when there is no print service.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include "report/printReport.h"
#include "report/reportText.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "tests/support/testSupport.h"
#include "ui/frmPrintPage.h"

using namespace purgeon;
using namespace purgeon::report;
using namespace purgeon::test;

namespace {

ReportData Data() {
    ReportData data;
    data.header = {L"Purgeon", L"DESK-7", L"anna", L"3 (Windows Updates: 0, Screen Saver: 0)", L"12/9/2026 1:05:09 PM",
                   L"C:\\Program Files\\Purgeon\\Purgeon.exe"};
    data.texts = ReportTexts::FromTable();
    data.lines = ReportLines(data.header, {L"Alpha Editor", L"Beta Tool \u00e9", L"<b>Gamma</b>"}, data.texts);
    data.programs = {{L"Alpha Editor", L"Alpha", L"1.0", L"20240101", 1024, L"C:\\Alpha", L"HKEY_LOCAL_MACHINE\\x\\Alpha",
                      L"C:\\Alpha\\un.exe", L"keep"},
                     {L"<b>Gamma</b>", L"G & Co", L"", L"", 0, L"", L"", L"", L""}};
    return data;
}

std::wstring EnvironmentText(const wchar_t* name) {
    wchar_t buffer[1024] = L"";
    const DWORD length = GetEnvironmentVariableW(name, buffer, ARRAYSIZE(buffer));
    return length && length < ARRAYSIZE(buffer) ? buffer : L"";
}

struct Told {
    std::wstring text;
    UINT icon;
};

class PrintPage : public ::testing::Test {
protected:
    void SetUp() override {
        owner_ = CreateHiddenOwner();
        ASSERT_TRUE(owner_);
        hooks_.showMessage = [this](HWND window, const std::wstring& text, UINT icon) {
            EXPECT_TRUE(IsWindow(window));
            told_.push_back({text, icon});
        };
    }
    void Run(const std::function<void(TPrintListForm& form)>& onShown) {
        hooks_.onShown = [&](TPrintListForm& form) {
            onShown(form);
            PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
        };
        TPrintListForm::Run(owner_.get(), GetModuleHandleW(nullptr), data_, hooks_);
    }
    std::wstring Utf8File(const std::wstring& path) {
        const std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
        return FromUtf8(bytes.size() > 3 ? bytes.substr(3) : std::string());
    }

    UniqueWindow owner_;
    ReportData data_ = Data();
    TPrintListForm::Hooks hooks_;
    std::vector<Told> told_;
    ScratchFolder dir_{L"printpage"};
};

TEST_F(PrintPage, ShowsTheReportWithItsTexts) {
    Run([&](TPrintListForm& form) {
        EXPECT_EQ(WindowText(form.Handle()), L"Save/Print");
        EXPECT_EQ(WindowText(form.SaveButton()), L"Save");
        EXPECT_EQ(WindowText(form.PrintButton()), L"Print");
        EXPECT_FALSE(IsWindowEnabled(owner_.get()));
        RECT client{};
        GetClientRect(form.Handle(), &client);
        EXPECT_EQ(client.right, TPrintListForm::kClientWidth);
        EXPECT_EQ(client.bottom, TPrintListForm::kClientHeight);
        std::wstring expected = JoinLines(data_.lines);
        EXPECT_EQ(form.MemoText() + L"\r\n", expected);
        EXPECT_EQ(form.DisplayedLines(), data_.lines);
        RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        SaveWindowPicture(form.Handle(), BinDir() + L"..\\print-window.bmp");
    });
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
}

TEST_F(PrintPage, SaveWritesTheTextAsEditedAndTheListAsCsvOrHtml) {
    const std::wstring text = dir_.path() + L"report.txt";
    const std::wstring csv = dir_.path() + L"report.csv";
    const std::wstring html = dir_.path() + L"report.html";
    std::vector<TPrintListForm::SaveChoice> choices = {
        {text, ReportFormat::Text}, {csv, ReportFormat::Csv}, {html, ReportFormat::Html}};
    hooks_.chooseSaveFile = [&](HWND) -> std::optional<TPrintListForm::SaveChoice> {
        if (choices.empty()) return std::nullopt;  // cancelled
        auto choice = choices.front();
        choices.erase(choices.begin());
        return choice;
    };
    Run([&](TPrintListForm& form) {
        // The user adds a line of their own and writes over a name outside the code page.
        SetWindowTextW(form.Memo(), (form.MemoText() + L"\r\nChecked by \u4e2d\u6587").c_str());
        form.Save();
        form.Save();
        form.Save();
        form.Save();  // cancelled: nothing more
    });
    EXPECT_TRUE(told_.empty());
    EXPECT_EQ(Utf8File(text), JoinLines(data_.lines) + L"Checked by \u4e2d\u6587\r\n");
    EXPECT_EQ(Utf8File(csv), CsvText(data_.programs, ReportColumns()));
    const std::wstring page = Utf8File(html);
    EXPECT_NE(page.find(L"<td>&lt;b&gt;Gamma&lt;/b&gt;</td>"), std::wstring::npos);
    EXPECT_NE(page.find(L"G &amp; Co"), std::wstring::npos);
}

TEST_F(PrintPage, AFailedSaveIsToldAndTheWindowStays) {
    hooks_.chooseSaveFile = [&](HWND) -> std::optional<TPrintListForm::SaveChoice> {
        return TPrintListForm::SaveChoice{dir_.path() + L"missing\\report.txt", ReportFormat::Text};
    };
    Run([&](TPrintListForm& form) {
        form.Save();
        EXPECT_TRUE(IsWindow(form.Handle()));
    });
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].text.rfind(Format(LangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed).c_str(),
                                         (dir_.path() + L"missing\\report.txt").c_str()),
                                  0),
              0u)
        << ToUtf8(told_[0].text);
    EXPECT_EQ(told_[0].icon, static_cast<UINT>(MB_ICONERROR));
}

TEST_F(PrintPage, AWrappedLinePrintsAsItsDisplayedPieces) {
    data_.lines.push_back(std::wstring(60, L'a') + L" " + std::wstring(60, L'b') + L" " + std::wstring(60, L'c'));
    Run([&](TPrintListForm& form) {
        const std::vector<std::wstring> shown = form.DisplayedLines();
        ASSERT_GT(shown.size(), data_.lines.size());
        std::wstring joined;
        for (size_t i = data_.lines.size() - 1; i < shown.size(); ++i) joined += shown[i];
        EXPECT_EQ(joined, data_.lines.back());
    });
}

// Presses OK in the print dialog once it is up, from this thread's own timer.
void CALLBACK PressPrintOk(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            wchar_t name[64];
            GetClassNameW(window, name, 64);
            if (IsWindowVisible(window) && lstrcmpW(name, L"#32770") == 0) {
                PostMessageW(window, WM_COMMAND, IDOK, 0);
                return FALSE;
            }
            return TRUE;
        },
        0);
    (void)id;
}

TEST_F(PrintPage, WithoutAPrintServiceTheMessageIsShownAndTheWindowStays) {
    if (DefaultPrinterName()) GTEST_SKIP() << "a printer is installed here";
    const UINT_PTR guard = SetTimer(nullptr, 0, 5000, PressPrintOk);  // never hang on a dialog
    Run([&](TPrintListForm& form) {
        form.Print();  // the system's print dialog, finding no printer
        EXPECT_TRUE(IsWindow(form.Handle()));
    });
    KillTimer(nullptr, guard);
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].text, L"Something is wrong with the printer or Print Spooler service is unaviable.");
    EXPECT_EQ(told_[0].icon, static_cast<UINT>(MB_ICONWARNING));
}

TEST_F(PrintPage, APrinterThatCannotBeReachedGivesTheMessage) {
    EXPECT_NE(PrintLinesTo(L"No Such Printer", L"x", {L"line"}), static_cast<DWORD>(ERROR_SUCCESS));
    hooks_.choosePrinter = [](HWND, DWORD&) -> std::optional<UniqueDc> {
        return UniqueDc(CreateCompatibleDC(nullptr));  // a device that takes no print job
    };
    Run([&](TPrintListForm& form) { form.Print(); });
    ASSERT_EQ(told_.size(), 1u);
    EXPECT_EQ(told_[0].text, LangText(IDS_MESSAGEBOX_MESSAGE_PrintError));
}

TEST(PrintLayout, LinesPerPage) {
    EXPECT_EQ(LinesPerPage(1000, 100), 10);
    EXPECT_EQ(LinesPerPage(1050, 100), 10);
    EXPECT_EQ(LinesPerPage(50, 100), 1);
    EXPECT_EQ(LinesPerPage(1000, 0), 1);
}

// The printed PDF's text, through pdftotext (a Unix program, which Wine starts like any other).
std::wstring PdfText(const std::wstring& unixPdf, const std::wstring& unixOut, const std::wstring& windowsOut) {
    std::wstring command = L"/bin/sh -c \"pdftotext -layout '" + unixPdf + L"' '" + unixOut + L"'\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return L"";
    UniqueHandle process(info.hProcess), thread(info.hThread);
    WaitForSingleObject(process.get(), 20000);
    WaitUntil([&] { return FileExists(windowsOut); }, 10000);
    return FromUtf8(ReadFileBytes(windowsOut));
}

std::wstring WindowsPath(const std::wstring& unixPath) {
    std::wstring path = L"Z:" + unixPath;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::vector<std::wstring> NonEmptyLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(L"\r\n\f", start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = Trim(text.substr(start, end - start));
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

TEST_F(PrintPage, PrintsEveryLineToARealQueue) {
    const std::wstring queue = EnvironmentText(L"PURGEON_PRINT_QUEUE");
    const std::wstring pdfDir = EnvironmentText(L"PURGEON_PDF_DIR");
    if (queue.empty() || pdfDir.empty())
        GTEST_SKIP() << "no print queue started for this run (scripts/test.sh starts one)";
    ASSERT_EQ(DefaultPrinterName().value_or(L"<none>"), queue);
    const std::wstring pdfFolder = IncludeTrailingBackslash(WindowsPath(pdfDir));
    // Enough lines for two pages.
    for (int i = 1; i <= 80; ++i) data_.lines.push_back(Format(L"%d - Extra program %d", 100 + i, i));
    const UINT_PTR press = SetTimer(nullptr, 0, 500, PressPrintOk);
    Run([&](TPrintListForm& form) { form.Print(); });  // the system's print dialog, OK pressed
    KillTimer(nullptr, press);
    EXPECT_TRUE(told_.empty()) << (told_.empty() ? "" : ToUtf8(told_[0].text));

    std::wstring printed;
    ASSERT_TRUE(WaitUntil(
        [&] {
            WIN32_FIND_DATAW found;
            UniqueFindHandle find(FindFirstFileW((pdfFolder + L"Purgeon_Application_Report*.pdf").c_str(), &found));
            if (!find) return false;
            printed = found.cFileName;
            return true;
        },
        30000))
        << "no PDF in " << ToUtf8(pdfFolder);
    // cups-pdf writes the file while the job runs: wait until its size holds.
    std::string::size_type size = 0;
    WaitUntil(
        [&] {
            const auto now = ReadFileBytes(pdfFolder + printed).size();
            const bool steady = now > 0 && now == size;
            size = now;
            return steady;
        },
        20000);
    const std::wstring out = PdfText(pdfDir + L"/" + printed, pdfDir + L"/printed.txt", pdfFolder + L"printed.txt");
    DeleteFileW((pdfFolder + printed).c_str());
    DeleteFileW((pdfFolder + L"printed.txt").c_str());
    std::vector<std::wstring> expected;
    for (const std::wstring& line : data_.lines)
        if (!Trim(line).empty()) expected.push_back(Trim(line));
    EXPECT_EQ(NonEmptyLines(out), expected) << ToUtf8(out);
    EXPECT_NE(out.find(L'\f'), std::wstring::npos) << "one page only";
}

}  // namespace
