// TPictureBox: a skin picture in a child window, stretched over it; see-through parts show the
// parent, and mouse presses go through to the parent (a background picture drags its window).
#include <windows.h>

#include "ui/widgets/widgetWindow.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace widgets_detail {

namespace {

class PictureBox {
public:
    explicit PictureBox(HWND hwnd) : hwnd_(hwnd) {}

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
        if (auto painted = PaintMessage(hwnd_, message, wParam, [&](HDC dc, const RECT& client) { Paint(dc, client); }))
            return *painted;
        switch (message) {
        case PBM_SETPICTURE:
            picture_ = reinterpret_cast<HBITMAP>(lParam);
            InvalidateRect(hwnd_, nullptr, FALSE);
            return TRUE;
        case PBM_GETPICTURE:
            return reinterpret_cast<LRESULT>(picture_);
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        }
    }

private:
    void Paint(HDC dc, const RECT& client) {
        PaintParentBackground(hwnd_, dc, GetSysColor(COLOR_BTNFACE));
        if (picture_) DrawPicture(dc, picture_, client);
    }

    HWND hwnd_;
    HBITMAP picture_ = nullptr;
};

}  // namespace

void RegisterPictureBoxClass(HINSTANCE instance) {
    RegisterWidgetClass(instance, kPictureBoxClass, WidgetProc<PictureBox>);
}

}  // namespace widgets_detail

HWND CreatePictureBox(HWND parent, int id, HINSTANCE instance) {
    return widgets_detail::CreateWidgetWindow(parent, kPictureBoxClass, id, instance);
}

}  // namespace purgeon
