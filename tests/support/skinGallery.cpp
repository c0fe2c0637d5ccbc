#include "tests/support/skinGallery.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "common/funUtils.h"
#include "i18n/multiLangs.h"
#include "ui/widgets/widgetWindow.h"
#include "ui/widgets/widgets.h"

namespace purgeon::test {

namespace {

constexpr wchar_t kGalleryClass[] = L"PurgeonSkinGallery";

// What a gallery window paints: a fill, then pictures (whole or a part of one) into rectangles,
// then texts. Its children see the same through WM_PRINTCLIENT.
struct Painter {
    COLORREF fill = kPanelColour;
    struct Blit {
        RECT target;
        HBITMAP picture;
        RECT source;  // empty: the whole picture
    };
    std::vector<Blit> blits;
    struct Text {
        RECT where;
        std::wstring text;
    };
    std::vector<Text> texts;
    HFONT font = nullptr;

    void Paint(HDC dc, HWND window) const {
        RECT client;
        GetClientRect(window, &client);
        widgets_detail::FillSolid(dc, client, fill);
        for (const Blit& blit : blits) {
            if (IsRectEmpty(&blit.source)) {
                widgets_detail::DrawPicture(dc, blit.picture, blit.target);
                continue;
            }
            UniqueDc source(CreateCompatibleDC(dc));
            SelectedObject in(source.get(), blit.picture);
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            AlphaBlend(dc, blit.target.left, blit.target.top, blit.target.right - blit.target.left,
                       blit.target.bottom - blit.target.top, source.get(), blit.source.left, blit.source.top,
                       blit.source.right - blit.source.left, blit.source.bottom - blit.source.top, blend);
        }
        SelectedObject fontIn(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kTextColour);
        for (const Text& text : texts) {
            RECT where = text.where;
            DrawTextW(dc, text.text.c_str(), -1, &where, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
    }
};

LRESULT CALLBACK GalleryProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* painter = reinterpret_cast<Painter*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintSession paint(hwnd);
        if (painter) painter->Paint(paint.dc(), hwnd);
        return 0;
    }
    case WM_PRINTCLIENT:
        if (painter) painter->Paint(reinterpret_cast<HDC>(wParam), hwnd);
        return 0;
    case WM_NCDESTROY:
        delete painter;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MakeGalleryWindow(HWND parent, DWORD style, Painter* painter) {
    static bool registered = [] {
        WNDCLASSEXW windowClass{sizeof(windowClass)};
        windowClass.lpfnWndProc = GalleryProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kGalleryClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
    HWND window = CreateWindowExW(0, kGalleryClass, L"Purgeon", style | WS_CLIPCHILDREN, 0, 0, 10, 10, parent, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(painter));
    else delete painter;
    return window;
}

RECT RectOf(SkinKey key) {
    std::optional<SkinRect> rect = ParseSkinRect(SkinText(key));
    if (!rect) return RECT{};
    return RECT{rect->left, rect->top, rect->left + rect->width, rect->top + rect->height};
}

// The caption each button carries in the main window.
std::wstring CaptionOf(MainFormButton button) {
    switch (button) {
    case MainFormButton::Min: return L"\u2013";
    case MainFormButton::HelpContent: return L"?";
    case MainFormButton::Close: return L"\u00d7";
    case MainFormButton::File: return LangText(IDS_MAINFORM_MENU_File);
    case MainFormButton::View: return LangText(IDS_MAINFORM_MENU_View);
    case MainFormButton::Tools: return LangText(IDS_MAINFORM_MENU_Tools);
    case MainFormButton::Help: return LangText(IDS_MAINFORM_MENU_Help);
    case MainFormButton::ProgramList: return LangText(IDS_PAGECONTROL_TABSHEETPL_Title);
    case MainFormButton::StartupItems: return LangText(IDS_PAGECONTROL_TABSHEETSIL_Title);
    case MainFormButton::Uninstall: return LangText(IDS_SIDEBAR_BUTTON_Uninstall);
    case MainFormButton::ShowDetails: return LangText(IDS_SIDEBAR_BUTTON_SHOWDETAILS);
    case MainFormButton::Refresh: return LangText(IDS_SIDEBAR_BUTTON_Refresh);
    case MainFormButton::Search: return LangText(IDS_SIDEBAR_GROUPBOX_BUTTON_Search);
    case MainFormButton::SelectAll: return LangText(IDS_SIDEBAR_BUTTON_UnSelectAll);
    case MainFormButton::Delete: return LangText(IDS_SIDEBAR_BUTTON_Delete);
    case MainFormButton::Apply: return LangText(IDS_SIDEBAR_BUTTON_Apply);
    }
    return L"";
}

bool OnSidePanel(MainFormButton button) { return static_cast<int>(button) >= static_cast<int>(MainFormButton::Uninstall); }

// Where a side-panel button lies in its panel: the search button inside the search box.
RECT PanelRectOf(MainFormButton button) {
    RECT rect = RectOf(MainFormButtonKeys(button).pos);
    if (button == MainFormButton::Search) {
        RECT box = RectOf(SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos);
        OffsetRect(&rect, box.left + 6, box.top);
    }
    return rect;
}

HFONT MessageFont() {
    static UniqueFont font = [] {
        NONCLIENTMETRICSW metrics{sizeof(metrics)};
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
    }();
    return font.get();
}

HWND MakeButton(HWND parent, MainFormButton which, const RECT& where) {
    HWND button = CreateArButton(parent, 100 + static_cast<int>(which), CaptionOf(which), GetModuleHandleW(nullptr));
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont()), FALSE);
    MoveWindow(button, where.left, where.top, where.right - where.left, where.bottom - where.top, FALSE);
    return button;
}

}  // namespace

SkinGallery::SkinGallery(const std::wstring& skinDir) : pictures_(LoadMainFormPictures(skinDir)) {
    RegisterWidgetClasses(GetModuleHandleW(nullptr));
    HBITMAP background = pictures_.Find(SK_MAINFORM_PicBackGround);
    HBITMAP title = pictures_.Find(kTitlePictureFile);
    HBITMAP panelPicture = pictures_.Find(SK_MAINFORM_PAGE1_ImgPanel_Pic);

    // The stand-in for the main window.
    auto* painter = new Painter;
    painter->fill = kTitleBandColour;
    RECT whole = RectOf(SK_MAINFORM_Pos);
    OffsetRect(&whole, -whole.left, -whole.top);
    if (background) painter->blits.push_back({whole, background, {}});
    if (title) painter->blits.push_back({RECT{313, 21, 313 + 291, 21 + 19}, title, {}});
    window_.reset(MakeGalleryWindow(nullptr, WS_POPUP, painter));
    PlaceControl(window_.get(), SkinText(SK_MAINFORM_Pos));
    for (int i = 0; i <= static_cast<int>(MainFormButton::StartupItems); ++i) {
        auto which = static_cast<MainFormButton>(i);
        targets_.buttons[i] = MakeButton(window_.get(), which, RectOf(MainFormButtonKeys(which).pos));
    }

    // The program page: its list and side panel.
    RECT pageRect = RectOf(SK_MAINFORM_PAGECONTROL_Pos);
    RECT page1 = RectOf(SK_MAINFORM_PAGE1_Pos);
    OffsetRect(&page1, pageRect.left, pageRect.top);
    HWND page = MakeGalleryWindow(window_.get(), WS_CHILD | WS_VISIBLE, new Painter);
    MoveWindow(page, page1.left, page1.top, page1.right - page1.left, page1.bottom - page1.top, FALSE);
    RECT panelRect = RectOf(SK_MAINFORM_PAGE1_SizePanel_Pos);
    RECT listRect = RectOf(SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos);
    HWND list = CreateFramedListView(page, 300, LVS_REPORT | LVS_SINGLESEL, GetModuleHandleW(nullptr));
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont()), FALSE);
    MoveWindow(list, listRect.left, listRect.top, std::min(listRect.right, panelRect.left) - listRect.left,
               listRect.bottom - listRect.top, FALSE);
    const std::wstring headers[] = {LangText(IDS_LISTVIEW_COLUMNS_Descriptions), LangText(IDS_LISTVIEW_COLUMNS_Publisher),
                                    LangText(IDS_LISTVIEW_COLUMNS_Directory)};
    for (int column = 0; column < 3; ++column) {
        LVCOLUMNW info{LVCF_TEXT | LVCF_WIDTH};
        info.cx = column == 1 ? 160 : 200;
        info.pszText = const_cast<wchar_t*>(headers[column].c_str());
        ListView_InsertColumn(list, column, &info);
    }
    const wchar_t* rows[][3] = {{L"PixelForge Studio 3", L"Northwind Imaging", L"C:\\Program Files\\Northwind Imaging"},
                                {L"TuneCrate Player", L"Harbor Audio Labs", L"C:\\Program Files\\Harbor Audio Labs"},
                                {L"QuickZip Archiver", L"Meridian Tools", L"C:\\Program Files\\Meridian Tools"}};
    for (int row = 0; row < 3; ++row) {
        LVITEMW item{LVIF_TEXT, row};
        item.pszText = const_cast<wchar_t*>(rows[row][0]);
        ListView_InsertItem(list, &item);
        for (int column = 1; column < 3; ++column) ListView_SetItemText(list, row, column, const_cast<wchar_t*>(rows[row][column]));
    }
    targets_.sizePanelPL = CreateSizePanel(page, 301, GetModuleHandleW(nullptr));
    MoveWindow(targets_.sizePanelPL, panelRect.left, panelRect.top, panelRect.right - panelRect.left,
               panelRect.bottom - panelRect.top, FALSE);
    for (MainFormButton which : {MainFormButton::Uninstall, MainFormButton::ShowDetails, MainFormButton::Refresh,
                                 MainFormButton::Search})
        targets_.buttons[static_cast<int>(which)] = MakeButton(targets_.sizePanelPL, which, PanelRectOf(which));
    ApplyMainFormPictures(targets_, pictures_);
    if (background) SetWindowRgn(window_.get(), PictureShapeRegion(background).release(), FALSE);
    // As the window starts: the program page in front, nothing selected yet.
    EnableWindow(button(MainFormButton::ProgramList), FALSE);
    EnableWindow(button(MainFormButton::Uninstall), FALSE);
    EnableWindow(button(MainFormButton::ShowDetails), FALSE);

    // The sheet: a row per button, a column per state, each on the art it sits on in the window.
    auto* sheet = new Painter;
    sheet->font = MessageFont();
    const int rowHeight = 52, labelWidth = 110, columnWidth = 176;
    const wchar_t* stateNames[] = {L"Normal", L"Hover", L"Down", L"Disabled"};
    for (int state = 0; state < 4; ++state)
        sheet->texts.push_back({RECT{labelWidth + state * columnWidth, 4, labelWidth + (state + 1) * columnWidth, 24},
                                stateNames[state]});
    for (int i = 0; i < kMainFormButtonCount; ++i) {
        auto which = static_cast<MainFormButton>(i);
        RECT art = OnSidePanel(which) ? PanelRectOf(which) : RectOf(MainFormButtonKeys(which).pos);
        const int width = art.right - art.left, height = art.bottom - art.top;
        const int top = 28 + i * rowHeight + (rowHeight - height) / 2;
        std::wstring name = ExtractFileName(SkinText(MainFormButtonKeys(which).pictures[0]));
        sheet->texts.push_back({RECT{8, 28 + i * rowHeight, labelWidth, 28 + (i + 1) * rowHeight},
                                name.substr(0, name.find(L'_'))});
        for (int state = 0; state < 4; ++state) {
            RECT cell{labelWidth + state * columnWidth, top, labelWidth + state * columnWidth + width, top + height};
            HBITMAP under = OnSidePanel(which) ? panelPicture : background;
            RECT source = art;
            if (OnSidePanel(which)) OffsetRect(&source, -8, 0);  // the panel picture starts after its size bar
            if (under) sheet->blits.push_back({cell, under, source});
        }
    }
    states_.reset(MakeGalleryWindow(nullptr, WS_POPUP, sheet));
    MoveWindow(states_.get(), 0, 0, labelWidth + 4 * columnWidth, 28 + kMainFormButtonCount * rowHeight + 8, FALSE);
    for (int i = 0; i < kMainFormButtonCount; ++i) {
        auto which = static_cast<MainFormButton>(i);
        RECT art = OnSidePanel(which) ? PanelRectOf(which) : RectOf(MainFormButtonKeys(which).pos);
        const int width = art.right - art.left, height = art.bottom - art.top;
        const int top = 28 + i * rowHeight + (rowHeight - height) / 2;
        ButtonSkinKeys keys = MainFormButtonKeys(which);
        for (int state = 0; state < 4; ++state) {
            RECT cell{labelWidth + state * columnWidth, top, labelWidth + state * columnWidth + width, top + height};
            HWND shown = MakeButton(states_.get(), which, cell);
            // Every state of this cell shows the column's picture; the disabled column is disabled
            // for real, so its caption is drawn as a disabled button draws it.
            HBITMAP picture = pictures_.Load(keys.pictures[state]);
            for (int s = 0; s < 4; ++s) SendMessageW(shown, ARB_SETPICTURE, s, reinterpret_cast<LPARAM>(picture));
            if (state == static_cast<int>(ButtonState::Disabled)) EnableWindow(shown, FALSE);
        }
    }
}

SkinGallery::~SkinGallery() = default;

COLORREF SkinGallery::ScreenPixel(int x, int y) const {
    POINT point{x, y};
    ClientToScreen(window_.get(), &point);
    WindowDc screen(nullptr);
    return GetPixel(screen.get(), point.x, point.y);
}

}  // namespace purgeon::test
