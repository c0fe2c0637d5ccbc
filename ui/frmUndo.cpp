#include "ui/frmUndo.h"

#include <commctrl.h>
#include <shlwapi.h>

#include "cleanup/cleanup.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "ui/uiCommon.h"

namespace purgeon {

namespace {

enum ControlId { IDC_CLEANUPS_LABEL = 100, IDC_CLEANUPS, IDC_RESTORE, IDC_DELETE };

constexpr int kClientWidth = 560;
constexpr int kClientHeight = 320;

// Designed places, in client pixels.
constexpr RECT kLabelRect{8, 10, 552, 28};
constexpr RECT kListRect{8, 30, 552, 276};
constexpr RECT kRestoreRect{268, 286, 360, 311};
constexpr RECT kDeleteRect{364, 286, 456, 311};
constexpr RECT kCloseRect{460, 286, 552, 311};

struct Column {
    TextKey caption;
    int width;
    bool number;  // aligned right
};
constexpr Column kColumns[] = {{IDS_UNDOFORM_LISTVIEW_Date, 130, false},
                               {IDS_UNDOFORM_LISTVIEW_Program, 190, false},
                               {IDS_UNDOFORM_LISTVIEW_Keys, 60, true},
                               {IDS_UNDOFORM_LISTVIEW_Files, 60, true},
                               {IDS_UNDOFORM_LISTVIEW_Size, 80, true}};

std::wstring SizeText(ULONGLONG bytes) {
    wchar_t text[64] = {};
    StrFormatByteSizeW(static_cast<LONGLONG>(bytes), text, static_cast<UINT>(std::size(text)));
    return text;
}

std::wstring DefaultRoot() {
    const std::wstring programDir =
        AppPaths.ProgramDir.empty() ? ExtractFilePath(ModuleFileName(nullptr)) : AppPaths.ProgramDir;
    return cleanup::CleanupsFolderOf(programDir);
}

}  // namespace

void TUndoForm::Run(HWND owner, HINSTANCE instance) { Run(owner, instance, DefaultRoot()); }

void TUndoForm::Run(HWND owner, HINSTANCE instance, const std::wstring& cleanupsRoot) {
    TUndoForm form;
    if (form.Create(owner, instance, cleanupsRoot)) form.RunModal(owner, form.lsvCleanups_);
}

bool TUndoForm::Create(HWND owner, HINSTANCE instance, const std::wstring& cleanupsRoot) {
    root_ = cleanupsRoot;
    if (!ShowMessage) ShowMessage = ShowPlainMessage;
    if (!Ask) Ask = [](HWND owner, const std::wstring& text) { return AskQuestion(owner, text); };
    if (!CreateForm(owner, instance, kClassName, L"Undo Clean-up", kClientWidth, kClientHeight, FormSize::Client))
        return false;
    Refresh();
    return true;
}

void TUndoForm::OnCommand(WORD id, WORD code, HWND control) {
    if (!ClickedOrKey(code, control)) return;
    switch (id) {
        case IDC_RESTORE: PressRestore(); break;
        case IDC_DELETE: PressDelete(); break;
        case IDCANCEL: btnCloseClick(); break;  // also Esc
    }
}

void TUndoForm::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == lsvCleanups_ && header.code == LVN_ITEMCHANGED) ShowSelectionState();
}

void TUndoForm::FormCreate() {
    HWND hwnd = hwnd_.get();
    font_ = CreateMessageFont(FontLook::Regular, dpi_);
    HFONT font = font_.get();

    lblCleanups_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX, Scaled(kLabelRect), IDC_CLEANUPS_LABEL, instance_, font);
    lsvCleanups_ = MakeControl(hwnd, WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP,
                               Scaled(kListRect), IDC_CLEANUPS, instance_, font, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(lsvCleanups_, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        AddListColumn(lsvCleanups_, i, L"", Scaled(kColumns[i].width));
        if (!kColumns[i].number) continue;
        LVCOLUMNW format{};
        format.mask = LVCF_FMT;
        format.fmt = LVCFMT_RIGHT;
        ListView_SetColumn(lsvCleanups_, i, &format);
    }
    btnRestore_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, Scaled(kRestoreRect), IDC_RESTORE,
                              instance_, font);
    btnDelete_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, Scaled(kDeleteRect), IDC_DELETE,
                             instance_, font);
    btnClose_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, Scaled(kCloseRect), IDCANCEL, instance_, font);
}

void TUndoForm::FormShow() {
    SetWindowTextW(hwnd_.get(), LangText(IDS_UNDOFORM_Title).c_str());
    SetWindowTextW(lblCleanups_, LangText(IDS_UNDOFORM_LABEL_Cleanups).c_str());
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
        SetListColumnText(lsvCleanups_, i, LangText(kColumns[i].caption));
    SetWindowTextW(btnRestore_, LangText(IDS_UNDOFORM_BUTTON_Restore).c_str());
    SetWindowTextW(btnDelete_, LangText(IDS_UNDOFORM_BUTTON_Delete).c_str());
    SetWindowTextW(btnClose_, LangText(IDS_UNDOFORM_BUTTON_Close).c_str());
}

void TUndoForm::Refresh() {
    cleanups_ = cleanup::ListCleanups(root_);
    SendMessageW(lsvCleanups_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(lsvCleanups_);
    for (size_t i = 0; i < cleanups_.size(); ++i) {
        const cleanup::CleanupSummary& cleanup = cleanups_[i];
        const std::wstring program =
            cleanup.interrupted ? Format(LangText(IDS_UNDOFORM_LISTVIEW_Interrupted).c_str(), cleanup.program.c_str())
                                : cleanup.program;
        const std::wstring cells[] = {cleanup.date, program, std::to_wstring(cleanup.keys),
                                      std::to_wstring(cleanup.files), SizeText(cleanup.size)};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(cells[0].c_str());
        const int row = ListView_InsertItem(lsvCleanups_, &item);
        for (int column = 1; column < static_cast<int>(std::size(cells)); ++column)
            ListView_SetItemText(lsvCleanups_, row, column, const_cast<wchar_t*>(cells[column].c_str()));
    }
    SendMessageW(lsvCleanups_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(lsvCleanups_, nullptr, TRUE);
    ShowSelectionState();
}

void TUndoForm::SelectRow(int row) {
    ListView_SetItemState(lsvCleanups_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ShowSelectionState();
}

int TUndoForm::SelectedRow() const {
    const int row = ListView_GetNextItem(lsvCleanups_, -1, LVNI_SELECTED);
    return row >= 0 && row < static_cast<int>(cleanups_.size()) ? row : -1;
}

void TUndoForm::ShowSelectionState() {
    const bool selected = SelectedRow() >= 0;
    EnableWindow(btnRestore_, selected);
    EnableWindow(btnDelete_, selected);
}

void TUndoForm::Tell(const std::wstring& text) {
    if (ShowMessage) ShowMessage(hwnd_.get(), text);
}

void TUndoForm::PressRestore() {
    const int row = SelectedRow();
    if (row < 0) return;
    const std::vector<cleanup::ItemOutcome> outcomes = cleanup::RestoreCleanup(cleanups_[static_cast<size_t>(row)].folder);
    Refresh();
    Tell(cleanup::RestoreMessage(outcomes));
}

void TUndoForm::PressDelete() {
    const int row = SelectedRow();
    if (row < 0) return;
    if (!Ask || !Ask(hwnd_.get(), LangText(IDS_MESSAGEBOX_WARNING_DeleteCleanup))) return;
    const std::vector<cleanup::ItemOutcome> stayed =
        cleanup::DeleteCleanupBackup(cleanups_[static_cast<size_t>(row)].folder);
    Refresh();
    if (!stayed.empty()) Tell(cleanup::DeleteBackupMessage(stayed));
}

void TUndoForm::btnCloseClick() {
    done_ = true;
    if (hwnd_) ShowWindow(hwnd_.get(), SW_HIDE);
}

void OfferInterruptedCleanups(HWND owner, const std::wstring& cleanupsRoot, InterruptedCleanupPrompts prompts) {
    if (!prompts.ask) prompts.ask = [](HWND window, const std::wstring& text) { return AskQuestion(window, text); };
    if (!prompts.tell) prompts.tell = ShowPlainMessage;
    for (const cleanup::CleanupSummary& cleanup : cleanup::UnansweredInterruptedCleanups(cleanupsRoot)) {
        const std::wstring question = Format(LangText(IDS_MESSAGEBOX_WARNING_CleanupInterrupted).c_str(),
                                             cleanup.program.c_str(), cleanup.date.c_str());
        if (prompts.ask(owner, question)) {
            prompts.tell(owner, cleanup::RestoreMessage(cleanup::RestoreCleanup(cleanup.folder)));
        } else {
            // A note that cannot be written only brings the question back at the next start.
            cleanup::MarkKept(cleanup.folder);
        }
    }
}

void OfferInterruptedCleanups(HWND owner) { OfferInterruptedCleanups(owner, DefaultRoot()); }

}  // namespace purgeon
