#pragma once
// What every window of the program shares.
#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"

namespace purgeon {

// The general error report: a message box with the error's text and the application title.
void ShowErrorReport(HWND owner, const std::wstring& text);
// A Yes/No question with the exclamation icon; true for Yes. Enter answers `defaultAnswer`.
enum class DefaultAnswer { Yes, No };
bool AskQuestion(HWND owner, const std::wstring& text, DefaultAnswer defaultAnswer = DefaultAnswer::Yes);

// --- scale -------------------------------------------------------------------------------
// Windows are laid out in design units, the pixels of a 96 DPI screen, and shown at their
// monitor's DPI: a design length times DPI / 96.
inline constexpr int kDesignDpi = 96;
inline int ScaleForDpi(int units, int dpi) { return MulDiv(units, dpi, kDesignDpi); }
inline RECT ScaleForDpi(const RECT& place, int dpi) {
    return RECT{ScaleForDpi(place.left, dpi), ScaleForDpi(place.top, dpi), ScaleForDpi(place.right, dpi),
                ScaleForDpi(place.bottom, dpi)};
}
// The DPI a window is shown at (its monitor's for a per-monitor aware program), or the system's
// for a null window. Windows before 10 have no per-window DPI: the screen's then.
int WindowDpi(HWND window);
// Lets the system scale a window's frame with its monitor (needed on Windows 10 before 1703,
// where per-monitor awareness v1 leaves the caption at 96 DPI). Call at WM_NCCREATE.
void EnableFrameScaling(HWND window);
// The rectangle of a window whose client area is `client`, at `dpi`.
RECT WindowRectForClient(const RECT& client, DWORD style, DWORD exStyle, int dpi);
// Moves every direct child of `parent` from `oldDpi` to `newDpi`: places, fonts (each scaled
// from its own, the new ones kept in `fonts`) and the widths of list columns. For windows laid
// out once at creation; those laid out from data lay themselves out again instead.
void RescaleChildren(HWND parent, int oldDpi, int newDpi, std::vector<UniqueFont>& fonts);

// Runs a window's message handler. An error goes to the general error report and never leaves
// the window procedure.
template <typename Handler>
LRESULT GuardedHandle(HWND window, Handler&& handler) {
    try {
        return handler();
    } catch (const UserError& error) {
        ShowErrorReport(window, error.message());
    } catch (const std::exception& error) {
        ShowErrorReport(window, FromUtf8(error.what()));
    } catch (...) {
        ShowErrorReport(window, L"Unexpected error");
    }
    return 0;
}

// The window procedure of a form class: the form is stored at WM_NCCREATE and builds its controls
// in FormCreate() at WM_CREATE; when the window is destroyed from outside (its owner went first)
// the form forgets its handle through WindowDestroyed(); every other message goes to
// HandleMessage under the error guard.
template <typename Form>
LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Form* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        // A form that owns its window holds it in a UniqueWindow; the main window, which lives
        // as long as the program, holds it plain.
        if constexpr (std::is_same_v<decltype(self->hwnd_), HWND>)
            self->hwnd_ = hwnd;
        else
            self->hwnd_.reset(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        EnableFrameScaling(hwnd);
    } else {
        self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->WindowDestroyed();
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_CREATE) return GuardedHandle(hwnd, [&]() -> LRESULT { self->FormCreate(); return 0; });
    return GuardedHandle(hwnd, [&] { return self->HandleMessage(message, wParam, lParam); });
}

// Registers a form's window class once (arrow cursor, dialog background); false when it fails.
bool RegisterFormClass(HINSTANCE instance, const wchar_t* className, WNDPROC windowProc);
// Registers a form's window class once and creates its dialog-framed window, handing `form` to
// the window procedure at creation. `width` and `height` are the client area's size, or the
// whole window's with FormSize::Window, in pixels; the frame is the one of `dpi`. Null when
// either step fails.
enum class FormSize { Client, Window };
HWND CreateFormWindow(HINSTANCE instance, const wchar_t* className, WNDPROC windowProc, const wchar_t* title,
                      int width, int height, FormSize size, HWND owner, void* form, int dpi);

// The window rectangle of a `width` x `height` window centred on `owner`, moved inside `workArea`.
RECT CentredWindowRect(const RECT& owner, int width, int height, const RECT& workArea);
// Moves a window to the centre of its owner (of the desktop without one), on the owner's monitor.
void CentreOnOwner(HWND window, HWND owner);
// Centres a window in the work area of the screen the user works on (the one under the mouse).
void CentreOnScreen(HWND window);

// The owner of a modal window, disabled while the window is up. Release() (before the window
// goes, so activation returns to the owner) enables it again only if it was enabled at the
// start: a second modal window can open while another one already holds the same owner.
class ModalOwner {
public:
    explicit ModalOwner(HWND owner);
    ~ModalOwner() { Release(); }
    ModalOwner(const ModalOwner&) = delete;
    ModalOwner& operator=(const ModalOwner&) = delete;
    void Release();

private:
    HWND owner_;
    bool wasEnabled_;
    HWND previousActive_;
    bool released_ = false;
};

// A modal window's message loop, with dialog keys, while `running` holds. The application's
// quit ends it and is posted again for the loop that owns the application.
void RunModalLoop(HWND window, const std::function<bool()>& running);

// A visible child control at `place` in the given font, with `id` as its control id.
HWND MakeControl(HWND parent, const wchar_t* className, DWORD style, const RECT& place, int id, HINSTANCE instance,
                 HFONT font, DWORD exStyle = 0);
inline HWND MakeControl(HWND parent, const wchar_t* className, DWORD style, int left, int top, int width, int height,
                        int id, HINSTANCE instance, HFONT font, DWORD exStyle = 0) {
    return MakeControl(parent, className, style, RECT{left, top, left + width, top + height}, id, instance, font, exStyle);
}

// A plain message box over `window` with the application title and an OK button.
void ShowPlainMessage(HWND window, const std::wstring& text);

// The system's message font (the one dialogs use), or its bold or underlined form, at `dpi`
// (0: the system's DPI).
enum class FontLook { Regular, Bold, Underlined };
UniqueFont CreateMessageFont(FontLook look = FontLook::Regular, int dpi = 0);
// A font of `points` points at `dpi`.
UniqueFont CreatePointFont(const wchar_t* face, int points, int dpi, int weight = FW_NORMAL);

// Width in pixels of a text in a window's font.
int TextWidth(HWND window, const std::wstring& text);
SIZE TextExtent(HWND window, const std::wstring& text);

// Report-view list columns.
// Where a row menu opened from the keyboard stands, in screen points: below the list's focused
// row, or at its top left when no row is in view.
POINT RowMenuPoint(HWND list);
void AddListColumn(HWND list, int index, const std::wstring& caption, int width);
void SetListColumnText(HWND list, int index, const std::wstring& caption);

// Opens a target with the shell's "open" verb, shown normally.
void ShellOpen(HWND owner, const std::wstring& target, const std::wstring& parameters = L"");

}  // namespace purgeon
