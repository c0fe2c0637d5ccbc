#pragma once
// TSplashForm: the borderless window that presents the product at start-up, for a second and
// a half, with the skin's splash picture and the notice text. Only its timer closes it. It stands
// above other windows and never takes the activation: the window that follows shows under it for
// its last quarter second, and takes the activation once it has gone (under Wine, hiding an
// activated window without a window manager waits two seconds for a reply that never comes).
#include <windows.h>

#include <functional>
#include <string>

#include "common/handles.h"
#include "ui/formBase.h"

namespace purgeon {

class TSplashForm : public TFormBase {
public:
    // Start-up's entry: shows the splash modally, centred on the screen, until its timer closes
    // it, with the picture SK_SPLASHFORM_IMAGE_CHARGE names in AppPaths.SkinDir. `whileShown`
    // runs once the splash stands (also when it cannot be shown), so start-up's work takes the
    // splash's time; past its time the splash still stands until `ready` holds. `showNext` shows
    // the window that follows, without activating it, kFollowMilliseconds before the splash goes
    // (once `ready` holds), so that window stands painted as the splash goes; it runs also when
    // the splash could not be shown.
    static void ShowSplash(HINSTANCE instance, const std::function<void()>& whileShown = {},
                           const std::function<bool()>& ready = {}, const std::function<void()>& showNext = {});

    // Shows it with the pictures of skinDir; false when the window cannot be made.
    bool Run(HINSTANCE instance, const std::wstring& skinDir);

    // Called once the window is shown, before the timer can fire; lets tests look at it.
    std::function<void(TSplashForm& form)> OnShown;

    HWND CopyrightLabel() const { return lblCopyrightInfo_; }
    HBITMAP Picture() const { return picture_.get(); }
    COLORREF NoticeColour() const { return noticeColour_; }

    static constexpr wchar_t kClassName[] = L"TSplashForm";
    static constexpr UINT kShowMilliseconds = 1500;
    static constexpr UINT kFollowMilliseconds = 250;
    static constexpr int kDesignWidth = 503;
    static constexpr int kDesignHeight = 240;
    static constexpr RECT kCopyrightRect{147, 152, 147 + 350, 152 + 65};

private:
    // A splash has nobody to report an error to: these two keep errors to themselves.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormCreate() override;
    void tmrShowTimer();
    bool Ready() const { return !ready_ || ready_(); }
    void Paint(HDC dc);

    std::function<bool()> ready_;
    std::function<void()> showNext_;
    bool nextDue_ = false, nextShown_ = false;
    std::wstring skinDir_;
    UniqueBitmap picture_;
    HWND lblCopyrightInfo_ = nullptr;
    COLORREF noticeColour_ = RGB(0, 0, 0);
};

}  // namespace purgeon
