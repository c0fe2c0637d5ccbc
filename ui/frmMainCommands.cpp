// TMainForm: menus and command controls kept in step with the command table, command dispatch,
// and the commands that belong to the window itself.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <tuple>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "productInfo.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace {

constexpr CommandPlace kMenus[] = {CommandPlace::FileMenu,       CommandPlace::ViewMenu,    CommandPlace::ToolsMenu,
                                   CommandPlace::HelpMenu,       CommandPlace::RowViewMenu, CommandPlace::ProgramRowMenu,
                                   CommandPlace::StartupRowMenu};

// What a menu holds, item by item: a command id, a submenu handle, or 0 for a separator.
std::vector<UINT_PTR> ItemsOf(HMENU menu) {
    std::vector<UINT_PTR> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOW info{sizeof(info)};
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        items.push_back(info.hSubMenu ? reinterpret_cast<UINT_PTR>(info.hSubMenu)
                                      : (info.fType & MFT_SEPARATOR) ? 0 : info.wID);
    }
    return items;
}

void SetItemText(HMENU menu, UINT position, const std::wstring& text) {
    MENUITEMINFOW info{sizeof(info)};
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text.c_str());
    SetMenuItemInfoW(menu, position, TRUE, &info);
}

}  // namespace

void TMainForm::CreateMenus() {
    for (UniqueMenu* menu : {&pmFile_, &pmView_, &pmTools_, &pmHelp_, &pmPLRightClick_, &pmSLRightClick_})
        menu->reset(CreatePopupMenu());
    mItemLanguages_ = CreatePopupMenu();
    mItemRowView_ = CreatePopupMenu();
    BuildLanguagesMenu();
    UpdateCommands();
}

HMENU TMainForm::MenuOf(CommandPlace place) const {
    switch (place) {
        case CommandPlace::FileMenu: return pmFile_.get();
        case CommandPlace::ViewMenu: return pmView_.get();
        case CommandPlace::ToolsMenu: return pmTools_.get();
        case CommandPlace::HelpMenu: return pmHelp_.get();
        case CommandPlace::ProgramRowMenu: return pmPLRightClick_.get();
        case CommandPlace::RowViewMenu: return mItemRowView_;
        case CommandPlace::StartupRowMenu: return pmSLRightClick_.get();
        case CommandPlace::LanguagesMenu: return mItemLanguages_;
        default: return nullptr;
    }
}

HMENU TMainForm::Menu(MenuName name) const {
    switch (name) {
        case MenuName::File: return MenuOf(CommandPlace::FileMenu);
        case MenuName::View: return MenuOf(CommandPlace::ViewMenu);
        case MenuName::Tools: return MenuOf(CommandPlace::ToolsMenu);
        case MenuName::Help: return MenuOf(CommandPlace::HelpMenu);
        case MenuName::ProgramRow: return MenuOf(CommandPlace::ProgramRowMenu);
        case MenuName::StartupRow: return MenuOf(CommandPlace::StartupRowMenu);
        case MenuName::RowView: return MenuOf(CommandPlace::RowViewMenu);
        case MenuName::Languages: return MenuOf(CommandPlace::LanguagesMenu);
    }
    return nullptr;
}

void TMainForm::BuildLanguagesMenu() {
    languageCaptions_.clear();
    int id = kLanguageItemFirst;
    for (const LanguageMenuEntry& entry : ListLanguageFiles(AppPaths.LangDir, AppPaths.LangPath)) {
        // Captions stay exactly the file's name: no accelerator letters.
        std::wstring text;
        for (wchar_t c : entry.caption) {
            text += c;
            if (c == L'&') text += L'&';
        }
        AppendMenuW(mItemLanguages_, MF_STRING | (entry.current ? MF_CHECKED : 0), static_cast<UINT_PTR>(id++),
                    text.c_str());
        languageCaptions_.push_back(entry.caption);
    }
    MakeMenuOwnerDrawn(mItemLanguages_);
}

// Rebuilds a menu only when the state wants other items in it (a page switch), so a menu is
// never torn down for a change of text, mark or availability.
void TMainForm::ApplyMenu(CommandPlace place) {
    HMENU menu = MenuOf(place);
    const std::vector<MenuItemUi> layout = MenuLayout(place, state_);
    std::vector<UINT_PTR> wanted;
    for (const MenuItemUi& item : layout)
        wanted.push_back(item.kind == MenuItemUi::Kind::Submenu ? reinterpret_cast<UINT_PTR>(MenuOf(item.submenu))
                         : item.kind == MenuItemUi::Kind::Separator ? 0
                                                                    : static_cast<UINT_PTR>(item.id));
    if (ItemsOf(menu) != wanted) {
        // Submenus are only taken out here; their parents own them.
        while (GetMenuItemCount(menu) > 0) RemoveMenu(menu, 0, MF_BYPOSITION);
        for (size_t i = 0; i < layout.size(); ++i) {
            if (layout[i].kind == MenuItemUi::Kind::Separator)
                AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            else
                AppendMenuW(menu, MF_STRING | (layout[i].kind == MenuItemUi::Kind::Submenu ? MF_POPUP : 0), wanted[i],
                            L"");
        }
        MakeMenuOwnerDrawn(menu);
    }
    for (size_t i = 0; i < layout.size(); ++i) {
        const MenuItemUi& item = layout[i];
        const UINT position = static_cast<UINT>(i);
        if (item.kind == MenuItemUi::Kind::Separator) continue;
        SetItemText(menu, position, Trim(LangText(item.text)));
        if (item.kind == MenuItemUi::Kind::Submenu) continue;
        EnableMenuItem(menu, position, MF_BYPOSITION | (item.enabled ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(menu, position, MF_BYPOSITION | (item.checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

void TMainForm::UpdateCommands() {
    if (!pmFile_ || !hwnd_) return;  // before the menus exist, or after the window went
    for (CommandPlace place : kMenus) ApplyMenu(place);
    for (const auto& [id, control] : commandControls_) {
        std::optional<ControlUi> ui = ControlLayout(id, state_);
        if (!ui) continue;
        EnableWindow(control, ui->enabled);
        if (ui->text) SetWindowTextW(control, Trim(LangText(*ui->text)).c_str());
        if (GetWindowLongW(control, GWL_STYLE) & BS_AUTOCHECKBOX)
            Button_SetCheck(control, ui->checked ? BST_CHECKED : BST_UNCHECKED);
    }
}

bool TMainForm::ActionChecked(int id) const {
    const Command* command = FindCommand(static_cast<ActionId>(id));
    return command && CommandChecked(*command, state_);
}

void TMainForm::RunAction(int id) {
    const Command* command = FindCommand(static_cast<ActionId>(id));
    // A command that is not available in this state never runs, whoever asks for it.
    if (!command || !CommandEnabled(*command, state_)) return;
    (this->*command->execute)();
    UpdateCommands();
}

void TMainForm::OnCommand(int id, int code, HWND control) {
    if (id >= kLanguageItemFirst && id < kLanguageItemFirst + static_cast<int>(languageCaptions_.size())) {
        SwitchLanguage(id);
        return;
    }
    const int buttonIds[] = {IDC_BTN_FILE, IDC_BTN_VIEW, IDC_BTN_TOOLS, IDC_BTN_HELP};
    for (size_t i = 0; i < std::size(buttonIds); ++i) {
        if (id != buttonIds[i]) continue;
        ShowMenuOfButton(i);
        return;
    }
    switch (id) {
        case IDC_TXT_SEARCH:
            if (code == EN_CHANGE) searchStart_ = 0;
            return;
        case IDC_SIZEPANEL_PL:
        case IDC_SIZEPANEL_SI:
            if (code == SPN_HOTSPOT) {
                int page = id == IDC_SIZEPANEL_PL ? 0 : 1;
                int& panelState = page == 0 ? sidePanelStatePL_ : sidePanelStateSI_;
                panelState = panelState == 1 ? 0 : 1;
                PlaceSideList(page);
            }
            return;
        case IDC_LBL_URL:
            OpenStatusLink();
            return;
        default:
            break;
    }
    // Check boxes toggle their command on a click only.
    if (control && (id == ActionHideSysPatch || id == ActionHideScr) && code != BN_CLICKED) return;
    RunAction(id);
}

std::array<std::pair<HWND, HMENU>, 4> TMainForm::MenuButtons() const {
    return {{{frame_.btnFile, pmFile_.get()},
             {frame_.btnView, pmView_.get()},
             {frame_.btnTools, pmTools_.get()},
             {frame_.btnHelp, pmHelp_.get()}}};
}

namespace {

// A caption's access key: the letter after &, else its first one; nothing when that is not a
// key of its own on every keyboard (a Latin letter or a digit).
wchar_t AccessKeyOf(const std::wstring& caption) {
    const size_t mark = caption.find(L'&');
    const wchar_t letter = mark != std::wstring::npos && mark + 1 < caption.size() ? caption[mark + 1]
                           : caption.empty()                                        ? L'\0'
                                                                                    : caption[0];
    const wchar_t key = static_cast<wchar_t>(towupper(letter));
    return (key >= L'A' && key <= L'Z') || (key >= L'0' && key <= L'9') ? key : L'\0';
}

}  // namespace

std::optional<size_t> TMainForm::MenuButtonOfKey(WPARAM key) const {
    if (key < '0' || key > 'Z') return std::nullopt;  // letters and digits only, never F4 and kin
    // A caption in a script without such letters (Chinese, Russian) keeps the built-in caption's key.
    constexpr TextKey kCaptions[] = {IDS_MAINFORM_MENU_File, IDS_MAINFORM_MENU_View, IDS_MAINFORM_MENU_Tools,
                                     IDS_MAINFORM_MENU_Help};
    const auto buttons = MenuButtons();
    for (size_t i = 0; i < buttons.size(); ++i) {
        wchar_t letter = AccessKeyOf(WindowText(buttons[i].first));
        if (!letter) letter = AccessKeyOf(LangDefaultText(kCaptions[i]));
        if (letter && static_cast<WPARAM>(letter) == key) return i;
    }
    return std::nullopt;
}

namespace {
TMainForm* g_menuOwner = nullptr;  // whose menu button's menu is open, for its hook
}

LRESULT CALLBACK TMainForm::MenuKeyHook(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    TMainForm* self = g_menuOwner;
    if (code == MSGF_MENU && self && message->message == WM_KEYDOWN && self->menuOnTop_) {
        // Right on an item with a submenu opens it; otherwise both arrows leave for the neighbour.
        const bool right = message->wParam == VK_RIGHT && !self->menuItemOpens_;
        if (right || message->wParam == VK_LEFT) {
            self->menuStep_ = right ? 1 : -1;
            EndMenu();
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TMainForm::ShowMenuOfButton(size_t index) {
    const auto buttons = MenuButtons();
    UniqueHook hook(SetWindowsHookExW(WH_MSGFILTER, MenuKeyHook, nullptr, GetCurrentThreadId()));
    g_menuOwner = this;
    do {
        openMenu_ = buttons[index].second;
        menuOnTop_ = true;
        menuItemOpens_ = false;
        menuStep_ = 0;
        RECT bounds;
        GetWindowRect(buttons[index].first, &bounds);
        TrackPopupMenu(openMenu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, bounds.left, bounds.bottom, 0, hwnd_,
                       nullptr);
        index = (index + buttons.size() + menuStep_) % buttons.size();
    } while (menuStep_ != 0);
    g_menuOwner = nullptr;
    openMenu_ = nullptr;
    // A click into the hidden edit box takes the pressed look off the menu button.
    PostMessageW(frame_.txtHide, WM_LBUTTONDOWN, 0, 0);
    PostMessageW(frame_.txtHide, WM_LBUTTONUP, 0, 0);
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

void TMainForm::ActionGridExecute() {
    state_.grid = !state_.grid;
    for (HWND list : {programs_.lsvProgramList, startup_.lsvStartupList})
        ListView_SetExtendedListViewStyleEx(list, LVS_EX_GRIDLINES, state_.grid ? LVS_EX_GRIDLINES : 0);
}

void TMainForm::ActionInfoTipsExecute() {
    state_.tips = !state_.tips;
    ListView_SetExtendedListViewStyleEx(programs_.lsvProgramList, LVS_EX_INFOTIP, state_.tips ? LVS_EX_INFOTIP : 0);
}

void TMainForm::SetViewMode(ActionId mode) {
    DWORD view = mode == ActionViewIcon ? LV_VIEW_ICON : mode == ActionViewList ? LV_VIEW_LIST : LV_VIEW_DETAILS;
    ListView_SetView(programs_.lsvProgramList, view);
    state_.viewMode = mode;
}

void TMainForm::ActionViewIconExecute() { SetViewMode(ActionViewIcon); }
void TMainForm::ActionViewListExecute() { SetViewMode(ActionViewList); }
void TMainForm::ActionViewReportExecute() { SetViewMode(ActionViewReport); }

void TMainForm::ActionRefreshExecute() {
    if (state_.page == 0)
        FillProgramList();
    else
        RefreshStartupList();
}

// The system consoles are started and left to themselves.
void TMainForm::ActionWinUpdateExecute() { ShellExecuteW(hwnd_, L"Open", L"control.exe", L"Appwiz.cpl ,1", nullptr, SW_SHOW); }
void TMainForm::ActionWinServicesExecute() { ShellExecuteW(hwnd_, L"Open", L"Services.msc", nullptr, nullptr, SW_SHOW); }
void TMainForm::ActionWinComponentsExecute() { ShellExecuteW(hwnd_, L"Open", L"control.exe", L"Appwiz.cpl ,2", nullptr, SW_SHOW); }

void TMainForm::ActionHelpContentExecute() { ShellOpen(hwnd_, AppPaths.HelpPath); }
void TMainForm::ActionOnlineResExecute() { ShellOpen(hwnd_, kProductWebAddress); }
void TMainForm::ActionContactExecute() { ShellOpen(hwnd_, std::wstring(L"mailto:") + kSupportMailAddress); }
void TMainForm::ActionAboutExecute() { TAboutForm::ShowAbout(hwnd_, instance_); }
void TMainForm::ActionMinExecute() { ShowWindow(hwnd_, SW_MINIMIZE); }

void TMainForm::ActionTabProgramListExecute() {
    state_.page = 0;
    ShowWindow(frame_.tsStartupItems, SW_HIDE);
    ShowWindow(frame_.tsProgramList, SW_SHOW);
    SetWindowTextW(status_.lblPrograms, LangText(IDS_STATUSBAR_LABEL_Programs).c_str());
    SetWindowTextW(status_.lblProgramCounts, programCountsText_.c_str());
    ShowWindow(status_.lblProgramCounts, SW_SHOW);
    ShowWindow(status_.lblPrograms, SW_SHOW);
    int row = SelectedRow();
    if (row >= 0) OnRowSelected(row);
    LayoutStatusBar();
}

void TMainForm::ActionTabStartupItemsExecute() {
    RefreshStartupList();
    state_.page = 1;
    ShowWindow(frame_.tsProgramList, SW_HIDE);
    ShowWindow(frame_.tsStartupItems, SW_SHOW);
    for (HWND label : {status_.lblProgramURL, status_.lblRegName, status_.lblRegistryName, status_.lblProgramCounts,
                       status_.lblPrograms})
        ShowWindow(label, SW_HIDE);
    // The last row's check mark decides the Disable All / Enable All toggle; no rows, no change.
    const int count = ListView_GetItemCount(startup_.lsvStartupList);
    if (count > 0) state_.allEnabled = ListView_GetCheckState(startup_.lsvStartupList, count - 1) != 0;
    state_.startupRowSelected = false;
}

}  // namespace purgeon
