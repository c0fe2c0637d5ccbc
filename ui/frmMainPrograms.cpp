// TMainForm: the program page: filling, selection, the directory link, tips, sorting, search,
// and the commands on the selected program or screen saver.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "uninstall/uninstall.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "config/config.h"
#include "i18n/multiLangs.h"
#include "ui/backupCommands.h"
#include "ui/frmBatch.h"
#include "ui/frmDetails.h"
#include "ui/frmMain.h"
#include "ui/frmScanRemains.h"
#include "ui/frmUndo.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace {

constexpr COLORREF kDirectoryLinkColour = RGB(0, 0, 255);
constexpr int kDirectoryColumn = 2;
// Icons out of view are read in slices short enough to keep the window answering.
constexpr UINT kIconTimerMs = 10;
constexpr DWORD kIconSliceMs = 20;

// Whose rights the uninstall command gets; false when it is not to run at all. A per-user entry's
// command never gets this process's administrator rights without the user's Yes.
bool ChooseRights(HWND owner, uninstall::UninstallDone& terms) {
    switch (uninstall::RunAsFor(terms)) {
        case uninstall::RunAs::AsIs:
            return true;
        case uninstall::RunAs::ShellUser:
            terms.asShellUser = true;
            return true;
        case uninstall::RunAs::Ask:
            break;
    }
    return AskQuestion(owner,
                       Format(LangText(IDS_MESSAGEBOX_WARNING_RunUserCommandElevated).c_str(),
                              terms.displayName.c_str(), terms.commandLine.c_str()),
                       DefaultAnswer::No);
}

}  // namespace

int TMainForm::SelectedRow() const {
    int row = ListView_GetNextItem(programs_.lsvProgramList, -1, LVNI_SELECTED);
    return row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
}

const ListRow* TMainForm::SelectedListRow() const {
    const int row = SelectedRow();
    return row >= 0 ? &rows_[static_cast<size_t>(row)] : nullptr;
}

std::optional<ProgramRow> TMainForm::SelectedProgram() {
    const ListRow* row = SelectedListRow();
    if (!row || row->kind != RowKind::Program) return std::nullopt;
    if (std::optional<ProgramRow> program = ReadProgramAtKey(programList_.Get(), row->keyPath)) return program;
    SayGoneAndRefill(row->caption);
    return std::nullopt;
}

void TMainForm::SayGoneAndRefill(std::wstring caption) {
    // Never another program in its place: say so, and show the catalogue as it is now.
    ShowErrorReport(hwnd_, Format(LangText(IDS_MESSAGEBOX_WARNING_NoLongerInstalled).c_str(), caption.c_str()));
    FillProgramList();
}

namespace {

// What names a row's program or screen saver across fills.
const std::wstring& IdentityOf(const ListRow& row) {
    return row.kind == RowKind::Program ? row.keyPath : row.saverPath;
}

}  // namespace

std::wstring TMainForm::SelectedIdentity() const {
    const ListRow* row = SelectedListRow();
    return row ? IdentityOf(*row) : std::wstring();
}

bool TMainForm::SelectRowOf(const std::wstring& identity) {
    if (identity.empty()) return false;
    const auto found =
        std::find_if(rows_.begin(), rows_.end(), [&](const ListRow& row) { return IdentityOf(row) == identity; });
    if (found == rows_.end()) return false;
    const int at = static_cast<int>(found - rows_.begin());
    HWND list = programs_.lsvProgramList;
    ListView_SetItemState(list, at, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, at, FALSE);
    return true;
}

void TMainForm::FillProgramList() {
    IProgramList* list = programList_.Get();
    // The selected program stays selected while it is listed.
    const std::wstring selected = SelectedIdentity();
    ProgramListFill fill;
    try {
        ReadProgramListFill(list, HideSysPatch, HideScreenSaver, fill, RowIcons::Skip);
    } catch (...) {
        ShowFill(std::move(fill), std::wstring());  // the rows read before the failure stay
        throw;
    }
    ShowFill(std::move(fill), selected);
}

void TMainForm::ShowFill(ProgramListFill fill, const std::wstring& selected) {
    struct Redraw {
        HWND list;
        ~Redraw() {
            SendMessageW(list, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(list, nullptr, TRUE);
        }
    } redraw{programs_.lsvProgramList};
    SendMessageW(programs_.lsvProgramList, WM_SETREDRAW, FALSE, 0);
    rows_ = std::move(fill.rows);
    programsRead_ = std::move(fill.programs);
    ShowRows();
    // Kept until the details window first opens: filling the chooser costs as much as the list.
    details_->SetChooser(fill.chooser);
    ClearSelectionState();
    SelectRowOf(selected);
    // A fill that ended early keeps the counts as they were.
    if (!fill.countsText.empty()) {
        programCountsText_ = fill.countsText;
        SetWindowTextW(status_.lblProgramCounts, programCountsText_.c_str());
    }
    LayoutStatusBar();
}

// Puts rows_ into the list view as they stand: the list asks for each row's cells as it draws it.
void TMainForm::ShowRows() {
    HWND list = programs_.lsvProgramList;
    ListView_DeleteAllItems(list);
    rowOfKey_.clear();
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].kind == RowKind::Program) rowOfKey_.emplace(rows_[i].keyPath, i);
    ListView_SetItemCountEx(list, static_cast<int>(rows_.size()), 0);
    // The icons of rows out of view are looked up a few at a time while the window is idle.
    iconsToRead_ = 0;
    SetTimer(hwnd_, kIconTimer, kIconTimerMs, nullptr);
}

int TMainForm::RowIcon(size_t at) {
    ListRow& row = rows_[at];
    if (row.image != kIconNotRead) return row.image;
    try {
        row.image = static_cast<int>(ReadIconAtKey(programList_.Get(), row.keyPath));
    } catch (const UserError&) {
        // The generic icon: the row's texts stand, and asking again at every paint would only
        // repeat the failure. A command on the row reports the component's trouble.
        row.image = 0;
    }
    return row.image;
}

int TMainForm::IconOfProgram(const std::wstring& keyPath) {
    auto at = rowOfKey_.find(keyPath);
    return at == rowOfKey_.end() ? 0 : RowIcon(at->second);
}

void TMainForm::ReadSomeIcons() {
    const DWORD began = GetTickCount();
    while (iconsToRead_ < rows_.size() && GetTickCount() - began < kIconSliceMs) RowIcon(iconsToRead_++);
    if (iconsToRead_ >= rows_.size()) KillTimer(hwnd_, kIconTimer);
}

void TMainForm::GiveRowCells(NMLVDISPINFOW* asked) {
    LVITEMW& item = asked->item;
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= rows_.size()) return;
    const ListRow& row = rows_[static_cast<size_t>(item.iItem)];
    if (item.mask & LVIF_IMAGE) item.iImage = RowIcon(static_cast<size_t>(item.iItem));
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::wstring& text = item.iSubItem == 1 ? row.publisher : item.iSubItem == 2 ? row.directory : row.caption;
        lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
}

// Typing a program's first letters goes to it, from the focused row on and round again.
int TMainForm::FindRowByPrefix(const NMLVFINDITEMW& find) const {
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz || rows_.empty()) return -1;
    const std::wstring prefix = find.lvfi.psz;
    const size_t count = rows_.size();
    const size_t start = find.iStart >= 0 && static_cast<size_t>(find.iStart) < count ? static_cast<size_t>(find.iStart) : 0;
    const bool whole = !(find.lvfi.flags & LVFI_PARTIAL);
    for (size_t step = 0; step < count; ++step) {
        const size_t at = (start + step) % count;
        const std::wstring& caption = rows_[at].caption;
        if (whole ? EqualsNoCase(caption, prefix) : StartsWithNoCase(caption, prefix)) return static_cast<int>(at);
    }
    return -1;
}

void TMainForm::ClearSelectionState() {
    state_.programRow = SelectedRowKind::None;
    state_.selectedRows = 0;
    for (HWND label : {status_.lblRegName, status_.lblRegistryName, status_.lblProgramURL}) ShowWindow(label, SW_HIDE);
    statusLink_.clear();
    UpdateCommands();
}

void TMainForm::OnRowSelected(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    SetWindowTextW(status_.lblProgramURL, L"");
    statusLink_.clear();
    const ListRow& selected = rows_[static_cast<size_t>(row)];
    state_.programRow = selected.kind == RowKind::ScreenSaver ? SelectedRowKind::ScreenSaver : SelectedRowKind::Program;
    state_.selectedRows = static_cast<int>(ListView_GetSelectedCount(programs_.lsvProgramList));
    // Of several selected rows none is "the" program: only the commands on them all stay.
    if (state_.selectedRows > 1) state_.programRow = SelectedRowKind::None;
    UpdateCommands();
    if (selected.kind == RowKind::ScreenSaver) {
        for (HWND label : {status_.lblProgramURL, status_.lblRegName, status_.lblRegistryName})
            ShowWindow(label, SW_HIDE);
        LayoutStatusBar();
        return;
    }
    auto info = ReadStatusBarInfo(programList_.Get(), selected.keyPath);
    if (!info) {
        // Gone since the fill: the status bar names no other program in its place.
        for (HWND label : {status_.lblProgramURL, status_.lblRegName, status_.lblRegistryName})
            ShowWindow(label, SW_HIDE);
        LayoutStatusBar();
        return;
    }
    for (HWND label : {status_.lblProgramURL, status_.lblRegName, status_.lblRegistryName}) ShowWindow(label, SW_SHOW);
    SetWindowTextW(status_.lblRegistryName, info->keyName.c_str());
    SetTooltip(status_.lblRegistryName, info->keyName);
    statusLink_ = info->link;
    SetWindowTextW(status_.lblProgramURL, statusLink_.c_str());
    SendMessageW(status_.lblProgramURL, LLM_SETHINT, 0, reinterpret_cast<LPARAM>(statusLink_.c_str()));
    LayoutStatusBar();
}

void TMainForm::SelectionChanged() {
    const int count = static_cast<int>(ListView_GetSelectedCount(programs_.lsvProgramList));
    if (count == 0) {
        // A click on the list's empty space selects nothing: no command may still act on the
        // row that was selected before.
        if (state_.selectedRows != 0 || state_.programRow != SelectedRowKind::None) ClearSelectionState();
        return;
    }
    if (count == 1) {
        OnRowSelected(SelectedRow());
        return;
    }
    // Several: the status bar keeps the row it shows; the commands change only when they must.
    const bool changed = state_.selectedRows <= 1;
    state_.selectedRows = count;
    state_.programRow = SelectedRowKind::None;
    if (changed) UpdateCommands();
}

void TMainForm::SelectAllRows() {
    selectingAll_ = true;
    ListView_SetItemState(programs_.lsvProgramList, -1, LVIS_SELECTED, LVIS_SELECTED);
    selectingAll_ = false;
    SelectionChanged();
}

void TMainForm::OpenStatusLink() {
    // Registry text reaches the shell only as a web or mail address.
    if (!Trim(statusLink_).empty() && IsOpenableWebLink(Trim(statusLink_))) ShellOpen(hwnd_, Trim(statusLink_));
}

std::wstring TMainForm::TipFor(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    try {
        return BuildInfoTip(programList_.Get(), rows_[static_cast<size_t>(row)]).value_or(std::wstring());
    } catch (...) {
        return {};  // a tip that cannot be built is left as the list offers it
    }
}

void TMainForm::SortByColumn(int column) {
    const std::wstring selected = SelectedIdentity();
    bool ascending = sortAscending_;
    std::stable_sort(rows_.begin(), rows_.end(), [&](const ListRow& a, const ListRow& b) {
        return CompareRows(a, b, column, ascending) < 0;
    });
    SendMessageW(programs_.lsvProgramList, WM_SETREDRAW, FALSE, 0);
    ShowRows();
    SendMessageW(programs_.lsvProgramList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(programs_.lsvProgramList, nullptr, TRUE);
    // The selected program stays selected, and in view, wherever the order puts it.
    if (!SelectRowOf(selected)) ClearSelectionState();
    sortAscending_ = !sortAscending_;
}

bool TMainForm::DirectoryCellAt(POINT client, int* row) const {
    HWND list = programs_.lsvProgramList;
    if ((GetWindowLongW(list, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT) return false;
    LVHITTESTINFO hit{};
    hit.pt = client;
    if (ListView_SubItemHitTest(list, &hit) < 0 || hit.iSubItem != kDirectoryColumn) return false;
    *row = hit.iItem;
    return true;
}

void TMainForm::ShowProgramRowMenu(POINT screen) {
    if (SelectedRow() < 0) return;
    TrackPopupMenu(pmPLRightClick_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_,
                   nullptr);
}

// Returns true when the press was used up here.
bool TMainForm::ListMousePress(UINT message, LPARAM lParam) {
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    int selected = SelectedRow();
    if (message == WM_RBUTTONDOWN) {
        POINT screen = point;
        ClientToScreen(programs_.lsvProgramList, &screen);
        ShowProgramRowMenu(screen);
    }
    searchStart_ = 0;
    int row = -1;
    if (selected >= 0 && message == WM_LBUTTONDOWN && DirectoryCellAt(point, &row) && row == selected) {
        // Only an existing folder is shown; any other text is never handed to the shell.
        if (auto folder = OpenableFolderPath(rows_[static_cast<size_t>(selected)].directory)) ShellOpen(hwnd_, *folder);
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
            // The list keeps whichever font is selected last, so each cell names its own.
            if (draw->iSubItem == kDirectoryColumn) {
                // On the selection's highlight the link keeps the highlight's text colour.
                bool selected = ListView_GetItemState(programs_.lsvProgramList,
                                                      static_cast<int>(draw->nmcd.dwItemSpec), LVIS_SELECTED) != 0;
                draw->clrText = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : kDirectoryLinkColour;
                SelectObject(draw->nmcd.hdc, linkFont_.get());
                return CDRF_NEWFONT;
            }
            SelectObject(draw->nmcd.hdc, font_.get());
            draw->clrText = GetSysColor(COLOR_WINDOWTEXT);
            return CDRF_NEWFONT;
        default:
            return CDRF_DODEFAULT;
    }
}

LRESULT CALLBACK TMainForm::ListSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR data) {
    auto* self = reinterpret_cast<TMainForm*>(data);
    return GuardedHandle(self->hwnd_, [&]() -> LRESULT {
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
            case WM_KEYDOWN:
                if (wParam == 'A' && GetKeyState(VK_CONTROL) < 0) {
                    self->SelectAllRows();
                    return 0;
                }
                break;
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
        return DefSubclassProc(hwnd, message, wParam, lParam);
    });
}

LRESULT TMainForm::OnProgramListNotify(NMHDR* header) {
    switch (header->code) {
        case LVN_ITEMCHANGED: {
            auto* change = reinterpret_cast<NMLISTVIEW*>(header);
            if (!(change->uChanged & LVIF_STATE)) return 0;
            const bool nowSelected = (change->uNewState & LVIS_SELECTED) != 0;
            const bool wasSelected = (change->uOldState & LVIS_SELECTED) != 0;
            if (nowSelected != wasSelected && !selectingAll_) SelectionChanged();
            return 0;
        }
        case LVN_ODSTATECHANGED:
            // A virtual list reports a range selected with Shift at once, not row by row.
            if (!selectingAll_) SelectionChanged();
            return 0;
        case NM_DBLCLK:
            if (SelectedRow() >= 0) RunAction(CommandOfTrigger(Trigger::DoubleClick)->id);
            return 0;
        case LVN_COLUMNCLICK:
            SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
            return 0;
        case LVN_GETINFOTIPW: {
            auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
            if (!state_.tips) return 0;
            std::wstring text = TipFor(tip->iItem);
            if (!text.empty() && tip->cchTextMax > 0) lstrcpynW(tip->pszText, text.c_str(), tip->cchTextMax);
            return 0;
        }
        case NM_CUSTOMDRAW:
            return DrawListItem(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        case LVN_GETDISPINFOW:
            GiveRowCells(reinterpret_cast<NMLVDISPINFOW*>(header));
            return 0;
        case LVN_ODFINDITEMW:
            return FindRowByPrefix(*reinterpret_cast<NMLVFINDITEMW*>(header));
        default:
            return 0;
    }
}

void TMainForm::ActionUninstallExecute() {
    // Several programs go in one batch.
    if (state_.selectedRows > 1) {
        ActionUninstallSelectedExecute();
        return;
    }
    const ListRow* row = SelectedListRow();
    if (!row) return;
    // A screen saver has no uninstaller: its row is deleted with a backup instead.
    if (row->kind == RowKind::ScreenSaver) {
        RunAction(ActionDeleteScr);
        return;
    }
    std::optional<ProgramRow> program = SelectedProgram();
    if (!program) return;
    // Their folders are never taken for this program's remains: every other program's, listed
    // or hidden by a filter, as the command line's clean-up has them. Reading the catalogue
    // afresh refills the list with it, so what the user sees is what the commands act on.
    FillProgramList();
    // The window stays usable while the uninstaller runs; the thread keeps this program's terms.
    uninstall::UninstallDone terms;
    terms.keyName = program->keyName;
    terms.installLocation = program->installLocation;
    terms.commandLine = program->uninstallCommand;
    terms.keyPath = program->keyPath;
    terms.displayName = program->displayName.empty() ? program->keyName : program->displayName;
    terms.publisher = program->publisher;
    for (const ProgramRow& other : programsRead_)
        if (other.keyPath != program->keyPath) terms.otherInstallLocations.push_back(other.installLocation);
    if (!ChooseRights(hwnd_, terms)) return;
    if (auto ticket = uninstall::TWaitingThread::Start(hwnd_, std::move(terms))) uninstallWaits_.Add(*ticket);
}

void TMainForm::ActionUninstallSelectedExecute() {
    // The selected programs by their keys, in the list's order; a screen saver has no uninstaller.
    std::vector<std::pair<std::wstring, std::wstring>> chosen;  // key path, caption
    for (int row = -1; (row = ListView_GetNextItem(programs_.lsvProgramList, row, LVNI_SELECTED)) >= 0;) {
        if (row >= static_cast<int>(rows_.size())) break;
        const ListRow& listed = rows_[static_cast<size_t>(row)];
        if (listed.kind == RowKind::Program) chosen.emplace_back(listed.keyPath, listed.caption);
    }
    if (chosen.empty()) return;
    // As for one program: the catalogue as it is now, every other program's folder kept apart.
    FillProgramList();
    std::vector<uninstall::BatchProgram> programs;
    for (const auto& [keyPath, caption] : chosen) {
        const auto found = std::find_if(programsRead_.begin(), programsRead_.end(),
                                        [&](const ProgramRow& program) { return program.keyPath == keyPath; });
        if (found == programsRead_.end()) {
            // Never another program in its place.
            ShowErrorReport(hwnd_, Format(LangText(IDS_MESSAGEBOX_WARNING_NoLongerInstalled).c_str(), caption.c_str()));
            continue;
        }
        std::vector<std::wstring> others;
        for (const ProgramRow& other : programsRead_)
            if (other.keyPath != keyPath) others.push_back(other.installLocation);
        uninstall::BatchProgram program =
            uninstall::BatchProgramOf(found->keyPath, found->keyName, found->Caption(), found->installLocation,
                                      found->publisher, found->uninstallCommand, std::move(others));
        // A per-user entry's command gets administrator rights only with the user's Yes.
        if (program.runAs == uninstall::RunAs::Ask &&
            AskQuestion(hwnd_,
                        Format(LangText(IDS_MESSAGEBOX_WARNING_RunUserCommandElevated).c_str(),
                               program.displayName.c_str(), program.uninstallCommand.c_str()),
                        DefaultAnswer::No))
            program.runAs = uninstall::RunAs::AsIs;
        programs.push_back(std::move(program));
    }
    if (programs.empty()) return;
    RunThenRefill([&] {
        std::vector<RemainsScanPart> parts = TBatchForm::Run(hwnd_, instance_, std::move(programs));
        if (!parts.empty()) TScanForm::Run(hwnd_, instance_, std::move(parts));
    });
}

void TMainForm::ActionDeleteScrExecute() {
    const ListRow* row = SelectedListRow();
    if (!row || row->kind != RowKind::ScreenSaver) return;
    // The saver is named by its file: when that has gone, nothing else is deleted in its place.
    if (GetFileAttributesW(row->saverPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        SayGoneAndRefill(row->caption);
        return;
    }
    const std::wstring fileName =
        StartsWithNoCase(row->saverPath, row->directory) ? row->saverPath.substr(row->directory.size()) : std::wstring();
    const uninstall::ScreenSaverFiles files = uninstall::ScreenSaverFilesOf(row->directory, fileName);
    if (files.path.empty()) {
        // The component's file name is not a bare name in the saver's folder: nothing is touched.
        ShowErrorReport(hwnd_, Format(LangText(IDS_MESSAGEBOX_WARNING_ScrNotDeleted).c_str(), row->caption.c_str(),
                                      SystemErrorText(ERROR_INVALID_NAME).c_str()));
        return;
    }
    if (!AskQuestion(hwnd_, LangText(IDS_MESSAGEBOX_WARNING_DeleteScr))) return;
    const uninstall::ScreenSaverDeletion deletion = uninstall::DeleteScreenSaver(files, AppPaths.ScrBackupDir);
    FillProgramList();
    // What stayed, and why; nothing when all went.
    const std::wstring message = uninstall::ScreenSaverMessage(files, deletion);
    if (!message.empty()) ShowErrorReport(hwnd_, message);
}

void TMainForm::ActionShowDetailsExecute() {
    std::optional<ProgramRow> program = SelectedProgram();
    // After a component error, reported already, the window is not opened.
    if (program && details_->FillDetails(programList_.Get(), program->keyPath)) details_->ShowModal();
}

void TMainForm::ActionSearchExecute() {
    HWND list = programs_.lsvProgramList;
    std::wstring text = WindowText(programs_.txtSearchInfo);
    if (text.empty()) return;
    std::vector<std::wstring> captions;
    captions.reserve(rows_.size());
    for (const ListRow& row : rows_) captions.push_back(row.caption);
    auto found = FindNextRow(captions, text, searchStart_);
    if (!found) return;
    int row = *found;
    searchStart_ = row + 1;
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetFocus(list);
    if (row > 0) {
        // The row before the match goes to the top.
        RECT item;
        ListView_GetItemRect(list, row - 1, &item, LVIR_BOUNDS);
        RECT top;
        ListView_GetItemRect(list, ListView_GetTopIndex(list), &top, LVIR_BOUNDS);
        ListView_Scroll(list, 0, item.top - top.top);
    } else {
        ListView_Scroll(list, 0, -100000);
    }
}

void TMainForm::ActionHideSysPatchExecute() {
    HideSysPatch = state_.hideSysPatch = !HideSysPatch;
    WriteHideOption(AppPaths.ConfigPath, kKeyHideSysPatch, HideSysPatch);
    FillProgramList();
}

void TMainForm::ActionHideScrExecute() {
    HideScreenSaver = state_.hideScreenSaver = !HideScreenSaver;
    WriteHideOption(AppPaths.ConfigPath, kKeyHideScreenSaver, HideScreenSaver);
    FillProgramList();
}

void TMainForm::OnUninstallDone(WPARAM ran, const uninstall::UninstallDone& done) {
    // The terms of the program this uninstall was for, whatever is selected now.
    const uninstall::UninstallDone program = done;
    std::wstring question;
    DefaultAnswer defaultAnswer = DefaultAnswer::Yes;
    remains::ScanRequest request{program.keyName, program.installLocation, program.keyPath, program.publisher,
                                 program.otherInstallLocations};
    switch (uninstall::OutcomeOf(ran == 1, program)) {
        case uninstall::UninstallOutcome::NotStarted:  // the entry is broken: offer to clear it up
            question = LangText(IDS_MESSAGEBOX_WARNING_UninstallFailed);
            break;
        case uninstall::UninstallOutcome::Removed:
            question = LangText(IDS_MESSAGEBOX_WARNING_ScanRemains);
            break;
        case uninstall::UninstallOutcome::StillInstalled:
            // Whatever the user presses by habit must keep the program whole.
            question = program.exitCode ? Format(LangText(IDS_MESSAGEBOX_WARNING_StillInstalledExitCode).c_str(),
                                                 program.displayName.c_str(), static_cast<unsigned long>(*program.exitCode))
                                        : Format(LangText(IDS_MESSAGEBOX_WARNING_StillInstalled).c_str(),
                                                 program.displayName.c_str());
            defaultAnswer = DefaultAnswer::No;
            request.checkNothing = true;
            break;
    }
    if (!AskQuestion(hwnd_, question, defaultAnswer)) return;
    RunThenRefill([&] { TScanForm::Run(hwnd_, instance_, request); });
}

void TMainForm::RunThenRefill(const std::function<void()>& work) {
    struct Refill {
        TMainForm* form;
        ~Refill() {
            try {
                form->FillProgramList();
            } catch (const UserError& error) {
                ShowErrorReport(form->hwnd_, error.message());
            }
        }
    } refill{this};  // also when a window ends with an error
    work();
}

void TMainForm::ActionUndoCleanupExecute() {
    TUndoForm::Run(hwnd_, instance_);
    // A restored clean-up may have brought a program's entry back.
    FillProgramList();
}

// The leftovers of programs that are gone, against every program installed now (read again, so
// one that went since the list was filled claims nothing).
void TMainForm::ActionFindLeftoversExecute() {
    const std::vector<ProgramRow> rows = ReadProgramRows(programList_.Get(), RowIcons::Skip);
    const std::wstring programDir =
        AppPaths.ProgramDir.empty() ? ExtractFilePath(ModuleFileName(nullptr)) : AppPaths.ProgramDir;
    const remains::LeftoverSearch search = uninstall::MachineLeftoverSearch(rows, programDir);
    TScanForm::RunLeftovers(hwnd_, instance_,
                            [search](const remains::ScanProgress& progress) { return remains::FindLeftovers(search, progress); });
    // A clean-up may have taken what an entry pointed to.
    FillProgramList();
}

// The commands on the selected program's entry name its own key, wherever it lives.
void TMainForm::ActionExportRegExecute() {
    if (std::optional<ProgramRow> program = SelectedProgram())
        ExportRegistryInfo(hwnd_, regFileDialogs_, program->keyName, program->keyPath);
}

void TMainForm::ActionRegeditExecute() {
    if (std::optional<ProgramRow> program = SelectedProgram()) OpenRegistryEditorAt(hwnd_, program->keyPath);
}

void TMainForm::ActionCommentExecute() {
    if (std::optional<ProgramRow> program = SelectedProgram())
        CommentEntry(hwnd_, instance_, programList_.Get(), program->keyPath);
}

void TMainForm::ActionReloadRegExecute() { ReloadRegistryInfo(hwnd_, regFileDialogs_); }

void TMainForm::ActionCreateBackupExecute() { CreateBackup(hwnd_, instance_); }

void TMainForm::ActionExporetListExecute() {
    ExportProgramList(hwnd_, instance_, programList_.Get(), rows_, programCountsText_);
}

}  // namespace purgeon
