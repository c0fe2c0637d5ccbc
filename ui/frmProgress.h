#pragma once
// TProgressForm: the "Backup Progress" window of the full backup. Shortly after it is shown it
// writes one .reg file per Uninstall subkey; its bar counts the files written. At the end it says
// whether every file was written, or which keys failed and why, and closes. Closing it during the
// backup stops after the file being written, without a message.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "backup/fullBackup.h"
#include "ui/formBase.h"

namespace purgeon {

class TProgressForm : public TFormBase {
public:
    ~TProgressForm() { DestroyFormWindow(); }  // the window goes before its picture

    // The window's message at the end; by default a message box with the application title.
    using MessageSink = std::function<void(HWND window, const std::wstring& text, bool success)>;

    // Shows the window modally over `owner` and backs up `sources` into `folder`. The window's
    // background is the picture the skin in `skinDir` names; without it, the system's face colour.
    static backup::BackupResult Run(HWND owner, HINSTANCE instance, const std::vector<backup::UninstallSource>& sources,
                                    const std::wstring& folder, const MessageSink& showMessage = {},
                                    const std::function<void(TProgressForm& form)>& onProgress = {},
                                    const std::wstring& skinDir = {});

    HWND InfoLabel() const { return lblInfo_; }
    HWND ProgressBar() const { return progressBar_; }
    int Position() const;
    // Asks the backup to stop after the current file, as the close box does.
    void Close();

    static constexpr wchar_t kClassName[] = L"TProgressForm";
    static constexpr int kClientWidth = 391;
    static constexpr int kClientHeight = 182;
    static constexpr UINT kTimerId = 1;
    static constexpr UINT kTimerMs = 100;

    // The bar's position for `done` of `total` files, 0 to 100.
    static int PercentOf(size_t done, size_t total);

private:
    static LRESULT CALLBACK BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormCreate() override;
    void FormShow() override;
    void WindowDestroyed() override;
    void OnTimer(UINT_PTR id) override;
    void OnClose() override { Close(); }
    void TimerBackupTimer();
    bool Progress(size_t done, size_t total);

    std::vector<backup::UninstallSource> sources_;
    std::wstring folder_;
    std::wstring skinDir_;
    UniqueBitmap picture_;  // drawn at its own size: the skin makes it as large as the window
    UniqueBrush labelBrush_;
    COLORREF labelColour_ = CLR_INVALID;  // light or dark, whichever reads on the picture
    MessageSink showMessage_;
    std::function<void(TProgressForm&)> onProgress_;
    HWND lblInfo_ = nullptr;
    HWND progressBar_ = nullptr;
    bool started_ = false;
    bool closing_ = false;
    backup::BackupResult result_;
};

}  // namespace purgeon
