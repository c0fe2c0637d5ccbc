// TMainForm: its controls, their placement from the skin, the texts that are not commands',
// the painted frame and the status bar.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <tuple>
#include <utility>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "skins/multiSkins.h"
#include "ui/frmMain.h"
#include "ui/mainLayout.h"
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
constexpr int kStatusMargin = 12;
constexpr int kTitleLeft = 313, kTitleTop = 21;  // where the skin's title picture goes

void FillWithColour(HWND window, HDC dc, COLORREF colour) {
    RECT client;
    GetClientRect(window, &client);
    UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &client, brush.get());
}

// Panels, pages and group boxes pass their children's notifications on to the main window.
LRESULT ForwardToMain(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, HWND main) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
            return SendMessageW(main, message, wParam, lParam);
        default:
            return DefSubclassProc(hwnd, message, wParam, lParam);
    }
}

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR main) {
    return GuardedHandle(hwnd, [&] { return ForwardToMain(hwnd, message, wParam, lParam, reinterpret_cast<HWND>(main)); });
}

// A group box paints no background of its own: give it the side panel's.
LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR main) {
    return GuardedHandle(hwnd, [&]() -> LRESULT {
        if (message == WM_ERASEBKGND) {
            FillWithColour(hwnd, reinterpret_cast<HDC>(wParam), kPanelColour);
            return 1;
        }
        return ForwardToMain(hwnd, message, wParam, lParam, reinterpret_cast<HWND>(main));
    });
}

LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedHandle(hwnd, [&]() -> LRESULT {
        if (message == WM_ERASEBKGND) {
            FillWithColour(hwnd, reinterpret_cast<HDC>(wParam), kBodyColour);
            return 1;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    });
}

void SetText(HWND control, const std::wstring& text) { SetWindowTextW(control, text.c_str()); }

void KeepInsideParent(HWND control) {
    HWND parent = GetParent(control);
    if (!parent) return;
    RECT bounds, room;
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bounds), 2);
    GetClientRect(parent, &room);
    RECT inside;
    if (!IntersectRect(&inside, &bounds, &room) || EqualRect(&inside, &bounds)) return;
    MoveWindow(control, inside.left, inside.top, inside.right - inside.left, inside.bottom - inside.top, FALSE);
}

void MoveTo(HWND window, const SkinRect& rect) {
    MoveWindow(window, rect.left, rect.top, rect.width, rect.height, TRUE);
}

}  // namespace

void TMainForm::CreateFonts() {
    font_ = CreateMessageFont(FontLook::Regular, dpi_);
    linkFont_ = CreateMessageFont(FontLook::Underlined, dpi_);
    statusBrush_.reset(CreateSolidBrush(kStatusColour));
    statusText_ = kStatusText;
    panelBrush_.reset(CreateSolidBrush(kPanelColour));
}

void TMainForm::OnDpiChanged(int dpi, const RECT& suggested) {
    if (dpi <= 0 || dpi == dpi_) return;
    const int old = std::exchange(dpi_, dpi);
    // The old fonts stay until every control has let go of them.
    UniqueFont oldFont = std::move(font_), oldLinkFont = std::move(linkFont_);
    CreateFonts();
    struct Swap {
        HFONT from[2], to[2];
    } swap{{oldFont.get(), oldLinkFont.get()}, {font_.get(), linkFont_.get()}};
    EnumChildWindows(
        hwnd_,
        [](HWND child, LPARAM context) -> BOOL {
            const Swap& swap = *reinterpret_cast<const Swap*>(context);
            const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
            for (int i = 0; i < 2; ++i)
                if (font && font == swap.from[i]) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(swap.to[i]), FALSE);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&swap));
    for (HWND list : {programs_.lsvProgramList, startup_.lsvStartupList}) {
        const int columns = Header_GetItemCount(ListView_GetHeader(list));
        for (int column = 0; column < columns; ++column)
            ListView_SetColumnWidth(list, column, MulDiv(ListView_GetColumnWidth(list, column), dpi, old));
    }
    ApplyMainFormSkin();
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

HWND TMainForm::MakeChild(HWND parent, const wchar_t* className, DWORD style, int id) {
    return MakeControl(parent, className, style, RECT{}, id, instance_, font_.get());
}

HWND TMainForm::MakeList(HWND page, int id, DWORD style, DWORD extendedStyle) {
    HWND list = CreateFramedListView(page, id, LVS_REPORT | LVS_SHOWSELALWAYS | style, instance_);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | extendedStyle);
    return list;
}

HWND TMainForm::CommandButton(HWND parent, ActionId id, const wchar_t* caption) {
    HWND button = CreateArButton(parent, id, caption, instance_);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    commandControls_.emplace_back(id, button);
    return button;
}

void TMainForm::CreateControls() {
    WNDCLASSEXW pageClass{sizeof(pageClass)};
    pageClass.lpfnWndProc = PageProc;
    pageClass.hInstance = instance_;
    pageClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    pageClass.lpszClassName = kPageClass;
    RegisterClassExW(&pageClass);
    const HFONT font = font_.get();

    frame_.btnMin = CommandButton(hwnd_, ActionMin, L"\u2013");
    frame_.btnHelpContent = CommandButton(hwnd_, ActionHelpContent, L"?");
    frame_.btnClose = CommandButton(hwnd_, ActionExit, L"\u00d7");
    for (auto [button, id] : {std::pair{&frame_.btnFile, IDC_BTN_FILE}, {&frame_.btnView, IDC_BTN_VIEW},
                              {&frame_.btnTools, IDC_BTN_TOOLS}, {&frame_.btnHelp, IDC_BTN_HELP}}) {
        *button = CreateArButton(hwnd_, id, L"", instance_);
        SendMessageW(*button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    frame_.btnProgramList = CommandButton(hwnd_, ActionTabProgramList);
    frame_.btnStartupItemList = CommandButton(hwnd_, ActionTabStartupItems);

    frame_.PageControl = MakeChild(hwnd_, kPageClass, WS_CLIPCHILDREN, IDC_PAGECONTROL);
    frame_.tsProgramList = MakeChild(frame_.PageControl, kPageClass, WS_CLIPCHILDREN, IDC_PAGE_PROGRAMS);
    frame_.tsStartupItems = MakeChild(frame_.PageControl, kPageClass, WS_CLIPCHILDREN, IDC_PAGE_STARTUP);

    // Page 0: the program list and its side panel.
    ProgramPageControls& p = programs_;
    // A virtual list: its rows are read from rows_ as they are drawn, so thousands of programs
    // cost nothing to show (inserting each one took over a millisecond).
    p.lsvProgramList = MakeList(frame_.tsProgramList, IDC_PROGRAM_LIST, LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                                LVS_EX_INFOTIP | LVS_EX_LABELTIP);
    SetWindowSubclass(p.lsvProgramList, ListSubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    p.SizePanelPL = CreateSizePanel(frame_.tsProgramList, IDC_SIZEPANEL_PL, instance_);
    for (auto [button, id] : {std::pair{&p.btnUninstall, ActionUninstall}, {&p.btnShowDetails, ActionShowDetails},
                              {&p.btnRefresh, ActionRefresh}})
        *button = CommandButton(p.SizePanelPL, id);
    p.grbSearch = MakeChild(p.SizePanelPL, WC_BUTTONW, BS_GROUPBOX | WS_CLIPSIBLINGS, IDC_GRB_SEARCH);
    p.lblSearchTitle = MakeChild(p.grbSearch, WC_STATICW, SS_LEFT, IDC_LBL_SEARCHTITLE);
    p.txtSearchInfo = MakeControl(p.grbSearch, WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL, RECT{}, IDC_TXT_SEARCH, instance_,
                                  font, WS_EX_CLIENTEDGE);
    p.btnSearch = CommandButton(p.grbSearch, ActionSearch);
    for (auto [box, id] : {std::pair{&p.ckbHidePatch, ActionHideSysPatch}, {&p.ckbHideScr, ActionHideScr}}) {
        *box = MakeChild(p.SizePanelPL, WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, id);
        commandControls_.emplace_back(id, *box);
    }

    // Page 1: the startup list and its side panel.
    StartupPageControls& s = startup_;
    s.lsvStartupList = MakeList(frame_.tsStartupItems, IDC_STARTUP_LIST, 0, LVS_EX_CHECKBOXES);
    s.SizePanelSI = CreateSizePanel(frame_.tsStartupItems, IDC_SIZEPANEL_SI, instance_);
    for (auto [button, id] : {std::pair{&s.btnSelectAll, ActionSelectAll}, {&s.btnDelete, ActionDelete},
                              {&s.btnApply, ActionApply}})
        *button = CommandButton(s.SizePanelSI, id);
    s.grbItemInfo = MakeChild(s.SizePanelSI, WC_BUTTONW, BS_GROUPBOX | WS_CLIPSIBLINGS, IDC_GRB_ITEMINFO);
    s.lblPublisher = MakeChild(s.grbItemInfo, WC_STATICW, SS_LEFT, IDC_LBL_PUBLISHER);
    s.lblPublisherValue = MakeChild(s.grbItemInfo, WC_STATICW, SS_LEFT | SS_NOPREFIX, IDC_LBL_PUBLISHERVALUE);
    s.lblVersion = MakeChild(s.grbItemInfo, WC_STATICW, SS_LEFT, IDC_LBL_VERSION);
    s.lblVersionValue = MakeChild(s.grbItemInfo, WC_STATICW, SS_LEFT | SS_NOPREFIX, IDC_LBL_VERSIONVALUE);
    s.lblDes = MakeChild(s.grbItemInfo, WC_STATICW, SS_LEFT, IDC_LBL_DES);
    s.lblDescription = MakeChild(s.grbItemInfo, WC_STATICW, SS_LEFT | SS_NOPREFIX, IDC_LBL_DESCRIPTION);

    for (HWND container : {frame_.PageControl, frame_.tsProgramList, frame_.tsStartupItems, p.SizePanelPL, s.SizePanelSI})
        SetWindowSubclass(container, ContainerProc, 2, reinterpret_cast<DWORD_PTR>(hwnd_));
    for (HWND group : {p.grbSearch, s.grbItemInfo})
        SetWindowSubclass(group, GroupBoxProc, 2, reinterpret_cast<DWORD_PTR>(hwnd_));
    // Tab walks into the pages, panels and groups as into a dialog.
    for (HWND container : {hwnd_, frame_.PageControl, frame_.tsProgramList, frame_.tsStartupItems, p.grbSearch})
        SetWindowLongPtrW(container, GWL_EXSTYLE, GetWindowLongPtrW(container, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);

    // Status bar.
    status_.lblPrograms = MakeChild(hwnd_, WC_STATICW, SS_LEFT | SS_CENTERIMAGE, IDC_LBL_PROGRAMS);
    status_.lblProgramCounts = MakeChild(hwnd_, WC_STATICW, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, IDC_LBL_COUNTS);
    status_.lblRegName = MakeChild(hwnd_, WC_STATICW, SS_LEFT | SS_CENTERIMAGE, IDC_LBL_REGNAME);
    status_.lblRegistryName =
        MakeChild(hwnd_, WC_STATICW, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, IDC_LBL_REGISTRYNAME);
    status_.lblProgramURL = CreateLinkLabel(hwnd_, IDC_LBL_URL, instance_);
    SendMessageW(status_.lblProgramURL, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(status_.lblProgramURL, LLM_SETCOLOURS, RGB(0, 255, 255), GetSysColor(COLOR_BTNFACE));
    SetWindowTextW(status_.lblProgramURL, L"");
    for (HWND label : {status_.lblRegName, status_.lblRegistryName, status_.lblProgramURL}) ShowWindow(label, SW_HIDE);

    // Takes a click after a menu button's menu closes, so no button stays pressed.
    frame_.txtHide = CreateWindowExW(0, WC_EDITW, L"", WS_CHILD, Scaled(213), Scaled(86), Scaled(33), Scaled(21), hwnd_,
                                     reinterpret_cast<HMENU>(IDC_TXT_HIDE), instance_, nullptr);

    frame_.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                     0, 0, 0, 0, hwnd_, nullptr, instance_, nullptr);
    for (HWND tool : {frame_.btnProgramList, frame_.btnStartupItemList, status_.lblRegistryName}) AddTooltip(tool);
}

void TMainForm::AddTooltip(HWND tool) {
    TOOLINFOW info{sizeof(info)};
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(frame_.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void TMainForm::SetTooltip(HWND tool, const std::wstring& text) {
    TOOLINFOW info{sizeof(info)};
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(frame_.tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

LRESULT TMainForm::OnControlColour(HDC dc, HWND control) {
    SetBkMode(dc, TRANSPARENT);
    if (GetParent(control) == hwnd_) {  // status bar labels on the dark strip
        SetTextColor(dc, statusText_);
        return reinterpret_cast<LRESULT>(statusBrush_.get());
    }
    // Controls on the side panels.
    SetTextColor(dc, kTextColour);
    return reinterpret_cast<LRESULT>(panelBrush_.get());
}

void TMainForm::ApplyMainFormSkin() {
    PlaceControl(hwnd_, SkinDefaultText(SK_MAINFORM_Pos), dpi_);
    const bool windowPlaced = ReadSkinRect(SkinText(SK_MAINFORM_Pos)) != SkinRectReading::Broken;
    if (windowPlaced) PlaceControl(hwnd_, SkinText(SK_MAINFORM_Pos), dpi_);
    // Pictures first: a control whose picture is missing or broken keeps its own look.
    pictures_ = LoadMainFormPictures(AppPaths.SkinDir, dpi_);
    MainFormPictureTargets targets;
    const HWND buttons[kMainFormButtonCount] = {
        frame_.btnMin,      frame_.btnHelpContent,   frame_.btnClose,        frame_.btnFile,
        frame_.btnView,     frame_.btnTools,         frame_.btnHelp,         frame_.btnProgramList,
        frame_.btnStartupItemList, programs_.btnUninstall, programs_.btnShowDetails, programs_.btnRefresh,
        programs_.btnSearch, startup_.btnSelectAll, startup_.btnDelete,     startup_.btnApply};
    std::copy(std::begin(buttons), std::end(buttons), targets.buttons);
    targets.sizePanelPL = programs_.SizePanelPL;
    targets.sizePanelSI = startup_.SizePanelSI;
    ApplyMainFormPictures(targets, pictures_);
    // The background's transparent colour shapes the window; the status labels take the colour
    // of the strip they lie on, and text that reads on it.
    if (HBITMAP background = pictures_.Find(SK_MAINFORM_PicBackGround)) {
        if (UniqueRegion shape = PictureShapeRegion(background))
            SetWindowRgn(hwnd_, shape.release(), TRUE);
        const RECT strip = ScaleForDpi(RECT{0, kStatusTop, 763, 538}, dpi_);
        if (std::optional<COLORREF> colour = PictureMeanColour(background, strip)) {
            statusBrush_.reset(CreateSolidBrush(*colour));
            statusText_ = ColourBrightness(*colour) < 128 ? kStatusText : RGB(20, 20, 20);
        }
    }
    const ProgramPageControls& p = programs_;
    const StartupPageControls& s = startup_;
    // A side panel's picture is not a window: its rectangle goes to the panel.
    struct Placed {
        HWND control;
        SkinKey key;
        bool panelPicture = false;
    } placed[] = {
        {frame_.btnMin, SK_MAINFORM_BUTTON_Min_Pos},
        {frame_.btnHelpContent, SK_MAINFORM_BUTTON_HelpContent_Pos},
        {frame_.btnClose, SK_MAINFORM_BUTTON_Close_Pos},
        {frame_.btnFile, SK_MAINFORM_BUTTON_File_Pos},
        {frame_.btnView, SK_MAINFORM_BUTTON_View_Pos},
        {frame_.btnTools, SK_MAINFORM_BUTTON_Tools_Pos},
        {frame_.btnHelp, SK_MAINFORM_BUTTON_Help_Pos},
        {frame_.btnProgramList, SK_MAINFORM_BUTTON_ProgramList_Pos},
        {frame_.btnStartupItemList, SK_MAINFORM_BUTTON_StartupItems_Pos},
        {frame_.PageControl, SK_MAINFORM_PAGECONTROL_Pos},
        {frame_.tsProgramList, SK_MAINFORM_PAGE1_Pos},
        {p.SizePanelPL, SK_MAINFORM_PAGE1_SizePanel_Pos},
        {p.SizePanelPL, SK_MAINFORM_PAGE1_ImgPanel_Pos, true},
        {p.btnUninstall, SK_MAINFORM_PAGE1_BUTTON_Uninstall_Pos},
        {p.btnShowDetails, SK_MAINFORM_PAGE1_BUTTON_ShowDetails_Pos},
        {p.btnRefresh, SK_MAINFORM_PAGE1_BUTTON_Refresh_Pos},
        {p.grbSearch, SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos},
        {p.lblSearchTitle, SK_MAINFORM_PAGE1_GROUPBOX_LABEL_Title_Pos},
        {p.txtSearchInfo, SK_MAINFORM_PAGE1_GROUPBOX_TEXT_KeyWorld_Pos},
        {p.btnSearch, SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos},
        {p.ckbHidePatch, SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos},
        {p.ckbHideScr, SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos},
        {frame_.tsStartupItems, SK_MAINFORM_PAGE2_Pos},
        {s.SizePanelSI, SK_MAINFORM_PAGE2_SizePanel_Pos},
        {s.SizePanelSI, SK_MAINFORM_PAGE2_ImgPanel_Pos, true},
        {s.grbItemInfo, SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos},
        {s.lblPublisher, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Publisher_Pos},
        {s.lblPublisherValue, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_PublisherValue_Pos},
        {s.lblVersion, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Version_Pos},
        {s.lblVersionValue, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_VersionValue_Pos},
        {s.lblDes, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Des_Pos},
        {s.lblDescription, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos},
        {s.btnSelectAll, SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos},
        {s.btnDelete, SK_MAINFORM_PAGE2_BUTTON_Delete_Pos},
        {s.btnApply, SK_MAINFORM_PAGE2_BUTTON_Apply_Pos},
    };
    auto place = [this](const Placed& item, const std::wstring& rectText) {
        if (!item.panelPicture) return PlaceControl(item.control, rectText, dpi_);
        std::optional<SkinRect> rect = ParseSkinRect(rectText);
        if (!rect) return false;
        const RECT area = ScaleForDpi(RECT{rect->left, rect->top, rect->left + rect->width, rect->top + rect->height}, dpi_);
        return SendMessageW(item.control, SPM_SETPICTURERECT, 0, reinterpret_cast<LPARAM>(&area)) != 0;
    };
    // Every control first takes its designed place, so one the skin does not place is not lost.
    for (const Placed& item : placed) place(item, SkinDefaultText(item.key));
    // A rectangle too short leaves its control; a broken one ends the placing (the window's own
    // too), and what was placed stays.
    for (const Placed& item : placed) {
        const std::wstring& text = SkinText(item.key);
        if (!windowPlaced || ReadSkinRect(text) == SkinRectReading::Broken) break;
        place(item, text);
    }
    // Controls inside a group box sit clear of its left edge, and a label is at least one line of
    // its font tall (the skin's heights are those of the designed font at 96 DPI).
    for (HWND child : {p.lblSearchTitle, p.txtSearchInfo, p.btnSearch, s.lblPublisher, s.lblPublisherValue,
                       s.lblVersion, s.lblVersionValue, s.lblDes, s.lblDescription}) {
        RECT bounds;
        GetWindowRect(child, &bounds);
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&bounds), 2);
        OffsetRect(&bounds, Scaled(6), 0);
        if (child != p.txtSearchInfo && child != p.btnSearch)
            bounds.bottom = std::max<LONG>(bounds.bottom, bounds.top + TextExtent(child, L"Ag").cy);
        MoveWindow(child, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, FALSE);
    }
    // No control reaches beyond its parent: a rectangle that would is cut at the parent's edge.
    for (const Placed& item : placed)
        if (!item.panelPicture) KeepInsideParent(item.control);
    PlaceSideList(0);
    PlaceSideList(1);
    LayoutStatusBar();
}

// Places a page's list and side panel from their skin rectangles for the panel's state.
void TMainForm::PlaceSideList(int page) {
    const bool open = (page == 0 ? sidePanelStatePL_ : sidePanelStateSI_) == 1;
    SkinKey listKey = page == 0 ? (open ? SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos
                                        : SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos)
                                : (open ? SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos
                                        : SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_FullPos);
    const SkinRect panelRect = SkinRectOf(page == 0 ? SK_MAINFORM_PAGE1_SizePanel_Pos : SK_MAINFORM_PAGE2_SizePanel_Pos);
    const SidePanelLayout layout = LayOutSidePanel(panelRect, SkinRectOf(listKey), open);
    HWND panel = page == 0 ? programs_.SizePanelPL : startup_.SizePanelSI;
    MoveTo(panel, ScaledSkinRect(layout.panel, dpi_));
    SendMessageW(panel, SPM_SETFOLDED, open ? 0 : 1, 0);
    MoveTo(page == 0 ? programs_.lsvProgramList : startup_.lsvStartupList, ScaledSkinRect(layout.list, dpi_));
    KeepInsideParent(panel);
    KeepInsideParent(page == 0 ? programs_.lsvProgramList : startup_.lsvStartupList);
}

void TMainForm::LayoutStatusBar() {
    RECT client;
    GetClientRect(hwnd_, &client);
    const int top = Scaled(kStatusTop), margin = Scaled(kStatusMargin);
    const int height = client.bottom - top - Scaled(4);
    // Programs and counts always take their room; the program's key only while it is shown.
    const StatusBarControls& s = status_;
    std::vector<HWND> labels = {s.lblPrograms, s.lblProgramCounts, s.lblRegName, s.lblRegistryName};
    const int gaps[] = {0, Scaled(5), Scaled(10), Scaled(5)};
    std::vector<RowLabel> row;
    for (size_t i = 0; i < labels.size(); ++i) {
        const bool placed = i < 2 || IsWindowVisible(labels[i]);
        row.push_back({TextWidth(labels[i], WindowText(labels[i])) + Scaled(2), gaps[i], placed});
    }
    const RowLayout layout = LayOutRow(margin, top, height, row);
    for (size_t i = 0; i < labels.size(); ++i)
        if (row[i].placed) MoveTo(labels[i], layout.labels[i]);
    MoveTo(s.lblProgramURL, RestOfRow(layout.end + Scaled(10), top, height, client.right, margin));
}

void TMainForm::ApplyMainFormTexts() {
    const std::pair<HWND, TextKey> texts[] = {
        {frame_.btnFile, IDS_MAINFORM_MENU_File},
        {frame_.btnView, IDS_MAINFORM_MENU_View},
        {frame_.btnTools, IDS_MAINFORM_MENU_Tools},
        {frame_.btnHelp, IDS_MAINFORM_MENU_Help},
        {programs_.grbSearch, IDS_SIDEBAR_GROUPBOX_TITLE_Search},
        {programs_.lblSearchTitle, IDS_SIDEBAR_GROUPBOX_LABEL_Info},
        {status_.lblPrograms, IDS_STATUSBAR_LABEL_Programs},
        {status_.lblRegName, IDS_STATUSBAR_LABEL_RegistryName},
        {startup_.grbItemInfo, IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo},
        {startup_.lblPublisher, IDS_SIDEBAR_GROUPBOX_LABEL_Publisher},
        {startup_.lblVersion, IDS_SIDEBAR_GROUPBOX_LABEL_Version},
        {startup_.lblDes, IDS_SIDEBAR_GROUPBOX_LABEL_Description},
        // The title buttons show glyphs; their names are for screen readers.
        {frame_.btnMin, IDS_MAINFORM_BUTTON_Minimize},
        {frame_.btnHelpContent, IDS_MAINFORM_MENU_HELP_HelpContent},
        {frame_.btnClose, IDS_MAINFORM_MENU_FILE_Exit},
    };
    for (const auto& [control, key] : texts) SetText(control, LangText(key));
    const std::tuple<HWND, int, TextKey> columns[] = {
        {programs_.lsvProgramList, 0, IDS_LISTVIEW_COLUMNS_Descriptions},
        {programs_.lsvProgramList, 1, IDS_LISTVIEW_COLUMNS_Publisher},
        {programs_.lsvProgramList, 2, IDS_LISTVIEW_COLUMNS_Directory},
        {startup_.lsvStartupList, 0, IDS_LISTVIEW_COLUMNS_StatrupItem},
        {startup_.lsvStartupList, 1, IDS_LISTVIEW_COLUMNS_Command},
        {startup_.lsvStartupList, 2, IDS_LISTVIEW_COLUMNS_Location},
        {startup_.lsvStartupList, 3, IDS_LISTVIEW_COLUMNS_DisabledBy},
    };
    for (const auto& [list, column, key] : columns) SetListColumnText(list, column, LangText(key));
    SetTooltip(frame_.btnProgramList, LangText(IDS_PAGECONTROL_TABSHEETPL_Title));
    SetTooltip(frame_.btnStartupItemList, LangText(IDS_PAGECONTROL_TABSHEETSIL_Title));
    // Menu items and command controls take their texts from the command table.
    UpdateCommands();
    LayoutStatusBar();
}

namespace {

// A premultiplied skin picture at its own size.
void DrawSkinPicture(HDC dc, HBITMAP picture, int left, int top) {
    BITMAP info{};
    if (!GetObjectW(picture, sizeof info, &info)) return;
    UniqueDc memory(CreateCompatibleDC(dc));
    SelectedObject pictureIn(memory.get(), picture);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, left, top, info.bmWidth, info.bmHeight, memory.get(), 0, 0, info.bmWidth, info.bmHeight, blend);
}

}  // namespace

void TMainForm::PaintBackground(HDC dc) {
    if (HBITMAP background = pictures_.Find(SK_MAINFORM_PicBackGround)) {
        DrawSkinPicture(dc, background, 0, 0);
        if (HBITMAP title = pictures_.Find(kTitlePictureFile))
            DrawSkinPicture(dc, title, Scaled(kTitleLeft), Scaled(kTitleTop));
        return;
    }
    RECT client;
    GetClientRect(hwnd_, &client);
    TRIVERTEX vertices[2] = {
        {0, 0, static_cast<COLOR16>(GetRValue(kHeaderTop) << 8), static_cast<COLOR16>(GetGValue(kHeaderTop) << 8),
         static_cast<COLOR16>(GetBValue(kHeaderTop) << 8), 0},
        {client.right, Scaled(112), static_cast<COLOR16>(GetRValue(kHeaderBottom) << 8),
         static_cast<COLOR16>(GetGValue(kHeaderBottom) << 8), static_cast<COLOR16>(GetBValue(kHeaderBottom) << 8), 0},
    };
    GRADIENT_RECT gradient{0, 1};
    GradientFill(dc, vertices, 2, &gradient, 1, GRADIENT_FILL_RECT_V);
    RECT body{0, Scaled(112), client.right, Scaled(kStatusTop)};
    UniqueBrush bodyBrush(CreateSolidBrush(kBodyColour));
    FillRect(dc, &body, bodyBrush.get());
    RECT status{0, Scaled(kStatusTop), client.right, client.bottom};
    FillRect(dc, &status, statusBrush_.get());

    // Title area: the product name where the skin's title picture would be.
    LOGFONTW title{};
    title.lfHeight = -Scaled(26);
    title.lfWeight = FW_BOLD;
    lstrcpyW(title.lfFaceName, L"Tahoma");
    UniqueFont titleFont(CreateFontIndirectW(&title));
    SetBkMode(dc, TRANSPARENT);
    {
        SelectedObject titleIn(dc, titleFont.get());
        SetTextColor(dc, RGB(255, 255, 255));
        RECT name = ScaleForDpi(RECT{22, 14, 320, 50}, dpi_);
        DrawTextW(dc, kAppTitle, -1, &name, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
    }
    SelectedObject textIn(dc, font_.get());
    SetTextColor(dc, RGB(190, 210, 235));
    RECT tagline = ScaleForDpi(RECT{24, 48, 330, 70}, dpi_);
    DrawTextW(dc, L"Uninstall manager", -1, &tagline, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
}

}  // namespace purgeon
