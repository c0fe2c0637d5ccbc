// The framed list view: a system list view whose one-pixel border is repainted in the frame
// colour, so the frame moves and sizes with it.
#include <windows.h>
#include <commctrl.h>

#include "ui/widgets/widgetWindow.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace {

constexpr UINT_PTR kFrameSubclassId = 0x50464C56;  // any value unique among this window's subclasses

void PaintFrame(HWND list, HDC dc) {
    RECT window;
    GetWindowRect(list, &window);
    OffsetRect(&window, -window.left, -window.top);
    UniqueBrush brush(CreateSolidBrush(kFrameColour));
    FrameRect(dc, &window, brush.get());
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    try {
        switch (message) {
        case WM_NCPAINT: {
            // Scroll bars and the rest come from the list view; only the border changes colour.
            LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
            WindowDc dc(hwnd, true);
            if (dc) PaintFrame(hwnd, dc.get());
            return result;
        }
        case WM_PRINT: {
            LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
            if (lParam & PRF_NONCLIENT) PaintFrame(hwnd, reinterpret_cast<HDC>(wParam));
            return result;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, FrameProc, kFrameSubclassId);
            break;
        }
    } catch (...) {
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

HWND CreateFramedListView(HWND parent, int id, DWORD extraStyle, HINSTANCE instance) {
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPSIBLINGS | WS_TABSTOP | LVS_REPORT |
                                    LVS_SHOWSELALWAYS | extraStyle,
                                0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                nullptr);
    if (!list) return nullptr;
    DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    ListView_SetExtendedListViewStyleEx(list, extended, extended);
    SetWindowSubclass(list, FrameProc, kFrameSubclassId, 0);
    SetWindowPos(list, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return list;
}

}  // namespace purgeon
