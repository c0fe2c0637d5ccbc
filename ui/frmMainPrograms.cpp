// TMainForm: the program list: filling, selection, the directory link, tips, sorting.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "ui/frmDetails.h"
#include "ui/frmMain.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace {

constexpr COLORREF kDirectoryLinkColour = RGB(0, 0, 255);
constexpr int kDirectoryColumn = 2;

void SetItemText(HWND list, int row, int column, const std::wstring& text) {
    ListView_SetItemText(list, row, column, const_cast<wchar_t*>(text.c_str()));
}

}  // namespace

int TMainForm::SelectedRow() const {
    int row = ListView_GetNextItem(lsvProgramList_, -1, LVNI_SELECTED);
    return row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
}

void TMainForm::FillProgramList() {
    IProgramList* list = programList_.Get();
    ProgramListFill fill;
    struct Redraw {
        HWND list;
        ~Redraw() {
            // Resumed also when the fill ends early or fails.
            SendMessageW(list, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(list, nullptr, TRUE);
        }
    } redraw{lsvProgramList_};
    SendMessageW(lsvProgramList_, WM_SETREDRAW, FALSE, 0);
    try {
        ReadProgramListFill(list, HideSysPatch, HideScreenSaver, fill);
    } catch (...) {
        rows_ = std::move(fill.rows);
        ShowRows();
        details_->SetChooser(fill.chooser);
        throw;
    }
    rows_ = std::move(fill.rows);
    ShowRows();
    details_->SetChooser(fill.chooser);
    ClearSelectionState();
    if (!fill.countsText.empty()) {
        programCountsText_ = fill.countsText;
        SetWindowTextW(lblProgramCounts_, programCountsText_.c_str());
    }
    LayoutStatusBar();
}

// Puts rows_ into the list view as they stand.
void TMainForm::ShowRows() {
    ListView_DeleteAllItems(lsvProgramList_);
    for (size_t i = 0; i < rows_.size(); ++i) {
        const ListRow& row = rows_[i];
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(row.caption.c_str());
        item.lParam = row.data;
        item.iImage = row.image;
        int at = ListView_InsertItem(lsvProgramList_, &item);
        SetItemText(lsvProgramList_, at, 1, row.publisher);
        SetItemText(lsvProgramList_, at, 2, row.directory);
    }
}

void TMainForm::ClearSelectionState() {
    for (int id : {ActionUninstall, ActionShowDetails, ActionExportReg, ActionComment, ActionRegedit})
        SetActionEnabled(id, false);
    for (HWND label : {lblRegName_, lblRegistryName_, lblProgramURL_}) ShowWindow(label, SW_HIDE);
    statusLink_.clear();
}

void TMainForm::OnRowSelected(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    SetActionEnabled(ActionUninstall, true);
    SetActionEnabled(ActionShowDetails, true);
    SetWindowTextW(lblProgramURL_, L"");
    statusLink_.clear();
    const ListRow& selected = rows_[row];
    if (IsScreenSaverCaption(selected.caption)) {
        for (HWND label : {lblProgramURL_, lblRegName_, lblRegistryName_}) ShowWindow(label, SW_HIDE);
        for (int id : {ActionExportReg, ActionComment, ActionRegedit, ActionShowDetails}) SetActionEnabled(id, false);
        // The Uninstall button and row menu item delete a screen saver instead.
        SetWindowTextW(btnUninstall_, Trim(LangText(IDS_SIDEBAR_BUTTON_DeleteScr)).c_str());
        SetOwnerDrawnMenuText(pmPLRightClick_.get(), ActionUninstall, Trim(LangText(IDS_SIDEBAR_BUTTON_DeleteScr)));
        SetActionEnabled(ActionUninstall, FindAction(ActionDeleteScr)->available);
        LayoutStatusBar();
        return;
    }
    for (int id : {ActionExportReg, ActionComment, ActionRegedit, ActionShowDetails}) SetActionEnabled(id, true);
    SetWindowTextW(btnUninstall_, Trim(LangText(IDS_SIDEBAR_BUTTON_Uninstall)).c_str());
    SetOwnerDrawnMenuText(pmPLRightClick_.get(), ActionUninstall, Trim(LangText(IDS_LISTVIEW_RIGHTCLICK_Uninstall)));
    auto info = ReadStatusBarInfo(programList_.Get(), selected.data);
    if (!info) return;
    for (HWND label : {lblProgramURL_, lblRegName_, lblRegistryName_}) ShowWindow(label, SW_SHOW);
    SetWindowTextW(lblRegistryName_, info->keyName.c_str());
    TOOLINFOW tool{sizeof(tool)};
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(lblRegistryName_);
    tool.lpszText = info->keyName.data();
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    statusLink_ = info->link;
    SetWindowTextW(lblProgramURL_, statusLink_.c_str());
    SendMessageW(lblProgramURL_, LLM_SETHINT, 0, reinterpret_cast<LPARAM>(statusLink_.c_str()));
    LayoutStatusBar();
}

void TMainForm::OpenStatusLink() {
    // Registry text reaches the shell only as a web or mail address.
    if (!Trim(statusLink_).empty() && IsOpenableWebLink(Trim(statusLink_))) ShellOpen(hwnd_, Trim(statusLink_));
}

std::wstring TMainForm::TipFor(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    try {
        return BuildInfoTip(programList_.Get(), rows_[row]).value_or(std::wstring());
    } catch (...) {
        return {};  // a tip that cannot be built is left as the list offers it
    }
}

void TMainForm::SortByColumn(int column) {
    bool ascending = sortAscending_;
    std::stable_sort(rows_.begin(), rows_.end(), [&](const ListRow& a, const ListRow& b) {
        return CompareRows(a, b, column, ascending) < 0;
    });
    SendMessageW(lsvProgramList_, WM_SETREDRAW, FALSE, 0);
    ShowRows();
    SendMessageW(lsvProgramList_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(lsvProgramList_, nullptr, TRUE);
    ClearSelectionState();
    sortAscending_ = !sortAscending_;
}

bool TMainForm::DirectoryCellAt(POINT client, int* row) const {
    if ((GetWindowLongW(lsvProgramList_, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT) return false;
    LVHITTESTINFO hit{};
    hit.pt = client;
    if (ListView_SubItemHitTest(lsvProgramList_, &hit) < 0 || hit.iSubItem != kDirectoryColumn) return false;
    *row = hit.iItem;
    return true;
}

// Returns true when the press was used up here.
bool TMainForm::ListMousePress(UINT message, LPARAM lParam) {
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    int selected = SelectedRow();
    if (selected >= 0 && message == WM_RBUTTONDOWN) {
        POINT screen = point;
        ClientToScreen(lsvProgramList_, &screen);
        TrackPopupMenu(pmPLRightClick_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0,
                       hwnd_, nullptr);
    }
    searchStart_ = 0;
    int row = -1;
    if (selected >= 0 && message == WM_LBUTTONDOWN && DirectoryCellAt(point, &row) && row == selected) {
        // Only an existing folder is shown; any other text is never handed to the shell.
        if (auto folder = OpenableFolderPath(rows_[selected].directory)) ShellOpen(hwnd_, *folder);
    }
    return false;
}

LRESULT TMainForm::DrawListItem(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            if (draw->iSubItem == kDirectoryColumn) {
                // On the selection's highlight the link keeps the highlight's text colour.
                bool selected = ListView_GetItemState(lsvProgramList_, static_cast<int>(draw->nmcd.dwItemSpec),
                                                      LVIS_SELECTED) != 0;
                draw->clrText = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : kDirectoryLinkColour;
                SelectObject(draw->nmcd.hdc, linkFont_);
                return CDRF_NEWFONT;
            }
            SelectObject(draw->nmcd.hdc, font_);
            draw->clrText = GetSysColor(COLOR_WINDOWTEXT);
            return CDRF_NEWFONT;
        default:
            return CDRF_DODEFAULT;
    }
}

LRESULT CALLBACK TMainForm::ListSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR data) {
    auto* self = reinterpret_cast<TMainForm*>(data);
    try {
        switch (message) {
            case WM_SETCURSOR: {
                // The Directory column is a link: the hand cursor over its cells in report view.
                POINT point;
                GetCursorPos(&point);
                ScreenToClient(hwnd, &point);
                int row = -1;
                if (LOWORD(lParam) == HTCLIENT && self->DirectoryCellAt(point, &row)) {
                    SetCursor(LoadCursorW(nullptr, IDC_HAND));
                    return TRUE;
                }
                break;
            }
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN: {
                // The list selects the row under the mouse first; the press is handled after.
                LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
                self->ListMousePress(message, lParam);
                return result;
            }
            default:
                break;
        }
    } catch (const UserError& error) {
        ShowErrorReport(self->hwnd_, error.message());
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT TMainForm::OnNotify(NMHDR* header) {
    if (header->hwndFrom == lsvStartupList_) return OnStartupNotify(header);
    if (header->hwndFrom != lsvProgramList_) return 0;
    switch (header->code) {
        case LVN_ITEMCHANGED: {
            auto* change = reinterpret_cast<NMLISTVIEW*>(header);
            if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) &&
                !(change->uOldState & LVIS_SELECTED))
                OnRowSelected(change->iItem);
            return 0;
        }
        case NM_DBLCLK:
            if (SelectedRow() >= 0) RunAction(ActionUninstall);
            return 0;
        case LVN_COLUMNCLICK:
            SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
            return 0;
        case LVN_GETINFOTIPW: {
            auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
            if (!ActionChecked(ActionInfoTips)) return 0;
            std::wstring text = TipFor(tip->iItem);
            if (!text.empty() && tip->cchTextMax > 0) {
                lstrcpynW(tip->pszText, text.c_str(), tip->cchTextMax);
            }
            return 0;
        }
        case NM_CUSTOMDRAW:
            return DrawListItem(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        default:
            return 0;
    }
}

}  // namespace purgeon
