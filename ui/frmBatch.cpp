#include "ui/frmBatch.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <thread>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "ui/uiCommon.h"

namespace purgeon {

using uninstall::BatchReason;
using uninstall::BatchResult;
using uninstall::BatchState;
using uninstall::InstallerKind;

namespace {

enum ControlId { IDC_PROGRAMS = TBatchForm::kProgramListId, IDC_PROGRAMS_LABEL, IDC_QUIET, IDC_PROGRESS,
                 IDC_PROGRESS_LABEL, IDC_START, IDC_STOP, IDC_SCAN };

// Designed at 96 dots per inch, in client pixels; scaled to the screen's.
constexpr int kClientWidth = 760;
constexpr int kClientHeight = 418;
constexpr RECT kProgramsLabelRect{8, 10, 752, 26};
constexpr RECT kProgramsRect{8, 28, 752, 290};
constexpr RECT kQuietRect{8, 296, 752, 316};
constexpr RECT kProgressRect{8, 324, 752, 342};
constexpr RECT kProgressLabelRect{8, 348, 752, 366};
constexpr RECT kStartRect{360, 384, 452, 409};
constexpr RECT kStopRect{460, 384, 552, 409};
constexpr RECT kScanRect{560, 384, 652, 409};
constexpr RECT kCloseRect{660, 384, 752, 409};

enum Column { kColumnProgram, kColumnInstaller, kColumnQuiet, kColumnState, kColumnDetail };
constexpr int kColumnWidths[] = {200, 130, 80, 160, 170};

bool Ended(BatchState state) { return state != BatchState::Waiting && state != BatchState::Running; }
bool Removed(BatchState state) { return state == BatchState::Removed || state == BatchState::RemovedRestartNeeded; }

// "1602 (cancelled)": the code and, for the codes installers share, what it means.
std::wstring ExitCodeMeaning(DWORD code) {
    std::optional<TextKey> meaning;
    switch (code) {
        case 1602:
        case 1223: meaning = IDS_BATCHFORM_EXIT_Cancelled; break;
        case 3010:
        case 1641: meaning = IDS_BATCHFORM_EXIT_RestartNeeded; break;
        case 1605: meaning = IDS_BATCHFORM_EXIT_UnknownProduct; break;
        case 1618: meaning = IDS_BATCHFORM_EXIT_InstallInProgress; break;
        default: break;
    }
    const std::wstring number = Format(L"%lu", static_cast<unsigned long>(code));
    return meaning ? number + L" (" + LangText(*meaning) + L")" : number;
}

void SetCell(HWND list, int row, int column, const std::wstring& text) {
    ListView_SetItemText(list, row, column, const_cast<wchar_t*>(text.c_str()));
}

}  // namespace

std::wstring InstallerKindText(InstallerKind kind) {
    switch (kind) {
        case InstallerKind::WindowsInstaller: return LangText(IDS_BATCHFORM_KIND_WindowsInstaller);
        case InstallerKind::InnoSetup: return LangText(IDS_BATCHFORM_KIND_InnoSetup);
        case InstallerKind::Nsis: return LangText(IDS_BATCHFORM_KIND_Nsis);
        case InstallerKind::OwnQuietCommand: return LangText(IDS_BATCHFORM_KIND_OwnQuietCommand);
        case InstallerKind::Unknown: break;
    }
    return LangText(IDS_BATCHFORM_KIND_Unknown);
}

std::wstring BatchStateText(BatchState state) {
    switch (state) {
        case BatchState::Waiting: return LangText(IDS_BATCHFORM_STATE_Waiting);
        case BatchState::Running: return LangText(IDS_BATCHFORM_STATE_Running);
        case BatchState::Removed: return LangText(IDS_BATCHFORM_STATE_Removed);
        case BatchState::RemovedRestartNeeded: return LangText(IDS_BATCHFORM_STATE_RemovedRestartNeeded);
        case BatchState::StillInstalled: return LangText(IDS_BATCHFORM_STATE_StillInstalled);
        case BatchState::Skipped: return LangText(IDS_BATCHFORM_STATE_Skipped);
        case BatchState::Failed: break;
    }
    return LangText(IDS_BATCHFORM_STATE_Failed);
}

std::wstring BatchDetailText(const BatchResult& result, DWORD timeoutMs) {
    switch (result.reason) {
        case BatchReason::NoQuietForm: return LangText(IDS_BATCHFORM_REASON_NoQuietForm);
        case BatchReason::Stopped: return LangText(IDS_BATCHFORM_REASON_Stopped);
        case BatchReason::NotStarted: return LangText(IDS_BATCHFORM_REASON_NotStarted);
        case BatchReason::TimedOut:
            return Format(LangText(IDS_BATCHFORM_REASON_TimedOut).c_str(), static_cast<int>(timeoutMs / 1000));
        case BatchReason::WaitFailed: return LangText(IDS_BATCHFORM_REASON_WaitFailed);
        case BatchReason::NoUserToken: return LangText(IDS_BATCHFORM_REASON_NoUserToken);
        case BatchReason::NeedsConsent: return LangText(IDS_BATCHFORM_REASON_NeedsConsent);
        case BatchReason::None: break;
    }
    if (!Ended(result.state)) return L"";
    return result.exitCode ? Format(LangText(IDS_BATCHFORM_DETAIL_ExitCode).c_str(), ExitCodeMeaning(*result.exitCode).c_str())
                           : LangText(IDS_BATCHFORM_DETAIL_ExitCodeUnknown);
}

std::vector<RemainsScanPart> RemainsPartsOf(const std::vector<uninstall::BatchProgram>& programs,
                                            const std::vector<BatchResult>& results) {
    std::vector<RemainsScanPart> parts;
    for (size_t i = 0; i < programs.size() && i < results.size(); ++i) {
        // A program still installed keeps everything: its remains are not looked for.
        if (!Removed(results[i].state)) continue;
        const uninstall::BatchProgram& program = programs[i];
        parts.push_back({program.displayName.empty() ? program.keyName : program.displayName,
                         remains::ScanRequest{program.keyName, program.installLocation, program.keyPath,
                                              program.publisher, program.otherInstallLocations}});
    }
    return parts;
}

TBatchForm::~TBatchForm() {
    ForgetWorker();
    DestroyFormWindow();
}

std::vector<RemainsScanPart> TBatchForm::Run(HWND owner, HINSTANCE instance,
                                             std::vector<uninstall::BatchProgram> programs) {
    TBatchForm form;
    if (!form.Create(owner, instance, std::move(programs))) return {};
    form.RunModal(owner, form.btnStart_);
    if (!form.scanRequested_) return {};
    return RemainsPartsOf(form.programs_, form.Results());
}

bool TBatchForm::Create(HWND owner, HINSTANCE instance, std::vector<uninstall::BatchProgram> programs) {
    programs_ = std::move(programs);
    shown_.assign(programs_.size(), BatchResult{});
    running_ = finished_ = stopping_ = closeWhenDone_ = scanRequested_ = false;
    if (RecordDir.empty()) {
        const std::wstring programDir =
            AppPaths.ProgramDir.empty() ? ExtractFilePath(ModuleFileName(nullptr)) : AppPaths.ProgramDir;
        RecordDir = uninstall::UninstallRecordsFolderOf(programDir);
    }
    return CreateForm(owner, instance, kClassName, L"Uninstall Selected Programs", kClientWidth, kClientHeight,
                      FormSize::Client);
}

void TBatchForm::FormCreate() {
    HWND hwnd = hwnd_.get();
    font_ = CreateMessageFont(FontLook::Regular, dpi_);
    HFONT font = font_.get();
    lblPrograms_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX, Scaled(kProgramsLabelRect), IDC_PROGRAMS_LABEL,
                               instance_, font);
    lsvPrograms_ = MakeControl(hwnd, WC_LISTVIEWW,
                               LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP,
                               Scaled(kProgramsRect), IDC_PROGRAMS, instance_, font, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(lsvPrograms_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int column = kColumnProgram; column <= kColumnDetail; ++column)
        AddListColumn(lsvPrograms_, column, L"", Scaled(kColumnWidths[column]));
    ckbQuiet_ = MakeControl(hwnd, WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, Scaled(kQuietRect), IDC_QUIET, instance_,
                            font);
    progressBar_ = MakeControl(hwnd, PROGRESS_CLASSW, PBS_SMOOTH, Scaled(kProgressRect), IDC_PROGRESS, instance_, font);
    lblProgress_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX, Scaled(kProgressLabelRect), IDC_PROGRESS_LABEL,
                               instance_, font);
    btnStart_ = MakeControl(hwnd, WC_BUTTONW, BS_DEFPUSHBUTTON | WS_TABSTOP, Scaled(kStartRect), IDC_START, instance_,
                            font);
    btnStop_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, Scaled(kStopRect), IDC_STOP,
                           instance_, font);
    btnScan_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, Scaled(kScanRect), IDC_SCAN,
                           instance_, font);
    btnClose_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, Scaled(kCloseRect), IDCANCEL, instance_,
                            font);

    for (size_t i = 0; i < programs_.size(); ++i) {
        const uninstall::BatchProgram& program = programs_[i];
        const std::wstring caption = program.displayName.empty() ? program.keyName : program.displayName;
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(caption.c_str());
        const int row = ListView_InsertItem(lsvPrograms_, &item);
        SetCell(lsvPrograms_, row, kColumnInstaller, InstallerKindText(program.quiet.kind));
        SetCell(lsvPrograms_, row, kColumnQuiet,
                LangText(program.quiet.quietCommand ? IDS_BATCHFORM_QUIET_Known : IDS_BATCHFORM_QUIET_None));
        ShowRow(i, shown_[i]);
    }
    // Quiet unless a program would then be skipped: the user decides for those.
    const bool allQuiet = std::all_of(programs_.begin(), programs_.end(), [](const uninstall::BatchProgram& program) {
        return program.quiet.quietCommand.has_value();
    });
    Button_SetCheck(ckbQuiet_, allQuiet ? BST_CHECKED : BST_UNCHECKED);
    SendMessageW(progressBar_, PBM_SETRANGE32, 0, static_cast<LPARAM>(std::max<size_t>(programs_.size(), 1)));
    EnableWindow(btnStart_, !programs_.empty());
}

void TBatchForm::FormShow() {
    SetWindowTextW(hwnd_.get(), LangText(IDS_BATCHFORM_Title).c_str());
    SetWindowTextW(lblPrograms_, LangText(IDS_BATCHFORM_LABEL_Programs).c_str());
    const TextKey columns[] = {IDS_BATCHFORM_COLUMN_Program, IDS_BATCHFORM_COLUMN_Installer,
                               IDS_BATCHFORM_COLUMN_QuietForm, IDS_BATCHFORM_COLUMN_State,
                               IDS_BATCHFORM_COLUMN_Detail};
    for (int column = kColumnProgram; column <= kColumnDetail; ++column)
        SetListColumnText(lsvPrograms_, column, LangText(columns[column]));
    SetWindowTextW(ckbQuiet_, LangText(IDS_BATCHFORM_CHECKBOX_Quiet).c_str());
    SetWindowTextW(btnStart_, LangText(IDS_BATCHFORM_BUTTON_Start).c_str());
    SetWindowTextW(btnStop_, LangText(IDS_BATCHFORM_BUTTON_Stop).c_str());
    SetWindowTextW(btnScan_, LangText(IDS_BATCHFORM_BUTTON_ScanRemains).c_str());
    SetWindowTextW(btnClose_, LangText(IDS_BATCHFORM_BUTTON_Close).c_str());
    ShowProgress();
}

LRESULT TBatchForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_BATCH_CHANGED: {
            // Anyone can post this: it only makes the row show what the worker has stored.
            if (!shared_ || wParam >= programs_.size()) return 0;
            BatchResult result;
            {
                std::lock_guard<std::mutex> hold(shared_->lock);
                result = shared_->results[wParam];
            }
            ShowRow(wParam, result);
            ShowProgress();
            return 0;
        }
        case WM_BATCH_DONE:
            BatchEnded();
            return 0;
        default:
            break;
    }
    return TFormBase::HandleMessage(message, wParam, lParam);
}

void TBatchForm::OnCommand(WORD id, WORD code, HWND control) {
    if (!ClickedOrKey(code, control)) return;
    switch (id) {
        case IDC_START: btnStartClick(); break;
        case IDC_STOP: btnStopClick(); break;
        case IDC_SCAN: btnScanClick(); break;
        case IDOK:  // Enter: the default button
            if (!running_ && !finished_) btnStartClick();
            else if (finished_ && IsWindowEnabled(btnScan_)) btnScanClick();
            break;
        case IDCANCEL: btnCloseClick(); break;  // also Esc
        default: break;
    }
}

void TBatchForm::OnClose() { btnCloseClick(); }

void TBatchForm::btnStartClick() {
    if (running_ || finished_ || programs_.empty() || !hwnd_) return;
    running_ = true;
    shared_ = std::make_shared<Shared>();
    shared_->target = hwnd_.get();
    shared_->results.assign(programs_.size(), BatchResult{});
    EnableWindow(ckbQuiet_, FALSE);
    EnableWindow(btnStart_, FALSE);
    EnableWindow(btnStop_, TRUE);
    SetFocus(btnStop_);

    uninstall::BatchOptions options;
    options.quiet = Button_GetCheck(ckbQuiet_) == BST_CHECKED;
    options.timeoutMs = TimeoutMs;
    options.recordDir = RecordDir;
    // The worker has copies of everything it needs: the window may go before it ends.
    std::thread([shared = shared_, programs = programs_, options, run = RunCommand] {
        uninstall::BatchHooks hooks;
        hooks.onChange = [&shared](size_t index, const BatchResult& result) {
            std::lock_guard<std::mutex> hold(shared->lock);
            shared->results[index] = result;
            if (shared->target) PostMessageW(shared->target, WM_BATCH_CHANGED, index, 0);
        };
        hooks.stopRequested = [&shared] { return shared->stop.load(); };
        hooks.run = run;
        std::vector<BatchResult> results;
        try {
            results = uninstall::RunBatch(programs, options, hooks);
        } catch (...) {
            // What had not ended when the batch broke off did not run as far as anyone knows.
            std::lock_guard<std::mutex> hold(shared->lock);
            results = shared->results;
            for (BatchResult& result : results)
                if (!Ended(result.state)) result = {BatchState::Failed, std::nullopt, L"", BatchReason::NotStarted};
        }
        std::lock_guard<std::mutex> hold(shared->lock);
        shared->results = std::move(results);
        shared->done = true;
        if (shared->target) PostMessageW(shared->target, WM_BATCH_DONE, 0, 0);
    }).detach();
    ShowProgress();
}

void TBatchForm::btnStopClick() {
    if (!running_ || stopping_) return;
    stopping_ = true;
    shared_->stop = true;
    EnableWindow(btnStop_, FALSE);
    ShowProgress();
}

void TBatchForm::btnScanClick() {
    if (!finished_) return;
    scanRequested_ = true;
    done_ = true;
}

// While the batch runs, closing stops it and the window goes once what runs now has ended.
void TBatchForm::btnCloseClick() {
    if (running_) {
        closeWhenDone_ = true;
        btnStopClick();
        return;
    }
    done_ = true;
}

void TBatchForm::BatchEnded() {
    if (!shared_ || !running_) return;
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        if (!shared_->done) return;  // not the worker's message
        for (size_t i = 0; i < programs_.size(); ++i) shown_[i] = shared_->results[i];
    }
    running_ = false;
    finished_ = true;
    for (size_t i = 0; i < programs_.size(); ++i) ShowRow(i, shown_[i]);
    EnableWindow(btnStop_, FALSE);
    const bool anyRemoved =
        std::any_of(shown_.begin(), shown_.end(), [](const BatchResult& result) { return Removed(result.state); });
    EnableWindow(btnScan_, anyRemoved);
    SendMessageW(btnStart_, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (anyRemoved) SendMessageW(btnScan_, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    SetFocus(anyRemoved ? btnScan_ : btnClose_);
    ShowProgress();
    if (closeWhenDone_) done_ = true;
}

void TBatchForm::ShowRow(size_t index, const BatchResult& result) {
    if (index >= shown_.size()) return;
    shown_[index] = result;
    const int row = static_cast<int>(index);
    SetCell(lsvPrograms_, row, kColumnState, BatchStateText(result.state));
    SetCell(lsvPrograms_, row, kColumnDetail, BatchDetailText(result, TimeoutMs));
}

void TBatchForm::ShowProgress() {
    const size_t ended = static_cast<size_t>(
        std::count_if(shown_.begin(), shown_.end(), [](const BatchResult& result) { return Ended(result.state); }));
    SendMessageW(progressBar_, PBM_SETPOS, ended, 0);
    std::wstring text = Format(LangText(IDS_BATCHFORM_LABEL_Progress).c_str(), static_cast<int>(ended),
                               static_cast<int>(programs_.size()));
    if (stopping_ && running_) text += L"    " + LangText(IDS_BATCHFORM_LABEL_Stopping);
    SetWindowTextW(lblProgress_, text.c_str());
}

std::vector<BatchResult> TBatchForm::Results() const {
    if (!shared_) return shown_;
    std::lock_guard<std::mutex> hold(shared_->lock);
    return shared_->results;
}

void TBatchForm::ForgetWorker() {
    if (!shared_) return;
    // Nothing more starts, and nothing is posted to a window that has gone.
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->target = nullptr;
    shared_->stop = true;
}

void TBatchForm::WindowDestroyed() {
    ForgetWorker();
    TFormBase::WindowDestroyed();
}

}  // namespace purgeon
