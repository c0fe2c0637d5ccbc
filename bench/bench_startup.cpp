// The window's start as a user sees it, against `Purgeon.exe /list` of the same programs, both
// timed as processes started the same way, alternately, in one run:
//   start-up: from CreateProcess until the main window (class TMainForm, of that very process,
//             not the splash) is visible and the first row of its program list is painted
//   listing:  from CreateProcess until `Purgeon.exe /list` has ended
// A run whose window never shows, whose process ends first or whose list is never painted is
// reported as failed and counted nowhere. Each window is closed as a user closes it (WM_CLOSE)
// and waited for through its own process handle.
//
//   bench_startup --exe PATH [--runs N] [--timeout-ms N]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Process {
    HANDLE process = nullptr, thread = nullptr;
    DWORD id = 0;
    ~Process() {
        if (thread) CloseHandle(thread);
        if (process) CloseHandle(process);
    }
};

bool Start(const std::wstring& exe, const std::wstring& arguments, HANDLE output, Process& out) {
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
    STARTUPINFOW startup{sizeof(startup)};
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output;
    }
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                        folder.c_str(), &startup, &info))
        return false;
    out.process = info.hProcess;
    out.thread = info.hThread;
    out.id = info.dwProcessId;
    return true;
}

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found = nullptr;
};

BOOL CALLBACK FindTopWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    if (owner != search->processId || !GetClassNameW(window, name, 64) || wcscmp(name, search->className) != 0 ||
        !IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND VisibleWindowOf(DWORD processId, const wchar_t* className) {
    WindowSearch search{processId, className};
    EnumWindows(FindTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK FindVisibleList(HWND window, LPARAM param) {
    wchar_t name[64] = {};
    if (GetClassNameW(window, name, 64) && wcscmp(name, L"SysListView32") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

// Whether the first row of the window's visible list shows on the screen: a strip across its
// caption holds more than one colour (before it is painted the strip is one colour, the
// window's unpainted black or the list's background).
bool FirstRowPainted(HWND main) {
    HWND list = nullptr;
    EnumChildWindows(main, FindVisibleList, reinterpret_cast<LPARAM>(&list));
    if (!list) return false;
    RECT area;
    if (!GetWindowRect(list, &area)) return false;
    int top = area.top + 2;
    if (HWND header = FindWindowExW(list, nullptr, L"SysHeader32", nullptr); header && IsWindowVisible(header)) {
        RECT headerRect;
        GetWindowRect(header, &headerRect);
        top = headerRect.bottom + 1;
    }
    const int width = std::min<int>(240, area.right - area.left - 4), height = 14;
    if (width <= 0 || top + height > area.bottom) return false;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP strip = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, strip);
    BitBlt(memory, 0, 0, width, height, screen, area.left + 2, top, SRCCOPY);
    GdiFlush();
    std::set<DWORD> colours;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int i = 0; i < width * height && colours.size() < 2; ++i) colours.insert(pixels[i] & 0xFFFFFF);
    SelectObject(memory, old);
    DeleteObject(strip);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return colours.size() >= 2;
}

struct StartRun {
    std::optional<double> splashMs, shownMs, paintedMs;
    std::wstring failure;
};

StartRun TimeWindowStart(const std::wstring& exe, double timeoutMs) {
    StartRun run;
    Process process;
    const double start = NowMs();
    if (!Start(exe, L"", nullptr, process)) {
        run.failure = L"could not be started";
        return run;
    }
    HWND main = nullptr;
    while (!run.paintedMs) {
        const double now = NowMs() - start;
        if (now > timeoutMs) {
            run.failure = main ? L"its list was never painted" : L"its main window never showed";
            break;
        }
        if (WaitForSingleObject(process.process, 0) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process.process, &code);
            run.failure = L"it ended before its window showed (exit code " + std::to_wstring(code) + L")";
            break;
        }
        if (!run.splashMs && VisibleWindowOf(process.id, L"TSplashForm")) run.splashMs = now;
        if (!main && (main = VisibleWindowOf(process.id, L"TMainForm"))) run.shownMs = now;
        if (main && FirstRowPainted(main)) run.paintedMs = NowMs() - start;
        if (!run.paintedMs) Sleep(2);
    }
    // Closed as a user closes it, else ended; waited for by its own handle either way.
    if (!main) main = VisibleWindowOf(process.id, L"TMainForm");
    if (main) PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.process, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process.process, 1);
        WaitForSingleObject(process.process, INFINITE);
        if (run.failure.empty()) run.failure = L"it did not close within 10 s";
        run.paintedMs.reset();
    }
    return run;
}

std::optional<double> TimeListing(const std::wstring& exe, HANDLE nul) {
    Process process;
    const double start = NowMs();
    if (!Start(exe, L"/list", nul, process)) return std::nullopt;
    WaitForSingleObject(process.process, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.process, &code);
    if (code != 0) return std::nullopt;
    return NowMs() - start;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::wstring List(const std::vector<double>& values) {
    std::wstring out;
    for (double value : values) out += L" " + std::to_wstring(static_cast<long>(value + 0.5));
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring exe;
    int runs = 5;
    double timeoutMs = 30000;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--exe") exe = argv[++i];
        else if (arg == L"--runs") runs = std::max(1, _wtoi(argv[++i]));
        else if (arg == L"--timeout-ms") timeoutMs = _wtof(argv[++i]);
    }
    if (exe.empty()) {
        fwprintf(stderr, L"usage: bench_startup --exe PATH [--runs N] [--timeout-ms N]\n");
        return 2;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);

    // Warm-up of both; it also writes the configuration a first start writes.
    TimeWindowStart(exe, timeoutMs);
    TimeListing(exe, nul);
    std::vector<double> painted, shown, splash, listing;
    int failed = 0, listingFailed = 0;
    for (int run = 0; run < runs; ++run) {
        auto window = [&] {
            StartRun result = TimeWindowStart(exe, timeoutMs);
            if (!result.paintedMs) {
                ++failed;
                wprintf(L"    start-up run %d FAILED: %ls\n", run + 1, result.failure.c_str());
                return;
            }
            painted.push_back(*result.paintedMs);
            if (result.shownMs) shown.push_back(*result.shownMs);
            if (result.splashMs) splash.push_back(*result.splashMs);
        };
        auto list = [&] {
            if (auto ms = TimeListing(exe, nul)) listing.push_back(*ms);
            else ++listingFailed;
        };
        if (run % 2 == 0) {
            window();
            list();
        } else {
            list();
            window();
        }
    }
    CloseHandle(nul);
    wprintf(L"    start-up runs:%ls\n    /list runs:%ls\n", List(painted).c_str(), List(listing).c_str());
    wprintf(L"start-up to the main window with its first row painted (median of %d runs):\n", runs);
    if (painted.empty() || listing.empty()) {
        wprintf(L"  FAILED: %d of %d start-ups and %d of %d listings failed; nothing to time\n", failed, runs,
                listingFailed, runs);
        return 1;
    }
    const double start = Median(painted), list = Median(listing);
    const double target = std::max(1500.0, 1.1 * list) + 300.0;
    wprintf(L"  splash shown               %6.0f ms\n", Median(splash));
    wprintf(L"  main window shown          %6.0f ms\n", Median(shown));
    wprintf(L"  first row painted          %6.0f ms\n", start);
    wprintf(L"  Purgeon.exe /list          %6.0f ms\n", list);
    wprintf(L"  target max(1500, 1.1 x /list) + 300 = %.0f ms: %ls (%.2f of it)\n", target,
            start <= target ? L"met" : L"NOT met", start / target);
    if (failed || listingFailed)
        wprintf(L"  FAILED runs: %d start-ups, %d listings (left out of the medians)\n", failed, listingFailed);
    return failed || listingFailed ? 1 : 0;
}
