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
        switch (message) {
        case PBM_SETPICTURE:
            picture_ = reinterpret_cast<HBITMAP>(lParam);
            InvalidateRect(hwnd_, nullptr, FALSE);
            return TRUE;
        case PBM_GETPICTURE:
            return reinterpret_cast<LRESULT>(picture_);
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            Paint(PaintSession(hwnd_).dc());
            return 0;
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        }
    }

private:
    void Paint(HDC target) {
        RECT client;
        GetClientRect(hwnd_, &client);
        BufferedPaint buffer(target, client);
        PaintParentBackground(hwnd_, buffer.dc(), GetSysColor(COLOR_BTNFACE));
        if (picture_) DrawPicture(buffer.dc(), picture_, client);
    }

    HWND hwnd_;
    HBITMAP picture_ = nullptr;
};

}  // namespace

void RegisterPictureBoxClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{sizeof(windowClass)};
    windowClass.lpfnWndProc = WidgetProc<PictureBox>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kPictureBoxClass;
    RegisterClassExW(&windowClass);
}

}  // namespace widgets_detail

HWND CreatePictureBox(HWND parent, int id, HINSTANCE instance) {
    return CreateWindowExW(0, kPictureBoxClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

}  // namespace purgeon
