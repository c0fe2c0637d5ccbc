#pragma once
// TMainForm: the program's only top-level window. Frameless, two pages (program list,
// startup items), menu buttons with popup menus, side panels, a status bar, and the action
// table through which every command runs.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/ProgramList.h"
#include "catalogue/programRows.h"
#include "cleanup/waitingThread.h"
#include "startup/startupItems.h"
#include "common/handles.h"
#include "ui/uiCommon.h"

namespace purgeon {

class TDetailsForm;

using cleanup::WM_UNINSTALL_DONE;

// Command ids: every button and menu item carries the id of the action it runs.
enum ActionId : int {
    ActionAddNew = 1001,
    ActionExportReg,
    ActionReloadReg,
    ActionCreateBackup,
    ActionExporetList,
    ActionExit,
    ActionGrid,
    ActionInfoTips,
    ActionViewIcon,
    ActionViewList,
    ActionViewReport,
    ActionRefresh,
    ActionComment,
    ActionRegedit,
    ActionWinUpdate,
    ActionWinServices,
    ActionWinComponents,
    ActionHelpContent,
    ActionOnlineRes,
    ActionContact,
    ActionAbout,
    ActionUninstall,
    ActionDeleteScr,
    ActionShowDetails,
    ActionSearch,
    ActionHideSysPatch,
    ActionHideScr,
    ActionTabProgramList,
    ActionTabStartupItems,
    ActionMin,
    ActionApply,
    ActionSelectAll,
    ActionDelete,
    ActionAddItem,
    kLanguageItemFirst = 1500,  // Languages submenu items, one per file
};

// Ids of the controls that are not actions.
enum ControlId {
    IDC_PAGECONTROL = 200,
    IDC_PAGE_PROGRAMS,
    IDC_PAGE_STARTUP,
    IDC_SIZEPANEL_PL,
    IDC_SIZEPANEL_SI,
    IDC_GRB_SEARCH,
    IDC_LBL_SEARCHTITLE,
    IDC_TXT_SEARCH,
    IDC_PROGRAM_LIST,
    IDC_STARTUP_LIST,
    IDC_GRB_ITEMINFO,
    IDC_LBL_PUBLISHER,
    IDC_LBL_PUBLISHERVALUE,
    IDC_LBL_VERSION,
    IDC_LBL_VERSIONVALUE,
    IDC_LBL_DES,
    IDC_LBL_DESCRIPTION,
    IDC_LBL_PROGRAMS,
    IDC_LBL_COUNTS,
    IDC_LBL_REGNAME,
    IDC_LBL_REGISTRYNAME,
    IDC_LBL_URL,
    IDC_TXT_HIDE,
    IDC_BTN_FILE,
    IDC_BTN_VIEW,
    IDC_BTN_TOOLS,
    IDC_BTN_HELP,
};

class TMainForm {
public:
    explicit TMainForm(HINSTANCE instance);
    ~TMainForm();
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // Creates the window hidden and runs its construction (FormCreate).
    bool Create();
    void Show();
    // Keyboard shortcuts (F1, F5) before dialog navigation; true when the message was used.
    bool PreTranslate(const MSG& message);
    HWND Handle() const { return hwnd_; }

    enum class MenuName { File, View, Tools, Help, ProgramRow, StartupRow, RowView, Languages };
    HMENU Menu(MenuName name) const;

    static constexpr wchar_t kClassName[] = L"TMainForm";

private:
    struct Action {
        int id;
        void (TMainForm::*execute)();
        bool available;  // false: its work is not in this build; shown disabled everywhere
    };
    static const std::vector<Action>& Actions();
    static const Action* FindAction(int id);

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ListSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR id, DWORD_PTR self);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(NMHDR* header);
    void OnCommand(int id, int code, HWND control);
    void RunAction(int id);

    // Construction and look (frmMain.cpp).
    void FormCreate();
    void CreateControls();
    void CreateMenus();
    void BuildLanguagesMenu();
    void ApplyMainFormSkin();
    void ApplyMainFormTexts();
    void PaintBackground(HDC dc);
    void LayoutStatusBar();
    void PlaceSideList(int page);
    HWND MakeChild(HWND parent, const wchar_t* className, DWORD style, int id, const wchar_t* text = L"");

    // Action state, shared by buttons and menu items.
    void SetActionEnabled(int id, bool enabled);
    void SetActionChecked(int id, bool checked);
    bool ActionChecked(int id) const;
    void ShowActionItems(int id, bool shown);

    // The program list (frmMainList.cpp).
    void FillProgramList();
    void ShowRows();
    void OnRowSelected(int row);
    void ClearSelectionState();
    std::wstring TipFor(int row);
    void SortByColumn(int column);
    bool ListMousePress(UINT message, LPARAM lParam);
    bool DirectoryCellAt(POINT client, int* row) const;
    LRESULT DrawListItem(NMLVCUSTOMDRAW* draw);
    void OpenStatusLink();
    int SelectedRow() const;

    // The startup page (frmMainStartup.cpp).
    void RefreshStartupList();
    void ShowStartupRows();
    void OnStartupSelection(int row);
    void ShowStartupRowMenu();
    LRESULT OnStartupNotify(NMHDR* header);
    void ActionApplyExecute();
    void ActionDeleteExecute();
    void ActionSelectAllExecute();
    void ActionAddItemExecute();

    // Actions (frmMainActions.cpp).
    void ActionAddNewExecute();
    void ActionExitExecute();
    void ActionGridExecute();
    void ActionInfoTipsExecute();
    void ActionViewIconExecute();
    void ActionViewListExecute();
    void ActionViewReportExecute();
    void SetViewMode(int actionId);
    void ActionRefreshExecute();
    void ActionWinUpdateExecute();
    void ActionWinServicesExecute();
    void ActionWinComponentsExecute();
    void ActionHelpContentExecute();
    void ActionOnlineResExecute();
    void ActionContactExecute();
    void ActionShowDetailsExecute();
    void ActionSearchExecute();
    void ActionHideSysPatchExecute();
    void ActionHideScrExecute();
    void ActionTabProgramListExecute();
    void ActionTabStartupItemsExecute();
    void ActionMinExecute();
    void ActionUninstallExecute();
    void ActionDeleteScrExecute();
    void SwitchLanguage(int itemId);
    void ShowMenuOfButton(HWND button, HMENU menu);
    void OnUninstallDone(WPARAM ran, const cleanup::UninstallDone& program);

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
    HFONT linkFont_ = nullptr;

    // Controls, named as the window's design names them.
    HWND btnFile_ = nullptr, btnView_ = nullptr, btnTools_ = nullptr, btnHelp_ = nullptr;
    HWND btnProgramList_ = nullptr, btnStartupItemList_ = nullptr;
    HWND btnMin_ = nullptr, btnHelpContent_ = nullptr, btnClose_ = nullptr;
    HWND PageControl_ = nullptr, tsProgramList_ = nullptr, tsStartupItems_ = nullptr;
    HWND SizePanelPL_ = nullptr, SizePanelSI_ = nullptr;
    HWND btnUninstall_ = nullptr, btnShowDetails_ = nullptr, btnRefresh_ = nullptr;
    HWND grbSearch_ = nullptr, lblSearchTitle_ = nullptr, txtSearchInfo_ = nullptr, btnSearch_ = nullptr;
    HWND ckbHidePatch_ = nullptr, ckbHideScr_ = nullptr;
    HWND grbItemInfo_ = nullptr, btnSelectAll_ = nullptr, btnDelete_ = nullptr, btnApply_ = nullptr;
    HWND lblPublisher_ = nullptr, lblPublisherValue_ = nullptr, lblVersion_ = nullptr;
    HWND lblVersionValue_ = nullptr, lblDes_ = nullptr, lblDescription_ = nullptr;
    HWND lsvProgramList_ = nullptr, lsvStartupList_ = nullptr;
    HWND lblPrograms_ = nullptr, lblProgramCounts_ = nullptr, lblRegName_ = nullptr;
    HWND lblRegistryName_ = nullptr, lblProgramURL_ = nullptr;
    HWND txtHide_ = nullptr;
    HWND tooltip_ = nullptr;

    UniqueMenu pmFile_, pmView_, pmTools_, pmHelp_, pmPLRightClick_, pmSLRightClick_;
    HMENU mItemLanguages_ = nullptr;
    HMENU mItemRowView_ = nullptr;
    std::vector<std::wstring> languageCaptions_;

    // Window state flags.
    int sidePanelStatePL_ = 1;
    int sidePanelStateSI_ = 1;
    int allEnabled_ = 1;
    int searchStart_ = 0;
    bool sortAscending_ = true;
    int activePage_ = 0;
    std::wstring programCountsText_;
    std::wstring statusLink_;

    TProgramList programList_;
    std::vector<ListRow> rows_;  // the list's rows in their shown order
    std::vector<StartupRow> startupRows_;  // the startup list's rows in their shown order
    bool fillingStartup_ = false;
    std::unique_ptr<TDetailsForm> details_;
};

}  // namespace purgeon
