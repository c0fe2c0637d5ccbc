#pragma once
// TMainForm: the program's only top-level window, frameless, with the program list page.
#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/ProgramList.h"

namespace purgeon {

class TMainForm {
public:
    explicit TMainForm(HINSTANCE instance) : instance_(instance) {}
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // Creates the window hidden and fills it (FormCreate).
    bool Create();
    void Show();
    // Keyboard commands handled before dialog navigation; true when the message was used.
    bool PreTranslate(const MSG& message);
    HWND Handle() const { return hwnd_; }

    static constexpr wchar_t kClassName[] = L"TMainForm";

private:
    using ActionHandler = void (TMainForm::*)();
    struct Action {
        int id;
        ActionHandler execute;
    };
    static const Action kActions[];

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void FormCreate();
    void Layout();
    void Paint();
    void RunAction(int id);

    void FillProgramList();
    void ActionExitExecute();
    void ActionMinExecute();
    void ActionRefreshExecute();
    void ActionHideSysPatchExecute();
    void ActionHideScrExecute();

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND lsvProgramList_ = nullptr;
    HWND ckbHidePatch_ = nullptr;
    HWND ckbHideScr_ = nullptr;
    HWND btnRefresh_ = nullptr;
    HWND btnMin_ = nullptr;
    HWND btnClose_ = nullptr;
    HWND lblProgramCounts_ = nullptr;
    HFONT font_ = nullptr;
    TProgramList programList_;
};

// The general error report: a message box with the error's text.
void ShowErrorReport(HWND owner, const std::wstring& text);

}  // namespace purgeon
