#include "ui/uiCommon.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "common/handles.h"

namespace purgeon {

bool RegisterFormClass(HINSTANCE instance, const wchar_t* className, WNDPROC windowProc) {
    WNDCLASSEXW windowClass{sizeof(windowClass)};
    if (GetClassInfoExW(instance, className, &windowClass)) return true;
    windowClass = WNDCLASSEXW{sizeof(windowClass)};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    return RegisterClassExW(&windowClass) != 0;
}

HWND CreateFormWindow(HINSTANCE instance, const wchar_t* className, WNDPROC windowProc, const wchar_t* title,
                      int width, int height, FormSize size, HWND owner, void* form, int dpi) {
    if (!RegisterFormClass(instance, className, windowProc)) return nullptr;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, width, height};
    if (size == FormSize::Client) frame = WindowRectForClient(frame, style, exStyle, dpi);
    return CreateWindowExW(exStyle, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                           frame.bottom - frame.top, owner, nullptr, instance, form);
}

RECT CentredWindowRect(const RECT& owner, int width, int height, const RECT& workArea) {
    int left = owner.left + ((owner.right - owner.left) - width) / 2;
    int top = owner.top + ((owner.bottom - owner.top) - height) / 2;
    // Keep the caption reachable: inside the work area, its top-left corner winning.
    left = std::max(static_cast<int>(workArea.left), std::min(left, static_cast<int>(workArea.right) - width));
    top = std::max(static_cast<int>(workArea.top), std::min(top, static_cast<int>(workArea.bottom) - height));
    return RECT{left, top, left + width, top + height};
}

void CentreOnOwner(HWND window, HWND owner) {
    RECT bounds{}, anchorBounds{};
    GetWindowRect(window, &bounds);
    HWND anchor = owner ? owner : GetDesktopWindow();
    GetWindowRect(anchor, &anchorBounds);
    MONITORINFO monitor{sizeof(monitor)};
    GetMonitorInfoW(MonitorFromWindow(anchor, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT place =
        CentredWindowRect(anchorBounds, bounds.right - bounds.left, bounds.bottom - bounds.top, monitor.rcWork);
    SetWindowPos(window, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreOnScreen(HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    POINT cursor{};
    GetCursorPos(&cursor);
    MONITORINFO monitor{sizeof(monitor)};
    GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT place =
        CentredWindowRect(monitor.rcWork, bounds.right - bounds.left, bounds.bottom - bounds.top, monitor.rcWork);
    SetWindowPos(window, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ModalOwner::ModalOwner(HWND owner)
    : owner_(owner), wasEnabled_(owner && IsWindowEnabled(owner)), previousActive_(GetActiveWindow()) {
    if (owner_) EnableWindow(owner_, FALSE);
}

void ModalOwner::Release() {
    if (released_) return;
    released_ = true;
    if (wasEnabled_) {
        EnableWindow(owner_, TRUE);
        SetActiveWindow(owner_);
    } else if (previousActive_ && IsWindow(previousActive_)) {
        SetActiveWindow(previousActive_);
    }
}

void RunModalLoop(HWND window, const std::function<bool()>& running) {
    MSG message;
    while (running()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void ShowPlainMessage(HWND window, const std::wstring& text) {
    MessageBoxW(window, text.c_str(), kAppTitle, MB_OK);
}

namespace {

// The per-monitor functions of Windows 10, looked up so the program still starts on 7 and 8.
template <typename Function>
Function* User32Function(const char* name) {
    static HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

int ScreenDpi() {
    WindowDc screen(nullptr);
    return screen ? std::max(kDesignDpi, GetDeviceCaps(screen.get(), LOGPIXELSY)) : kDesignDpi;
}

}  // namespace

int WindowDpi(HWND window) {
    static auto* forWindow = User32Function<UINT WINAPI(HWND)>("GetDpiForWindow");
    static auto* forSystem = User32Function<UINT WINAPI()>("GetDpiForSystem");
    UINT dpi = 0;
    if (window && forWindow) dpi = forWindow(window);
    if (!dpi && forSystem) dpi = forSystem();
    return dpi ? static_cast<int>(dpi) : ScreenDpi();
}

void EnableFrameScaling(HWND window) {
    static auto* enable = User32Function<BOOL WINAPI(HWND)>("EnableNonClientDpiScaling");
    if (enable) enable(window);
}

RECT WindowRectForClient(const RECT& client, DWORD style, DWORD exStyle, int dpi) {
    static auto* forDpi = User32Function<BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT frame = client;
    if (!forDpi || !forDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return frame;
}

void RescaleChildren(HWND parent, int oldDpi, int newDpi, std::vector<UniqueFont>& fonts) {
    if (oldDpi <= 0 || newDpi <= 0 || oldDpi == newDpi) return;
    std::vector<UniqueFont> made;
    std::vector<std::pair<HFONT, HFONT>> scaledFonts;  // old to new, each font scaled once
    auto rescaledFont = [&](HFONT font) -> HFONT {
        for (const auto& [from, to] : scaledFonts)
            if (from == font) return to;
        LOGFONTW face{};
        if (!font || !GetObjectW(font, sizeof face, &face)) return font;
        face.lfHeight = MulDiv(face.lfHeight, newDpi, oldDpi);
        face.lfWidth = MulDiv(face.lfWidth, newDpi, oldDpi);
        made.emplace_back(CreateFontIndirectW(&face));
        scaledFonts.emplace_back(font, made.back().get());
        return made.back().get();
    };
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
        const RECT scaled{MulDiv(place.left, newDpi, oldDpi), MulDiv(place.top, newDpi, oldDpi),
                          MulDiv(place.right, newDpi, oldDpi), MulDiv(place.bottom, newDpi, oldDpi)};
        const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        if (font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(rescaledFont(font)), FALSE);
        if (HWND header = ListView_GetHeader(child); header && GetParent(header) == child) {
            for (int column = 0; column < Header_GetItemCount(header); ++column)
                ListView_SetColumnWidth(child, column, MulDiv(ListView_GetColumnWidth(child, column), newDpi, oldDpi));
        }
        MoveWindow(child, scaled.left, scaled.top, scaled.right - scaled.left, scaled.bottom - scaled.top, TRUE);
    }
    // The fonts of an earlier change are no longer used by any child.
    fonts = std::move(made);
}

UniqueFont CreatePointFont(const wchar_t* face, int points, int dpi, int weight) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(points, dpi, 72);
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return UniqueFont(CreateFontIndirectW(&font));
}

UniqueFont CreateMessageFont(FontLook look, int dpi) {
    static auto* forDpi = User32Function<BOOL WINAPI(UINT, UINT, void*, UINT, UINT)>("SystemParametersInfoForDpi");
    if (dpi <= 0) dpi = WindowDpi(nullptr);
    NONCLIENTMETRICSW metrics{sizeof(metrics)};
    if (!forDpi || !forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, static_cast<UINT>(dpi))) {
        // Without the per-DPI reading the system's font is at the system's DPI.
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, WindowDpi(nullptr));
    }
    if (look == FontLook::Bold) metrics.lfMessageFont.lfWeight = FW_BOLD;
    if (look == FontLook::Underlined) metrics.lfMessageFont.lfUnderline = TRUE;
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

HWND MakeControl(HWND parent, const wchar_t* className, DWORD style, const RECT& place, int id, HINSTANCE instance,
                 HFONT font, DWORD exStyle) {
    HWND control = CreateWindowExW(exStyle, className, L"", WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                                   place.right - place.left, place.bottom - place.top, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

int TextWidth(HWND window, const std::wstring& text) {
    return TextExtent(window, text).cx;
}

SIZE TextExtent(HWND window, const std::wstring& text) {
    WindowDc dc(window);
    SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

POINT RowMenuPoint(HWND list) {
    POINT point{0, 0};
    const int row = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    RECT bounds{};
    if (row >= 0 && ListView_GetItemRect(list, row, &bounds, LVIR_LABEL)) {
        RECT client;
        GetClientRect(list, &client);
        if (bounds.bottom > client.top && bounds.top < client.bottom) point = {bounds.left, bounds.bottom};
    }
    ClientToScreen(list, &point);
    return point;
}

void AddListColumn(HWND list, int index, const std::wstring& caption, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(caption.c_str());
    column.cx = width;
    column.iSubItem = index;
    ListView_InsertColumn(list, index, &column);
}

void SetListColumnText(HWND list, int index, const std::wstring& caption) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = const_cast<wchar_t*>(caption.c_str());
    ListView_SetColumn(list, index, &column);
}

void ShellOpen(HWND owner, const std::wstring& target, const std::wstring& parameters) {
    ShellExecuteW(owner, L"open", target.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                  SW_SHOWNORMAL);
}

}  // namespace purgeon
