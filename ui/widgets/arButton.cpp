// TArButton: the four-state image button.
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <string>

#include "ui/widgets/widgetWindow.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace widgets_detail {

namespace {

// Title-bar glyphs the flat look draws as shapes rather than as font text.
enum class Glyph { None, Minimise, Help, Close };

// Dark text on light art, light text on dark art: what lies under the caption's middle band
// decides, as the skin and the parent's background compose it.
COLORREF CaptionColourOver(HDC dc, const RECT& client, ButtonState state) {
    int total = 0, samples = 0;
    const int width = client.right - client.left, height = client.bottom - client.top;
    for (int i = 1; i <= 7; ++i) {
        for (int j = 1; j <= 3; ++j) {
            COLORREF c = GetPixel(dc, client.left + width * i / 8, client.top + height * j / 4);
            if (c == CLR_INVALID) continue;
            total += (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000;
            ++samples;
        }
    }
    const bool dark = samples > 0 && total / samples < 128;
    if (!dark) return state == ButtonState::Disabled ? kDisabledTextColour : kTextColour;
    return state == ButtonState::Disabled ? RGB(128, 136, 148) : RGB(244, 247, 252);
}

Glyph GlyphOf(const std::wstring& caption) {
    if (caption == L"\u2013" || caption == L"-" || caption == L"\u2212") return Glyph::Minimise;
    if (caption == L"?") return Glyph::Help;
    if (caption == L"\u00D7" || caption == L"x" || caption == L"X") return Glyph::Close;
    return Glyph::None;
}

class ArButton {
public:
    explicit ArButton(HWND hwnd) : hwnd_(hwnd) {}

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    ButtonState State() const {
        if (!IsWindowEnabled(hwnd_)) return ButtonState::Disabled;
        if (pressed_ && inside_) return ButtonState::Down;
        if (inside_ && !pressed_) return ButtonState::Hover;
        return ButtonState::Normal;
    }

private:
    void SetInside(bool inside);
    void OnMouseMove(POINT point);
    void OnButtonUp(POINT point);
    void Paint(HDC dc, const RECT& client);
    void PaintFace(HDC dc, const RECT& client);
    void PaintFlat(HDC dc, const RECT& client, ButtonState state, Glyph glyph);
    void PaintGlyph(HDC dc, const RECT& client, ButtonState state, Glyph glyph);
    bool Contains(POINT point) const {
        RECT client;
        GetClientRect(hwnd_, &client);
        return PtInRect(&client, point) != FALSE;
    }

    HWND hwnd_;
    HFONT font_ = nullptr;
    Glyph glyph_ = Glyph::None;
    std::array<HBITMAP, 4> pictures_{};
    bool inside_ = false;    // the mouse is over the button
    bool pressed_ = false;   // left button went down on us and we hold the capture
    bool tracking_ = false;  // a WM_MOUSELEAVE request is pending
};

void ArButton::SetInside(bool inside) {
    if (inside_ == inside) return;
    inside_ = inside;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void ArButton::OnMouseMove(POINT point) {
    if (!IsWindowEnabled(hwnd_)) return;
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
    }
    SetInside(Contains(point));
}

void ArButton::OnButtonUp(POINT point) {
    if (!pressed_) return;
    pressed_ = false;
    bool inside = Contains(point);
    inside_ = inside;
    if (GetCapture() == hwnd_) ReleaseCapture();
    InvalidateRect(hwnd_, nullptr, FALSE);
    // Last, as the parent may destroy us while handling the click.
    if (inside) NotifyParent(hwnd_, BN_CLICKED);
}

LRESULT ArButton::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto painted = PaintMessage(hwnd_, message, wParam, [&](HDC dc, const RECT& client) { Paint(dc, client); })) return *painted;
    if (auto font = FontMessage(hwnd_, font_, message, wParam, lParam)) return *font;
    switch (message) {
    case WM_MOUSEMOVE:
        OnMouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        // While pressed, the capture keeps reporting moves; leaving is decided on release.
        if (!pressed_) SetInside(false);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!IsWindowEnabled(hwnd_)) return 0;
        pressed_ = true;
        inside_ = true;
        SetCapture(hwnd_);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_CAPTURECHANGED:
        // Capture taken away (a menu, a message box): the press is over without a click.
        if (pressed_ && reinterpret_cast<HWND>(lParam) != hwnd_) {
            pressed_ = false;
            inside_ = false;
            InvalidateRect(hwnd_, nullptr, FALSE);
        }
        return 0;
    case WM_ENABLE:
        if (!wParam) {
            pressed_ = false;
            inside_ = false;
            if (GetCapture() == hwnd_) ReleaseCapture();
        }
        InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;  // a click must not pull the focus away from the list
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return result;
    }
    case ARB_HASGLYPH:
        return glyph_ != Glyph::None;
    case WM_CREATE: {
        // The glyph is the creation caption's; the window text may then become the button's
        // name, which screen readers say.
        const wchar_t* caption = reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName;
        glyph_ = GlyphOf(caption ? caption : L"");
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
    case ARB_SETPICTURE:
        if (wParam > static_cast<WPARAM>(ButtonState::Disabled)) return FALSE;
        pictures_[wParam] = reinterpret_cast<HBITMAP>(lParam);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return TRUE;
    case ARB_GETPICTURE:
        if (wParam > static_cast<WPARAM>(ButtonState::Disabled)) return 0;
        return reinterpret_cast<LRESULT>(pictures_[wParam]);
    case WM_GETDLGCODE:
        // A push button: Enter in a dialog loop clicks the focused one.
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        // Enter as it goes down, Space as it comes up, as push buttons do.
        if (wParam == (message == WM_KEYDOWN ? VK_RETURN : VK_SPACE)) {
            if (IsWindowEnabled(hwnd_)) NotifyParent(hwnd_, BN_CLICKED);
            return 0;
        }
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void ArButton::Paint(HDC dc, const RECT& client) {
    PaintFace(dc, client);
    // Only the keyboard gives these buttons the focus (a click leaves it where it was): the mark
    // shows where Tab has come.
    if (GetFocus() != hwnd_) return;
    RECT mark = client;
    InflateRect(&mark, -3, -3);
    SetTextColor(dc, kTextColour);
    SetBkColor(dc, kPanelColour);
    DrawFocusRect(dc, &mark);
}

void ArButton::PaintFace(HDC dc, const RECT& client) {
    ButtonState state = State();
    HBITMAP picture = pictures_[static_cast<int>(state)];
    // A disabled or pressed button without its own picture still looks like its normal self.
    if (!picture && state != ButtonState::Normal && pictures_[0]) picture = pictures_[0];
    int length = GetWindowTextLengthW(hwnd_);
    std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
    caption.resize(static_cast<size_t>(GetWindowTextW(hwnd_, caption.data(), length + 1)));
    const Glyph glyph = glyph_;

    if (picture) {
        PaintParentBackground(hwnd_, dc, kPanelColour);
        DrawPicture(dc, picture, client);
    } else if (glyph != Glyph::None) {
        PaintGlyph(dc, client, state, glyph);
        return;
    } else {
        PaintFlat(dc, client, state, glyph);
    }
    // A title-bar glyph is the picture's to show: drawn as a letter it would sit over the art.
    if (caption.empty() || glyph != Glyph::None) return;
    SelectedObject fontIn(dc, ControlFont(font_));
    SetBkMode(dc, TRANSPARENT);
    COLORREF ink = state == ButtonState::Disabled ? kDisabledTextColour : kTextColour;
    if (picture) ink = CaptionColourOver(dc, client, state);
    SetTextColor(dc, ink);
    RECT text = client;
    if (state == ButtonState::Down) OffsetRect(&text, 1, 1);
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void ArButton::PaintFlat(HDC dc, const RECT& client, ButtonState state, Glyph) {
    PaintParentBackground(hwnd_, dc, kPanelColour);
    RECT face = client;
    InflateRect(&face, -1, -1);
    constexpr COLORREF white = RGB(255, 255, 255);
    switch (state) {
    case ButtonState::Normal:
        FillRoundedGradient(dc, face, 8, white, Blend(white, kPanelColour, 90), kFrameColour);
        break;
    case ButtonState::Hover:
        FillRoundedGradient(dc, face, 8, Blend(white, kAccentColour, 8), Blend(white, kAccentColour, 24),
                            kAccentColour);
        break;
    case ButtonState::Down:
        FillRoundedGradient(dc, face, 8, Blend(white, kAccentColour, 34), Blend(white, kAccentColour, 22),
                            Blend(kAccentColour, RGB(0, 0, 0), 20));
        break;
    case ButtonState::Disabled:
        FillRoundedGradient(dc, face, 8, Blend(white, kPanelColour, 60), Blend(white, kPanelColour, 60),
                            Blend(kFrameColour, white, 45));
        break;
    }
}

// The title-bar buttons sit on the title band: a square in the band's colour that lightens under
// the mouse (the close button turns red), with the glyph drawn in white lines.
void ArButton::PaintGlyph(HDC dc, const RECT& client, ButtonState state, Glyph glyph) {
    COLORREF back = kTitleBandColour;
    COLORREF ink = RGB(236, 242, 250);
    constexpr COLORREF closeRed = RGB(200, 56, 48);
    if (state == ButtonState::Hover) back = glyph == Glyph::Close ? closeRed : Blend(kTitleBandColour, ink, 22);
    if (state == ButtonState::Down)
        back = glyph == Glyph::Close ? Blend(closeRed, RGB(0, 0, 0), 25) : Blend(kTitleBandColour, RGB(0, 0, 0), 25);
    if (state == ButtonState::Disabled) ink = Blend(kTitleBandColour, ink, 40);
    PaintParentBackground(hwnd_, dc, kTitleBandColour);
    RECT face = client;
    if (state == ButtonState::Hover || state == ButtonState::Down) {
        FillRoundedGradient(dc, face, 5, back, back, back);
    }
    int size = std::min(client.right - client.left, client.bottom - client.top);
    int cx = (client.left + client.right) / 2;
    int cy = (client.top + client.bottom) / 2;
    int arm = std::max(2, size / 5);
    LOGBRUSH inkBrush{BS_SOLID, ink, 0};
    UniquePen pen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_MITER, 2, &inkBrush, 0, nullptr));
    SelectedObject penIn(dc, pen.get());
    switch (glyph) {
    case Glyph::Minimise:
        MoveToEx(dc, cx - arm, cy + arm - 1, nullptr);
        LineTo(dc, cx + arm, cy + arm - 1);
        break;
    case Glyph::Close:
        MoveToEx(dc, cx - arm, cy - arm, nullptr);
        LineTo(dc, cx + arm, cy + arm);
        MoveToEx(dc, cx + arm, cy - arm, nullptr);
        LineTo(dc, cx - arm, cy + arm);
        break;
    case Glyph::Help: {
        LOGFONTW face{};
        face.lfHeight = -(size * 2 / 3);
        face.lfWeight = FW_BOLD;
        face.lfQuality = ANTIALIASED_QUALITY;
        lstrcpynW(face.lfFaceName, L"Tahoma", LF_FACESIZE);
        UniqueFont font(CreateFontIndirectW(&face));
        SelectedObject fontIn(dc, font.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ink);
        RECT text = client;
        DrawTextW(dc, L"?", 1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        break;
    }
    case Glyph::None:
        break;
    }
}

}  // namespace

void RegisterArButtonClass(HINSTANCE instance) {
    RegisterWidgetClass(instance, kArButtonClass, WidgetProc<ArButton>, CS_DBLCLKS);
}

}  // namespace widgets_detail

HWND CreateArButton(HWND parent, int id, const std::wstring& caption, HINSTANCE instance) {
    return widgets_detail::CreateWidgetWindow(parent, kArButtonClass, id, instance, caption.c_str(), WS_TABSTOP);
}

ButtonState ArButtonState(HWND button) {
    // Asked of the window's own object: the state lives there, not in window styles.
    wchar_t className[32] = L"";
    GetClassNameW(button, className, 32);
    if (lstrcmpW(className, kArButtonClass) != 0) return ButtonState::Normal;
    auto* self = reinterpret_cast<widgets_detail::ArButton*>(GetWindowLongPtrW(button, GWLP_USERDATA));
    if (!self) return IsWindowEnabled(button) ? ButtonState::Normal : ButtonState::Disabled;
    return self->State();
}

}  // namespace purgeon
