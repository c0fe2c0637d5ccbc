#include "ui/widgets/widgets.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "ui/widgets/widgetWindow.h"

namespace purgeon {

namespace widgets_detail {

void NotifyParent(HWND control, WORD code) {
    HWND parent = GetParent(control);
    if (!parent) return;
    auto id = static_cast<WORD>(GetDlgCtrlID(control));
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

std::optional<LRESULT> FontMessage(HWND hwnd, HFONT& font, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(font);
    if (message != WM_SETFONT) return std::nullopt;
    font = reinterpret_cast<HFONT>(wParam);
    if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, FALSE);
    return 0;
}

BufferedPaint::BufferedPaint(HDC target, const RECT& area) : target_(target), area_(area) {
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    UniqueDc memory(CreateCompatibleDC(target));
    UniqueBitmap bitmap(CreateCompatibleBitmap(target, width, height));
    if (!memory || !bitmap) return;
    previous_ = SelectObject(memory.get(), bitmap.get());
    SetViewportOrgEx(memory.get(), -area.left, -area.top, nullptr);
    memory_ = std::move(memory);
    bitmap_ = std::move(bitmap);
}

BufferedPaint::~BufferedPaint() {
    if (!memory_) return;
    SetViewportOrgEx(memory_.get(), 0, 0, nullptr);
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, memory_.get(), 0, 0,
           SRCCOPY);
    SelectObject(memory_.get(), previous_);
}

void FillSolid(HDC dc, const RECT& area, COLORREF colour) {
    COLORREF old = SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void PaintParentBackground(HWND control, HDC dc, COLORREF fallback) {
    RECT client;
    GetClientRect(control, &client);
    FillSolid(dc, client, fallback);
    HWND parent = GetParent(control);
    if (!parent) return;
    POINT origin{0, 0};
    MapWindowPoints(control, parent, &origin, 1);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
    POINT oldOrigin;
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, &oldOrigin);
    // A parent that paints itself answers WM_PRINTCLIENT; one with a class brush erases.
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
}

COLORREF Blend(COLORREF a, COLORREF b, int percentOfB) {
    auto mix = [percentOfB](int x, int y) { return (x * (100 - percentOfB) + y * percentOfB) / 100; };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

void FillRoundedGradient(HDC dc, const RECT& area, int radius, COLORREF top, COLORREF bottom, COLORREF border) {
    int saved = SaveDC(dc);
    UniqueRegion region(CreateRoundRectRgn(area.left, area.top, area.right + 1, area.bottom + 1, radius, radius));
    if (region) ExtSelectClipRgn(dc, region.get(), RGN_AND);
    TRIVERTEX vertices[2] = {
        {area.left, area.top, static_cast<COLOR16>(GetRValue(top) << 8), static_cast<COLOR16>(GetGValue(top) << 8),
         static_cast<COLOR16>(GetBValue(top) << 8), 0xFF00},
        {area.right, area.bottom, static_cast<COLOR16>(GetRValue(bottom) << 8),
         static_cast<COLOR16>(GetGValue(bottom) << 8), static_cast<COLOR16>(GetBValue(bottom) << 8), 0xFF00},
    };
    GRADIENT_RECT gradient{0, 1};
    GradientFill(dc, vertices, 2, &gradient, 1, GRADIENT_FILL_RECT_V);
    RestoreDC(dc, saved);
    UniquePen pen(CreatePen(PS_SOLID, 1, border));
    SelectedObject penIn(dc, pen.get());
    SelectedObject brushIn(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, area.left, area.top, area.right, area.bottom, radius, radius);
}

void DrawPicture(HDC dc, HBITMAP picture, const RECT& area) {
    BITMAP info{};
    if (!picture || !GetObjectW(picture, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight == 0) return;
    int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    UniqueDc source(CreateCompatibleDC(dc));
    if (!source) return;
    SelectedObject in(source.get(), picture);
    int width = area.right - area.left;
    int areaHeight = area.bottom - area.top;
    if (info.bmBitsPixel == 32) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, area.left, area.top, width, areaHeight, source.get(), 0, 0, info.bmWidth, height, blend);
    } else {
        int oldMode = SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, area.left, area.top, width, areaHeight, source.get(), 0, 0, info.bmWidth, height, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    }
}

void RegisterWidgetClass(HINSTANCE instance, const wchar_t* className, WNDPROC windowProc, UINT style,
                         HCURSOR cursor) {
    WNDCLASSEXW windowClass{sizeof(windowClass)};
    windowClass.style = style;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = cursor;
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
}

HWND CreateWidgetWindow(HWND parent, const wchar_t* className, int id, HINSTANCE instance, const wchar_t* caption,
                        DWORD style, DWORD exStyle) {
    return CreateWindowExW(exStyle, className, caption, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0, 0,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

HFONT ControlFont(HFONT font) { return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

}  // namespace widgets_detail

void RegisterWidgetClasses(HINSTANCE instance) {
    // Registering twice fails harmlessly, so a second call (or a second window) costs nothing.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    widgets_detail::RegisterArButtonClass(instance);
    widgets_detail::RegisterSizePanelClass(instance);
    widgets_detail::RegisterLinkLabelClass(instance);
    widgets_detail::RegisterPictureBoxClass(instance);
}

}  // namespace purgeon
