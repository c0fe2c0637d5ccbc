// TMainForm: the action table and the commands that belong to the main window itself.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "app/config.h"
#include "cleanup/screenSaver.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "ui/frmDetails.h"
#include "ui/frmMain.h"
#include "ui/frmScanRemains.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace {

// The product's web page and support address.
constexpr wchar_t kProductWebPage[] = L"https://purgeon.example.org/";
constexpr wchar_t kSupportMail[] = L"mailto:support@purgeon.example.org";

}  // namespace

// Every command, with whether its work is in this build. Commands not yet available are
// shown disabled wherever they are offered.
const std::vector<TMainForm::Action>& TMainForm::Actions() {
    static const std::vector<Action> actions = {
    {ActionAddNew, &TMainForm::ActionAddNewExecute, true},
    {ActionExportReg, nullptr, false},
    {ActionReloadReg, nullptr, false},
    {ActionCreateBackup, nullptr, false},
    {ActionExporetList, nullptr, false},
    {ActionExit, &TMainForm::ActionExitExecute, true},
    {ActionGrid, &TMainForm::ActionGridExecute, true},
    {ActionInfoTips, &TMainForm::ActionInfoTipsExecute, true},
    {ActionViewIcon, &TMainForm::ActionViewIconExecute, true},
    {ActionViewList, &TMainForm::ActionViewListExecute, true},
    {ActionViewReport, &TMainForm::ActionViewReportExecute, true},
    {ActionRefresh, &TMainForm::ActionRefreshExecute, true},
    {ActionComment, nullptr, false},
    {ActionRegedit, nullptr, false},
    {ActionWinUpdate, &TMainForm::ActionWinUpdateExecute, true},
    {ActionWinServices, &TMainForm::ActionWinServicesExecute, true},
    {ActionWinComponents, &TMainForm::ActionWinComponentsExecute, true},
    {ActionHelpContent, &TMainForm::ActionHelpContentExecute, true},
    {ActionOnlineRes, &TMainForm::ActionOnlineResExecute, true},
    {ActionContact, &TMainForm::ActionContactExecute, true},
    {ActionAbout, nullptr, false},
    {ActionUninstall, &TMainForm::ActionUninstallExecute, true},
    {ActionDeleteScr, &TMainForm::ActionDeleteScrExecute, true},
    {ActionShowDetails, &TMainForm::ActionShowDetailsExecute, true},
    {ActionSearch, &TMainForm::ActionSearchExecute, true},
    {ActionHideSysPatch, &TMainForm::ActionHideSysPatchExecute, true},
    {ActionHideScr, &TMainForm::ActionHideScrExecute, true},
    {ActionTabProgramList, &TMainForm::ActionTabProgramListExecute, true},
    {ActionTabStartupItems, &TMainForm::ActionTabStartupItemsExecute, true},
    {ActionMin, &TMainForm::ActionMinExecute, true},
    {ActionApply, &TMainForm::ActionApplyExecute, true},
    {ActionSelectAll, &TMainForm::ActionSelectAllExecute, true},
    {ActionDelete, &TMainForm::ActionDeleteExecute, true},
    {ActionAddItem, &TMainForm::ActionAddItemExecute, true},
    };
    return actions;
}

void TMainForm::ShowMenuOfButton(HWND button, HMENU menu) {
    RECT bounds;
    GetWindowRect(button, &bounds);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, bounds.left, bounds.bottom, 0, hwnd_, nullptr);
    // A click into the hidden edit box takes the pressed look off the menu button.
    PostMessageW(txtHide_, WM_LBUTTONDOWN, 0, 0);
    PostMessageW(txtHide_, WM_LBUTTONUP, 0, 0);
}

void TMainForm::ActionAddNewExecute() {
    // The shell's Run dialog, exported by ordinal only.
    using RunFileDlgFn = void(WINAPI*)(HWND, HICON, LPCWSTR, LPCWSTR, LPCWSTR, UINT);
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    auto runFileDlg = reinterpret_cast<RunFileDlgFn>(
        reinterpret_cast<void*>(GetProcAddress(shell, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(61)))));
    if (!runFileDlg) return;  // errors of the Run dialog are dropped
    runFileDlg(hwnd_, reinterpret_cast<HICON>(GetClassLongPtrW(hwnd_, GCLP_HICON)), nullptr,
               LangText(IDS_MAINFORM_MENU_FILE_NewProgram).c_str(), nullptr, 2);
}

void TMainForm::ActionExitExecute() {
    // A failed write reaches the error report and the window stays open.
    WriteExitOptions(AppPaths.ConfigPath, ActionChecked(ActionHideSysPatch), ActionChecked(ActionHideScr));
    DestroyWindow(hwnd_);
}

void TMainForm::ActionGridExecute() {
    bool grid = !ActionChecked(ActionGrid);
    SetActionChecked(ActionGrid, grid);
    for (HWND list : {lsvProgramList_, lsvStartupList_})
        ListView_SetExtendedListViewStyleEx(list, LVS_EX_GRIDLINES, grid ? LVS_EX_GRIDLINES : 0);
}

void TMainForm::ActionInfoTipsExecute() {
    bool tips = !ActionChecked(ActionInfoTips);
    SetActionChecked(ActionInfoTips, tips);
    ListView_SetExtendedListViewStyleEx(lsvProgramList_, LVS_EX_INFOTIP, tips ? LVS_EX_INFOTIP : 0);
}

void TMainForm::SetViewMode(int actionId) {
    DWORD view = actionId == ActionViewIcon ? LV_VIEW_ICON : actionId == ActionViewList ? LV_VIEW_LIST : LV_VIEW_DETAILS;
    ListView_SetView(lsvProgramList_, view);
    for (int id : {ActionViewIcon, ActionViewList, ActionViewReport}) SetActionChecked(id, id == actionId);
}

void TMainForm::ActionViewIconExecute() { SetViewMode(ActionViewIcon); }
void TMainForm::ActionViewListExecute() { SetViewMode(ActionViewList); }
void TMainForm::ActionViewReportExecute() { SetViewMode(ActionViewReport); }

void TMainForm::ActionRefreshExecute() {
    if (activePage_ == 0)
        FillProgramList();
    else
        RefreshStartupList();
}

void TMainForm::ActionWinUpdateExecute() {
    ShellExecuteW(hwnd_, L"Open", L"control.exe", L"Appwiz.cpl ,1", nullptr, SW_SHOW);
}

void TMainForm::ActionWinServicesExecute() {
    ShellExecuteW(hwnd_, L"Open", L"Services.msc", nullptr, nullptr, SW_SHOW);
}

void TMainForm::ActionWinComponentsExecute() {
    ShellExecuteW(hwnd_, L"Open", L"control.exe", L"Appwiz.cpl ,2", nullptr, SW_SHOW);
}

void TMainForm::ActionHelpContentExecute() { ShellOpen(hwnd_, AppPaths.HelpPath); }
void TMainForm::ActionOnlineResExecute() { ShellOpen(hwnd_, kProductWebPage); }
void TMainForm::ActionContactExecute() { ShellOpen(hwnd_, kSupportMail); }

void TMainForm::ActionUninstallExecute() {
    int row = SelectedRow();
    if (row < 0) return;
    if (IsScreenSaverCaption(rows_[row].caption)) {
        RunAction(ActionDeleteScr);
        return;
    }
    IProgramList* list = programList_.Get();
    ComPtr<IProgramEntry> entry;
    CheckCom(list->GetProgram(rows_[row].data, entry.put()), L"Doffkit");
    if (!entry) return;
    cleanup::UninstallDone program;
    UniqueBstr text;
    CheckCom(entry->GetKeyName(text.put()), L"Doffkit");
    program.keyName = text.str();
    CheckCom(entry->GetInstallLocation(text.put()), L"Doffkit");
    program.installLocation = text.str();
    CheckCom(entry->GetUninstallString(text.put()), L"Doffkit");
    program.commandLine = text.str();
    // The window stays usable while the uninstaller runs.
    cleanup::TWaitingThread::Start(hwnd_, std::move(program));
}

void TMainForm::ActionDeleteScrExecute() {
    int row = SelectedRow();
    if (row < 0) return;
    cleanup::ScreenSaverFiles files;
    try {
        UniqueBstr fileName;
        CheckCom(programList_.Get()->GetScreenSaverFileName(rows_[row].data, fileName.put()), L"Doffkit");
        files = cleanup::ScreenSaverFilesOf(rows_[row].directory, fileName.str());
    } catch (const UserError&) {
        return;  // a component that cannot name the file leaves nothing to delete
    }
    if (files.path.empty()) return;
    if (!AskQuestion(hwnd_, LangText(IDS_MESSAGEBOX_WARNING_DeleteScr))) return;
    cleanup::ScreenSaverDeletion deletion = cleanup::DeleteScreenSaver(files, AppPaths.ScrBackupDir);
    if (!deletion.backedUp)  // nothing was deleted; say why
        ShowErrorReport(hwnd_, Format(L"%s: %s", files.path.c_str(), SystemErrorText(deletion.error).c_str()));
    FillProgramList();
}

void TMainForm::ActionShowDetailsExecute() {
    int row = SelectedRow();
    if (row < 0 || IsScreenSaverCaption(rows_[row].caption)) return;
    // After a component error, reported already, the window is not opened.
    if (details_->FillDetails(programList_.Get(), rows_[row].data)) details_->ShowModal();
}

void TMainForm::ActionSearchExecute() {
    int length = GetWindowTextLengthW(txtSearchInfo_);
    if (length == 0) return;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(txtSearchInfo_, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    std::vector<std::wstring> captions;
    captions.reserve(rows_.size());
    for (const ListRow& row : rows_) captions.push_back(row.caption);
    auto found = FindNextRow(captions, text, searchStart_);
    if (!found) return;
    int row = *found;
    searchStart_ = row + 1;
    ListView_SetItemState(lsvProgramList_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(lsvProgramList_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetFocus(lsvProgramList_);
    if (row > 0) {
        // The row before the match goes to the top.
        RECT item;
        ListView_GetItemRect(lsvProgramList_, row - 1, &item, LVIR_BOUNDS);
        RECT top;
        ListView_GetItemRect(lsvProgramList_, ListView_GetTopIndex(lsvProgramList_), &top, LVIR_BOUNDS);
        ListView_Scroll(lsvProgramList_, 0, item.top - top.top);
    } else {
        ListView_Scroll(lsvProgramList_, 0, -100000);
    }
}

void TMainForm::ActionHideSysPatchExecute() {
    bool hide = !HideSysPatch;
    SetActionChecked(ActionHideSysPatch, hide);
    HideSysPatch = hide;
    WriteHideOption(AppPaths.ConfigPath, kKeyHideSysPatch, HideSysPatch);
    FillProgramList();
}

void TMainForm::ActionHideScrExecute() {
    bool hide = !HideScreenSaver;
    SetActionChecked(ActionHideScr, hide);
    HideScreenSaver = hide;
    WriteHideOption(AppPaths.ConfigPath, kKeyHideScreenSaver, HideScreenSaver);
    FillProgramList();
}

void TMainForm::ActionTabProgramListExecute() {
    activePage_ = 0;
    ShowWindow(tsStartupItems_, SW_HIDE);
    ShowWindow(tsProgramList_, SW_SHOW);
    SetWindowTextW(lblPrograms_, LangText(IDS_STATUSBAR_LABEL_Programs).c_str());
    SetWindowTextW(lblProgramCounts_, programCountsText_.c_str());
    SetActionEnabled(ActionTabProgramList, false);
    SetActionEnabled(ActionTabStartupItems, true);
    ShowWindow(lblProgramCounts_, SW_SHOW);
    ShowWindow(lblPrograms_, SW_SHOW);
    for (int id : {ActionViewIcon, ActionViewList, ActionViewReport, ActionExportReg}) ShowActionItems(id, true);
    DWORD view = ListView_GetView(lsvProgramList_);
    SetViewMode(view == LV_VIEW_ICON ? ActionViewIcon : view == LV_VIEW_LIST ? ActionViewList : ActionViewReport);
    int row = SelectedRow();
    SetActionEnabled(ActionExportReg, row >= 0 && !IsScreenSaverCaption(rows_[row].caption));
    if (row >= 0) OnRowSelected(row);
    LayoutStatusBar();
}

void TMainForm::ActionTabStartupItemsExecute() {
    RefreshStartupList();
    activePage_ = 1;
    ShowWindow(tsProgramList_, SW_HIDE);
    ShowWindow(tsStartupItems_, SW_SHOW);
    for (HWND label : {lblProgramURL_, lblRegName_, lblRegistryName_, lblProgramCounts_, lblPrograms_})
        ShowWindow(label, SW_HIDE);
    for (int id : {ActionViewIcon, ActionViewList, ActionViewReport, ActionExportReg}) ShowActionItems(id, false);
    // The last row's check mark decides the Disable All / Enable All toggle.
    int count = ListView_GetItemCount(lsvStartupList_);
    for (int row = 0; row < count; ++row) {
        bool checked = ListView_GetCheckState(lsvStartupList_, row) != 0;
        allEnabled_ = checked ? 1 : 0;
        SetWindowTextW(btnSelectAll_,
                       Trim(LangText(checked ? IDS_SIDEBAR_BUTTON_UnSelectAll : IDS_SIDEBAR_BUTTON_SelectAll)).c_str());
    }
    SetActionEnabled(ActionDelete, false);
    SetActionEnabled(ActionTabStartupItems, false);
    SetActionEnabled(ActionTabProgramList, true);
    SetActionEnabled(ActionComment, false);
    SetActionEnabled(ActionRegedit, false);
}

void TMainForm::ActionMinExecute() { ShowWindow(hwnd_, SW_MINIMIZE); }

void TMainForm::SwitchLanguage(int itemId) {
    // Errors end the switch quietly at the step they happen.
    try {
        const std::wstring& caption = languageCaptions_.at(static_cast<size_t>(itemId - kLanguageItemFirst));
        auto path = LanguageFileOfCaption(AppPaths.LangDir, caption);
        if (!path) return;
        AppPaths.LangPath = *path;
        for (int i = 0; i < static_cast<int>(languageCaptions_.size()); ++i)
            CheckMenuItem(mItemLanguages_, static_cast<UINT>(kLanguageItemFirst + i),
                          MF_BYCOMMAND | (kLanguageItemFirst + i == itemId ? MF_CHECKED : MF_UNCHECKED));
        WriteLanguageFileName(AppPaths.ConfigPath, caption + L".ini");
        LoadLanguage();
        ApplyMainFormTexts();
        if (activePage_ == 0) SetWindowTextW(lblProgramCounts_, programCountsText_.c_str());
        LayoutStatusBar();
    } catch (...) {
    }
}

void TMainForm::OnUninstallDone(WPARAM ran, const cleanup::UninstallDone& done) {
    // The terms of the program this uninstall was for, whatever is selected now.
    const cleanup::UninstallDone program = done;
    const std::wstring& question =
        LangText(ran == 1 ? IDS_MESSAGEBOX_WARNING_ScanRemains : IDS_MESSAGEBOX_WARNING_UninstallFailed);
    if (!AskQuestion(hwnd_, question)) return;
    struct Refill {
        TMainForm* form;
        ~Refill() {
            try {
                form->FillProgramList();
            } catch (const UserError& error) {
                ShowErrorReport(form->hwnd_, error.message());
            }
        }
    } refill{this};  // also when the scan window ends with an error
    TScanForm::Run(hwnd_, instance_, program.keyName, program.installLocation);
}

}  // namespace purgeon
