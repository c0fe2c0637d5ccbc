#include "ui/frmPrintPage.h"

#include <commctrl.h>
#include <commdlg.h>

#include "report/report.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "ui/uiCommon.h"

namespace purgeon {

namespace {

enum ControlId { IDC_MEMO = 100, IDC_SAVE, IDC_PRINT };

// In design units.
constexpr RECT kMemoRect{-1, 40, -1 + 515, 40 + 345};
constexpr RECT kSaveRect{16, 8, 16 + 89, 8 + 25};
constexpr RECT kPrintRect{128, 8, 128 + 89, 8 + 25};

using UniqueGlobal = UniqueResource<HGLOBAL, NullIsInvalid<HGLOBAL, GlobalFree>>;

void DefaultMessage(HWND window, const std::wstring& text, UINT icon) {
    MessageBoxW(window, text.c_str(), kAppTitle, MB_OK | icon);
}

// "Description\0pattern\0" entries for the dialog.
std::wstring FilterEntry(TextKey description, const wchar_t* pattern) {
    return LangText(description) + L'\0' + pattern + L'\0';
}

}  // namespace

std::optional<TPrintListForm::SaveChoice> ChooseReportFile(HWND owner) {
    const std::wstring filter = FilterEntry(IDS_PRINTFORM_FILTER_Text, L"*.txt") +
                                FilterEntry(IDS_PRINTFORM_FILTER_Csv, L"*.csv") +
                                FilterEntry(IDS_PRINTFORM_FILTER_Html, L"*.html") + L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    TPrintListForm::SaveChoice choice{file.data(), report::ReportFormat::Text};
    // A name typed with its own extension wins over the filter picked.
    if (auto format = report::ReportFormatOfFile(choice.path))
        choice.format = *format;
    else if (dialog.nFilterIndex == 2)
        choice.format = report::ReportFormat::Csv;
    else if (dialog.nFilterIndex == 3)
        choice.format = report::ReportFormat::Html;
    return choice;
}

std::optional<UniqueDc> ChoosePrinter(HWND owner, DWORD& error) {
    // Without a printer (no print service, for one) the dialog would only say "install one".
    if (!report::PrintersAvailable()) {
        error = PDERR_NODEFAULTPRN;
        return std::nullopt;
    }
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    // No warning of its own when there is no printer: the window says what is wrong.
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE | PD_NOWARNING;
    error = 0;
    const BOOL chosen = PrintDlgW(&dialog);
    UniqueGlobal devMode(dialog.hDevMode), devNames(dialog.hDevNames);
    UniqueDc printer(dialog.hDC);
    if (!chosen) {
        error = CommDlgExtendedError();
        return std::nullopt;
    }
    return printer;
}

void TPrintListForm::Run(HWND owner, HINSTANCE instance, const ReportData& data, const Hooks& hooks) {
    TPrintListForm form;
    form.data_ = &data;
    form.hooks_ = hooks;
    if (!form.hooks_.chooseSaveFile) form.hooks_.chooseSaveFile = ChooseReportFile;
    if (!form.hooks_.choosePrinter) form.hooks_.choosePrinter = ChoosePrinter;
    if (!form.hooks_.showMessage) form.hooks_.showMessage = DefaultMessage;
    if (!form.CreateForm(owner, instance, kClassName, L"Save/Print", kClientWidth, kClientHeight, FormSize::Client))
        return;
    form.RunModal(nullptr, nullptr, [&] {  // on the screen, as designed
        if (form.hooks_.onShown) form.hooks_.onShown(form);
    });
}

void TPrintListForm::OnCommand(WORD id, WORD code, HWND control) {
    if (code == BN_CLICKED && id == IDC_SAVE) Save();
    if (code == BN_CLICKED && id == IDC_PRINT) Print();
    if (id == IDCANCEL && !control) done_ = true;  // Esc
}

void TPrintListForm::FormCreate() {
    HWND hwnd = hwnd_.get();
    font_ = CreateMessageFont(FontLook::Regular, dpi_);
    HFONT font = font_.get();
    // "MS Sans Serif" 10 point, as designed; the system maps it to the nearest face it has.
    LOGFONTW face{};
    face.lfHeight = -MulDiv(10, dpi_, 72);
    face.lfCharSet = DEFAULT_CHARSET;
    wcscpy(face.lfFaceName, L"MS Sans Serif");
    memoFont_.reset(CreateFontIndirectW(&face));
    memoList_ = MakeControl(hwnd, WC_EDITW, ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
                            Scaled(kMemoRect), IDC_MEMO, instance_, memoFont_.get(),
                            WS_EX_CLIENTEDGE);
    SendMessageW(memoList_, EM_LIMITTEXT, 0, 0);  // no limit
    btnSave_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, Scaled(kSaveRect), IDC_SAVE, instance_, font);
    btnPrint_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, Scaled(kPrintRect), IDC_PRINT, instance_, font);
}

void TPrintListForm::FormShow() {
    SetWindowTextW(hwnd_.get(), LangText(IDS_PRINTFORM_Title).c_str());
    SetWindowTextW(btnSave_, LangText(IDS_PRINTFORM_BUTTON_Save).c_str());
    SetWindowTextW(btnPrint_, LangText(IDS_PRINTFORM_BUTTON_Print).c_str());
    std::wstring text = report::JoinLines(data_->lines);
    if (text.size() >= 2) text.resize(text.size() - 2);  // the box shows no empty line after the last
    SetWindowTextW(memoList_, text.c_str());
}

void TPrintListForm::Tell(const std::wstring& text, UINT icon) { hooks_.showMessage(hwnd_.get(), text, icon); }

std::wstring TPrintListForm::MemoText() const { return WindowText(memoList_); }

std::vector<std::wstring> TPrintListForm::DisplayedLines() const {
    std::vector<std::wstring> lines;
    const int count = static_cast<int>(SendMessageW(memoList_, EM_GETLINECOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int start = static_cast<int>(SendMessageW(memoList_, EM_LINEINDEX, i, 0));
        const int length = static_cast<int>(SendMessageW(memoList_, EM_LINELENGTH, start, 0));
        std::wstring line(static_cast<size_t>(std::max(length, 1)) + 1, L'\0');
        *reinterpret_cast<WORD*>(line.data()) = static_cast<WORD>(line.size());
        const int copied = static_cast<int>(SendMessageW(memoList_, EM_GETLINE, i, reinterpret_cast<LPARAM>(line.data())));
        line.resize(static_cast<size_t>(std::min(copied, length)));
        lines.push_back(line);
    }
    return lines;
}

void TPrintListForm::Save() {
    std::optional<SaveChoice> choice = hooks_.chooseSaveFile(hwnd_.get());
    if (!choice) return;
    std::wstring text;
    switch (choice->format) {
        case report::ReportFormat::Text: {
            // The box's own line breaks, each line ended by CR LF, the last one too.
            text = MemoText();
            if (!text.empty() && (text.size() < 2 || text.compare(text.size() - 2, 2, L"\r\n") != 0)) text += L"\r\n";
            break;
        }
        case report::ReportFormat::Csv:
            text = report::CsvText(data_->programs, report::ReportColumns());
            break;
        case report::ReportFormat::Html:
            text = report::HtmlText(data_->header, data_->texts, data_->programs, report::ReportColumns());
            break;
    }
    if (const DWORD error = report::WriteUtf8File(choice->path, text))
        Tell(Format(LangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed).c_str(), choice->path.c_str()) + L"\r\n" +
                 SystemErrorText(error),
             MB_ICONERROR);
}

void TPrintListForm::Print() {
    DWORD dialogError = 0;
    std::optional<UniqueDc> printer = hooks_.choosePrinter(hwnd_.get(), dialogError);
    if (!printer) {
        // Cancelled, or no printer to offer: without a print service there is none.
        if (dialogError != 0) Tell(LangText(IDS_MESSAGEBOX_MESSAGE_PrintError), MB_ICONWARNING);
        return;
    }
    const std::wstring document = Format(LangText(IDS_PRINTFORM_MEMO_Title).c_str(), kAppTitle);
    if (report::PrintLines(printer->get(), document, DisplayedLines()) != ERROR_SUCCESS)
        Tell(LangText(IDS_MESSAGEBOX_MESSAGE_PrintError), MB_ICONWARNING);
}

}  // namespace purgeon
