// The widget set in real windows under the test display: messages in, notifications and pixels out.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/handles.h"
#include "skins/multiSkins.h"
#include "ui/widgets/widgets.h"

using namespace purgeon;

namespace {

constexpr wchar_t kHostClass[] = L"PurgeonWidgetTestHost";
// What the host paints behind its controls, so see-through parts can be recognised.
constexpr COLORREF kHostBackground = RGB(0, 0, 255);

struct Notification {
    int id;
    int code;
    HWND from;
};
std::vector<Notification> g_notifications;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        g_notifications.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
        return 0;
    case WM_PRINTCLIENT:
    case WM_PAINT: {
        // A host may be given another colour to paint (as its user data) for the gallery.
        auto colour = static_cast<COLORREF>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        PAINTSTRUCT ps{};
        HDC dc = message == WM_PAINT ? BeginPaint(hwnd, &ps) : reinterpret_cast<HDC>(wParam);
        RECT client;
        GetClientRect(hwnd, &client);
        UniqueBrush brush(CreateSolidBrush(colour ? colour : kHostBackground));
        FillRect(dc, &client, brush.get());
        if (message == WM_PAINT) EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_MEASUREITEM:
        if (MeasureMenuItem(hwnd, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (DrawMenuItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A 32-bit top-down DIB to render into and read back.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<DWORD*>(bits);
        previous_ = SelectObject(dc_.get(), bitmap_.get());
        RECT all{0, 0, width, height};
        FillRect(dc_.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    ~Canvas() { SelectObject(dc_.get(), previous_); }
    HDC dc() const { return dc_.get(); }
    COLORREF At(int x, int y) const {
        GdiFlush();
        DWORD bgr = bits_[y * width_ + x];
        return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
    }
    int Count(COLORREF colour) const {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) n += At(x, y) == colour;
        return n;
    }

private:
    int width_;
    int height_;
    UniqueDc dc_;
    UniqueBitmap bitmap_;
    DWORD* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// What a control paints for its client area right now.
std::unique_ptr<Canvas> Render(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    auto canvas = std::make_unique<Canvas>(client.right, client.bottom);
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->dc()), PRF_CLIENT);
    return canvas;
}

// A solid picture: 24-bit, or 32-bit premultiplied with the given alpha.
UniqueBitmap SolidPicture(COLORREF colour, int bits = 24, BYTE alpha = 255) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = 4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    void* data = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &data, nullptr, 0));
    auto* bytes = static_cast<BYTE*>(data);
    int stride = ((4 * bits / 8) + 3) & ~3;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            BYTE* p = bytes + y * stride + x * bits / 8;
            p[0] = static_cast<BYTE>(GetBValue(colour) * alpha / 255);
            p[1] = static_cast<BYTE>(GetGValue(colour) * alpha / 255);
            p[2] = static_cast<BYTE>(GetRValue(colour) * alpha / 255);
            if (bits == 32) p[3] = alpha;
        }
    return bitmap;
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

bool Near(int a, int b, int tolerance = 3) { return a - b <= tolerance && b - a <= tolerance; }

class WidgetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        RegisterWidgetClasses(instance);
        WNDCLASSEXW host{sizeof(host)};
        host.lpfnWndProc = HostProc;
        host.hInstance = instance;
        host.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        host.lpszClassName = kHostClass;
        RegisterClassExW(&host);
    }
    void SetUp() override {
        g_notifications.clear();
        // Hidden: real mouse input cannot mix with the test's messages, and unmapping a shown
        // window costs Wine seconds on a display without a window manager.
        host_.reset(CreateWindowExW(0, kHostClass, L"widgets", WS_POPUP | WS_CLIPCHILDREN, 20, 20, 640,
                                    480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(host_);
    }
    void TearDown() override { ReleaseCapture(); }
    HWND Button(int id, const std::wstring& caption, const wchar_t* rect) {
        HWND button = CreateArButton(host_.get(), id, caption, GetModuleHandleW(nullptr));
        PlaceControl(button, rect);
        return button;
    }
    static void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    HINSTANCE Instance() const { return GetModuleHandleW(nullptr); }

    UniqueWindow host_;
};

// --- TArButton ---------------------------------------------------------------------------

TEST_F(WidgetTest, ButtonFollowsTheMouseThroughItsStatesAndClicksOnReleaseInside) {
    HWND button = Button(7, L"Uninstall", L"10, 10, 129, 35");
    EXPECT_EQ(ArButtonState(button), ButtonState::Normal);

    SendMessageW(button, WM_MOUSEMOVE, 0, At(20, 10));
    EXPECT_EQ(ArButtonState(button), ButtonState::Hover);
    SendMessageW(button, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(ArButtonState(button), ButtonState::Normal);

    SendMessageW(button, WM_MOUSEMOVE, 0, At(20, 10));
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 10));
    EXPECT_EQ(ArButtonState(button), ButtonState::Down);
    EXPECT_EQ(GetCapture(), button);
    // Dragged off while held: no longer down, and back on: down again.
    SendMessageW(button, WM_MOUSEMOVE, MK_LBUTTON, At(300, 10));
    EXPECT_EQ(ArButtonState(button), ButtonState::Normal);
    SendMessageW(button, WM_MOUSEMOVE, MK_LBUTTON, At(100, 30));
    EXPECT_EQ(ArButtonState(button), ButtonState::Down);
    EXPECT_TRUE(g_notifications.empty());

    SendMessageW(button, WM_LBUTTONUP, 0, At(100, 30));
    EXPECT_EQ(ArButtonState(button), ButtonState::Hover);
    EXPECT_NE(GetCapture(), button);
    ASSERT_EQ(g_notifications.size(), 1u);
    EXPECT_EQ(g_notifications[0].id, 7);
    EXPECT_EQ(g_notifications[0].code, BN_CLICKED);
    EXPECT_EQ(g_notifications[0].from, button);
}

TEST_F(WidgetTest, ButtonReleasedOutsideOrDisabledOrRobbedOfCaptureDoesNotClick) {
    HWND button = Button(8, L"Refresh", L"10, 10, 129, 35");
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 10));
    SendMessageW(button, WM_LBUTTONUP, 0, At(-4, 50));
    EXPECT_EQ(ArButtonState(button), ButtonState::Normal);
    EXPECT_NE(GetCapture(), button);

    // A menu or message box taking the capture ends the press.
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 10));
    SetCapture(host_.get());
    EXPECT_EQ(ArButtonState(button), ButtonState::Normal);
    ReleaseCapture();
    SendMessageW(button, WM_LBUTTONUP, 0, At(20, 10));

    // Disabling a pressed button lets the mouse go.
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 10));
    EnableWindow(button, FALSE);
    EXPECT_EQ(ArButtonState(button), ButtonState::Disabled);
    EXPECT_NE(GetCapture(), button);
    SendMessageW(button, WM_MOUSEMOVE, 0, At(20, 10));
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 10));
    SendMessageW(button, WM_LBUTTONUP, 0, At(20, 10));
    EXPECT_EQ(ArButtonState(button), ButtonState::Disabled);
    EXPECT_TRUE(g_notifications.empty());

    EnableWindow(button, TRUE);
    EXPECT_EQ(ArButtonState(button), ButtonState::Normal);
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 10));
    SendMessageW(button, WM_LBUTTONUP, 0, At(20, 10));
    EXPECT_EQ(g_notifications.size(), 1u);
}

TEST_F(WidgetTest, ButtonPaintsThePictureOfItsStateStretchedOverItself) {
    HWND button = Button(9, L"", L"10, 10, 129, 35");
    const COLORREF colours[4] = {RGB(200, 30, 30), RGB(30, 200, 30), RGB(30, 30, 200), RGB(120, 120, 120)};
    UniqueBitmap pictures[4] = {SolidPicture(colours[0]), SolidPicture(colours[1], 32),
                                   SolidPicture(colours[2]), SolidPicture(colours[3], 32)};
    for (int state = 0; state < 4; ++state)
        EXPECT_TRUE(SendMessageW(button, ARB_SETPICTURE, state, reinterpret_cast<LPARAM>(pictures[state].get())));

    auto expectPainted = [&](ButtonState state) {
        ASSERT_EQ(ArButtonState(button), state);
        auto canvas = Render(button);
        COLORREF want = colours[static_cast<int>(state)];
        EXPECT_EQ(canvas->At(1, 1), want) << static_cast<int>(state);
        EXPECT_EQ(canvas->At(127, 33), want) << static_cast<int>(state);
        EXPECT_EQ(canvas->At(64, 17), want) << static_cast<int>(state);
    };
    expectPainted(ButtonState::Normal);
    SendMessageW(button, WM_MOUSEMOVE, 0, At(20, 10));
    expectPainted(ButtonState::Hover);
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 10));
    expectPainted(ButtonState::Down);
    SendMessageW(button, WM_LBUTTONUP, 0, At(-5, -5));
    EnableWindow(button, FALSE);
    expectPainted(ButtonState::Disabled);
}

TEST_F(WidgetTest, ButtonBlendsATranslucentPictureOverWhatItsParentPaints) {
    HWND button = Button(10, L"", L"10, 10, 40, 20");
    UniqueBitmap half = SolidPicture(RGB(255, 0, 0), 32, 128);
    SendMessageW(button, ARB_SETPICTURE, 0, reinterpret_cast<LPARAM>(half.get()));
    COLORREF mixed = Render(button)->At(20, 10);
    EXPECT_TRUE(Near(GetRValue(mixed), 128)) << GetRValue(mixed);
    EXPECT_TRUE(Near(GetBValue(mixed), 127)) << GetBValue(mixed);
    EXPECT_EQ(GetGValue(mixed), 0);
}

TEST_F(WidgetTest, ButtonWithoutPicturesLooksDifferentInEachStateAndDrawsTitleGlyphs) {
    HWND button = Button(11, L"Show Details", L"10, 10, 129, 35");
    auto face = [&] { return Render(button)->At(8, 17); };  // inside the face, left of the caption
    COLORREF normal = face();
    SendMessageW(button, WM_MOUSEMOVE, 0, At(20, 10));
    COLORREF hover = face();
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 10));
    COLORREF down = face();
    SendMessageW(button, WM_LBUTTONUP, 0, At(-5, -5));
    EnableWindow(button, FALSE);
    COLORREF disabled = face();
    EXPECT_NE(normal, hover);
    EXPECT_NE(hover, down);
    EXPECT_NE(normal, down);
    EXPECT_NE(normal, disabled);
    // Rounded corners show the parent, not a square face.
    EXPECT_EQ(Render(button)->At(0, 0), kHostBackground);

    HWND close = Button(12, L"\u00D7", L"10, 60, 21, 21");
    auto glyph = Render(close);
    EXPECT_EQ(glyph->At(1, 1), kHostBackground);  // the band shows through at rest
    COLORREF middle = glyph->At(10, 10);
    EXPECT_GT(GetRValue(middle) + GetGValue(middle) + GetBValue(middle), 600) << "a light cross on the band";
}

// --- TLinkLabel --------------------------------------------------------------------------

TEST_F(WidgetTest, LinkLabelClicksOnlyWithTextAndShowsTheHandOverIt) {
    HWND label = CreateLinkLabel(host_.get(), 20, Instance());
    PlaceControl(label, L"10, 10, 200, 16");
    auto click = [&] {
        SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
        SendMessageW(label, WM_LBUTTONUP, 0, At(5, 5));
    };
    auto cursorIsHand = [&] {
        LRESULT handled = SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return handled && GetCursor() == LoadCursorW(nullptr, IDC_HAND);
    };
    click();
    EXPECT_TRUE(g_notifications.empty());
    EXPECT_FALSE(cursorIsHand());

    SetWindowTextW(label, L"http://www.example.com/");
    click();
    ASSERT_EQ(g_notifications.size(), 1u);
    EXPECT_EQ(g_notifications[0].id, 20);
    EXPECT_EQ(g_notifications[0].code, STN_CLICKED);
    EXPECT_TRUE(cursorIsHand());

    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageW(label, WM_LBUTTONUP, 0, At(5, 40));
    EXPECT_EQ(g_notifications.size(), 1u) << "released off the label";
}

TEST_F(WidgetTest, LinkLabelMeasuresItsTextInItsFontAndPaintsInTheLinkColours) {
    HWND label = CreateLinkLabel(host_.get(), 21, Instance());
    PlaceControl(label, L"10, 10, 300, 20");
    EXPECT_EQ(LinkLabelTextWidth(label), 0);
    LOGFONTW face{};
    face.lfHeight = -15;
    lstrcpynW(face.lfFaceName, L"Tahoma", LF_FACESIZE);
    UniqueFont font(CreateFontIndirectW(&face));
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    SetWindowTextW(label, L"Programs: 42");
    UniqueDc dc(CreateCompatibleDC(nullptr));
    SelectObject(dc.get(), font.get());
    SIZE expected{};
    GetTextExtentPoint32W(dc.get(), L"Programs: 42", 12, &expected);
    EXPECT_EQ(LinkLabelTextWidth(label), expected.cx);
    EXPECT_EQ(LinkLabelTextWidth(host_.get()), 0) << "not a link label";

    constexpr COLORREF aqua = RGB(0, 255, 255);
    constexpr COLORREF face3d = RGB(212, 208, 200);
    SendMessageW(label, LLM_SETCOLOURS, aqua, face3d);
    auto rest = Render(label);
    EXPECT_GT(rest->Count(aqua), expected.cx / 2) << "the underline at least";
    EXPECT_EQ(rest->Count(face3d), 0);
    EXPECT_EQ(rest->At(299, 0), kHostBackground) << "see-through beside the text";
    SendMessageW(label, WM_MOUSEMOVE, 0, At(3, 3));
    auto hot = Render(label);
    EXPECT_GT(hot->Count(face3d), expected.cx / 2);
    EXPECT_EQ(hot->Count(aqua), 0);
    SendMessageW(label, LLM_SETHINT, 0, reinterpret_cast<LPARAM>(L"Open the web page"));
}

// --- TSizePanel --------------------------------------------------------------------------

TEST_F(WidgetTest, SizePanelNotifiesOnlyForClicksOnItsHotSpot) {
    HWND panel = CreateSizePanel(host_.get(), 30, Instance());
    PlaceControl(panel, L"400, 0, 169, 394");
    RECT spot = SizePanelHotSpot(394);
    EXPECT_GE(spot.left, 0);
    EXPECT_LE(spot.right, 8);
    EXPECT_EQ(spot.top + spot.bottom, 394) << "centred";
    int x = (spot.left + spot.right) / 2;
    int y = (spot.top + spot.bottom) / 2;
    auto click = [&](POINT down, POINT up) {
        SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, At(down.x, down.y));
        SendMessageW(panel, WM_LBUTTONUP, 0, At(up.x, up.y));
    };
    click({x, 10}, {x, 10});                          // on the bar, above the hot spot
    click({80, y}, {80, y});                          // on the panel's body
    click({x, y}, {x, spot.bottom + 20});             // pressed on it, released off it
    EXPECT_TRUE(g_notifications.empty());
    click({x, y}, {x, y});
    ASSERT_EQ(g_notifications.size(), 1u);
    EXPECT_EQ(g_notifications[0].id, 30);
    EXPECT_EQ(g_notifications[0].code, SPN_HOTSPOT);
    EXPECT_NE(GetCapture(), panel);

    // Folding turns the arrow round: the hot spot's pixels change.
    auto open = Render(panel);
    SendMessageW(panel, SPM_SETFOLDED, 1, 0);
    auto folded = Render(panel);
    bool changed = false;
    for (int py = spot.top; py < spot.bottom; ++py)
        for (int px = spot.left; px < spot.right; ++px) changed |= open->At(px, py) != folded->At(px, py);
    EXPECT_TRUE(changed);
}

TEST_F(WidgetTest, SizePanelPassesItsChildrensNotificationsAndBackgroundOn) {
    HWND panel = CreateSizePanel(host_.get(), 31, Instance());
    PlaceControl(panel, L"400, 0, 169, 394");
    HWND button = CreateArButton(panel, 32, L"Apply", Instance());
    PlaceControl(button, L"15, 112, 129, 35");
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    SendMessageW(button, WM_LBUTTONUP, 0, At(10, 10));
    ASSERT_EQ(g_notifications.size(), 1u);
    EXPECT_EQ(g_notifications[0].id, 32);
    EXPECT_EQ(g_notifications[0].from, button);
    // The button's rounded corner shows the panel behind it.
    EXPECT_EQ(Render(button)->At(0, 0), kPanelColour);
}

// --- Owner-drawn menus -------------------------------------------------------------------

class MenuTest : public WidgetTest {
protected:
    enum { kGrid = 101, kTips, kComment, kIcon, kList, kReport };
    void SetUp() override {
        WidgetTest::SetUp();
        menu_.reset(CreatePopupMenu());
        view_ = CreatePopupMenu();
        AppendMenuW(menu_.get(), MF_STRING, kGrid, L"&Grid");
        AppendMenuW(menu_.get(), MF_STRING | MF_CHECKED, kTips, L"Tips");
        AppendMenuW(menu_.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu_.get(), MF_STRING | MF_GRAYED, kComment, L"Comment Entry...");
        AppendMenuW(view_, MF_STRING, kIcon, L"Icon");
        AppendMenuW(view_, MF_STRING, kList, L"List");
        AppendMenuW(view_, MF_STRING | MF_CHECKED, kReport, L"Report");
        AppendMenuW(menu_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(view_), L"View");
        MakeMenuOwnerDrawn(menu_.get());
    }
    MENUITEMINFOW Info(HMENU menu, UINT position) {
        MENUITEMINFOW info{sizeof(info)};
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
        EXPECT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &info));
        return info;
    }
    MEASUREITEMSTRUCT Measure(HMENU menu, UINT id) {
        MEASUREITEMSTRUCT measure{ODT_MENU, 0, id, 0, 0, reinterpret_cast<ULONG_PTR>(menu)};
        EXPECT_TRUE(MeasureMenuItem(host_.get(), &measure));
        return measure;
    }
    UniqueMenu menu_;
    HMENU view_ = nullptr;
};

TEST_F(MenuTest, OwnerDrawnItemsKeepTheirTextsCheckMarksStatesAndSeparators) {
    for (HMENU menu : {menu_.get(), view_})
        for (int i = 0; i < GetMenuItemCount(menu); ++i) EXPECT_TRUE(Info(menu, i).fType & MFT_OWNERDRAW) << i;
    EXPECT_FALSE(Info(menu_.get(), 0).fState & MFS_CHECKED);
    EXPECT_TRUE(Info(menu_.get(), 1).fState & MFS_CHECKED);
    EXPECT_TRUE(Info(menu_.get(), 2).fType & MFT_SEPARATOR);
    EXPECT_TRUE(Info(menu_.get(), 3).fState & MFS_GRAYED);
    EXPECT_EQ(Info(menu_.get(), 4).hSubMenu, view_);
    EXPECT_TRUE(Info(view_, 2).fState & MFS_CHECKED);

    EXPECT_EQ(OwnerDrawnMenuText(menu_.get(), kGrid), L"&Grid");
    EXPECT_EQ(OwnerDrawnMenuText(menu_.get(), kReport), L"Report") << "found in the submenu too";
    wchar_t text[64] = L"";
    GetMenuStringW(menu_.get(), kComment, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"Comment Entry...");
    SetOwnerDrawnMenuText(menu_.get(), kTips, L"Info-Tipps");
    EXPECT_EQ(OwnerDrawnMenuText(menu_.get(), kTips), L"Info-Tipps");
    EXPECT_TRUE(Info(menu_.get(), 1).fType & MFT_OWNERDRAW) << "still owner-drawn after a new text";
    EXPECT_TRUE(Info(menu_.get(), 1).fState & MFS_CHECKED);

    // Check marks set later by the window are the system's, as for any menu.
    CheckMenuRadioItem(view_, kIcon, kReport, kIcon, MF_BYCOMMAND);
    EXPECT_TRUE(Info(view_, 0).fState & MFS_CHECKED);
}

TEST_F(MenuTest, MeasuresItsOwnItemsInTheMenuFontAndNothingElse) {
    MEASUREITEMSTRUCT grid = Measure(menu_.get(), kGrid);
    MEASUREITEMSTRUCT comment = Measure(menu_.get(), kComment);
    MEASUREITEMSTRUCT separator = Measure(menu_.get(), 0);
    MEASUREITEMSTRUCT view = Measure(menu_.get(), static_cast<UINT>(reinterpret_cast<UINT_PTR>(view_)));
    EXPECT_GT(comment.itemWidth, grid.itemWidth);
    EXPECT_GE(grid.itemHeight, 20u);
    EXPECT_LT(separator.itemHeight, grid.itemHeight);
    EXPECT_GT(view.itemWidth, 0u);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    UniqueFont menuFont(CreateFontIndirectW(&metrics.lfMenuFont));
    UniqueDc dc(CreateCompatibleDC(nullptr));
    SelectObject(dc.get(), menuFont.get());
    SIZE text{};
    GetTextExtentPoint32W(dc.get(), L"Comment Entry...", 16, &text);
    EXPECT_GT(static_cast<int>(comment.itemWidth), text.cx + 20) << "text plus check column";
    EXPECT_LT(static_cast<int>(comment.itemWidth), text.cx + 120);

    MEASUREITEMSTRUCT button{ODT_BUTTON, 5, kGrid, 0, 0, reinterpret_cast<ULONG_PTR>(menu_.get())};
    EXPECT_FALSE(MeasureMenuItem(host_.get(), &button));
    UniqueMenu plain(CreatePopupMenu());
    AppendMenuW(plain.get(), MF_STRING, kGrid, L"Grid");
    MEASUREITEMSTRUCT foreign{ODT_MENU, 0, kGrid, 0, 0, reinterpret_cast<ULONG_PTR>(plain.get())};
    EXPECT_FALSE(MeasureMenuItem(host_.get(), &foreign)) << "a menu not made owner-drawn by us";
}

TEST_F(MenuTest, DrawsCheckMarksSelectionAndNothingForOtherControls) {
    auto draw = [&](HMENU menu, UINT id, UINT state) {
        auto canvas = std::make_unique<Canvas>(160, 24);
        DRAWITEMSTRUCT item{ODT_MENU, 0, id, ODA_DRAWENTIRE, state, reinterpret_cast<HWND>(menu), canvas->dc(),
                            RECT{0, 0, 160, 24}, reinterpret_cast<ULONG_PTR>(menu)};
        EXPECT_TRUE(DrawMenuItem(&item));
        return canvas;
    };
    auto checked = draw(menu_.get(), kTips, ODS_CHECKED);
    auto unchecked = draw(menu_.get(), kGrid, 0);
    EXPECT_GT(checked->Count(kAccentColour), 5) << "the tick";
    EXPECT_EQ(unchecked->Count(kAccentColour), 0);
    EXPECT_EQ(unchecked->At(150, 2), kMenuColour);
    auto selected = draw(menu_.get(), kGrid, ODS_SELECTED);
    EXPECT_NE(selected->At(150, 12), kMenuColour);
    auto grey = draw(menu_.get(), kComment, ODS_GRAYED);
    auto separator = draw(menu_.get(), 0, 0);
    EXPECT_NE(separator->At(80, 12), kMenuColour) << "the separator line";

    Canvas canvas(10, 10);
    DRAWITEMSTRUCT button{ODT_BUTTON, 5, kGrid, ODA_DRAWENTIRE, 0, host_.get(), canvas.dc(), RECT{0, 0, 10, 10}, 0};
    EXPECT_FALSE(DrawMenuItem(&button));
}

// --- Framed list view --------------------------------------------------------------------

TEST_F(WidgetTest, FramedListViewIsAFullRowReportWhoseFrameFollowsIt) {
    HWND list = CreateFramedListView(host_.get(), 40, LVS_SINGLESEL, Instance());
    ASSERT_TRUE(list);
    EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & LVS_SINGLESEL);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT);
    auto frame = [&](int width, int height) {
        Canvas canvas(width, height);
        SendMessageW(list, WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()),
                     PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
        EXPECT_EQ(canvas.At(0, 0), kFrameColour);
        EXPECT_EQ(canvas.At(width - 1, height / 2), kFrameColour);
        EXPECT_EQ(canvas.At(width / 2, height - 1), kFrameColour);
        EXPECT_NE(canvas.At(width / 2, height / 2), kFrameColour);
    };
    PlaceControl(list, L"0, 0, 200, 100");
    frame(200, 100);
    PlaceControl(list, L"10, 10, 320, 180");
    frame(320, 180);
}

// Not a check: shows every widget in every state for a person to look at. Run with
// --gtest_also_run_disabled_tests --gtest_filter=*Gallery*; PURGEON_GALLERY_SECONDS keeps it open.
TEST_F(WidgetTest, DISABLED_Gallery) {
    HWND host = host_.get();
    MoveWindow(host, 20, 20, 760, 520, TRUE);
    ShowWindow(host, SW_SHOW);
    struct Style {
        const wchar_t* caption;
        int width, height;
    };
    const Style styles[] = {{L"Uninstall", 129, 35}, {L"File", 106, 46}, {L"\u2013", 21, 21},
                            {L"?", 21, 21}, {L"\u00D7", 21, 21}};
    // Each style on the colour it will sit on: side buttons on the panel, title buttons on the band.
    SetWindowLongPtrW(host, GWLP_USERDATA, static_cast<LONG_PTR>(kPanelColour));
    Canvas sheet(560, 300);
    RECT band{0, 0, 560, 300};
    UniqueBrush panelBrush(CreateSolidBrush(kPanelColour));
    FillRect(sheet.dc(), &band, panelBrush.get());
    int y = 10;
    for (const Style& style : styles) {
        bool onBand = style.width == 21;
        UniqueWindow stage(CreateWindowExW(0, kHostClass, L"", WS_CHILD, 0, 0, 200, 60, host, nullptr, Instance(),
                                           nullptr));
        SetWindowLongPtrW(stage.get(), GWLP_USERDATA, static_cast<LONG_PTR>(onBand ? kTitleBandColour : kPanelColour));
        HWND probe = CreateArButton(stage.get(), 99, style.caption, Instance());
        MoveWindow(probe, 0, 0, style.width, style.height, FALSE);
        for (int state = 0; state < 4; ++state) {
            if (state == 1) SendMessageW(probe, WM_MOUSEMOVE, 0, At(2, 2));
            if (state == 2) SendMessageW(probe, WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
            if (state == 3) {
                SendMessageW(probe, WM_LBUTTONUP, 0, At(-9, -9));
                EnableWindow(probe, FALSE);
            }
            auto shot = Render(probe);
            int left = 10 + state * 140;
            if (onBand) {
                RECT under{left - 6, y - 6, left + style.width + 6, y + style.height + 6};
                UniqueBrush bandBrush(CreateSolidBrush(kTitleBandColour));
                FillRect(sheet.dc(), &under, bandBrush.get());
            }
            BitBlt(sheet.dc(), left, y, style.width, style.height, shot->dc(), 0, 0, SRCCOPY);
        }
        y += style.height + (onBand ? 14 : 10);
    }
    UniqueMenu menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, 1, L"&Grid");
    AppendMenuW(menu.get(), MF_STRING | MF_CHECKED, 2, L"Tips");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING | MF_GRAYED, 3, L"Comment Entry...");
    AppendMenuW(menu.get(), MF_STRING, 4, L"Refresh\tF5");
    HMENU languages = CreatePopupMenu();
    AppendMenuW(languages, MF_STRING | MF_CHECKED, 5, L"English");
    AppendMenuW(languages, MF_STRING, 6, L"Deutsch");
    AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(languages), L"Languages");
    MakeMenuOwnerDrawn(menu.get());
    const UINT states[] = {0, ODS_CHECKED | ODS_SELECTED, 0, ODS_GRAYED, 0};
    const UINT ids[] = {1, 2, 0, 3, 4};
    for (int i = 0; i < 5; ++i) {
        MEASUREITEMSTRUCT measure{ODT_MENU, 0, ids[i], 0, 0, reinterpret_cast<ULONG_PTR>(menu.get())};
        MeasureMenuItem(host, &measure);
        static int top = 200;
        DRAWITEMSTRUCT item{ODT_MENU, 0, ids[i], ODA_DRAWENTIRE, states[i], reinterpret_cast<HWND>(menu.get()),
                            sheet.dc(), RECT{10, top, 10 + static_cast<int>(measure.itemWidth), top + static_cast<int>(measure.itemHeight)},
                            reinterpret_cast<ULONG_PTR>(menu.get())};
        DrawMenuItem(&item);
        top += static_cast<int>(measure.itemHeight);
    }

    // The sheet as a picture on a live button-sized control, beside live widgets.
    HWND sheetView = CreateArButton(host, 98, L"", Instance());
    MoveWindow(sheetView, 0, 0, 560, 300, FALSE);
    UniqueBitmap sheetBitmap(CreateCompatibleBitmap(sheet.dc(), 560, 300));
    {
        UniqueDc copy(CreateCompatibleDC(sheet.dc()));
        SelectedObject in(copy.get(), sheetBitmap.get());
        BitBlt(copy.get(), 0, 0, 560, 300, sheet.dc(), 0, 0, SRCCOPY);
    }
    for (int state = 0; state < 4; ++state)
        SendMessageW(sheetView, ARB_SETPICTURE, state, reinterpret_cast<LPARAM>(sheetBitmap.get()));

    HWND panel = CreateSizePanel(host, 50, Instance());
    PlaceControl(panel, L"580, 0, 169, 394");
    HWND inPanel = CreateArButton(panel, 51, L"Show Details", Instance());
    PlaceControl(inPanel, L"15, 16, 129, 35");
    HWND folded = CreateSizePanel(host, 52, Instance());
    PlaceControl(folded, L"560, 0, 12, 394");
    SendMessageW(folded, SPM_SETFOLDED, 1, 0);
    HWND list = CreateFramedListView(host, 53, 0, Instance());
    PlaceControl(list, L"10, 310, 360, 120");
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    LVCOLUMNW column{LVCF_TEXT | LVCF_WIDTH, 0, 200, const_cast<wchar_t*>(L"Program")};
    ListView_InsertColumn(list, 0, &column);
    for (const wchar_t* name : {L"Alpha Editor", L"Beta Player", L"Gamma Tools"}) {
        LVITEMW row{LVIF_TEXT, 0x7fff, 0};
        row.pszText = const_cast<wchar_t*>(name);
        ListView_InsertItem(list, &row);
    }
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    // The status bar is dark: the aqua link of the main window sits on it.
    HWND status = CreateWindowExW(0, kHostClass, L"", WS_CHILD | WS_VISIBLE, 0, 440, 760, 30, host, nullptr,
                                  Instance(), nullptr);
    SetWindowLongPtrW(status, GWLP_USERDATA, static_cast<LONG_PTR>(RGB(40, 44, 52)));
    HWND link = CreateLinkLabel(host, 54, Instance());
    PlaceControl(link, L"400, 330, 170, 16");
    SetWindowTextW(link, L"www.example.com");
    HWND hotLink = CreateLinkLabel(host, 56, Instance());
    PlaceControl(hotLink, L"400, 350, 170, 16");
    SetWindowTextW(hotLink, L"www.example.com (hover)");
    SendMessageW(hotLink, WM_MOUSEMOVE, 0, At(2, 2));
    HWND aqua = CreateLinkLabel(status, 55, Instance());
    PlaceControl(aqua, L"10, 7, 300, 16");
    SetWindowTextW(aqua, L"HKLM\\...\\Uninstall\\Alpha");
    SendMessageW(aqua, LLM_SETCOLOURS, RGB(0, 255, 255), GetSysColor(COLOR_BTNFACE));
    InvalidateRect(host, nullptr, TRUE);
    UpdateWindow(host);

    const char* seconds = std::getenv("PURGEON_GALLERY_SECONDS");
    DWORD until = GetTickCount() + (seconds ? static_cast<DWORD>(std::atoi(seconds)) * 1000 : 500);
    while (GetTickCount() < until) {
        Pump();
        Sleep(20);
    }
}

}  // namespace
