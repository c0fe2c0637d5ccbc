#pragma once
// TMainForm: the program's only top-level window. Frameless, two pages (program list, startup
// items), menu buttons with popup menus, side panels, a status bar. Every command runs through
// the command table (ui/mainCommands.h). The class is split by concern:
//   frmMain.cpp          creation, message routing, language switch, Exit
//   frmMainLayout.cpp    controls, skin placement, texts, painting, status bar
//   frmMainCommands.cpp  menus and controls from the command table, dispatch, window commands
//   frmMainPrograms.cpp  the program page and the commands on a program
//   frmMainStartup.cpp   the startup page
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <array>
#include <optional>
#include <unordered_map>
#include <string>
#include <vector>

#include "backup/registryEditor.h"
#include "catalogue/ProgramList.h"
#include "catalogue/catalogueRead.h"
#include "catalogue/programRows.h"
#include "uninstall/uninstall.h"
#include "common/handles.h"
#include "ui/skinPictures.h"
#include "startup/startupItems.h"
#include "ui/mainCommands.h"
#include "ui/uiCommon.h"

namespace purgeon {

class TDetailsForm;

using uninstall::WM_UNINSTALL_DONE;
// Posted by the start-up's catalogue reading once its rows are ready.
inline constexpr UINT WM_CATALOGUE_READ = WM_USER + 101;

// Ids of the controls that are not commands.
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

    // Creates the window hidden and runs its construction (FormCreate), which fills the program
    // list. Given a reading started beforehand, the list is filled from that reading instead,
    // as soon as it is done (or at TakeFirstRead); `firstRead` must outlive that.
    bool Create(CatalogueRead* firstRead = nullptr);
    // Fills the list from the reading given to Create, waiting for it when it is not done yet;
    // nothing when the list has it already.
    void TakeFirstRead();
    // Whether the list has what the reading given to Create read.
    bool HasFirstRead() const { return firstRead_ == nullptr; }
    // Shows the window painted whole, activated unless `activate` is false.
    void Show(bool activate = true);
    // Keyboard shortcuts (F1, F5, Enter in the search box), looked at before the message loop
    // translates and dispatches a message; true when the message was used.
    bool PreTranslate(const MSG& message);
    // The lists' own keys: Enter and Delete on the programs, Delete on the startup entries, the
    // menu key and Shift+F10 on both. True when the key was used up.
    bool ListKey(const MSG& message);
    // Alt and a menu button's letter, or F10: that menu button's menu. True when it opened.
    bool MenuButtonKey(const MSG& message);
    HWND Handle() const { return hwnd_; }

    enum class MenuName { File, View, Tools, Help, ProgramRow, StartupRow, RowView, Languages };
    HMENU Menu(MenuName name) const;

    static constexpr wchar_t kClassName[] = L"TMainForm";
    static constexpr UINT_PTR kIconTimer = 1;

private:
    friend const std::vector<Command>& MainCommands();

    // Frame, menu buttons and pages.
    struct FrameControls {
        HWND btnFile = nullptr, btnView = nullptr, btnTools = nullptr, btnHelp = nullptr;
        HWND btnProgramList = nullptr, btnStartupItemList = nullptr;
        HWND btnMin = nullptr, btnHelpContent = nullptr, btnClose = nullptr;
        HWND PageControl = nullptr, tsProgramList = nullptr, tsStartupItems = nullptr;
        HWND txtHide = nullptr, tooltip = nullptr;
    };
    struct ProgramPageControls {
        HWND lsvProgramList = nullptr, SizePanelPL = nullptr;
        HWND btnUninstall = nullptr, btnShowDetails = nullptr, btnRefresh = nullptr;
        HWND grbSearch = nullptr, lblSearchTitle = nullptr, txtSearchInfo = nullptr, btnSearch = nullptr;
        HWND ckbHidePatch = nullptr, ckbHideScr = nullptr;
    };
    struct StartupPageControls {
        HWND lsvStartupList = nullptr, SizePanelSI = nullptr;
        HWND btnSelectAll = nullptr, btnDelete = nullptr, btnApply = nullptr;
        HWND grbItemInfo = nullptr, lblPublisher = nullptr, lblPublisherValue = nullptr, lblVersion = nullptr;
        HWND lblVersionValue = nullptr, lblDes = nullptr, lblDescription = nullptr;
    };
    struct StatusBarControls {
        HWND lblPrograms = nullptr, lblProgramCounts = nullptr, lblRegName = nullptr;
        HWND lblRegistryName = nullptr, lblProgramURL = nullptr;
    };

    template <typename Form>
    friend LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);
    void WindowDestroyed() { hwnd_ = nullptr; }
    static LRESULT CALLBACK ListSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR id, DWORD_PTR self);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnControlColour(HDC dc, HWND control);
    void FormCreate();
    void SwitchLanguage(int itemId);

    // Layout and look (frmMainLayout.cpp).
    void CreateFonts();
    void CreateControls();
    HWND MakeChild(HWND parent, const wchar_t* className, DWORD style, int id);
    HWND MakeList(HWND page, int id, DWORD style, DWORD extendedStyle);
    HWND CommandButton(HWND parent, ActionId id, const wchar_t* caption = L"");
    void AddTooltip(HWND tool);
    void SetTooltip(HWND tool, const std::wstring& text);
    void ApplyMainFormSkin();
    // Design units at the window's DPI.
    int Scaled(int units) const { return ScaleForDpi(units, dpi_); }
    // The window moved to a monitor of another scale: fonts, pictures and places at the new
    // DPI, in the place the system suggests.
    void OnDpiChanged(int dpi, const RECT& suggested);
    void ApplyMainFormTexts();
    void PaintBackground(HDC dc);
    void LayoutStatusBar();
    void PlaceSideList(int page);

    // Menus and controls from the command table (frmMainCommands.cpp).
    void CreateMenus();
    void BuildLanguagesMenu();
    HMENU MenuOf(CommandPlace place) const;
    void UpdateCommands();
    void ApplyMenu(CommandPlace place);
    void RunAction(int id);
    void OnCommand(int id, int code, HWND control);
    // The menu buttons in their order, each with its menu.
    std::array<std::pair<HWND, HMENU>, 4> MenuButtons() const;
    // Opens a menu button's menu under it; Left and Right inside it give way to the neighbouring
    // button's menu, as in a menu bar.
    void ShowMenuOfButton(size_t index);
    // The menu button that Alt and `key` open: the letter marked with & in its caption, else its
    // first letter.
    std::optional<size_t> MenuButtonOfKey(WPARAM key) const;
    static LRESULT CALLBACK MenuKeyHook(int code, WPARAM wParam, LPARAM lParam);
    // The open menu button's menu, and where its highlight stands (WM_MENUSELECT).
    HMENU openMenu_ = nullptr;
    bool menuOnTop_ = true;       // on the menu's own items, not a submenu's
    bool menuItemOpens_ = false;  // on an item that opens a submenu
    int menuStep_ = 0;            // -1 or +1 when the menu gave way to a neighbour's
    bool ActionChecked(int id) const;

    // Window commands (frmMainCommands.cpp).
    void ActionAddNewExecute();
    void ActionExitExecute();
    void ActionGridExecute();
    void ActionInfoTipsExecute();
    void ActionViewIconExecute();
    void ActionViewListExecute();
    void ActionViewReportExecute();
    void SetViewMode(ActionId mode);
    void ActionRefreshExecute();
    void ActionWinUpdateExecute();
    void ActionWinServicesExecute();
    void ActionWinComponentsExecute();
    void ActionHelpContentExecute();
    void ActionOnlineResExecute();
    void ActionContactExecute();
    void ActionTabProgramListExecute();
    void ActionTabStartupItemsExecute();
    void ActionMinExecute();
    void ActionAboutExecute();

    // The program page (frmMainPrograms.cpp).
    void FillProgramList();
    // Puts a fill into the list and the details chooser; `selected` is selected again if listed.
    void ShowFill(ProgramListFill fill, const std::wstring& selected);
    void ShowRows();
    void GiveRowCells(NMLVDISPINFOW* asked);
    // A row's icon, looked up the first time it is asked for.
    int RowIcon(size_t row);
    int IconOfProgram(const std::wstring& keyPath);
    void ReadSomeIcons();
    int FindRowByPrefix(const NMLVFINDITEMW& find) const;
    void OnRowSelected(int row);
    // After a row's selection changed: the status bar and the commands follow what is selected.
    void SelectionChanged();
    void SelectAllRows();
    void ClearSelectionState();
    int SelectedRow() const;
    const ListRow* SelectedListRow() const;
    // The selected program, read by its key as it is now; nothing for no row or a screen saver.
    // A program whose entry has gone is said so, and the list is refilled.
    std::optional<ProgramRow> SelectedProgram();
    void SayGoneAndRefill(std::wstring caption);
    // The key path or file of the selected row; empty without one.
    std::wstring SelectedIdentity() const;
    // Selects and shows the row of that program or screen saver; false when it is not listed.
    bool SelectRowOf(const std::wstring& identity);
    std::wstring TipFor(int row);
    void SortByColumn(int column);
    bool ListMousePress(UINT message, LPARAM lParam);
    // The row menu at a point on the screen, when a row is selected.
    void ShowProgramRowMenu(POINT screen);
    bool DirectoryCellAt(POINT client, int* row) const;
    LRESULT DrawListItem(NMLVCUSTOMDRAW* draw);
    LRESULT OnProgramListNotify(NMHDR* header);
    void OpenStatusLink();
    void ActionUninstallExecute();
    void ActionUninstallSelectedExecute();
    void ActionDeleteScrExecute();
    void ActionShowDetailsExecute();
    void ActionSearchExecute();
    void ActionHideSysPatchExecute();
    void ActionHideScrExecute();
    void OnUninstallDone(WPARAM ran, const uninstall::UninstallDone& program);
    // Runs a window of the uninstall road; the list is filled afresh afterwards, also after an error.
    void RunThenRefill(const std::function<void()>& work);
    void ActionUndoCleanupExecute();
    void ActionFindLeftoversExecute();
    void ActionExportRegExecute();
    void ActionReloadRegExecute();
    void ActionCreateBackupExecute();
    void ActionExporetListExecute();
    void ActionCommentExecute();
    void ActionRegeditExecute();

    // The startup page (frmMainStartup.cpp).
    void RefreshStartupList();
    void ShowStartupRows();
    void OnStartupSelection(int row);
    void ShowStartupRowMenu(POINT screen);
    LRESULT OnStartupNotify(NMHDR* header);
    void ActionApplyExecute();
    void ActionDeleteExecute();
    void ActionSelectAllExecute();
    void ActionAddItemExecute();

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    int dpi_ = kDesignDpi;  // the DPI of the window's monitor
    UniqueFont font_, linkFont_;
    UniqueBrush statusBrush_, panelBrush_;
    COLORREF statusText_ = CLR_INVALID;  // the status labels' text, which reads on statusBrush_
    SkinPictures pictures_;  // the skin's pictures, kept while the controls show them
    FrameControls frame_;
    ProgramPageControls programs_;
    StartupPageControls startup_;
    StatusBarControls status_;
    // Buttons and check boxes that run a command, with its id.
    std::vector<std::pair<ActionId, HWND>> commandControls_;

    UniqueMenu pmFile_, pmView_, pmTools_, pmHelp_, pmPLRightClick_, pmSLRightClick_;
    HMENU mItemLanguages_ = nullptr;  // owned by pmView_
    HMENU mItemRowView_ = nullptr;    // owned by pmPLRightClick_
    std::vector<std::wstring> languageCaptions_;
    backup::RegFileDialogs regFileDialogs_;  // the folders the export and reload dialogs remember

    // What the commands' rules look at.
    CommandState state_;
    int sidePanelStatePL_ = 1;
    int sidePanelStateSI_ = 1;
    int searchStart_ = 0;
    bool sortAscending_ = true;
    std::wstring programCountsText_;
    std::wstring statusLink_;

    TProgramList programList_;
    CatalogueRead* firstRead_ = nullptr;  // the start-up's reading, until the list has it
    std::vector<ListRow> rows_;  // the list's rows in their shown order
    std::unordered_map<std::wstring, size_t> rowOfKey_;  // a program row's place in rows_
    size_t iconsToRead_ = 0;  // rows_ before it have their icons
    std::vector<ProgramRow> programsRead_;  // every program of the last fill, shown or hidden
    std::vector<StartupRow> startupRows_;  // the startup list's rows in their shown order
    bool fillingStartup_ = false;
    bool selectingAll_ = false;  // one selection change for all rows, not one per row
    std::unique_ptr<TDetailsForm> details_;
    uninstall::StartedWaits uninstallWaits_;  // the only done messages this window takes
};

}  // namespace purgeon
