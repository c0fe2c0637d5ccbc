#include "ui/frmProgress.h"

#include <commctrl.h>

#include <cstdlib>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "ui/skinPictures.h"
#include "ui/uiCommon.h"
#include "ui/widgets/widgetWindow.h"

namespace purgeon {

namespace {

enum ControlId { IDC_INFO = 100, IDC_PROGRESS };
constexpr RECT kInfoRect{59, 64, 340, 89};
constexpr RECT kBarRect{56, 91, 337, 116};

void DefaultMessage(HWND window, const std::wstring& text, bool success) {
    MessageBoxW(window, text.c_str(), kAppTitle, success ? MB_OK : MB_OK | MB_ICONWARNING);
}

}  // namespace

int TProgressForm::PercentOf(size_t done, size_t total) {
    if (total == 0) return 100;
    return static_cast<int>(done * 100 / total);
}

backup::BackupResult TProgressForm::Run(HWND owner, HINSTANCE instance,
                                        const std::vector<backup::UninstallSource>& sources, const std::wstring& folder,
                                        const MessageSink& showMessage,
                                        const std::function<void(TProgressForm& form)>& onProgress,
                                        const std::wstring& skinDir) {
    TProgressForm form;
    form.skinDir_ = skinDir;
    form.sources_ = sources;
    form.folder_ = folder;
    form.showMessage_ = showMessage ? showMessage : MessageSink(DefaultMessage);
    form.onProgress_ = onProgress;
    if (!form.CreateForm(owner, instance, kClassName, L"Backup Progress", kClientWidth, kClientHeight,
                         FormSize::Client)) {
        form.result_.cancelled = true;
        return form.result_;
    }
    form.RunModal(owner);
    if (!form.started_) form.result_.cancelled = true;  // closed before the first file
    return form.result_;
}

int TProgressForm::Position() const {
    return static_cast<int>(SendMessageW(progressBar_, PBM_GETPOS, 0, 0));
}

void TProgressForm::Close() {
    closing_ = true;
    if (!started_) done_ = true;  // nothing runs yet: close at once
}

void TProgressForm::WindowDestroyed() {
    TFormBase::WindowDestroyed();
    closing_ = true;
}

void TProgressForm::OnTimer(UINT_PTR id) {
    if (id == kTimerId) TimerBackupTimer();
}

LRESULT TProgressForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: {
            if (!picture_) break;
            RECT client;
            GetClientRect(hwnd_.get(), &client);
            HDC dc = reinterpret_cast<HDC>(wParam);
            widgets_detail::FillSolid(dc, client, GetSysColor(COLOR_BTNFACE));
            BITMAP info{};
            GetObjectW(picture_.get(), sizeof info, &info);
            widgets_detail::DrawPicture(dc, picture_.get(),
                                        RECT{0, 0, info.bmWidth, std::abs(info.bmHeight)});
            return 1;
        }
        case WM_CTLCOLORSTATIC: {
            if (!picture_) break;
            // The label's background is its piece of the picture.
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, labelColour_);
            SetBrushOrgEx(dc, -Scaled(kInfoRect.left), -Scaled(kInfoRect.top), nullptr);
            return reinterpret_cast<LRESULT>(labelBrush_.get());
        }
        default:
            break;
    }
    return TFormBase::HandleMessage(message, wParam, lParam);
}

void TProgressForm::FormCreate() {
    HWND hwnd = hwnd_.get();
    if (!skinDir_.empty()) {
        // A missing or unreadable picture leaves the plain window.
        picture_ = LoadProgressFormPicture(skinDir_, dpi_).bitmap;
        if (picture_) labelBrush_.reset(CreatePatternBrush(picture_.get()));
        if (!labelBrush_) picture_.reset();
        if (picture_) {
            std::optional<int> brightness = PictureBrightness(picture_.get(), Scaled(kInfoRect));
            labelColour_ = brightness && *brightness < 128 ? RGB(255, 255, 255) : RGB(0, 0, 0);
        }
    }
    font_ = CreateMessageFont(FontLook::Regular, dpi_);
    HFONT font = font_.get();
    lblInfo_ = MakeControl(hwnd, WC_STATICW, SS_CENTER | SS_NOPREFIX, Scaled(kInfoRect), IDC_INFO, instance_, font);
    progressBar_ = MakeControl(hwnd, PROGRESS_CLASSW, PBS_SMOOTH, Scaled(kBarRect), IDC_PROGRESS, instance_, font);
    SendMessageW(progressBar_, PBM_SETRANGE32, 0, 100);
    SendMessageW(progressBar_, PBM_SETPOS, 0, 0);
    SetWindowSubclass(progressBar_, BarProc, 1, reinterpret_cast<DWORD_PTR>(this));
    SetTimer(hwnd, kTimerId, kTimerMs, nullptr);
}

void TProgressForm::FormShow() {
    SetWindowTextW(hwnd_.get(), LangText(IDS_PROGRESSFORM_Title).c_str());
    SetWindowTextW(lblInfo_, LangText(IDS_PROGRESSFORM_LABEL_Info).c_str());
}

// The bar shows its position as a percentage over itself.
LRESULT CALLBACK TProgressForm::BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(bar, BarProc, 1);
    LRESULT result = DefSubclassProc(bar, message, wParam, lParam);
    if (message == WM_PAINT || message == PBM_SETPOS) try {
        WindowDc dc(bar);
        RECT client{};
        GetClientRect(bar, &client);
        SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(bar, WM_GETFONT, 0, 0)));
        SetBkMode(dc.get(), TRANSPARENT);
        const std::wstring text = Format(L"%d%%", static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)));
        DrawTextW(dc.get(), text.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    } catch (...) {
        // Without its percentage the bar still shows the progress.
    }
    return result;
}

bool TProgressForm::Progress(size_t done, size_t total) {
    if (!hwnd_) return false;
    SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(PercentOf(done, total)), 0);
    if (onProgress_) onProgress_(*this);
    // The window answers and can be closed between two files; the application's quit closes it too.
    if (!PumpPending()) closing_ = true;
    return !closing_;
}

void TProgressForm::TimerBackupTimer() {
    HWND hwnd = hwnd_.get();
    if (!hwnd || started_) return;
    KillTimer(hwnd, kTimerId);  // one backup per window
    started_ = true;
    try {
        result_ = backup::BackUpUninstallKeys(sources_, folder_,
                                              [this](size_t done, size_t total) { return Progress(done, total); });
    } catch (...) {
        // The backup did not finish: the window closes and the error report says why.
        result_.cancelled = true;
        done_ = true;
        throw;
    }
    if (!hwnd_) return;
    if (result_.keys.empty()) SendMessageW(progressBar_, PBM_SETPOS, 100, 0);
    if (!result_.cancelled && !closing_) showMessage_(hwnd_.get(), backup::BackupOutcomeText(result_), result_.AllSaved());
    done_ = true;
}

}  // namespace purgeon
