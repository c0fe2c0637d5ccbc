#pragma once
// TBatchForm: the "Uninstall Selected Programs" window. It lists the programs of a batch with
// their installer's kind, whether a quiet form is known, and how far each has come. Start runs
// the batch on a worker thread (quietly while "Quiet" is checked); Stop starts nothing more and
// lets what runs now end, never killing an uninstaller. Once the batch has ended, "Scan
// Remains..." hands the removed programs to one remains scan.
// The worker never touches a control: it posts the window each change, and the window reads the
// outcomes it shares with the worker under a lock.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/formBase.h"
#include "ui/frmScanRemains.h"
#include "uninstall/uninstall.h"

namespace purgeon {

// Posted by a batch's worker: wParam the program whose state changed.
inline constexpr UINT WM_BATCH_CHANGED = WM_APP + 20;
// Posted by a batch's worker once the batch has ended.
inline constexpr UINT WM_BATCH_DONE = WM_APP + 21;

// The texts a batch's row shows, in the current language.
std::wstring InstallerKindText(uninstall::InstallerKind kind);
std::wstring BatchStateText(uninstall::BatchState state);
// The exit code and what it means, or why the program was skipped or failed; empty while it waits
// or runs. `timeoutMs` is the batch's limit, which a timed-out program names.
std::wstring BatchDetailText(const uninstall::BatchResult& result, DWORD timeoutMs);
// The removed programs of a batch, each with its own terms, for one remains scan.
std::vector<RemainsScanPart> RemainsPartsOf(const std::vector<uninstall::BatchProgram>& programs,
                                            const std::vector<uninstall::BatchResult>& results);

class TBatchForm : public TFormBase {
public:
    TBatchForm() = default;
    ~TBatchForm();

    // Shows the window modally over `owner` until it is closed. The remains scan's parts when the
    // user chose "Scan Remains..." after the batch, else none.
    static std::vector<RemainsScanPart> Run(HWND owner, HINSTANCE instance,
                                            std::vector<uninstall::BatchProgram> programs);

    // Creates the window hidden with the programs listed, all waiting. Run shows it; tests
    // drive it themselves.
    bool Create(HWND owner, HINSTANCE instance, std::vector<uninstall::BatchProgram> programs);

    // Runs one command; RunAndWait unless a test puts its own.
    std::function<uninstall::UninstallRun(const std::wstring& command, const uninstall::RunOptions& options)> RunCommand;
    // Where each program's terms are written before its uninstaller starts; the per-user records
    // folder beside the program unless set. Also the limit for a quiet uninstaller.
    std::wstring RecordDir;
    DWORD TimeoutMs = 10 * 60 * 1000;

    bool Running() const { return running_; }
    bool Finished() const { return finished_; }
    bool ScanRequested() const { return scanRequested_; }
    std::vector<uninstall::BatchResult> Results() const;
    const std::vector<uninstall::BatchProgram>& Programs() const { return programs_; }

    HWND ProgramList() const { return lsvPrograms_; }
    HWND QuietBox() const { return ckbQuiet_; }
    HWND StartButton() const { return btnStart_; }
    HWND StopButton() const { return btnStop_; }
    HWND ScanButton() const { return btnScan_; }
    HWND CloseButton() const { return btnClose_; }
    HWND ProgressBar() const { return progressBar_; }
    HWND ProgressLabel() const { return lblProgress_; }
    bool Closed() const { return done_; }

    static constexpr wchar_t kClassName[] = L"TBatchForm";
    static constexpr int kProgramListId = 101;

private:
    // What the window and its worker share; the worker holds it too, so it may outlive the window
    // (nothing waits for an uninstaller the user left running when the program ends).
    struct Shared {
        std::mutex lock;
        HWND target = nullptr;  // null once the window has gone
        std::vector<uninstall::BatchResult> results;
        std::atomic<bool> stop{false};
        bool done = false;
    };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormCreate() override;
    void FormShow() override;
    void WindowDestroyed() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnClose() override;
    void btnStartClick();
    void btnStopClick();
    void btnScanClick();
    void btnCloseClick();
    void BatchEnded();
    void ShowRow(size_t index, const uninstall::BatchResult& result);
    void ShowProgress();
    void ForgetWorker();

    std::vector<uninstall::BatchProgram> programs_;
    std::vector<uninstall::BatchResult> shown_;  // what each row shows now
    std::shared_ptr<Shared> shared_;
    HWND lblPrograms_ = nullptr;
    HWND lsvPrograms_ = nullptr;
    HWND ckbQuiet_ = nullptr;
    HWND progressBar_ = nullptr;
    HWND lblProgress_ = nullptr;
    HWND btnStart_ = nullptr;
    HWND btnStop_ = nullptr;
    HWND btnScan_ = nullptr;
    HWND btnClose_ = nullptr;
    bool running_ = false;
    bool finished_ = false;
    bool stopping_ = false;
    bool closeWhenDone_ = false;
    bool scanRequested_ = false;
};

}  // namespace purgeon
