// TMainForm: construction, skin and texts, menus, message routing.
#include "ui/frmMain.h"

#include <algorithm>

#include <windowsx.h>

#include "app/config.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "skins/multiSkins.h"
#include "ui/frmDetails.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace {


constexpr wchar_t kPageClass[] = L"TMainFormPage";
constexpr COLORREF kHeaderTop = RGB(28, 58, 99);
constexpr COLORREF kHeaderBottom = RGB(45, 92, 150);
constexpr COLORREF kBodyColour = RGB(236, 241, 247);
constexpr COLORREF kStatusColour = RGB(28, 58, 99);
constexpr COLORREF kStatusText = RGB(235, 240, 248);
constexpr int kStatusTop = 508;  // below the page control's design rectangle

// Panels, pages and group boxes pass their children's notifications on to the main window.
LRESULT CALLBACK ForwardToMain(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR main) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
            return SendMessageW(reinterpret_cast<HWND>(main), message, wParam, lParam);
        default:
            return DefSubclassProc(hwnd, message, wParam, lParam);
    }
}

// A group box paints no background of its own: give it the side panel's.
LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR main) {
    if (message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(hwnd, &client);
        UniqueGdiObject brush(CreateSolidBrush(kPanelColour));
        FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(brush.get()));
        return 1;
    }
    return ForwardToMain(hwnd, message, wParam, lParam, 0, main);
}

LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT client;
        GetClientRect(hwnd, &client);
        UniqueGdiObject brush(CreateSolidBrush(kBodyColour));
        FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(brush.get()));
        return 1;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void AppendItem(HMENU menu, int id, const std::wstring& text, UINT flags = 0) {
    AppendMenuW(menu, MF_STRING | flags, static_cast<UINT_PTR>(id), text.c_str());
}

void AppendSeparator(HMENU menu) { AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); }

void SetText(HWND control, const std::wstring& text) { SetWindowTextW(control, text.c_str()); }

}  // namespace

TMainForm::TMainForm(HINSTANCE instance) : instance_(instance) {}

TMainForm::~TMainForm() {
    for (HFONT font : {font_, boldFont_, linkFont_})
        if (font) DeleteObject(font);
}

bool TMainForm::Create() {
    RegisterWidgetClasses(instance_);
    WNDCLASSEXW windowClass{sizeof(windowClass)};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    WNDCLASSEXW pageClass{sizeof(pageClass)};
    pageClass.lpfnWndProc = PageProc;
    pageClass.hInstance = instance_;
    pageClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    pageClass.lpszClassName = kPageClass;
    RegisterClassExW(&pageClass);

    // No system frame or caption: the window paints its own title area and buttons.
    CreateWindowExW(WS_EX_APPWINDOW, kClassName, kAppTitle, WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU,
                    0, 0, 763, 538, nullptr, nullptr, instance_, this);
    return hwnd_ != nullptr;
}

void TMainForm::Show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

bool TMainForm::PreTranslate(const MSG& message) {
    if (message.message != WM_KEYDOWN || !(message.hwnd == hwnd_ || IsChild(hwnd_, message.hwnd))) return false;
    if (message.wParam == VK_F5) {
        RunAction(ActionRefresh);
        return true;
    }
    if (message.wParam == VK_F1) {
        RunAction(ActionHelpContent);
        return true;
    }
    if (message.wParam == VK_RETURN && message.hwnd == txtSearchInfo_) {
        RunAction(ActionSearch);
        return true;
    }
    return false;
}

LRESULT CALLBACK TMainForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TMainForm* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    return GuardedHandle(hwnd, [&] { return self->HandleMessage(message, wParam, lParam); });
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            FormCreate();
            return 0;
        case WM_ERASEBKGND:
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_PRINTCLIENT:  // widgets with rounded corners draw the window behind them
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            HWND control = reinterpret_cast<HWND>(lParam);
            SetBkMode(dc, TRANSPARENT);
            if (GetParent(control) == hwnd_) {  // status bar labels on the dark strip
                SetTextColor(dc, kStatusText);
                static HBRUSH status = CreateSolidBrush(kStatusColour);
                return reinterpret_cast<LRESULT>(status);
            }
            // Controls on the side panels.
            SetTextColor(dc, kTextColour);
            static HBRUSH panel = CreateSolidBrush(kPanelColour);
            return reinterpret_cast<LRESULT>(panel);
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            // The background and the title drag the frameless window.
            ReleaseCapture();
            SendMessageW(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lParam));
        case WM_MEASUREITEM:
            if (wParam == 0 && MeasureMenuItem(hwnd_, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
            break;
        case WM_DRAWITEM:
            if (wParam == 0 && DrawMenuItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) return TRUE;
            break;
        case WM_UNINSTALL_DONE:
            // lParam is the waiting thread's record, valid while this synchronous message is handled.
            if (lParam) OnUninstallDone(wParam, *reinterpret_cast<const cleanup::UninstallDone*>(lParam));
            return 0;
        case WM_CLOSE:
            RunAction(ActionExit);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

HWND TMainForm::MakeChild(HWND parent, const wchar_t* className, DWORD style, int id, const wchar_t* text) {
    HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
}

void TMainForm::FormCreate() {
    NONCLIENTMETRICSW metrics{sizeof(metrics)};
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    LOGFONTW bold = metrics.lfMessageFont;
    bold.lfWeight = FW_BOLD;
    boldFont_ = CreateFontIndirectW(&bold);
    LOGFONTW link = metrics.lfMessageFont;
    link.lfUnderline = TRUE;
    linkFont_ = CreateFontIndirectW(&link);

    // Window state flags.
    sidePanelStatePL_ = 1;
    sidePanelStateSI_ = 1;
    allEnabled_ = 1;
    searchStart_ = 0;

    CreateControls();
    activePage_ = 0;
    ShowWindow(tsProgramList_, SW_SHOW);
    ShowWindow(tsStartupItems_, SW_HIDE);
    details_ = std::make_unique<TDetailsForm>();
    details_->Create(hwnd_, instance_);

    // Icon indexes from the catalogue index the system image lists.
    SHFILEINFOW info{};
    std::wstring windowsRoot = ExtractFilePath(ExcludeTrailingBackslash(SystemDirectory()));
    windowsRoot = ExtractFilePath(ExcludeTrailingBackslash(windowsRoot));
    auto small = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(windowsRoot.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    auto large = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(windowsRoot.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX));
    ListView_SetImageList(lsvProgramList_, small, LVSIL_SMALL);
    ListView_SetImageList(lsvProgramList_, large, LVSIL_NORMAL);

    AddListColumn(lsvProgramList_, 0, LangText(IDS_LISTVIEW_COLUMNS_Descriptions), 200);
    AddListColumn(lsvProgramList_, 1, LangText(IDS_LISTVIEW_COLUMNS_Publisher), 160);
    AddListColumn(lsvProgramList_, 2, LangText(IDS_LISTVIEW_COLUMNS_Directory), 360);
    AddListColumn(lsvStartupList_, 0, LangText(IDS_LISTVIEW_COLUMNS_StatrupItem), 130);
    AddListColumn(lsvStartupList_, 1, LangText(IDS_LISTVIEW_COLUMNS_Command), 240);
    AddListColumn(lsvStartupList_, 2, LangText(IDS_LISTVIEW_COLUMNS_Location), 360);

    CreateMenus();
    ApplyMainFormSkin();
    ApplyMainFormTexts();

    // Commands whose work this build does not carry stay visibly unavailable.
    for (const Action& action : Actions())
        if (!action.available) SetActionEnabled(action.id, false);
    for (int id : {ActionExportReg, ActionComment, ActionRegedit, ActionShowDetails, ActionUninstall})
        SetActionEnabled(id, false);
    SetActionEnabled(ActionTabProgramList, false);
    SetActionChecked(ActionInfoTips, true);
    SetActionChecked(ActionViewReport, true);

    FillProgramList();
    RefreshStartupList();
    SetActionChecked(ActionHideSysPatch, HideSysPatch);
    SetActionChecked(ActionHideScr, HideScreenSaver);

    // Start-up allocations are not needed again.
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

void TMainForm::CreateControls() {
    btnMin_ = CreateArButton(hwnd_, ActionMin, L"\u2013", instance_);
    btnHelpContent_ = CreateArButton(hwnd_, ActionHelpContent, L"?", instance_);
    btnClose_ = CreateArButton(hwnd_, ActionExit, L"\u00d7", instance_);
    btnFile_ = CreateArButton(hwnd_, IDC_BTN_FILE, L"", instance_);
    btnView_ = CreateArButton(hwnd_, IDC_BTN_VIEW, L"", instance_);
    btnTools_ = CreateArButton(hwnd_, IDC_BTN_TOOLS, L"", instance_);
    btnHelp_ = CreateArButton(hwnd_, IDC_BTN_HELP, L"", instance_);
    btnProgramList_ = CreateArButton(hwnd_, ActionTabProgramList, L"", instance_);
    btnStartupItemList_ = CreateArButton(hwnd_, ActionTabStartupItems, L"", instance_);
    for (HWND button : {btnMin_, btnHelpContent_, btnClose_, btnFile_, btnView_, btnTools_, btnHelp_, btnProgramList_,
                        btnStartupItemList_})
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

    PageControl_ = MakeChild(hwnd_, kPageClass, WS_CLIPCHILDREN, IDC_PAGECONTROL);
    tsProgramList_ = MakeChild(PageControl_, kPageClass, WS_CLIPCHILDREN, IDC_PAGE_PROGRAMS);
    tsStartupItems_ = MakeChild(PageControl_, kPageClass, WS_CLIPCHILDREN, IDC_PAGE_STARTUP);

    // Page 0: the program list and its side panel.
    lsvProgramList_ = CreateFramedListView(tsProgramList_, IDC_PROGRAM_LIST,
                                           LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                                           instance_);
    SendMessageW(lsvProgramList_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    ListView_SetExtendedListViewStyle(lsvProgramList_,
                                      LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP | LVS_EX_LABELTIP);
    SetWindowSubclass(lsvProgramList_, ListSubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    SizePanelPL_ = CreateSizePanel(tsProgramList_, IDC_SIZEPANEL_PL, instance_);
    btnUninstall_ = CreateArButton(SizePanelPL_, ActionUninstall, L"", instance_);
    btnShowDetails_ = CreateArButton(SizePanelPL_, ActionShowDetails, L"", instance_);
    btnRefresh_ = CreateArButton(SizePanelPL_, ActionRefresh, L"", instance_);
    grbSearch_ = MakeChild(SizePanelPL_, WC_BUTTONW, BS_GROUPBOX | WS_CLIPSIBLINGS, IDC_GRB_SEARCH);
    lblSearchTitle_ = MakeChild(grbSearch_, WC_STATICW, SS_LEFT, IDC_LBL_SEARCHTITLE);
    txtSearchInfo_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                     0, 0, 0, 0, grbSearch_, reinterpret_cast<HMENU>(IDC_TXT_SEARCH), instance_, nullptr);
    SendMessageW(txtSearchInfo_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    btnSearch_ = CreateArButton(grbSearch_, ActionSearch, L"", instance_);
    ckbHidePatch_ = MakeChild(SizePanelPL_, WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, ActionHideSysPatch);
    ckbHideScr_ = MakeChild(SizePanelPL_, WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, ActionHideScr);

    // Page 1: the startup list and its side panel.
    lsvStartupList_ = CreateFramedListView(tsStartupItems_, IDC_STARTUP_LIST, LVS_REPORT | LVS_SHOWSELALWAYS, instance_);
    SendMessageW(lsvStartupList_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    ListView_SetExtendedListViewStyle(lsvStartupList_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_CHECKBOXES);
    SizePanelSI_ = CreateSizePanel(tsStartupItems_, IDC_SIZEPANEL_SI, instance_);
    btnSelectAll_ = CreateArButton(SizePanelSI_, ActionSelectAll, L"", instance_);
    btnDelete_ = CreateArButton(SizePanelSI_, ActionDelete, L"", instance_);
    btnApply_ = CreateArButton(SizePanelSI_, ActionApply, L"", instance_);
    grbItemInfo_ = MakeChild(SizePanelSI_, WC_BUTTONW, BS_GROUPBOX | WS_CLIPSIBLINGS, IDC_GRB_ITEMINFO);
    lblPublisher_ = MakeChild(grbItemInfo_, WC_STATICW, SS_LEFT, IDC_LBL_PUBLISHER);
    lblPublisherValue_ = MakeChild(grbItemInfo_, WC_STATICW, SS_LEFT | SS_NOPREFIX, IDC_LBL_PUBLISHERVALUE);
    lblVersion_ = MakeChild(grbItemInfo_, WC_STATICW, SS_LEFT, IDC_LBL_VERSION);
    lblVersionValue_ = MakeChild(grbItemInfo_, WC_STATICW, SS_LEFT | SS_NOPREFIX, IDC_LBL_VERSIONVALUE);
    lblDes_ = MakeChild(grbItemInfo_, WC_STATICW, SS_LEFT, IDC_LBL_DES);
    lblDescription_ = MakeChild(grbItemInfo_, WC_STATICW, SS_LEFT | SS_NOPREFIX, IDC_LBL_DESCRIPTION);
    for (HWND button : {btnUninstall_, btnShowDetails_, btnRefresh_, btnSearch_, btnSelectAll_, btnDelete_, btnApply_})
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    for (HWND container : {PageControl_, tsProgramList_, tsStartupItems_, SizePanelPL_, SizePanelSI_})
        SetWindowSubclass(container, ForwardToMain, 2, reinterpret_cast<DWORD_PTR>(hwnd_));
    for (HWND group : {grbSearch_, grbItemInfo_})
        SetWindowSubclass(group, GroupBoxProc, 2, reinterpret_cast<DWORD_PTR>(hwnd_));

    // Status bar.
    lblPrograms_ = MakeChild(hwnd_, WC_STATICW, SS_LEFT | SS_CENTERIMAGE, IDC_LBL_PROGRAMS);
    lblProgramCounts_ = MakeChild(hwnd_, WC_STATICW, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, IDC_LBL_COUNTS);
    lblRegName_ = MakeChild(hwnd_, WC_STATICW, SS_LEFT | SS_CENTERIMAGE, IDC_LBL_REGNAME);
    lblRegistryName_ = MakeChild(hwnd_, WC_STATICW, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, IDC_LBL_REGISTRYNAME);
    lblProgramURL_ = CreateLinkLabel(hwnd_, IDC_LBL_URL, instance_);
    SendMessageW(lblProgramURL_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageW(lblProgramURL_, LLM_SETCOLOURS, RGB(0, 255, 255), GetSysColor(COLOR_BTNFACE));
    SetWindowTextW(lblProgramURL_, L"");
    for (HWND label : {lblRegName_, lblRegistryName_, lblProgramURL_}) ShowWindow(label, SW_HIDE);

    // Takes a click after a menu button's menu closes, so no button stays pressed.
    txtHide_ = CreateWindowExW(0, WC_EDITW, L"", WS_CHILD, 213, 86, 33, 21, hwnd_,
                               reinterpret_cast<HMENU>(IDC_TXT_HIDE), instance_, nullptr);

    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                               0, 0, hwnd_, nullptr, instance_, nullptr);
    for (HWND tool : {btnProgramList_, btnStartupItemList_, lblRegistryName_}) {
        TOOLINFOW info{sizeof(info)};
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = hwnd_;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void TMainForm::CreateMenus() {
    pmFile_.reset(CreatePopupMenu());
    AppendItem(pmFile_.get(), ActionAddNew, L"New Program...");
    AppendSeparator(pmFile_.get());
    AppendItem(pmFile_.get(), ActionExportReg, L"Export Registry Info...");
    AppendItem(pmFile_.get(), ActionReloadReg, L"Reload Registry Info...");
    AppendItem(pmFile_.get(), ActionCreateBackup, L"Create Backup...");
    AppendItem(pmFile_.get(), ActionExporetList, L"Export Program List...");
    AppendSeparator(pmFile_.get());
    AppendItem(pmFile_.get(), ActionExit, L"Exit");

    pmView_.reset(CreatePopupMenu());
    AppendItem(pmView_.get(), ActionGrid, L"Grid");
    AppendItem(pmView_.get(), ActionInfoTips, L"Tips");
    AppendSeparator(pmView_.get());
    AppendItem(pmView_.get(), ActionViewIcon, L"Icon");
    AppendItem(pmView_.get(), ActionViewList, L"List");
    AppendItem(pmView_.get(), ActionViewReport, L"Report");
    AppendSeparator(pmView_.get());
    AppendItem(pmView_.get(), ActionRefresh, L"Refresh");
    mItemLanguages_ = CreatePopupMenu();
    AppendMenuW(pmView_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(mItemLanguages_), L"Languages");
    BuildLanguagesMenu();

    pmTools_.reset(CreatePopupMenu());
    AppendItem(pmTools_.get(), ActionComment, L"Comment Entry...");
    AppendItem(pmTools_.get(), ActionRegedit, L"Registry Editor...");
    AppendSeparator(pmTools_.get());
    AppendItem(pmTools_.get(), ActionWinUpdate, L"Windows Update...");
    AppendItem(pmTools_.get(), ActionWinServices, L"Windows Services...");
    AppendItem(pmTools_.get(), ActionWinComponents, L"Windows Components...");

    pmHelp_.reset(CreatePopupMenu());
    AppendItem(pmHelp_.get(), ActionHelpContent, L"Help Content");
    AppendSeparator(pmHelp_.get());
    AppendItem(pmHelp_.get(), ActionOnlineRes, L"Online Resources...");
    AppendItem(pmHelp_.get(), ActionContact, L"Contact Technical Support...");
    AppendSeparator(pmHelp_.get());
    AppendItem(pmHelp_.get(), ActionAbout, L"About...");

    pmPLRightClick_.reset(CreatePopupMenu());
    AppendItem(pmPLRightClick_.get(), ActionUninstall, L"Uninstall");
    AppendItem(pmPLRightClick_.get(), ActionComment, L"Comment Entry...");
    AppendItem(pmPLRightClick_.get(), ActionRegedit, L"Registry Editor...");
    AppendItem(pmPLRightClick_.get(), ActionExportReg, L"Export Registry Info...");
    AppendSeparator(pmPLRightClick_.get());
    AppendItem(pmPLRightClick_.get(), ActionShowDetails, L"Show Details");
    AppendSeparator(pmPLRightClick_.get());
    mItemRowView_ = CreatePopupMenu();
    AppendItem(mItemRowView_, ActionViewIcon, L"Icon");
    AppendItem(mItemRowView_, ActionViewList, L"List");
    AppendItem(mItemRowView_, ActionViewReport, L"Report");
    AppendMenuW(pmPLRightClick_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(mItemRowView_), L"View");

    pmSLRightClick_.reset(CreatePopupMenu());
    AppendItem(pmSLRightClick_.get(), ActionAddItem, L"Add Entry");
    AppendItem(pmSLRightClick_.get(), ActionDelete, L"Delete Entry");
    AppendItem(pmSLRightClick_.get(), ActionRefresh, L"Refresh");

    for (HMENU menu : {pmFile_.get(), pmView_.get(), pmTools_.get(), pmHelp_.get(), pmPLRightClick_.get(),
                       pmSLRightClick_.get()})
        MakeMenuOwnerDrawn(menu);
}

HMENU TMainForm::Menu(MenuName name) const {
    switch (name) {
        case MenuName::File: return pmFile_.get();
        case MenuName::View: return pmView_.get();
        case MenuName::Tools: return pmTools_.get();
        case MenuName::Help: return pmHelp_.get();
        case MenuName::ProgramRow: return pmPLRightClick_.get();
        case MenuName::StartupRow: return pmSLRightClick_.get();
        case MenuName::RowView: return mItemRowView_;
        case MenuName::Languages: return mItemLanguages_;
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
        AppendItem(mItemLanguages_, id++, text, entry.current ? MF_CHECKED : 0);
        languageCaptions_.push_back(entry.caption);
    }
}

void TMainForm::ApplyMainFormSkin() {
    PlaceControl(hwnd_, SkinText(SK_MAINFORM_Pos));
    struct Placed {
        HWND control;
        SkinKey key;
    } placed[] = {
        {btnMin_, SK_MAINFORM_BUTTON_Min_Pos},
        {btnHelpContent_, SK_MAINFORM_BUTTON_HelpContent_Pos},
        {btnClose_, SK_MAINFORM_BUTTON_Close_Pos},
        {btnFile_, SK_MAINFORM_BUTTON_File_Pos},
        {btnView_, SK_MAINFORM_BUTTON_View_Pos},
        {btnTools_, SK_MAINFORM_BUTTON_Tools_Pos},
        {btnHelp_, SK_MAINFORM_BUTTON_Help_Pos},
        {btnProgramList_, SK_MAINFORM_BUTTON_ProgramList_Pos},
        {btnStartupItemList_, SK_MAINFORM_BUTTON_StartupItems_Pos},
        {PageControl_, SK_MAINFORM_PAGECONTROL_Pos},
        {tsProgramList_, SK_MAINFORM_PAGE1_Pos},
        {SizePanelPL_, SK_MAINFORM_PAGE1_SizePanel_Pos},
        {btnUninstall_, SK_MAINFORM_PAGE1_BUTTON_Uninstall_Pos},
        {btnShowDetails_, SK_MAINFORM_PAGE1_BUTTON_ShowDetails_Pos},
        {btnRefresh_, SK_MAINFORM_PAGE1_BUTTON_Refresh_Pos},
        {grbSearch_, SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos},
        {lblSearchTitle_, SK_MAINFORM_PAGE1_GROUPBOX_LABEL_Title_Pos},
        {txtSearchInfo_, SK_MAINFORM_PAGE1_GROUPBOX_TEXT_KeyWorld_Pos},
        {btnSearch_, SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos},
        {ckbHidePatch_, SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos},
        {ckbHideScr_, SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos},
        {tsStartupItems_, SK_MAINFORM_PAGE2_Pos},
        {SizePanelSI_, SK_MAINFORM_PAGE2_SizePanel_Pos},
        {grbItemInfo_, SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos},
        {lblPublisher_, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Publisher_Pos},
        {lblPublisherValue_, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_PublisherValue_Pos},
        {lblVersion_, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Version_Pos},
        {lblVersionValue_, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_VersionValue_Pos},
        {lblDes_, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Des_Pos},
        {lblDescription_, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos},
        {btnSelectAll_, SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos},
        {btnDelete_, SK_MAINFORM_PAGE2_BUTTON_Delete_Pos},
        {btnApply_, SK_MAINFORM_PAGE2_BUTTON_Apply_Pos},
    };
    for (const Placed& item : placed) {
        // A skin error ends the placing; what was placed stays.
        if (!ParseSkinRect(SkinText(item.key)) && !SkinText(item.key).empty()) break;
        PlaceControl(item.control, SkinText(item.key));
    }
    // Controls inside a group box sit below its caption line.
    for (HWND child : {lblSearchTitle_, txtSearchInfo_, btnSearch_, lblPublisher_, lblPublisherValue_, lblVersion_,
                       lblVersionValue_, lblDes_, lblDescription_}) {
        RECT bounds;
        GetWindowRect(child, &bounds);
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&bounds), 2);
        MoveWindow(child, bounds.left + 6, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, FALSE);
    }
    PlaceSideList(0);
    PlaceSideList(1);
    LayoutStatusBar();
}

// Places a page's list from its skin rectangle for the side panel's state; the list never
// runs under the panel, which folds to its size bar when the list takes the full width.
void TMainForm::PlaceSideList(int page) {
    HWND list = page == 0 ? lsvProgramList_ : lsvStartupList_;
    HWND panel = page == 0 ? SizePanelPL_ : SizePanelSI_;
    bool open = (page == 0 ? sidePanelStatePL_ : sidePanelStateSI_) == 1;
    SkinKey listKey = page == 0 ? (open ? SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos
                                        : SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos)
                                : (open ? SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos
                                        : SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_FullPos);
    auto panelRect = ParseSkinRect(SkinText(page == 0 ? SK_MAINFORM_PAGE1_SizePanel_Pos : SK_MAINFORM_PAGE2_SizePanel_Pos));
    auto listRect = ParseSkinRect(SkinText(listKey));
    if (!panelRect || !listRect) return;
    int panelLeft = panelRect->left, panelWidth = panelRect->width;
    if (!open) {
        panelLeft = panelRect->left + panelRect->width - 8;
        panelWidth = 8;
    }
    MoveWindow(panel, panelLeft, panelRect->top, panelWidth, panelRect->height, TRUE);
    SendMessageW(panel, SPM_SETFOLDED, open ? 0 : 1, 0);
    int width = std::min(listRect->width, panelLeft - listRect->left);
    MoveWindow(list, listRect->left, listRect->top, width, listRect->height, TRUE);
}

void TMainForm::LayoutStatusBar() {
    RECT client;
    GetClientRect(hwnd_, &client);
    int top = kStatusTop, height = client.bottom - kStatusTop - 4;
    int x = 12;
    auto place = [&](HWND label, int gap) {
        if (!IsWindowVisible(label) && label != lblPrograms_ && label != lblProgramCounts_) return;
        int width = label == lblProgramURL_ ? LinkLabelTextWidth(label) : TextWidth(label, WindowText(label));
        x += gap;
        MoveWindow(label, x, top, width + 2, height, TRUE);
        x += width + 2;
    };
    place(lblPrograms_, 0);
    place(lblProgramCounts_, 5);
    place(lblRegName_, 10);
    place(lblRegistryName_, 5);
    int urlLeft = x + 10;
    MoveWindow(lblProgramURL_, urlLeft, top, std::max<int>(0, client.right - urlLeft - 12), height, TRUE);
}

void TMainForm::ApplyMainFormTexts() {
    SetText(btnFile_, LangText(IDS_MAINFORM_MENU_File));
    SetText(btnView_, LangText(IDS_MAINFORM_MENU_View));
    SetText(btnTools_, LangText(IDS_MAINFORM_MENU_Tools));
    SetText(btnHelp_, LangText(IDS_MAINFORM_MENU_Help));
    struct MenuText {
        HMENU menu;
        int id;
        TextKey key;
    } menuTexts[] = {
        {pmFile_.get(), ActionAddNew, IDS_MAINFORM_MENU_FILE_NewProgram},
        {pmFile_.get(), ActionExportReg, IDS_MAINFORM_MENU_FILE_ExportRegInfo},
        {pmFile_.get(), ActionReloadReg, IDS_MAINFORM_MENU_FILE_ReloadRegInfo},
        {pmFile_.get(), ActionCreateBackup, IDS_MAINFORM_MENU_FILE_CreateBackup},
        {pmFile_.get(), ActionExporetList, IDS_MAINFORM_MENU_FILE_ExportPrmList},
        {pmFile_.get(), ActionExit, IDS_MAINFORM_MENU_FILE_Exit},
        {pmView_.get(), ActionGrid, IDS_MAINFORM_MENU_VIEW_Grid},
        {pmView_.get(), ActionInfoTips, IDS_MAINFORM_MENU_VIEW_Tips},
        {pmView_.get(), ActionViewIcon, IDS_MAINFORM_MENU_VIEW_Icon},
        {pmView_.get(), ActionViewList, IDS_MAINFORM_MENU_VIEW_List},
        {pmView_.get(), ActionViewReport, IDS_MAINFORM_MENU_VIEW_Report},
        {pmView_.get(), ActionRefresh, IDS_MAINFORM_MENU_VIEW_Refresh},
        {pmTools_.get(), ActionComment, IDS_MAINFORM_MENU_TOOLS_CommentEntry},
        {pmTools_.get(), ActionRegedit, IDS_MAINFORM_MENU_TOOLS_Regedit},
        {pmTools_.get(), ActionWinUpdate, IDS_MAINFORM_MENU_TOOLS_WindowsUpdate},
        {pmTools_.get(), ActionWinServices, IDS_MAINFORM_MENU_TOOLS_WindowsServices},
        {pmTools_.get(), ActionWinComponents, IDS_MAINFORM_MENU_TOOLS_WindowsComponents},
        {pmHelp_.get(), ActionHelpContent, IDS_MAINFORM_MENU_HELP_HelpContent},
        {pmHelp_.get(), ActionOnlineRes, IDS_MAINFORM_MENU_HELP_OnlineRes},
        {pmHelp_.get(), ActionContact, IDS_MAINFORM_MENU_HELP_Contact},
        {pmHelp_.get(), ActionAbout, IDS_MAINFORM_MENU_HELP_About},
        {pmPLRightClick_.get(), ActionComment, IDS_LISTVIEW_RIGHTCLICK_CommentEntry},
        {pmPLRightClick_.get(), ActionRegedit, IDS_LISTVIEW_RIGHTCLICK_RegistryEditor},
        {pmPLRightClick_.get(), ActionExportReg, IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo},
        {pmPLRightClick_.get(), ActionShowDetails, IDS_LISTVIEW_RIGHTCLICK_ShowDetails},
        {mItemRowView_, ActionViewIcon, IDS_LISTVIEW_RIGHTCLICK_ViewIcon},
        {mItemRowView_, ActionViewList, IDS_LISTVIEW_RIGHTCLICK_ViewList},
        {mItemRowView_, ActionViewReport, IDS_LISTVIEW_RIGHTCLICK_ViewReport},
        {pmSLRightClick_.get(), ActionAddItem, IDS_LISTVIEW_RIGHTCLICK_AddItem},
        {pmSLRightClick_.get(), ActionDelete, IDS_LISTVIEW_RIGHTCLICK_DeleteItem},
        {pmSLRightClick_.get(), ActionRefresh, IDS_LISTVIEW_RIGHTCLICK_Refresh},
    };
    for (const MenuText& item : menuTexts) SetOwnerDrawnMenuText(item.menu, item.id, Trim(LangText(item.key)));
    // The submenus are addressed by their place in the parent menu.
    ModifyMenuW(pmView_.get(), static_cast<UINT>(GetMenuItemCount(pmView_.get()) - 1), MF_BYPOSITION | MF_POPUP,
                reinterpret_cast<UINT_PTR>(mItemLanguages_), LangText(IDS_MAINFORM_MENU_VIEW_Languages).c_str());
    ModifyMenuW(pmPLRightClick_.get(), static_cast<UINT>(GetMenuItemCount(pmPLRightClick_.get()) - 1),
                MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(mItemRowView_),
                LangText(IDS_LISTVIEW_RIGHTCLICK_View).c_str());
    MakeMenuOwnerDrawn(pmView_.get());
    MakeMenuOwnerDrawn(pmPLRightClick_.get());
    bool screenSaverRow = SelectedRow() >= 0 && IsScreenSaverCaption(rows_[SelectedRow()].caption);
    SetOwnerDrawnMenuText(pmPLRightClick_.get(), ActionUninstall,
                          Trim(LangText(screenSaverRow ? IDS_SIDEBAR_BUTTON_DeleteScr : IDS_LISTVIEW_RIGHTCLICK_Uninstall)));

    auto setHint = [&](HWND tool, const std::wstring& text) {
        TOOLINFOW info{sizeof(info)};
        info.hwnd = hwnd_;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = const_cast<wchar_t*>(text.c_str());
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    };
    setHint(btnProgramList_, LangText(IDS_PAGECONTROL_TABSHEETPL_Title));
    setHint(btnStartupItemList_, LangText(IDS_PAGECONTROL_TABSHEETSIL_Title));
    SetText(btnProgramList_, LangText(IDS_PAGECONTROL_TABSHEETPL_Title));
    SetText(btnStartupItemList_, LangText(IDS_PAGECONTROL_TABSHEETSIL_Title));

    SetListColumnText(lsvProgramList_, 0, LangText(IDS_LISTVIEW_COLUMNS_Descriptions));
    SetListColumnText(lsvProgramList_, 1, LangText(IDS_LISTVIEW_COLUMNS_Publisher));
    SetListColumnText(lsvProgramList_, 2, LangText(IDS_LISTVIEW_COLUMNS_Directory));
    SetListColumnText(lsvStartupList_, 0, LangText(IDS_LISTVIEW_COLUMNS_StatrupItem));
    SetListColumnText(lsvStartupList_, 1, LangText(IDS_LISTVIEW_COLUMNS_Command));
    SetListColumnText(lsvStartupList_, 2, LangText(IDS_LISTVIEW_COLUMNS_Location));

    SetText(btnUninstall_, Trim(LangText(screenSaverRow ? IDS_SIDEBAR_BUTTON_DeleteScr : IDS_SIDEBAR_BUTTON_Uninstall)));
    SetText(btnShowDetails_, LangText(IDS_SIDEBAR_BUTTON_SHOWDETAILS));
    SetText(btnRefresh_, LangText(IDS_SIDEBAR_BUTTON_Refresh));
    SetText(grbSearch_, LangText(IDS_SIDEBAR_GROUPBOX_TITLE_Search));
    SetText(lblSearchTitle_, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Info));
    SetText(btnSearch_, LangText(IDS_SIDEBAR_GROUPBOX_BUTTON_Search));
    SetText(ckbHidePatch_, LangText(IDS_SIDEBAR_CHECKBOX_HideSysPatch));
    SetText(ckbHideScr_, LangText(IDS_SIDEBAR_CHECKBOX_HideScr));
    SetText(lblPrograms_, LangText(IDS_STATUSBAR_LABEL_Programs));
    SetText(lblRegName_, LangText(IDS_STATUSBAR_LABEL_RegistryName));
    SetText(btnSelectAll_, Trim(LangText(IDS_SIDEBAR_BUTTON_UnSelectAll)));
    SetText(btnDelete_, LangText(IDS_SIDEBAR_BUTTON_Delete));
    SetText(btnApply_, LangText(IDS_SIDEBAR_BUTTON_Apply));
    SetText(grbItemInfo_, LangText(IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo));
    SetText(lblPublisher_, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher));
    SetText(lblVersion_, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Version));
    SetText(lblDes_, LangText(IDS_SIDEBAR_GROUPBOX_LABEL_Description));
    LayoutStatusBar();
}

void TMainForm::PaintBackground(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    TRIVERTEX vertices[2] = {
        {0, 0, static_cast<COLOR16>(GetRValue(kHeaderTop) << 8), static_cast<COLOR16>(GetGValue(kHeaderTop) << 8),
         static_cast<COLOR16>(GetBValue(kHeaderTop) << 8), 0},
        {client.right, 112, static_cast<COLOR16>(GetRValue(kHeaderBottom) << 8),
         static_cast<COLOR16>(GetGValue(kHeaderBottom) << 8), static_cast<COLOR16>(GetBValue(kHeaderBottom) << 8), 0},
    };
    GRADIENT_RECT gradient{0, 1};
    GradientFill(dc, vertices, 2, &gradient, 1, GRADIENT_FILL_RECT_V);
    RECT body{0, 112, client.right, kStatusTop};
    UniqueGdiObject bodyBrush(CreateSolidBrush(kBodyColour));
    FillRect(dc, &body, static_cast<HBRUSH>(bodyBrush.get()));
    RECT status{0, kStatusTop, client.right, client.bottom};
    UniqueGdiObject statusBrush(CreateSolidBrush(kStatusColour));
    FillRect(dc, &status, static_cast<HBRUSH>(statusBrush.get()));

    // Title area: the product name where the skin's title picture would be.
    LOGFONTW title{};
    title.lfHeight = -26;
    title.lfWeight = FW_BOLD;
    lstrcpyW(title.lfFaceName, L"Tahoma");
    UniqueGdiObject titleFont(CreateFontIndirectW(&title));
    HGDIOBJ old = SelectObject(dc, titleFont.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT name{22, 14, 320, 50};
    DrawTextW(dc, kAppTitle, -1, &name, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
    SelectObject(dc, font_);
    SetTextColor(dc, RGB(190, 210, 235));
    RECT tagline{24, 48, 330, 70};
    DrawTextW(dc, L"Uninstall manager", -1, &tagline, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
    SelectObject(dc, old);
}

const TMainForm::Action* TMainForm::FindAction(int id) {
    for (const Action& action : Actions())
        if (action.id == id) return &action;
    return nullptr;
}

void TMainForm::RunAction(int id) {
    const Action* action = FindAction(id);
    // Commands whose work is not in this build are shown disabled and never run.
    if (!action || !action->available || !action->execute) return;
    (this->*action->execute)();
}

void TMainForm::OnCommand(int id, int code, HWND control) {
    if (id >= kLanguageItemFirst && id < kLanguageItemFirst + static_cast<int>(languageCaptions_.size())) {
        SwitchLanguage(id);
        return;
    }
    switch (id) {
        case IDC_BTN_FILE:
            ShowMenuOfButton(btnFile_, pmFile_.get());
            return;
        case IDC_BTN_VIEW:
            ShowMenuOfButton(btnView_, pmView_.get());
            return;
        case IDC_BTN_TOOLS:
            ShowMenuOfButton(btnTools_, pmTools_.get());
            return;
        case IDC_BTN_HELP:
            ShowMenuOfButton(btnHelp_, pmHelp_.get());
            return;
        case IDC_TXT_SEARCH:
            if (code == EN_CHANGE) searchStart_ = 0;
            return;
        case IDC_SIZEPANEL_PL:
        case IDC_SIZEPANEL_SI:
            if (code == SPN_HOTSPOT) {
                int page = id == IDC_SIZEPANEL_PL ? 0 : 1;
                int& state = page == 0 ? sidePanelStatePL_ : sidePanelStateSI_;
                state = state == 1 ? 0 : 1;
                PlaceSideList(page);
            }
            return;
        case IDC_LBL_URL:
            OpenStatusLink();
            return;
        default:
            break;
    }
    // Disabled controls and menu items never reach here; check boxes toggle their action.
    if (control && (id == ActionHideSysPatch || id == ActionHideScr) && code != BN_CLICKED) return;
    RunAction(id);
}

void TMainForm::SetActionEnabled(int id, bool enabled) {
    const Action* action = FindAction(id);
    if (action && !action->available) enabled = false;
    for (HMENU menu : {pmFile_.get(), pmView_.get(), pmTools_.get(), pmHelp_.get(), pmPLRightClick_.get(),
                       pmSLRightClick_.get(), mItemRowView_})
        EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    for (HWND control : {btnUninstall_, btnShowDetails_, btnRefresh_, btnSearch_, ckbHidePatch_, ckbHideScr_,
                         btnSelectAll_, btnDelete_, btnApply_, btnProgramList_, btnStartupItemList_, btnMin_,
                         btnHelpContent_, btnClose_})
        if (GetDlgCtrlID(control) == id) EnableWindow(control, enabled);
}

void TMainForm::SetActionChecked(int id, bool checked) {
    for (HMENU menu : {pmView_.get(), mItemRowView_})
        CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    if (id == ActionHideSysPatch) Button_SetCheck(ckbHidePatch_, checked ? BST_CHECKED : BST_UNCHECKED);
    if (id == ActionHideScr) Button_SetCheck(ckbHideScr_, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool TMainForm::ActionChecked(int id) const {
    if (id == ActionHideSysPatch) return Button_GetCheck(ckbHidePatch_) == BST_CHECKED;
    if (id == ActionHideScr) return Button_GetCheck(ckbHideScr_) == BST_CHECKED;
    return (GetMenuState(pmView_.get(), static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// Menu items a page does not offer are taken out of their menus and put back at their place.
void TMainForm::ShowActionItems(int id, bool shown) {
    struct Slot {
        HMENU menu;
        int id;
        UINT position;
        TextKey text;
    } slots[] = {
        {pmView_.get(), ActionViewIcon, 3, IDS_MAINFORM_MENU_VIEW_Icon},
        {pmView_.get(), ActionViewList, 4, IDS_MAINFORM_MENU_VIEW_List},
        {pmView_.get(), ActionViewReport, 5, IDS_MAINFORM_MENU_VIEW_Report},
        {pmFile_.get(), ActionExportReg, 2, IDS_MAINFORM_MENU_FILE_ExportRegInfo},
    };
    for (const Slot& slot : slots) {
        if (slot.id != id) continue;
        bool present = GetMenuState(slot.menu, static_cast<UINT>(id), MF_BYCOMMAND) != static_cast<UINT>(-1);
        if (shown && !present) {
            InsertMenuW(slot.menu, slot.position, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(id),
                        Trim(LangText(slot.text)).c_str());
            MakeMenuOwnerDrawn(slot.menu);
        } else if (!shown && present) {
            RemoveMenu(slot.menu, static_cast<UINT>(id), MF_BYCOMMAND);
        }
    }
}

}  // namespace purgeon
