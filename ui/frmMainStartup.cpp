// TMainForm: the startup page: listing, Apply, Delete, Enable All / Disable All, item info.
#include <windows.h>
#include <commctrl.h>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "startup/addItem.h"
#include "startup/itemInfo.h"
#include "ui/frmAddItem.h"
#include "ui/frmMain.h"

namespace purgeon {

namespace {

// Who disabled a row, as its last column shows it.
std::wstring DisabledByText(const StartupRow& row) {
    if (row.enabled) return L"";
    switch (row.disabledBy) {
        case DisabledBy::TaskManager: return LangText(IDS_STARTUP_DISABLEDBY_TaskManager);
        case DisabledBy::Autoruns: return LangText(IDS_STARTUP_DISABLEDBY_Autoruns);
        default: return LangText(IDS_STARTUP_DISABLEDBY_Purgeon);
    }
}

void ShowRowTexts(HWND list, int at, const StartupRow& row) {
    ListView_SetItemText(list, at, 1, const_cast<wchar_t*>(row.command.c_str()));
    ListView_SetItemText(list, at, 2, const_cast<wchar_t*>(row.location.c_str()));
    const std::wstring disabledBy = DisabledByText(row);
    ListView_SetItemText(list, at, 3, const_cast<wchar_t*>(disabledBy.c_str()));
}

}  // namespace

void TMainForm::RefreshStartupList() {
    startupRows_ = LoadStartupItems();
    ShowStartupRows();
}

void TMainForm::ShowStartupRows() {
    fillingStartup_ = true;
    SendMessageW(startup_.lsvStartupList, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(startup_.lsvStartupList);
    for (size_t i = 0; i < startupRows_.size(); ++i) {
        const StartupRow& row = startupRows_[i];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(row.name.c_str());
        int at = ListView_InsertItem(startup_.lsvStartupList, &item);
        ShowRowTexts(startup_.lsvStartupList, at, row);
        ListView_SetCheckState(startup_.lsvStartupList, at, row.enabled);
    }
    SendMessageW(startup_.lsvStartupList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(startup_.lsvStartupList, nullptr, TRUE);
    fillingStartup_ = false;
    // No row is selected after a refill: texts of a row from before would describe nothing.
    ShowWindow(startup_.grbItemInfo, SW_HIDE);
    state_.startupRowSelected = false;
    UpdateCommands();
}

void TMainForm::ActionApplyExecute() {
    // The check marks the user set; only rows whose mark changed are written.
    for (size_t i = 0; i < startupRows_.size(); ++i)
        startupRows_[i].enabled = ListView_GetCheckState(startup_.lsvStartupList, static_cast<int>(i)) != 0;
    const StartupApplyResult result = ApplyStartupRows(startupRows_);
    // A row that moved shows where it lies now, and who disabled it.
    for (size_t i = 0; i < startupRows_.size(); ++i)
        ShowRowTexts(startup_.lsvStartupList, static_cast<int>(i), startupRows_[i]);
    // A row that could not be moved keeps the mark the user gave it, and the user is told why.
    if (!result.failures.empty()) ShowErrorReport(hwnd_, StartupFailureMessage(result.failures));
    // Nor is an entry enabled beside one of its name without a word.
    if (!result.renamed.empty()) ShowErrorReport(hwnd_, StartupRenameMessage(result.renamed));
}

void TMainForm::ActionDeleteExecute() {
    if (!AskQuestion(hwnd_, LangText(IDS_MESSAGEBOX_WARNING_DeleteStartupEntry))) return;
    std::vector<StartupFailure> failures;
    for (int row = static_cast<int>(startupRows_.size()) - 1; row >= 0; --row) {
        if (!(ListView_GetItemState(startup_.lsvStartupList, row, LVIS_SELECTED) & LVIS_SELECTED)) continue;
        StartupDeleteResult result = DeleteStartupRows({startupRows_[static_cast<size_t>(row)]});
        if (!result.failures.empty()) {  // an entry that stayed keeps its row
            failures.insert(failures.begin(), result.failures.begin(), result.failures.end());
            continue;
        }
        startupRows_.erase(startupRows_.begin() + row);
        fillingStartup_ = true;
        ListView_DeleteItem(startup_.lsvStartupList, row);
        fillingStartup_ = false;
    }
    if (!failures.empty()) ShowErrorReport(hwnd_, StartupFailureMessage(failures));
    state_.startupRowSelected = ListView_GetNextItem(startup_.lsvStartupList, -1, LVNI_SELECTED) >= 0;
    if (!state_.startupRowSelected) ShowWindow(startup_.grbItemInfo, SW_HIDE);
}

void TMainForm::ActionSelectAllExecute() {
    const bool enable = !state_.allEnabled;
    for (int row = 0; row < ListView_GetItemCount(startup_.lsvStartupList); ++row)
        ListView_SetCheckState(startup_.lsvStartupList, row, enable);
    state_.allEnabled = enable;
}

void TMainForm::OnStartupSelection(int row) {
    ShowWindow(startup_.grbItemInfo, SW_SHOW);
    state_.startupRowSelected = ListView_GetNextItem(startup_.lsvStartupList, -1, LVNI_SELECTED) >= 0;
    UpdateCommands();
    if (row < 0 || row >= static_cast<int>(startupRows_.size())) return;
    try {
        auto info = ReadStartupItemInfo(startupRows_[static_cast<size_t>(row)]);
        if (!info) {
            ShowWindow(startup_.grbItemInfo, SW_HIDE);
            return;
        }
        SetWindowTextW(startup_.lblPublisherValue, info->publisher.c_str());
        SetWindowTextW(startup_.lblVersionValue, info->version.c_str());
        SetWindowTextW(startup_.lblDescription, info->description.c_str());
    } catch (...) {
        // The group keeps its former texts.
    }
}

void TMainForm::ActionAddItemExecute() {
    TAddItemForm form;
    if (auto request = form.Run(hwnd_, instance_)) {
        const AddItemOutcome outcome = AddStartupItem(*request);
        RefreshStartupList();
        const std::wstring failure = AddItemFailureMessage(*request, outcome);
        if (!failure.empty()) ShowErrorReport(hwnd_, failure);
    }
}

void TMainForm::ShowStartupRowMenu(POINT screen) {
    state_.startupRowSelected = ListView_GetNextItem(startup_.lsvStartupList, -1, LVNI_SELECTED) >= 0;
    UpdateCommands();
    TrackPopupMenu(pmSLRightClick_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_,
                   nullptr);
}

LRESULT TMainForm::OnStartupNotify(NMHDR* header) {
    switch (header->code) {
        case LVN_ITEMCHANGED: {
            auto* change = reinterpret_cast<NMLISTVIEW*>(header);
            // The row the change names, selected or unselected: showing what an earlier row left
            // behind would describe a row the user is no longer on.
            if (!fillingStartup_ && (change->uChanged & LVIF_STATE) &&
                ((change->uNewState ^ change->uOldState) & LVIS_SELECTED))
                OnStartupSelection(change->iItem);
            return 0;
        }
        case NM_RCLICK: {
            POINT cursor;
            GetCursorPos(&cursor);
            ShowStartupRowMenu(cursor);
            return 0;
        }
        default:
            return 0;
    }
}

}  // namespace purgeon
