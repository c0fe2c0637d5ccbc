#pragma once
// TUndoForm: the "Undo Clean-up" window. It lists the clean-ups whose backups are kept (date,
// program, keys, files, size); Restore gives the selected one back, Delete removes its backup after
// asking. What could not be given back or deleted is named in a message.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "cleanup/cleanup.h"
#include "ui/formBase.h"

namespace purgeon {

class TUndoForm : public TFormBase {
public:
    // Shows the window modally over `owner` (disabled meanwhile) until Close, Esc or the close
    // box. Without a folder, the clean-ups kept beside the program.
    static void Run(HWND owner, HINSTANCE instance);
    static void Run(HWND owner, HINSTANCE instance, const std::wstring& cleanupsRoot);

    // Creates the window hidden, with its texts set and the list filled; Run shows it and runs the
    // loop, tests drive it without.
    bool Create(HWND owner, HINSTANCE instance, const std::wstring& cleanupsRoot);
    void SelectRow(int row);
    void PressRestore();
    void PressDelete();
    // Reads the clean-ups again and shows them.
    void Refresh();

    // Tells the user something; by default a message box with OK only and the application title.
    std::function<void(HWND window, const std::wstring& text)> ShowMessage;
    // Asks a Yes/No question; true for Yes. By default the application's question box.
    std::function<bool(HWND window, const std::wstring& text)> Ask;

    HWND List() const { return lsvCleanups_; }
    HWND RestoreButton() const { return btnRestore_; }
    HWND DeleteButton() const { return btnDelete_; }
    HWND CloseButton() const { return btnClose_; }
    const std::vector<cleanup::CleanupSummary>& Cleanups() const { return cleanups_; }
    bool Closed() const { return done_; }

    static constexpr wchar_t kClassName[] = L"TUndoForm";

private:
    void FormCreate() override;
    void FormShow() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnNotify(const NMHDR& header) override;
    void OnClose() override { btnCloseClick(); }
    void btnCloseClick();
    void Tell(const std::wstring& text);
    int SelectedRow() const;
    void ShowSelectionState();

    std::wstring root_;
    HWND lblCleanups_ = nullptr;
    HWND lsvCleanups_ = nullptr;
    HWND btnRestore_ = nullptr;
    HWND btnDelete_ = nullptr;
    HWND btnClose_ = nullptr;
    std::vector<cleanup::CleanupSummary> cleanups_;
};

// At start-up: for each clean-up under `cleanupsRoot` that was cut short (a crash, a kill, a
// power cut) and not answered yet, asks whether to restore what it took (Yes) or to keep what was
// done (No, noted in its manifest so that it is not asked again), and tells how a restore went.
struct InterruptedCleanupPrompts {
    std::function<bool(HWND owner, const std::wstring& text)> ask;   // Yes/No, true for Yes
    std::function<void(HWND owner, const std::wstring& text)> tell;  // a message with OK only
};
void OfferInterruptedCleanups(HWND owner, const std::wstring& cleanupsRoot, InterruptedCleanupPrompts prompts = {});
// The same for the clean-ups kept beside the program.
void OfferInterruptedCleanups(HWND owner);

}  // namespace purgeon
