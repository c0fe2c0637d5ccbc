#include "ui/frmSplash.h"

#include <commctrl.h>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "skins/multiSkins.h"
#include "ui/skinPictures.h"
#include "ui/uiCommon.h"
#include "ui/widgets/widgetWindow.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kNextTimer = 2;
constexpr int IDC_COPYRIGHT = 100;

}  // namespace

void TSplashForm::ShowSplash(HINSTANCE instance, const std::function<void()>& whileShown,
                             const std::function<bool()>& ready, const std::function<void()>& showNext) {
    TSplashForm splash;
    bool ran = false;
    splash.OnShown = [&](TSplashForm&) {
        ran = true;
        if (whileShown) whileShown();
    };
    splash.ready_ = ready;
    splash.showNext_ = showNext;
    splash.Run(instance, AppPaths.SkinDir);
    if (!ran && whileShown) whileShown();
    if (!splash.nextShown_ && showNext) showNext();
}

bool TSplashForm::Run(HINSTANCE instance, const std::wstring& skinDir) {
    instance_ = instance;
    skinDir_ = skinDir;
    done_ = false;
    dpi_ = WindowDpi(nullptr);
    if (!RegisterFormClass(instance, kClassName, FormWindowProc<TFormBase>)) return false;
    // No border, no caption, no taskbar button: the main window gets those.
    CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kClassName, kAppTitle, WS_POPUP, 0, 0, Scaled(kDesignWidth),
                    Scaled(kDesignHeight), nullptr, nullptr, instance, static_cast<TFormBase*>(this));
    HWND hwnd = hwnd_.get();
    if (!hwnd) return false;
    CentreOnOwner(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    if (OnShown) OnShown(*this);
    // What whileShown posts to its windows is handled here meanwhile.
    RunModalLoop(hwnd, [&] {
        if (nextDue_ && !nextShown_ && Ready()) {
            nextShown_ = true;
            if (showNext_) showNext_();
        }
        return hwnd_ && !(done_ && Ready());
    });
    hwnd_.reset();
    return true;
}

LRESULT TSplashForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_.get();
    try {
        switch (message) {
        case WM_TIMER:
            if (wParam == kShowTimer) tmrShowTimer();
            if (wParam == kNextTimer) {
                KillTimer(hwnd, kNextTimer);
                nextDue_ = true;
            }
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            Paint(PaintSession(hwnd).dc());
            return 0;
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_CTLCOLORSTATIC: {
            // The notice lies on the picture: no background of its own.
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, noticeColour_);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        case WM_CLOSE:
            return 0;  // only the timer closes the splash
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
    } catch (...) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void TSplashForm::FormCreate() {
    try {
        HWND hwnd = hwnd_.get();
        SetTimer(hwnd, kShowTimer, kShowMilliseconds, nullptr);
        SetTimer(hwnd, kNextTimer, kShowMilliseconds - kFollowMilliseconds, nullptr);
        font_ = CreatePointFont(L"Tahoma", 8, dpi_);
        // The window takes the picture's size; without one it keeps its designed size.
        LoadedPicture loaded = LoadSkinPicture(SK_SPLASHFORM_IMAGE_CHARGE, skinDir_, dpi_);
        picture_ = std::move(loaded.bitmap);
        noticeColour_ = GetSysColor(COLOR_BTNTEXT);
        if (picture_) {
            BITMAP info{};
            GetObjectW(picture_.get(), sizeof info, &info);
            SetWindowPos(hwnd, nullptr, 0, 0, info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            std::optional<int> brightness = PictureBrightness(picture_.get(), Scaled(kCopyrightRect));
            if (brightness && *brightness < 128) noticeColour_ = RGB(236, 242, 250);
        }
        lblCopyrightInfo_ = MakeControl(hwnd, WC_STATICW, SS_LEFT | SS_NOPREFIX, Scaled(kCopyrightRect), IDC_COPYRIGHT,
                                        instance_, font_.get());
        SetWindowTextW(lblCopyrightInfo_, LangText(IDS_SPLASHFORM_LABEL_Copyright).c_str());
    } catch (...) {
        // What could be made stays; the splash shows it.
    }
}

void TSplashForm::tmrShowTimer() {
    KillTimer(hwnd_.get(), kShowTimer);
    done_ = true;
}

void TSplashForm::Paint(HDC dc) {
    RECT client;
    GetClientRect(hwnd_.get(), &client);
    widgets_detail::FillSolid(dc, client, GetSysColor(COLOR_BTNFACE));
    if (!picture_) return;
    BITMAP info{};
    GetObjectW(picture_.get(), sizeof info, &info);
    RECT area{0, 0, info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
    widgets_detail::DrawPicture(dc, picture_.get(), area);
}

}  // namespace purgeon
