// TSizePanel: the side panel with a size bar whose hot spot folds and unfolds it.
#include <windows.h>
#include <windowsx.h>

#include <optional>

#include "ui/widgets/widgetWindow.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace {
constexpr int kBarWidth = 8;
constexpr int kHotSpotHeight = 48;
}  // namespace

RECT SizePanelHotSpot(int panelHeight) {
    int top = (panelHeight - kHotSpotHeight) / 2;
    if (top < 0) top = 0;
    return RECT{0, top, kBarWidth, top + kHotSpotHeight};
}

namespace widgets_detail {

namespace {

class SizePanel {
public:
    explicit SizePanel(HWND hwnd) : hwnd_(hwnd) {}
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

private:
    RECT HotSpot() const {
        RECT client;
        GetClientRect(hwnd_, &client);
        return SizePanelHotSpot(client.bottom);
    }
    bool OnHotSpot(POINT point) const {
        RECT spot = HotSpot();
        return PtInRect(&spot, point) != FALSE;
    }
    void SetHot(bool hot) {
        if (hot_ == hot) return;
        hot_ = hot;
        RECT spot = HotSpot();
        InvalidateRect(hwnd_, &spot, FALSE);
    }
    void Paint(HDC dc, const RECT& client);

    HWND hwnd_;
    HBITMAP picture_ = nullptr;
    std::optional<RECT> pictureRect_;  // none: right of the bar
    bool folded_ = false;
    bool hot_ = false;
    bool pressed_ = false;
};

LRESULT SizePanel::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto painted = PaintMessage(hwnd_, message, wParam, [&](HDC dc, const RECT& client) { Paint(dc, client); })) return *painted;
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_MOUSEMOVE:
        if (!hot_) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
            TrackMouseEvent(&track);
        }
        SetHot(OnHotSpot(point));
        return 0;
    case WM_MOUSELEAVE:
        if (!pressed_) SetHot(false);
        return 0;
    case WM_LBUTTONDOWN:
        if (OnHotSpot(point)) {
            pressed_ = true;
            SetCapture(hwnd_);
        }
        return 0;
    case WM_LBUTTONUP:
        if (pressed_) {
            pressed_ = false;
            if (GetCapture() == hwnd_) ReleaseCapture();
            if (OnHotSpot(point)) NotifyParent(hwnd_, SPN_HOTSPOT);
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd_) pressed_ = false;
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == hwnd_) {
            POINT cursor;
            GetCursorPos(&cursor);
            ScreenToClient(hwnd_, &cursor);
            SetCursor(LoadCursorW(nullptr, OnHotSpot(cursor) ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    case SPM_SETPICTURE:
        picture_ = reinterpret_cast<HBITMAP>(lParam);
        InvalidateRect(hwnd_, nullptr, TRUE);
        return TRUE;
    case SPM_GETPICTURE:
        return reinterpret_cast<LRESULT>(picture_);
    case SPM_SETPICTURERECT:
        pictureRect_.reset();
        if (lParam) pictureRect_ = *reinterpret_cast<const RECT*>(lParam);
        InvalidateRect(hwnd_, nullptr, TRUE);
        return TRUE;
    case SPM_SETFOLDED:
        folded_ = wParam != 0;
        InvalidateRect(hwnd_, nullptr, FALSE);
        return TRUE;
    // The panel's children talk to the window that owns the panel, as if they were its own.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        if (HWND parent = GetParent(hwnd_)) return SendMessageW(parent, message, wParam, lParam);
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void SizePanel::Paint(HDC dc, const RECT& client) {
    RECT body{kBarWidth, 0, client.right, client.bottom};
    FillSolid(dc, body, kPanelColour);
    if (picture_) DrawPicture(dc, picture_, pictureRect_.value_or(body));

    RECT bar{0, 0, kBarWidth, client.bottom};
    FillSolid(dc, bar, Blend(kPanelColour, kFrameColour, 35));
    RECT edge{kBarWidth - 1, 0, kBarWidth, client.bottom};
    FillSolid(dc, edge, kFrameColour);

    RECT spot = SizePanelHotSpot(client.bottom);
    FillRoundedGradient(dc, spot, 4, hot_ ? kAccentColour : Blend(kPanelColour, kAccentColour, 55),
                        hot_ ? Blend(kAccentColour, RGB(0, 0, 0), 15) : Blend(kPanelColour, kAccentColour, 70),
                        Blend(kAccentColour, RGB(0, 0, 0), 20));
    // The arrow points where the panel goes: right (out of the way) while open, back left when folded.
    int cx = (spot.left + spot.right) / 2;
    int cy = (spot.top + spot.bottom) / 2;
    POINT arrow[3];
    if (folded_) {
        arrow[0] = {cx + 2, cy - 4};
        arrow[1] = {cx + 2, cy + 4};
        arrow[2] = {cx - 2, cy};
    } else {
        arrow[0] = {cx - 2, cy - 4};
        arrow[1] = {cx - 2, cy + 4};
        arrow[2] = {cx + 2, cy};
    }
    UniqueBrush brush(CreateSolidBrush(RGB(255, 255, 255)));
    UniquePen pen(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    SelectedObject brushIn(dc, brush.get());
    SelectedObject penIn(dc, pen.get());
    Polygon(dc, arrow, 3);
}

}  // namespace

void RegisterSizePanelClass(HINSTANCE instance) {
    // No class cursor: it is set per point, the hand over the hot spot.
    RegisterWidgetClass(instance, kSizePanelClass, WidgetProc<SizePanel>, 0, nullptr);
}

}  // namespace widgets_detail

HWND CreateSizePanel(HWND parent, int id, HINSTANCE instance) {
    return widgets_detail::CreateWidgetWindow(parent, kSizePanelClass, id, instance, L"", WS_CLIPCHILDREN,
                                              WS_EX_CONTROLPARENT);
}

}  // namespace purgeon
