#pragma once
// Shared plumbing of the widget classes: the window procedure trampoline and paint helpers.
#include <windows.h>

#include <memory>
#include <optional>

#include "common/handles.h"

namespace purgeon::widgets_detail {

// The static procedure creates the widget object at WM_NCCREATE, keeps it in GWLP_USERDATA and
// deletes it at WM_NCDESTROY. T has a constructor taking the HWND and
// LRESULT Handle(UINT, WPARAM, LPARAM). No exception leaves the procedure.
template <typename T>
LRESULT CALLBACK WidgetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    T* self = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE && !self) {
        try {
            self = new T(hwnd);
        } catch (...) {
            return FALSE;
        }
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->Handle(message, wParam, lParam);
    } catch (...) {
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete self;
    }
    return result;
}

// What every painted widget answers alike: it paints all of itself, never erasing first, for
// WM_PAINT and for WM_PRINTCLIENT (how children ask for what lies behind them), into an
// off-screen copy of its client area. Nothing for any other message.
template <typename PaintFn>
std::optional<LRESULT> PaintMessage(HWND hwnd, UINT message, WPARAM wParam, PaintFn&& paint);


// WM_SETFONT and WM_GETFONT for a widget that draws in the font it is given (not owned).
std::optional<LRESULT> FontMessage(HWND hwnd, HFONT& font, UINT message, WPARAM wParam, LPARAM lParam);

// Sends a WM_COMMAND notification from a control to its parent.
void NotifyParent(HWND control, WORD code);

// An off-screen bitmap the size of a rectangle; painting into it and copying once avoids flicker.
class BufferedPaint {
public:
    BufferedPaint(HDC target, const RECT& area);
    ~BufferedPaint();
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;
    HDC dc() const { return memory_.get() ? memory_.get() : target_; }

private:
    HDC target_;
    RECT area_;
    UniqueDc memory_;
    UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
};

template <typename PaintFn>
std::optional<LRESULT> PaintMessage(HWND hwnd, UINT message, WPARAM wParam, PaintFn&& paint) {
    auto buffered = [&](HDC target) {
        RECT client;
        GetClientRect(hwnd, &client);
        BufferedPaint buffer(target, client);
        paint(buffer.dc(), client);
    };
    switch (message) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: buffered(PaintSession(hwnd).dc()); return 0;
        case WM_PRINTCLIENT: buffered(reinterpret_cast<HDC>(wParam)); return 0;
        default: return std::nullopt;
    }
}

// Paints what the parent shows behind a control into the control's DC (for see-through corners
// and labels): the parent's background brush, then its WM_ERASEBKGND and WM_PRINTCLIENT.
void PaintParentBackground(HWND control, HDC dc, COLORREF fallback);

void FillSolid(HDC dc, const RECT& area, COLORREF colour);
// Vertical gradient inside a rounded rectangle with a one-pixel border.
void FillRoundedGradient(HDC dc, const RECT& area, int radius, COLORREF top, COLORREF bottom, COLORREF border);
// Draws a bitmap stretched over the area; 32-bit pictures are taken as premultiplied alpha.
void DrawPicture(HDC dc, HBITMAP picture, const RECT& area);
COLORREF Blend(COLORREF a, COLORREF b, int percentOfB);
// The default GUI font when a control was given none.
HFONT ControlFont(HFONT font);

// A widget class: the widget's procedure, no background brush (widgets paint all of themselves),
// the arrow cursor unless the widget sets its own (null). Registering twice fails harmlessly.
void RegisterWidgetClass(HINSTANCE instance, const wchar_t* className, WNDPROC windowProc, UINT style = 0,
                         HCURSOR cursor = LoadCursorW(nullptr, IDC_ARROW));
// A visible child widget clipped by its siblings, at 0,0 with no size: its parent places it.
HWND CreateWidgetWindow(HWND parent, const wchar_t* className, int id, HINSTANCE instance,
                        const wchar_t* caption = L"", DWORD style = 0, DWORD exStyle = 0);

// Each widget's file registers its own class.
void RegisterArButtonClass(HINSTANCE instance);
void RegisterSizePanelClass(HINSTANCE instance);
void RegisterLinkLabelClass(HINSTANCE instance);
void RegisterPictureBoxClass(HINSTANCE instance);

}  // namespace purgeon::widgets_detail
