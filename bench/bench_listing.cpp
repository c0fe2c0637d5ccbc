// The listing's floor, and the programs it is measured on.
//   bench_listing seed N    N uninstall entries spread over the three Uninstall keys Windows
//                           lists programs from (the machine's, its 32-bit view, the user's),
//                           each with the five values installers usually write
//   bench_listing unseed    removes them again
//   bench_listing floor     the bare program: reads what `Purgeon.exe /list` prints, straight
//                           from the registry with nothing between, one key after another, and
//                           prints it the same way
// bench/run.sh times the floor as a process beside `Purgeon.exe /list` and Wine's own
// `uninstaller --list`. No library of the program is linked: the floor is plain Win32.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kSeedPrefix[] = L"PurgeonBenchList";

struct Source {
    HKEY root;
    REGSAM view;
    const wchar_t* pathName;
};
const Source kSources[] = {
    {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY,
     L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {HKEY_CURRENT_USER, 0, L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
};

std::wstring Printf(const wchar_t* format, ...) {
    wchar_t buffer[512];
    va_list args;
    va_start(args, format);
    _vsnwprintf(buffer, 511, format, args);
    va_end(args);
    buffer[511] = L'\0';
    return buffer;
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

int Seed(int count) {
    HKEY uninstall[3] = {};
    for (int s = 0; s < 3; ++s)
        if (RegCreateKeyExW(kSources[s].root, kUninstall, 0, nullptr, 0, KEY_ALL_ACCESS | kSources[s].view, nullptr,
                            &uninstall[s], nullptr) != ERROR_SUCCESS) {
            fwprintf(stderr, L"cannot open %ls\n", kSources[s].pathName);
            return 1;
        }
    for (int i = 0; i < count; ++i) {
        const std::wstring name = Printf(L"%ls%06d", kSeedPrefix, i);
        HKEY key = nullptr;
        if (RegCreateKeyExW(uninstall[i % 3], name.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kSources[i % 3].view,
                            nullptr, &key, nullptr) != ERROR_SUCCESS) {
            fwprintf(stderr, L"cannot create %ls\n", name.c_str());
            return 1;
        }
        const std::wstring folder = Printf(L"C:\\Program Files\\Bench List\\Product %06d", i);
        SetText(key, L"DisplayName", Printf(L"Bench Listed Program %06d", i));
        SetText(key, L"DisplayVersion", Printf(L"%d.%d", 1 + i % 9, i % 100));
        SetText(key, L"Publisher", Printf(L"Bench Publisher %02d", i % 50));
        SetText(key, L"InstallLocation", folder);
        SetText(key, L"UninstallString", L"\"" + folder + L"\\uninstall.exe\"");
        RegCloseKey(key);
    }
    for (HKEY key : uninstall) RegCloseKey(key);
    return 0;
}

int Unseed() {
    for (const Source& source : kSources) {
        HKEY uninstall = nullptr;
        if (RegOpenKeyExW(source.root, kUninstall, 0, KEY_ALL_ACCESS | source.view, &uninstall) != ERROR_SUCCESS) continue;
        std::vector<std::wstring> doomed;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (RegEnumKeyExW(uninstall, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (_wcsnicmp(name, kSeedPrefix, wcslen(kSeedPrefix)) == 0) doomed.push_back(name);
        }
        for (const std::wstring& key : doomed) RegDeleteKeyExW(uninstall, key.c_str(), source.view, 0);
        RegCloseKey(uninstall);
    }
    return 0;
}

// A text value as stored; empty when it is missing or no text.
std::wstring Text(HKEY key, const wchar_t* name) {
    wchar_t buffer[2048];
    DWORD size = sizeof buffer - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    buffer[size / sizeof(wchar_t)] = L'\0';
    return buffer;
}

// Tabs and line breaks inside a field print as blanks, as the listing has them.
void Field(std::wstring& out, const std::wstring& text) {
    for (wchar_t c : text) out += (c == L'\t' || c == L'\r' || c == L'\n') ? L' ' : c;
    out += L'\t';
}

void AppendUtf8(std::string& out, const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data() + at, bytes, nullptr, nullptr);
}

int Floor() {
    std::wstring out;
    int position = 0;
    for (const Source& source : kSources) {
        HKEY uninstall = nullptr;
        if (RegOpenKeyExW(source.root, kUninstall, 0, KEY_READ | source.view, &uninstall) != ERROR_SUCCESS) continue;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (RegEnumKeyExW(uninstall, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            HKEY key = nullptr;
            if (RegOpenKeyExW(uninstall, name, 0, KEY_READ | source.view, &key) != ERROR_SUCCESS) continue;
            const std::wstring display = Text(key, L"DisplayName"), publisher = Text(key, L"Publisher"),
                               location = Text(key, L"InstallLocation"), uninstallString = Text(key, L"UninstallString");
            // A system patch: its name, a parent, or its release type.
            const bool patch = (_wcsnicmp(name, L"KB", 2) == 0 && iswdigit(name[2])) ||
                               !Text(key, L"ParentKeyName").empty() || !Text(key, L"ReleaseType").empty();
            RegCloseKey(key);
            out += Printf(L"%d\t%d\t", position++, patch ? 1 : 0);
            Field(out, display);
            Field(out, name);
            Field(out, publisher);
            Field(out, location);
            Field(out, uninstallString);
            out += std::wstring(source.pathName) + L"\\" + name + L"\n";
        }
        RegCloseKey(uninstall);
    }
    // Screen savers, from the same folders the catalogue looks in.
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((std::wstring(system) + L"\\*.scr").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        int index = 0;
        do out += Printf(L"scr%d\t\t%ls\t%ls\t\t%ls\\\t\t\n", index++, found.cFileName, found.cFileName, system);
        while (FindNextFileW(find, &found));
        FindClose(find);
    }
    std::string bytes;
    AppendUtf8(bytes, out);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"seed" && argc > 2) return Seed(_wtoi(argv[2]));
    if (mode == L"unseed") return Unseed();
    if (mode == L"floor") return Floor();
    fwprintf(stderr, L"usage: bench_listing seed N | unseed | floor\n");
    return 2;
}
