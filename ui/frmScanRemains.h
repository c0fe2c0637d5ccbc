#pragma once
// TScanForm: the "Scan Remains" window. Shortly after it is shown it searches the registry for
// keys named like the program's uninstall key and lists the install folder's contents, in two
// check-box trees; Delete takes what stays checked into a clean-up backup that can be undone, and
// says what stayed and why.
// The search terms come from the caller; the window never looks at the main window's selection.
// After a batch it scans several programs at once: each one's findings under a node of its own,
// each with its own default marks, and Delete makes one clean-up per program, so each backup and
// its undo belong to one program.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "remains/remains.h"
#include "cleanup/cleanup.h"
#include "common/handles.h"
#include "ui/formBase.h"

namespace purgeon {

// One program of a remains scan: the name its top nodes show and its own terms.
struct RemainsScanPart {
    std::wstring caption;
    remains::ScanRequest request;
};

class TScanForm : public TFormBase {
public:
    TScanForm() = default;
    ~TScanForm();

    // Shows the window modally over `owner` (disabled meanwhile) until Cancel, the close box, or an
    // empty scan closes it.
    static void Run(HWND owner, HINSTANCE instance, const remains::ScanRequest& request);
    // The same for several programs; with one it is the window above.
    static void Run(HWND owner, HINSTANCE instance, std::vector<RemainsScanPart> parts);

    // Creates the window hidden, with its texts set and the start timer running. Run shows it and
    // runs the loop; tests drive it without showing it.
    bool Create(HWND owner, HINSTANCE instance, const remains::ScanRequest& request);
    // Several programs: with more than one, each tree holds one top node per program that has
    // findings there, named by its caption, with that program's findings below it.
    bool Create(HWND owner, HINSTANCE instance, std::vector<RemainsScanPart> parts);
    // For a program known only by its key name and folder.
    bool Create(HWND owner, HINSTANCE instance, const std::wstring& keyName, const std::wstring& installLocation) {
        return Create(owner, instance, remains::ScanRequest{keyName, installLocation});
    }
    // The leftovers of programs that are gone, as `find` finds them, in the same window: one node
    // per likely program with its findings and their reasons; Delete takes what stays checked
    // into one clean-up.
    using LeftoverFind = std::function<std::vector<remains::Leftover>(const remains::ScanProgress& progress)>;
    static void RunLeftovers(HWND owner, HINSTANCE instance, LeftoverFind find);
    bool CreateLeftovers(HWND owner, HINSTANCE instance, LeftoverFind find);
    // The scan itself (the first timer tick calls it; the timer stops first, so it runs once).
    void StartScan();
    // The Delete button.
    void PressDelete();
    // A click on a node's check box: the node and the marks above and below it follow.
    void ToggleItem(HWND tree, HTREEITEM item);

    // Tells the user something; by default a message box with OK only and the application title.
    std::function<void(HWND window, const std::wstring& text)> ShowMessage;
    // Where Delete makes the clean-up's backup folder; "Back up\Clean-ups\" beside the program
    // unless set.
    std::wstring BackupDir;

    HWND RegTree() const { return tvScanRegInfo_; }
    HWND FileTree() const { return tvScanFiles_; }
    HWND ScanInfoLabel() const { return lblScanInfo_; }
    HWND DeleteButton() const { return btnDelete_; }
    HWND CancelButton() const { return btnCancel_; }
    bool Scanned() const { return scanned_; }
    bool Closed() const { return done_; }
    // What the last Delete did: its last clean-up, and every clean-up it made (one per program
    // that had anything checked).
    const cleanup::CleanupResult& LastCleanup() const { return lastCleanup_; }
    const std::vector<cleanup::CleanupResult>& LastCleanups() const { return lastCleanups_; }

    static constexpr wchar_t kClassName[] = L"TScanForm";
    static constexpr UINT kStartTimerId = 1;
    static constexpr UINT kStartDelayMs = 200;

private:
    static LRESULT CALLBACK TreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    void FormCreate() override;
    void FormShow() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    // Not while the scan runs: it cannot be cancelled.
    void OnClose() override {
        if (!scanning_) btnCancelClick();
    }
    void btnCancelClick();
    void Tell(const std::wstring& text);
    void Progress(const std::wstring& path);
    std::vector<remains::ScanNode>& ModelOf(HWND tree);
    void FillTree(HWND tree);
    void ShowStates(HWND tree);
    bool Grouped() const { return parts_.size() > 1; }
    void DeleteEachProgram();

    std::vector<RemainsScanPart> parts_;
    // While grouped: the part each top node of keys_ and files_ belongs to.
    std::vector<size_t> keyParts_, fileParts_;
    LeftoverFind findLeftovers_;  // set: the window lists leftovers, grouped by program
    UniqueImageList checkImages_;
    HWND lblScaning_ = nullptr;
    HWND lblScanInfo_ = nullptr;
    HWND lblRegInfoLeft_ = nullptr;
    HWND tvScanRegInfo_ = nullptr;
    HWND lblFileLeft_ = nullptr;
    HWND tvScanFiles_ = nullptr;
    HWND btnDelete_ = nullptr;
    HWND btnCancel_ = nullptr;
    std::vector<remains::ScanNode> keys_;
    std::vector<remains::ScanNode> files_;
    cleanup::CleanupResult lastCleanup_;
    std::vector<cleanup::CleanupResult> lastCleanups_;
    bool scanning_ = false;
    bool scanned_ = false;
};

}  // namespace purgeon
