// TMainForm: creation, message routing, the language switch and Exit.
#include "ui/frmMain.h"

#include <windowsx.h>

#include <utility>

#include "common/funUtils.h"
#include "common/globals.h"
#include "config/config.h"
#include "i18n/multiLangs.h"
#include "ui/frmDetails.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

TMainForm::TMainForm(HINSTANCE instance) : instance_(instance) {}

TMainForm::~TMainForm() = default;

bool TMainForm::Create(CatalogueRead* firstRead) {
    firstRead_ = firstRead;
    RegisterWidgetClasses(instance_);
    WNDCLASSEXW windowClass{sizeof(windowClass)};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = FormWindowProc<TMainForm>;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    // No system frame or caption: the window paints its own title area and buttons.
    CreateWindowExW(WS_EX_APPWINDOW, kClassName, kAppTitle, WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU,
                    0, 0, 763, 538, nullptr, nullptr, instance_, this);
    return hwnd_ != nullptr;
}

void TMainForm::TakeFirstRead() {
    CatalogueRead* read = std::exchange(firstRead_, nullptr);
    if (!read) return;
    CatalogueRead::Result result = read->Take();
    // As a fill of its own: what was read before a failure stays, and the failure is said.
    GuardedHandle(hwnd_, [&]() -> LRESULT {
        ShowFill(std::move(result.fill), std::wstring());
        if (result.error) throw UserError(*result.error);
        return 0;
    });
    // Start-up allocations are not needed again.
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

void TMainForm::Show(bool activate) {
    const bool wasVisible = IsWindowVisible(hwnd_) != FALSE;
    ShowWindow(hwnd_, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
    // Painted whole now, the list's rows too, not when the queue gets round to the controls.
    if (!wasVisible) RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool TMainForm::ListKey(const MSG& message) {
    const bool programs = message.hwnd == programs_.lsvProgramList, startup = message.hwnd == startup_.lsvStartupList;
    if (!programs && !startup) return false;
    const WPARAM key = message.wParam;
    if (key == VK_APPS || (key == VK_F10 && GetKeyState(VK_SHIFT) < 0)) {
        const POINT at = RowMenuPoint(message.hwnd);
        programs ? ShowProgramRowMenu(at) : ShowStartupRowMenu(at);
        return true;
    }
    if (message.message != WM_KEYDOWN) return false;
    if (programs && (key == VK_RETURN || key == VK_DELETE)) {
        RunAction(ActionUninstall);  // several selected go as one batch
        return true;
    }
    if (startup && key == VK_DELETE) {
        RunAction(ActionDelete);  // asks first
        return true;
    }
    return false;
}

bool TMainForm::MenuButtonKey(const MSG& message) {
    if (message.message != WM_SYSKEYDOWN) return false;
    // Alt with a menu button's letter opens its menu; F10 alone the first one.
    const std::optional<size_t> button = message.wParam == VK_F10 && GetKeyState(VK_SHIFT) >= 0
                                             ? std::optional<size_t>(0)
                                             : MenuButtonOfKey(message.wParam);
    if (button) ShowMenuOfButton(*button);
    return button.has_value();
}

bool TMainForm::PreTranslate(const MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
    if (!(message.hwnd == hwnd_ || IsChild(hwnd_, message.hwnd))) return false;
    bool used = false;
    GuardedHandle(hwnd_, [&]() -> LRESULT {
        used = ListKey(message) || MenuButtonKey(message);
        return 0;
    });
    if (used || message.message != WM_KEYDOWN) return used;
    Trigger trigger = message.wParam == VK_F5 ? Trigger::F5 : message.wParam == VK_F1 ? Trigger::F1 : Trigger::None;
    // The keys run commands from the message loop, outside any window procedure: the same error
    // guard as a click's.
    if (const Command* command = trigger != Trigger::None ? CommandOfTrigger(trigger) : nullptr) {
        GuardedHandle(hwnd_, [&]() -> LRESULT { RunAction(command->id); return 0; });
        return true;
    }
    if (message.wParam == VK_RETURN && message.hwnd == programs_.txtSearchInfo) {
        GuardedHandle(hwnd_, [&]() -> LRESULT { RunAction(ActionSearch); return 0; });
        return true;
    }
    return false;
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_PRINTCLIENT:  // widgets with rounded corners draw the window behind them
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            // The background and the title drag the frameless window.
            ReleaseCapture();
            SendMessageW(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->hwndFrom == startup_.lsvStartupList) return OnStartupNotify(header);
            if (header->hwndFrom == programs_.lsvProgramList) return OnProgramListNotify(header);
            return 0;
        }
        case WM_MEASUREITEM:
            if (wParam == 0 && MeasureMenuItem(hwnd_, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
            break;
        case WM_DRAWITEM:
            if (wParam == 0 && DrawMenuItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) return TRUE;
            break;
        case WM_MENUSELECT:
            if (openMenu_) {
                menuOnTop_ = reinterpret_cast<HMENU>(lParam) == openMenu_;
                menuItemOpens_ = (HIWORD(wParam) & MF_POPUP) != 0;
            }
            break;
        case WM_TIMER:
            if (wParam == kIconTimer) ReadSomeIcons();
            return 0;
        case WM_CATALOGUE_READ:
            TakeFirstRead();
            return 0;
        case WM_UNINSTALL_DONE:
            // Only for a wait this window started: then lParam is that thread's record, valid while
            // this synchronous message is handled. Anyone else's lParam is never read.
            if (const uninstall::UninstallDone* done = uninstallWaits_.Claim(wParam, lParam))
                OnUninstallDone(done->started ? 1 : 0, *done);
            return 0;
        case WM_CLOSE:
            RunAction(ActionExit);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void TMainForm::FormCreate() {
    dpi_ = WindowDpi(hwnd_);
    CreateFonts();
    state_ = CommandState{};
    sidePanelStatePL_ = 1;
    sidePanelStateSI_ = 1;
    searchStart_ = 0;

    CreateControls();
    ShowWindow(frame_.tsProgramList, SW_SHOW);
    ShowWindow(frame_.tsStartupItems, SW_HIDE);
    details_ = std::make_unique<TDetailsForm>();
    details_->Create(hwnd_, instance_);
    details_->iconOf = [this](const std::wstring& keyPath) { return IconOfProgram(keyPath); };

    // Icon indexes from the catalogue index the system image lists.
    SHFILEINFOW info{};
    std::wstring windowsRoot = ExtractFilePath(ExcludeTrailingBackslash(SystemDirectory()));
    windowsRoot = ExtractFilePath(ExcludeTrailingBackslash(windowsRoot));
    auto small = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(windowsRoot.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    auto large = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(windowsRoot.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX));
    ListView_SetImageList(programs_.lsvProgramList, small, LVSIL_SMALL);
    ListView_SetImageList(programs_.lsvProgramList, large, LVSIL_NORMAL);

    AddListColumn(programs_.lsvProgramList, 0, LangText(IDS_LISTVIEW_COLUMNS_Descriptions), Scaled(200));
    AddListColumn(programs_.lsvProgramList, 1, LangText(IDS_LISTVIEW_COLUMNS_Publisher), Scaled(160));
    AddListColumn(programs_.lsvProgramList, 2, LangText(IDS_LISTVIEW_COLUMNS_Directory), Scaled(360));
    AddListColumn(startup_.lsvStartupList, 0, LangText(IDS_LISTVIEW_COLUMNS_StatrupItem), Scaled(130));
    AddListColumn(startup_.lsvStartupList, 1, LangText(IDS_LISTVIEW_COLUMNS_Command), Scaled(240));
    AddListColumn(startup_.lsvStartupList, 2, LangText(IDS_LISTVIEW_COLUMNS_Location), Scaled(360));
    AddListColumn(startup_.lsvStartupList, 3, LangText(IDS_LISTVIEW_COLUMNS_DisabledBy), Scaled(110));

    CreateMenus();
    ApplyMainFormSkin();
    // The skin sets the window's size; it opens in the middle of the screen.
    CentreOnScreen(hwnd_);
    ApplyMainFormTexts();

    // A list that cannot be filled is said so; the startup page and the commands are set up all
    // the same, so the window is whole when it shows. A reading started beforehand fills it when
    // it is done.
    if (firstRead_) {
        firstRead_->NotifyWhenDone(hwnd_, WM_CATALOGUE_READ);
    } else {
        GuardedHandle(hwnd_, [&]() -> LRESULT {
            FillProgramList();
            return 0;
        });
    }
    RefreshStartupList();
    state_.hideSysPatch = HideSysPatch;
    state_.hideScreenSaver = HideScreenSaver;
    UpdateCommands();

    // Start-up allocations are not needed again.
    if (!firstRead_) SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

void TMainForm::SwitchLanguage(int itemId) {
    const size_t index = static_cast<size_t>(itemId - kLanguageItemFirst);
    if (index >= languageCaptions_.size()) return;  // no language item: nothing was chosen
    const std::wstring caption = languageCaptions_[index];
    const std::optional<std::wstring> path = LanguageFileOfCaption(AppPaths.LangDir, caption);
    if (!path) {  // gone since the menu was filled
        ShowErrorReport(hwnd_, ReadFailedText(IncludeTrailingBackslash(AppPaths.LangDir) + caption + L".ini",
                                              SystemErrorText(ERROR_FILE_NOT_FOUND)));
        return;
    }
    AppPaths.LangPath = *path;
    for (int i = 0; i < static_cast<int>(languageCaptions_.size()); ++i)
        CheckMenuItem(mItemLanguages_, static_cast<UINT>(kLanguageItemFirst + i),
                      MF_BYCOMMAND | (kLanguageItemFirst + i == itemId ? MF_CHECKED : MF_UNCHECKED));
    LoadLanguage(AppPaths.LangPath, [this](const std::wstring& text) { ShowErrorReport(hwnd_, text); });
    ApplyMainFormTexts();
    if (state_.page == 0) SetWindowTextW(status_.lblProgramCounts, programCountsText_.c_str());
    LayoutStatusBar();
    try {
        WriteLanguageFileName(AppPaths.ConfigPath, caption + L".ini");
    } catch (const UserError&) {
        // The language is switched all the same; only the next start will not know it.
        ShowErrorReport(hwnd_, Format(LangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed).c_str(),
                                      AppPaths.ConfigPath.c_str()));
    }
}

void TMainForm::ActionExitExecute() {
    try {
        WriteExitOptions(AppPaths.ConfigPath, state_.hideSysPatch, state_.hideScreenSaver);
    } catch (const UserError&) {
        // The options are lost, but the user is never kept from leaving.
        ShowErrorReport(hwnd_, Format(LangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed).c_str(),
                                      AppPaths.ConfigPath.c_str()));
    }
    DestroyWindow(hwnd_);
}

}  // namespace purgeon
