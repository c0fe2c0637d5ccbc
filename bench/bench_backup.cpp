// The full backup against the registry editor. Seeds 1,000 uninstall entries (unless told
// otherwise) into the machine's Uninstall key, each with the eight values installers usually
// write, then times alternately, as whole processes started the same way:
//   ours:      Purgeon.exe /backup FOLDER   one file per Uninstall subkey, written in-process
//   baseline:  regedit /e FILE "HKEY_LOCAL_MACHINE\...\Uninstall"   the whole key in one file
// Both read the same keys and format the same lines; ours also creates a file per key.
// The first backup (into a folder that does not exist yet) is timed against a floor of the
// editor's one export plus bare creation of as many files of the same sizes, in this process.
//
//   bench_backup [--keys N] [--runs N]   seed, measure, unseed
//   bench_backup seed|unseed [--keys N]  only that, for timing by hand
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "backup/fullBackup.h"
#include "backup/regFile.h"
#include "common/funUtils.h"
#include "common/handles.h"

using namespace purgeon;

namespace {

constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kSeedPrefix[] = L"PurgeonBenchBackup";

void SetText(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
    RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void Seed(int count) {
    UniqueHKey uninstall;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, uninstall.put(), nullptr);
    for (int i = 0; i < count; ++i) {
        const std::wstring name = Format(L"%s%04d", kSeedPrefix, i);
        UniqueHKey key;
        RegCreateKeyExW(uninstall.get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
        const std::wstring folder = Format(L"C:\\Program Files\\Bench Vendor %d\\Product %d", i % 37, i);
        SetText(key.get(), L"DisplayName", Format(L"Bench Product %d \u00e9dition", i));
        SetText(key.get(), L"DisplayVersion", Format(L"%d.%d.%d", i % 9, i % 17, i));
        SetText(key.get(), L"Publisher", Format(L"Bench Vendor %d, Inc.", i % 37));
        SetText(key.get(), L"InstallLocation", folder);
        SetText(key.get(), L"UninstallString", L"\"" + folder + L"\\uninstall.exe\" /S");
        SetText(key.get(), L"DisplayIcon", L"%ProgramFiles%\\Bench Vendor\\app.exe,0", REG_EXPAND_SZ);
        SetText(key.get(), L"InstallDate", L"20240131");
        const DWORD size = 20480 + static_cast<DWORD>(i);
        RegSetValueExW(key.get(), L"EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof size);
    }
}

void Unseed(int count) {
    for (int i = 0; i < count; ++i)
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kUninstall) + L"\\" + Format(L"%s%04d", kSeedPrefix, i)).c_str());
}

int KeyCount() {
    UniqueHKey uninstall;
    DWORD subkeys = 0;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ, uninstall.put()) == ERROR_SUCCESS)
        RegQueryInfoKeyW(uninstall.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr);
    return static_cast<int>(subkeys);
}

// Milliseconds from the start of a process to its end; its output goes nowhere.
double TimeProcess(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    UniqueHandle nul = AdoptFileHandle(
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    startup.hStdOutput = startup.hStdError = nul.get();
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    (void)inherit;
    SetHandleInformation(nul.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    PROCESS_INFORMATION info{};
    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Every file under a folder, with its size; the folder and all in it are removed.
void CollectSizes(const std::wstring& folder, std::vector<DWORD>& sizes) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) CollectSizes(folder + L"\\" + name, sizes);
        else sizes.push_back(found.nFileSizeLow);
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

void RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName, path = folder + L"\\" + name;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveFolder(path);
            else DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

// Milliseconds to create a new folder and in it one file of each size, each written and closed.
double TimeBareFiles(const std::wstring& folder, const std::vector<DWORD>& sizes) {
    std::vector<char> data(*std::max_element(sizes.begin(), sizes.end()), 'x');
    const auto start = std::chrono::steady_clock::now();
    CreateDirectoryW(folder.c_str(), nullptr);
    for (size_t i = 0; i < sizes.size(); ++i) {
        const std::wstring path = folder + Format(L"\\%06d.reg", static_cast<int>(i));
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, data.data(), sizes[i], &written, nullptr);
        CloseHandle(file);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::wstring Runs(const std::vector<double>& values) {
    std::wstring out;
    for (double v : values) out += Format(L" %.0f", v);
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int keys = 1000, runs = 7;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 >= argc) break;
        if (std::wstring(argv[i]) == L"--keys") keys = _wtoi(argv[++i]);
        else if (std::wstring(argv[i]) == L"--runs") runs = _wtoi(argv[++i]);
    }
    if (argc > 1 && std::wstring(argv[1]) == L"seed") return Seed(keys), 0;
    if (argc > 1 && std::wstring(argv[1]) == L"unseed") return Unseed(keys), 0;
    Seed(keys);
    const int total = KeyCount();
    const std::wstring bin = ExtractFilePath(ModuleFileName(nullptr));
    const std::wstring folder = TempDirectory() + L"purgeon-bench-backup";
    const std::wstring file = TempDirectory() + L"purgeon-bench-backup.reg";
    const std::wstring ours = L"/backup \"" + folder + L"\"";
    const std::wstring theirs = L"/e \"" + file + L"\" \"HKEY_LOCAL_MACHINE\\" + kUninstall + L"\"";
    const std::wstring regedit = SystemDirectory() + L"\\regedit.exe";
    const std::wstring editor = FileExists(regedit) ? regedit : L"C:\\windows\\regedit.exe";

    // First backups: each into a folder that does not exist yet, so every file is new; the
    // floor's files are created the same way, with the sizes that backup wrote.
    const std::wstring fresh = TempDirectory() + L"purgeon-bench-backup-first";
    const std::wstring bareFolder = TempDirectory() + L"purgeon-bench-backup-bare";
    RemoveFolder(fresh);
    RemoveFolder(bareFolder);
    TimeProcess(bin + L"Purgeon.exe", ours);  // warm-up, both
    TimeProcess(editor, theirs);
    std::vector<double> oursMs, theirsMs, firstMs, bareFilesMs;
    for (int r = 0; r < runs; ++r) {
        oursMs.push_back(TimeProcess(bin + L"Purgeon.exe", ours));
        theirsMs.push_back(TimeProcess(editor, theirs));
        firstMs.push_back(TimeProcess(bin + L"Purgeon.exe", L"/backup \"" + fresh + L"\""));
        std::vector<DWORD> sizes;
        CollectSizes(fresh, sizes);
        RemoveFolder(fresh);
        if (!sizes.empty()) bareFilesMs.push_back(TimeBareFiles(bareFolder, sizes));
        RemoveFolder(bareFolder);
    }
    // The same backup in this process, without a process start, for where the time goes.
    std::vector<double> inProcess;
    size_t files = 0;
    for (int r = 0; r < 3; ++r) {
        const auto start = std::chrono::steady_clock::now();
        files = backup::BackUpUninstallKeys(backup::UninstallSources(), folder).SavedCount();
        inProcess.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    // Reading and formatting alone, the editor's share of the work.
    std::vector<double> readsOnly;
    for (int r = 0; r < 3; ++r) {
        const auto start = std::chrono::steady_clock::now();
        UniqueHKey uninstall;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ, uninstall.put());
        wchar_t name[258];
        size_t characters = 0;
        for (DWORD index = 0;; ++index) {
            DWORD length = ARRAYSIZE(name);
            if (RegEnumKeyExW(uninstall.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (auto text = backup::RegFileText(HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE",
                                                std::wstring(kUninstall) + L"\\" + name))
                characters += text->size();
        }
        readsOnly.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        (void)characters;
    }
    // The bare registry calls of the same walk, nothing formatted.
    std::vector<double> bare;
    for (int r = 0; r < 3; ++r) {
        const auto start = std::chrono::steady_clock::now();
        UniqueHKey uninstall;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ, uninstall.put());
        wchar_t name[258], valueName[16384];
        static BYTE data[65536];
        for (DWORD index = 0;; ++index) {
            DWORD length = ARRAYSIZE(name);
            if (RegEnumKeyExW(uninstall.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            UniqueHKey key;
            if (RegOpenKeyExW(uninstall.get(), name, 0, KEY_READ, key.put()) != ERROR_SUCCESS) continue;
            for (DWORD v = 0;; ++v) {
                DWORD nameLength = ARRAYSIZE(valueName), size = sizeof data, type = 0;
                if (RegEnumValueW(key.get(), v, valueName, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
            }
            DWORD subLength = ARRAYSIZE(name);
            wchar_t sub[258];
            RegEnumKeyExW(key.get(), 0, sub, &subLength, nullptr, nullptr, nullptr, nullptr);
        }
        bare.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    Unseed(keys);

    const double a = Median(oursMs), b = Median(theirsMs);
    wprintf(L"full backup, %d seeded entries (%d subkeys in all), median of %d runs:\n", keys, total, runs);
    wprintf(L"  Purgeon.exe /backup          %6.0f ms  (%zu files)   runs:%ls\n", a, files, Runs(oursMs).c_str());
    wprintf(L"  regedit /e of the whole key  %6.0f ms  (one file)    runs:%ls\n", b, Runs(theirsMs).c_str());
    wprintf(L"  in-process backup            %6.0f ms\n", Median(inProcess));
    wprintf(L"    of which reading, formatting %5.0f ms\n", Median(readsOnly));
    wprintf(L"    the bare registry calls      %5.0f ms\n", Median(bare));
    wprintf(L"  ratio                        %6.2f (target <= 1.50)\n", b > 0 ? a / b : 0.0);
    const double first = Median(firstMs), bareFiles = Median(bareFilesMs), floor = b + bareFiles;
    wprintf(L"first full backup, into a folder that does not exist yet:\n");
    wprintf(L"  Purgeon.exe /backup          %6.0f ms                runs:%ls\n", first, Runs(firstMs).c_str());
    wprintf(L"  floor: regedit /e            %6.0f ms\n", b);
    wprintf(L"       + bare creation of %zu files of the same sizes %.0f ms   runs:%ls\n", files, bareFiles,
            Runs(bareFilesMs).c_str());
    wprintf(L"  ratio to the floor           %6.2f (target <= 1.25)\n", floor > 0 ? first / floor : 0.0);
    return bareFilesMs.empty() ? 1 : 0;
}
