#pragma once
// Child controls of the small modal forms, placed in client pixels with the form's font.
#include <windows.h>

namespace purgeon {

inline HWND MakeFormControl(HWND parent, const wchar_t* className, DWORD style, int left, int top, int width, int height,
                            int id, HINSTANCE instance, HFONT font, DWORD exStyle = 0) {
    HWND control = CreateWindowExW(exStyle, className, L"", WS_CHILD | WS_VISIBLE | style, left, top, width, height,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// The system's message font, optionally bold; the caller owns it.
inline HFONT CreateMessageFont(bool bold = false) {
    NONCLIENTMETRICSW metrics{sizeof(metrics)};
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    if (bold) metrics.lfMessageFont.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace purgeon
