// TLinkLabel: a one-line label drawn and clicked like a link.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <string>

#include "ui/widgets/widgetWindow.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace widgets_detail {

namespace {

std::wstring TextOf(HWND hwnd) {
    int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

class LinkLabel {
public:
    explicit LinkLabel(HWND hwnd) : hwnd_(hwnd) {}
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    int TextWidth() const;

private:
    HFONT LinkFont();
    void SetHot(bool hot) {
        if (hot_ == hot) return;
        hot_ = hot;
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
    bool HasText() const { return GetWindowTextLengthW(hwnd_) > 0; }
    bool Contains(POINT point) const {
        RECT client;
        GetClientRect(hwnd_, &client);
        return PtInRect(&client, point) != FALSE;
    }
    void SetHint(const wchar_t* hint);
    void Paint(HDC dc, const RECT& client);

    HWND hwnd_;
    HFONT font_ = nullptr;         // as given by WM_SETFONT, not owned
    UniqueFont underlined_;   // the same font, underlined
    HFONT underlinedFrom_ = nullptr;
    COLORREF link_ = kLinkColour;
    COLORREF hover_ = kLinkHoverColour;
    bool hot_ = false;
    bool pressed_ = false;
    UniqueWindow tooltip_;
    std::wstring hint_;
};

HFONT LinkLabel::LinkFont() {
    HFONT base = ControlFont(font_);
    if (!underlined_ || underlinedFrom_ != base) {
        LOGFONTW face{};
        GetObjectW(base, sizeof face, &face);
        face.lfUnderline = TRUE;
        underlined_.reset(CreateFontIndirectW(&face));
        underlinedFrom_ = base;
    }
    return underlined_ ? underlined_.get() : base;
}

int LinkLabel::TextWidth() const {
    std::wstring text = TextOf(hwnd_);
    WindowDc screen(hwnd_);
    if (!screen) return 0;
    // Measured in the plain font: underlining does not change advance widths.
    SelectedObject fontIn(screen.get(), ControlFont(font_));
    SIZE size{};
    GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void LinkLabel::SetHint(const wchar_t* hint) {
    hint_ = hint ? hint : L"";
    if (!tooltip_) {
        tooltip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                       nullptr, nullptr));
        if (!tooltip_) return;
        TTTOOLINFOW tool{sizeof(tool)};
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
        tool.lpszText = const_cast<wchar_t*>(hint_.c_str());
        SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    TTTOOLINFOW tool{sizeof(tool)};
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = const_cast<wchar_t*>(hint_.c_str());
    SendMessageW(tooltip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT LinkLabel::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto painted = PaintMessage(hwnd_, message, wParam, [&](HDC dc, const RECT& client) { Paint(dc, client); })) return *painted;
    if (auto font = FontMessage(hwnd_, font_, message, wParam, lParam)) return *font;
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_MOUSEMOVE:
        if (!hot_ && HasText()) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
            TrackMouseEvent(&track);
            SetHot(true);
        }
        return 0;
    case WM_MOUSELEAVE:
        SetHot(false);
        return 0;
    case WM_LBUTTONDOWN:
        if (!HasText()) return 0;
        pressed_ = true;
        SetCapture(hwnd_);
        return 0;
    case WM_LBUTTONUP:
        if (!pressed_) return 0;
        pressed_ = false;
        if (GetCapture() == hwnd_) ReleaseCapture();
        // An empty label (no link target yet) is not a link.
        if (Contains(point) && HasText()) NotifyParent(hwnd_, STN_CLICKED);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd_) pressed_ = false;
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && HasText()) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
        if (!HasText()) SetHot(false);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return result;
    }
    case LLM_SETCOLOURS:
        link_ = static_cast<COLORREF>(wParam);
        hover_ = static_cast<COLORREF>(lParam);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return TRUE;
    case LLM_SETHINT:
        SetHint(reinterpret_cast<const wchar_t*>(lParam));
        return TRUE;
    case WM_DESTROY:
        tooltip_.reset();
        return 0;
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void LinkLabel::Paint(HDC dc, const RECT& client) {
    // See-through: the label usually sits on a painted status bar.
    PaintParentBackground(hwnd_, dc, kPanelColour);
    std::wstring text = TextOf(hwnd_);
    if (text.empty()) return;
    SelectedObject fontIn(dc, LinkFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, hot_ ? hover_ : link_);
    RECT area = client;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LinkLabel* LinkLabelOf(HWND label) {
    wchar_t className[32] = L"";
    GetClassNameW(label, className, 32);
    if (lstrcmpW(className, kLinkLabelClass) != 0) return nullptr;
    return reinterpret_cast<LinkLabel*>(GetWindowLongPtrW(label, GWLP_USERDATA));
}

}  // namespace

void RegisterLinkLabelClass(HINSTANCE instance) {
    RegisterWidgetClass(instance, kLinkLabelClass, WidgetProc<LinkLabel>);
}

int LinkLabelWidth(HWND label) {
    LinkLabel* self = LinkLabelOf(label);
    return self ? self->TextWidth() : 0;
}

}  // namespace widgets_detail

HWND CreateLinkLabel(HWND parent, int id, HINSTANCE instance) {
    return widgets_detail::CreateWidgetWindow(parent, kLinkLabelClass, id, instance);
}

int LinkLabelTextWidth(HWND label) { return widgets_detail::LinkLabelWidth(label); }

}  // namespace purgeon
