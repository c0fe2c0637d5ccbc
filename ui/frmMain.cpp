#include "ui/frmMain.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "app/config.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"

namespace purgeon {

namespace {

enum ControlId {
    IDC_PROGRAM_LIST = 100,
    IDC_HIDE_PATCH,
    IDC_HIDE_SCR,
    IDC_REFRESH,
    IDC_MIN,
    IDC_CLOSE,
    IDC_COUNTS,
};

constexpr int kDesignWidth = 763;
constexpr int kDesignHeight = 538;
constexpr int kTitleHeight = 36;
constexpr int kStatusHeight = 26;
constexpr int kSidePanelWidth = 169;
constexpr COLORREF kTitleColour = RGB(38, 70, 112);
constexpr COLORREF kPanelColour = RGB(232, 238, 246);

HWND MakeControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, HFONT font) {
    HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void AddColumn(HWND list, int index, const std::wstring& caption, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(caption.c_str());
    column.cx = width;
    column.iSubItem = index;
    ListView_InsertColumn(list, index, &column);
}

void SetSubItem(HWND list, int row, int column, const std::wstring& text) {
    ListView_SetItemText(list, row, column, const_cast<wchar_t*>(text.c_str()));
}

}  // namespace

void ShowErrorReport(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

const TMainForm::Action TMainForm::kActions[] = {
    {IDC_CLOSE, &TMainForm::ActionExitExecute},
    {IDC_MIN, &TMainForm::ActionMinExecute},
    {IDC_REFRESH, &TMainForm::ActionRefreshExecute},
    {IDC_HIDE_PATCH, &TMainForm::ActionHideSysPatchExecute},
    {IDC_HIDE_SCR, &TMainForm::ActionHideScrExecute},
};

bool TMainForm::Create() {
    WNDCLASSEXW windowClass{sizeof(windowClass)};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    int x = (GetSystemMetrics(SM_CXSCREEN) - kDesignWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - kDesignHeight) / 2;
    // No system frame: the window draws its own title area and buttons.
    CreateWindowExW(WS_EX_APPWINDOW, kClassName, kAppTitle, WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU,
                    x, y, kDesignWidth, kDesignHeight, nullptr, nullptr, instance_, this);
    return hwnd_ != nullptr;
}

void TMainForm::Show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

bool TMainForm::PreTranslate(const MSG& message) {
    if (message.message == WM_KEYDOWN && message.wParam == VK_F5 &&
        (message.hwnd == hwnd_ || IsChild(hwnd_, message.hwnd))) {
        RunAction(IDC_REFRESH);
        return true;
    }
    return false;
}

LRESULT CALLBACK TMainForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TMainForm* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const UserError& error) {
        ShowErrorReport(hwnd, error.message());
    } catch (const std::exception& error) {
        ShowErrorReport(hwnd, FromUtf8(error.what()));
    }
    return 0;
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            FormCreate();
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            static HBRUSH panelBrush = CreateSolidBrush(kPanelColour);
            return reinterpret_cast<LRESULT>(panelBrush);
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            // The background and title drag the frameless window.
            ReleaseCapture();
            SendMessageW(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
            return 0;
        case WM_COMMAND:
            RunAction(LOWORD(wParam));
            return 0;
        case WM_CLOSE:
            RunAction(IDC_CLOSE);
            return 0;
        case WM_DESTROY:
            if (font_) DeleteObject(font_);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void TMainForm::RunAction(int id) {
    for (const Action& action : kActions) {
        if (action.id == id) {
            (this->*action.execute)();
            return;
        }
    }
}

void TMainForm::FormCreate() {
    NONCLIENTMETRICSW metrics{sizeof(metrics)};
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);

    lsvProgramList_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                          LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                                      0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(IDC_PROGRAM_LIST), instance_, nullptr);
    SendMessageW(lsvProgramList_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    ListView_SetExtendedListViewStyle(lsvProgramList_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);

    // Icon indexes from the catalogue index the system image lists.
    SHFILEINFOW info{};
    std::wstring windowsRoot = ExtractFilePath(ExcludeTrailingBackslash(SystemDirectory()));
    auto small = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(windowsRoot.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    auto large = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(windowsRoot.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX));
    ListView_SetImageList(lsvProgramList_, small, LVSIL_SMALL);
    ListView_SetImageList(lsvProgramList_, large, LVSIL_NORMAL);

    AddColumn(lsvProgramList_, 0, LangText(IDS_LISTVIEW_COLUMNS_Descriptions), 200);
    AddColumn(lsvProgramList_, 1, LangText(IDS_LISTVIEW_COLUMNS_Publisher), 160);
    AddColumn(lsvProgramList_, 2, LangText(IDS_LISTVIEW_COLUMNS_Directory), 360);

    ckbHidePatch_ = MakeControl(hwnd_, WC_BUTTONW, LangText(IDS_SIDEBAR_CHECKBOX_HideSysPatch).c_str(),
                                BS_AUTOCHECKBOX | WS_TABSTOP, IDC_HIDE_PATCH, font_);
    ckbHideScr_ = MakeControl(hwnd_, WC_BUTTONW, LangText(IDS_SIDEBAR_CHECKBOX_HideScr).c_str(),
                              BS_AUTOCHECKBOX | WS_TABSTOP, IDC_HIDE_SCR, font_);
    btnRefresh_ = MakeControl(hwnd_, WC_BUTTONW, L"Refresh", BS_PUSHBUTTON | WS_TABSTOP, IDC_REFRESH, font_);
    btnMin_ = MakeControl(hwnd_, WC_BUTTONW, L"_", BS_PUSHBUTTON, IDC_MIN, font_);
    btnClose_ = MakeControl(hwnd_, WC_BUTTONW, L"X", BS_PUSHBUTTON, IDC_CLOSE, font_);
    lblProgramCounts_ = MakeControl(hwnd_, WC_STATICW, L"", SS_LEFT | SS_CENTERIMAGE, IDC_COUNTS, font_);
    Button_SetCheck(ckbHidePatch_, HideSysPatch ? BST_CHECKED : BST_UNCHECKED);
    Button_SetCheck(ckbHideScr_, HideScreenSaver ? BST_CHECKED : BST_UNCHECKED);

    Layout();
    FillProgramList();
    // Start-up allocations are not needed again.
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

void TMainForm::Layout() {
    RECT client;
    GetClientRect(hwnd_, &client);
    int width = client.right, height = client.bottom;
    int listRight = width - kSidePanelWidth;
    MoveWindow(lsvProgramList_, 8, kTitleHeight + 8, listRight - 16, height - kTitleHeight - kStatusHeight - 16, TRUE);
    int side = listRight + 4;
    MoveWindow(btnRefresh_, side, kTitleHeight + 12, kSidePanelWidth - 16, 28, TRUE);
    MoveWindow(ckbHidePatch_, side, kTitleHeight + 56, kSidePanelWidth - 16, 22, TRUE);
    MoveWindow(ckbHideScr_, side, kTitleHeight + 82, kSidePanelWidth - 16, 22, TRUE);
    MoveWindow(btnMin_, width - 64, 6, 26, 24, TRUE);
    MoveWindow(btnClose_, width - 34, 6, 26, 24, TRUE);
    MoveWindow(lblProgramCounts_, 10, height - kStatusHeight, width - 20, kStatusHeight - 2, TRUE);
}

void TMainForm::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd_, &paint);
    RECT client;
    GetClientRect(hwnd_, &client);
    HBRUSH panel = CreateSolidBrush(kPanelColour);
    FillRect(dc, &client, panel);
    DeleteObject(panel);
    RECT title{0, 0, client.right, kTitleHeight};
    HBRUSH band = CreateSolidBrush(kTitleColour);
    FillRect(dc, &title, band);
    DeleteObject(band);
    HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT caption{14, 0, client.right - 80, kTitleHeight};
    DrawTextW(dc, kAppTitle, -1, &caption, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    SelectObject(dc, oldFont);
    EndPaint(hwnd_, &paint);
}

void TMainForm::FillProgramList() {
    IProgramList* list = programList_.Get();
    std::vector<ProgramRow> programs = ReadProgramRows(list);
    std::vector<ScreenSaverRow> savers;
    if (!HideScreenSaver) savers = ReadScreenSaverRows(list);

    SendMessageW(lsvProgramList_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(lsvProgramList_);
    int row = 0, patches = 0;
    auto addRow = [&](const std::wstring& caption, const std::wstring& publisher, const std::wstring& directory,
                      int data, int image) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(caption.c_str());
        item.lParam = data;
        item.iImage = image;
        int at = ListView_InsertItem(lsvProgramList_, &item);
        SetSubItem(lsvProgramList_, at, 1, publisher);
        SetSubItem(lsvProgramList_, at, 2, directory);
        ++row;
    };
    for (const ProgramRow& program : programs) {
        if (program.kind == 1) {
            ++patches;
            if (HideSysPatch) continue;
        }
        addRow(program.displayName.empty() ? program.keyName : program.displayName, program.publisher,
               program.installLocation, program.index, program.iconIndex);
    }
    for (const ScreenSaverRow& saver : savers) {
        addRow(L"[" + LangText(IDS_MAINFORM_ScreenSaver) + L"]" + (saver.title.empty() ? saver.fileName : saver.title),
               saver.publisher, saver.directory, saver.index, saver.iconIndex);
    }
    SendMessageW(lsvProgramList_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(lsvProgramList_, nullptr, TRUE);

    std::wstring counts = LangText(IDS_STATUSBAR_LABEL_Programs) +
                          Format(L" %d   (%d system patches)", static_cast<int>(programs.size()) - patches, patches);
    SetWindowTextW(lblProgramCounts_, counts.c_str());
}

void TMainForm::ActionExitExecute() {
    // A failed write reaches the error report and the window stays open.
    WriteExitOptions(AppPaths.ConfigPath, Button_GetCheck(ckbHidePatch_) == BST_CHECKED,
                     Button_GetCheck(ckbHideScr_) == BST_CHECKED);
    DestroyWindow(hwnd_);
}

void TMainForm::ActionMinExecute() { ShowWindow(hwnd_, SW_MINIMIZE); }

void TMainForm::ActionRefreshExecute() { FillProgramList(); }

void TMainForm::ActionHideSysPatchExecute() {
    HideSysPatch = Button_GetCheck(ckbHidePatch_) == BST_CHECKED;
    WriteHideOption(AppPaths.ConfigPath, kKeyHideSysPatch, HideSysPatch);
    FillProgramList();
}

void TMainForm::ActionHideScrExecute() {
    HideScreenSaver = Button_GetCheck(ckbHideScr_) == BST_CHECKED;
    WriteHideOption(AppPaths.ConfigPath, kKeyHideScreenSaver, HideScreenSaver);
    FillProgramList();
}

}  // namespace purgeon
