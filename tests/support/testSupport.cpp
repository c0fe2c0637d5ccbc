#include "tests/support/testSupport.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "common/funUtils.h"

namespace purgeon::test {

ScratchFolder::ScratchFolder(const std::wstring& label) {
    static int counter = 0;
    path_ = TempDirectory() + Format(L"purgeon-%s-%lu-%d\\", label.c_str(), GetCurrentProcessId(), ++counter);
    RemoveTree(path_);
    ForceDirectories(path_);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void RemoveTree(const std::wstring& path) {
    std::wstring folder = ExcludeTrailingBackslash(path);
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (find) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(find.get(), &found));
    }
    find.reset();
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(folder.c_str());
}

std::string ReadFileBytes(const std::wstring& path) {
    UniqueHandle file = AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read) bytes.append(buffer, read);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file = AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string Utf16Bytes(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

std::wstring ReadUtf16File(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return {};
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return text;
}

UniqueWindow CreateHiddenOwner() {
    return UniqueWindow(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 100, 100, 600, 400, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
}

std::wstring BinDir() { return ExtractFilePath(ModuleFileName(nullptr)); }

ChildProcess::ChildProcess(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workingDir) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &info)) {
        process_.reset(info.hProcess);
        UniqueHandle thread(info.hThread);
        id_ = info.dwProcessId;
    }
}

ChildProcess::~ChildProcess() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
}

DWORD ChildProcess::Wait(DWORD milliseconds) {
    if (!process_ || WaitForSingleObject(process_.get(), milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

bool WaitUntil(const std::function<bool()>& predicate, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        if (predicate()) return true;
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(50);
    }
}

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className) {
    struct Search {
        DWORD processId;
        const wchar_t* className;
        std::vector<HWND> found;
    } search{processId, className, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->processId || !IsWindowVisible(window)) return TRUE;
            wchar_t name[256];
            GetClassNameW(window, name, 256);
            if (!s->className || lstrcmpiW(name, s->className) == 0) s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::wstring> ChildTexts(HWND window) {
    std::vector<std::wstring> texts;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(WindowText(child));
    return texts;
}

HWND FindChildByText(HWND parent, const std::wstring& text) {
    struct Search {
        const std::wstring* text;
        HWND found;
    } search{&text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (WindowText(child) != *s->text) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

void ShowAndPaint(HWND window) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int i = 0; i < 10; ++i) {
        Pump();
        Sleep(20);
    }
}

bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0) return false;
    WindowDc screen(nullptr);
    UniqueDc memory(CreateCompatibleDC(screen.get()));
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    {
        SelectedObject selected(memory.get(), bitmap.get());
        PrintWindow(window, memory.get(), 0);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        RECT client{};
        GetClientRect(window, &client);
        BitBlt(memory.get(), origin.x - bounds.left, origin.y - bounds.top, client.right, client.bottom, screen.get(),
               origin.x, origin.y, SRCCOPY);
    }
    BITMAPINFOHEADER info{sizeof(info), width, height, 1, 24, BI_RGB};
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::string pixels(stride * static_cast<DWORD>(height), '\0');
    GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(info) + pixels.size()), 0, 0,
                          sizeof(BITMAPFILEHEADER) + sizeof(info)};
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes += pixels;
    WriteFileBytes(path, bytes);
    return FileExists(path);
}

std::string CaptureOutput(const std::wstring& exe, const std::wstring& arguments, DWORD* exitCode) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readRaw = nullptr, writeRaw = nullptr;
    if (!CreatePipe(&readRaw, &writeRaw, &inherit, 0)) return {};
    UniqueHandle readEnd(readRaw), writeEnd(writeRaw);
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
        return {};
    UniqueHandle process(info.hProcess), thread(info.hThread);
    writeEnd.reset();  // so the read ends when the child closes its end

    // Read until the program has ended and the pipe is drained: a process it started (Wine's
    // desktop, for one) may inherit the write end and keep it open long after.
    std::string output;
    char buffer[65536];
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr)) break;
        if (available) {
            DWORD read = 0;
            if (!ReadFile(readEnd.get(), buffer, sizeof buffer, &read, nullptr) || !read) break;
            output.append(buffer, read);
        } else if (WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0) {
            if (!PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) || !available) break;
        }
    }
    if (exitCode) GetExitCodeProcess(process.get(), exitCode);
    return output;
}

HWND FindDescendant(HWND parent, int id) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (GetDlgCtrlID(child) == s->id && !s->found) s->found = child;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Pump(const std::function<bool(const MSG&)>& firstLook) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (firstLook && firstLook(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void PressKeys(HWND target, std::initializer_list<WORD> chord) {
    HWND top = GetAncestor(target, GA_ROOT);
    SetForegroundWindow(top);
    SetActiveWindow(top);
    SetFocus(target);
    std::vector<INPUT> inputs;
    const auto add = [&](WORD key, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD key : chord) add(key, 0);
    for (auto key = chord.end(); key != chord.begin();) add(*--key, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

namespace {

struct ModalKey {
    const wchar_t* className = nullptr;
    WORD key = 0;
    HWND window = nullptr;
    bool pressed = false, timedOut = false;
    ULONGLONG pressedAt = 0;
} g_modalKey;

void CALLBACK ModalKeyTimer(HWND, UINT, UINT_PTR, DWORD) {
    ModalKey& state = g_modalKey;
    if (!state.pressed) {
        HWND window = FindWindowW(state.className, nullptr);
        if (!window || !IsWindowVisible(window)) return;
        state.window = window;
        state.pressed = true;
        state.pressedAt = GetTickCount64();
        HWND focus = GetFocus();
        PressKeys(focus && GetAncestor(focus, GA_ROOT) == window ? focus : window, {state.key});
    } else if (IsWindow(state.window) && IsWindowVisible(state.window) && GetTickCount64() - state.pressedAt > 5000) {
        state.timedOut = true;
        PostMessageW(state.window, WM_CLOSE, 0, 0);
    }
}

}  // namespace

bool KeyEndsModal(const wchar_t* className, WORD key, const std::function<void()>& run) {
    g_modalKey = ModalKey{className, key};
    const UINT_PTR timer = SetTimer(nullptr, 0, 200, ModalKeyTimer);
    run();
    KillTimer(nullptr, timer);
    return g_modalKey.pressed && !g_modalKey.timedOut;
}

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[1024] = L"";
    ListView_GetItemText(list, row, column, text, 1024);
    return text;
}

int RowOf(HWND list, const std::wstring& caption) {
    for (int row = 0; row < ListView_GetItemCount(list); ++row)
        if (Cell(list, row, 0) == caption) return row;
    return -1;
}

std::vector<std::wstring> Captions(HWND list) {
    std::vector<std::wstring> captions;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) captions.push_back(Cell(list, row, 0));
    return captions;
}

HRESULT MakeLink(const std::wstring& target, const std::wstring& linkPath) {
    ComPtr<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = link->SetPath(target.c_str()))) return hr;
    ComPtr<IPersistFile> file;
    if (FAILED(hr = link->QueryInterface(IID_IPersistFile, file.put_void()))) return hr;
    return file->Save(linkPath.c_str(), FALSE);
}

bool LoadWithRegedit(const std::wstring& file) {
    std::wstring command = L"regedit.exe /s \"" + file + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    return WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0;
}

void AddImage(RegistryImage& image, HKEY key, const std::wstring& path) {
    for (RegValue& value : ReadRegValues(key)) image[path + L"|" + value.name] = {value.type, value.data};
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        UniqueHKey sub;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
            AddImage(image, sub.get(), path + L"\\" + name);
    }
}

}  // namespace purgeon::test
