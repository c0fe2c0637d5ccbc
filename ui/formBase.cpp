#include "ui/formBase.h"

namespace purgeon {

bool TFormBase::CreateForm(HWND owner, HINSTANCE instance, const wchar_t* className, const wchar_t* title, int width,
                           int height, FormSize size) {
    owner_ = owner;
    instance_ = instance;
    done_ = false;
    dpi_ = WindowDpi(owner);
    CreateFormWindow(instance, className, FormWindowProc<TFormBase>, title, Scaled(width), Scaled(height), size, owner,
                     static_cast<TFormBase*>(this), dpi_);
    if (!hwnd_) return false;
    FormShow();
    return true;
}

void TFormBase::RunModal(HWND centreOn, HWND focus, const std::function<void()>& shown) {
    HWND hwnd = hwnd_.get();
    if (!hwnd) return;
    CentreOnOwner(hwnd, centreOn);
    ModalOwner modalOwner(owner_);
    ShowWindow(hwnd, SW_SHOW);
    if (focus) SetFocus(focus);
    if (shown) shown();
    RunModalLoop(hwnd, [&] { return !done_ && hwnd_; });
    done_ = true;
    modalOwner.Release();  // before the window goes, so activation returns to the owner
    hwnd_.reset();
}

void TFormBase::DestroyFormWindow() {
    if (!hwnd_) return;
    SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, 0);
    hwnd_.reset();
}

bool TFormBase::PumpPending() {
    MSG message;
    while (hwnd_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void TFormBase::WindowDestroyed() {
    hwnd_.release();
    done_ = true;
}

void TFormBase::OnDpiChanged(int dpi, const RECT& suggested) {
    RescaleChildren(hwnd_.get(), dpi_, dpi, scaledFonts_);
    dpi_ = dpi;
    SetWindowPos(hwnd_.get(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TFormBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY:
            OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        default:
            return DefWindowProcW(hwnd_.get(), message, wParam, lParam);
    }
}

}  // namespace purgeon
