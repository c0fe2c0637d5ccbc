// A screen saver as the system runs one: /s shows it full screen until the mouse or keyboard
// is used, /c (or nothing) is its settings dialog, /p <hwnd> its preview (not drawn).
#include <windows.h>
#include <shellapi.h>

#include <cwctype>

namespace {

POINT g_start{-1, -1};

LRESULT CALLBACK SaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE: {
            POINT now{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (g_start.x < 0) {
                g_start = now;
                return 0;
            }
            // Small jitter is not the user coming back.
            if (abs(now.x - g_start.x) < 4 && abs(now.y - g_start.y) < 4) return 0;
            DestroyWindow(window);
            return 0;
        }
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

int ShowSaver(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SaverProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = L"PurgeonSampleSaver";
    windowClass.hCursor = nullptr;
    if (!RegisterClassW(&windowClass)) return 1;
    HWND window = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"Purgeon Sample Saver", WS_POPUP | WS_VISIBLE,
                                  0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    wchar_t mode = L'c';
    // The system passes "/s", "/c:1234", "/p 1234", sometimes with '-' or in capitals.
    if (argv && count > 1 && (argv[1][0] == L'/' || argv[1][0] == L'-')) mode = static_cast<wchar_t>(towlower(argv[1][1]));
    if (argv) LocalFree(argv);
    switch (mode) {
        case L's': return ShowSaver(instance);
        case L'p': return 0;
        default:
            MessageBoxW(nullptr, L"This screen saver has no settings.", L"Purgeon Sample Saver", MB_OK | MB_ICONINFORMATION);
            return 0;
    }
}
