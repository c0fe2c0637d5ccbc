#pragma once
// TFormBase: what the program's own windows (all but the main window) share: the window they own
// with its owner, instance and font, the flag that ends their modal loop, and the steps that
// create them and show them modally. FormWindowProc<TFormBase> drives them; the messages they
// answer come to typed handlers.
#include <windows.h>

#include <functional>
#include <vector>

#include "common/handles.h"
#include "ui/uiCommon.h"

namespace purgeon {

class TFormBase {
public:
    TFormBase(const TFormBase&) = delete;
    TFormBase& operator=(const TFormBase&) = delete;

    HWND Handle() const { return hwnd_.get(); }

protected:
    TFormBase() = default;
    // A form whose controls use resources of its own (fonts, pictures, image lists) calls
    // DestroyFormWindow() in its destructor, so the window goes before they do.
    ~TFormBase() { DestroyFormWindow(); }

    // Creates the window hidden, owned by `owner` (FormCreate runs inside), then sets its texts
    // (FormShow). `width` and `height` in design units, as CreateFormWindow takes them, scaled to
    // the DPI of the owner's monitor. False when it cannot be made.
    bool CreateForm(HWND owner, HINSTANCE instance, const wchar_t* className, const wchar_t* title, int width,
                    int height, FormSize size);
    // Shows the created window modally until done_ is set or the window goes, then destroys it:
    // centred on `centreOn` (on the screen when null), the owner disabled meanwhile, `focus`
    // focused when given, and `shown` called once the window is up, before the user can act.
    void RunModal(HWND centreOn, HWND focus = nullptr, const std::function<void()>& shown = {});
    // Destroys the window without telling the form (it is going).
    void DestroyFormWindow();
    // Handles what waits in the queue while long work runs on the form's thread. False when the
    // application's quit came: it is posted again for the loop that owns the application.
    bool PumpPending();
    // The window was destroyed from outside (the owner went first): forget the handle and end
    // the loop.
    virtual void WindowDestroyed();

    // Routes WM_COMMAND, WM_NOTIFY, WM_TIMER, WM_CLOSE and WM_DPICHANGED to the handlers below,
    // each answered with 0; everything else goes to the system's procedure. A form that paints or
    // colours itself answers those messages first and passes the rest here.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Design units at the window's DPI.
    int Scaled(int units) const { return ScaleForDpi(units, dpi_); }
    RECT Scaled(const RECT& place) const { return ScaleForDpi(place, dpi_); }
    // The window went to a monitor of another scale: by default its controls are moved and
    // their fonts scaled, then the window takes the place the system suggests.
    virtual void OnDpiChanged(int dpi, const RECT& suggested);

    HWND owner_ = nullptr;
    HINSTANCE instance_ = nullptr;
    int dpi_ = kDesignDpi;
    UniqueFont font_;
    UniqueWindow hwnd_;
    bool done_ = false;
    std::vector<UniqueFont> scaledFonts_;  // the controls' fonts after a change of DPI

private:
    template <typename Form>
    friend LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);

    // Builds the controls, at WM_CREATE.
    virtual void FormCreate() = 0;
    // Sets the current language's texts.
    virtual void FormShow() {}
    virtual void OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) {}
    virtual void OnNotify(const NMHDR& /*header*/) {}
    virtual void OnTimer(UINT_PTR /*id*/) {}
    // The close box and Alt+F4; by default they end the modal loop.
    virtual void OnClose() { done_ = true; }
};

// A button click, or the dialog keys' IDOK / IDCANCEL (Enter, Esc), which come without a control.
inline bool ClickedOrKey(WORD code, HWND control) { return code == BN_CLICKED || !control; }

}  // namespace purgeon
