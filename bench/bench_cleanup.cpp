// A clean-up that sets files aside against a bare move of the same files. Builds an install
// folder of N files (3,000 unless told otherwise) in 30 folders under Program Files, then times, in
// the same process and alternately:
//   - the baseline: MoveFileExW of every file into a folder of the same shape, then the emptied
//     folders removed, with nothing checked, recorded or reported;
//   - the clean-up: CleanRemains on the scanned tree, everything checked (each item opened, its
//     final path compared, moved through the handle, recorded in the manifest);
//   - the undo: RestoreCleanup of that clean-up, against moving the files back by hand.
//
//   bench_cleanup [--files N] [--runs N]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "cleanup/cleanupUndo.h"
#include "cleanup/remainsDelete.h"
#include "cleanup/safeFiles.h"
#include "common/funUtils.h"
#include "common/handles.h"

using namespace purgeon;

namespace {

constexpr size_t kFolders = 30;

double NowMs() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void WriteSmallFile(const std::wstring& path, size_t index) {
    UniqueHandle file = AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::string bytes = "file " + std::to_string(index) + std::string(200, 'x');
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring FileName(const std::wstring& folder, size_t f, size_t i) {
    return folder + Format(L"\\Folder %02zu\\file %04zu.dat", f, i);
}

void Build(const std::wstring& folder, size_t files) {
    for (size_t f = 0; f < kFolders; ++f) ForceDirectories(folder + Format(L"\\Folder %02zu", f));
    for (size_t i = 0; i < files; ++i) WriteSmallFile(FileName(folder, i % kFolders, i), i);
}

// Moves every file of `from` to the same place under `to`, then removes the emptied folders.
void MoveTree(const std::wstring& from, const std::wstring& to, size_t files) {
    for (size_t f = 0; f < kFolders; ++f) ForceDirectories(to + Format(L"\\Folder %02zu", f));
    for (size_t i = 0; i < files; ++i)
        MoveFileExW(FileName(from, i % kFolders, i).c_str(), FileName(to, i % kFolders, i).c_str(), 0);
    for (size_t f = 0; f < kFolders; ++f) RemoveDirectoryW((from + Format(L"\\Folder %02zu", f)).c_str());
    RemoveDirectoryW(from.c_str());
}

void RemoveAll(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (find) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveAll(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find.get(), &found));
    }
    find.reset();
    RemoveDirectoryW(folder.c_str());
}

// Where the time of one item goes: each system call the clean-up and the undo make per file,
// timed alone over the same files (they are moved aside and back by a rename through the handle).
void Breakdown(const std::wstring& install, const std::wstring& parked, size_t files) {
    constexpr DWORD kTake = GENERIC_READ | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
    auto open = [&](const std::wstring& path) {
        return AdoptFileHandle(CreateFileW(path.c_str(), kTake, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    };
    auto time = [&](const wchar_t* what, const std::function<void(size_t)>& step) {
        const double start = NowMs();
        for (size_t i = 0; i < files; ++i) step(i);
        wprintf(L"  %-44ls %8.1f ms\n", what, NowMs() - start);
    };
    Build(install, files);
    for (size_t f = 0; f < kFolders; ++f) ForceDirectories(parked + Format(L"\\Folder %02zu", f));
    wprintf(L"where the time goes, %zu files:\n", files);
    time(L"CreateFileW + CloseHandle", [&](size_t i) { open(FileName(install, i % kFolders, i)); });
    time(L"  + GetFinalPathNameByHandleW", [&](size_t i) {
        UniqueHandle h = open(FileName(install, i % kFolders, i));
        wchar_t buffer[MAX_PATH];
        GetFinalPathNameByHandleW(h.get(), buffer, MAX_PATH, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
    time(L"  + GetFileInformationByHandleEx (basic)", [&](size_t i) {
        UniqueHandle h = open(FileName(install, i % kFolders, i));
        FILE_BASIC_INFO info{};
        GetFileInformationByHandleEx(h.get(), FileBasicInfo, &info, sizeof info);
    });
    time(L"FindFirstFileW of the name", [&](size_t i) {
        WIN32_FIND_DATAW found{};
        UniqueFindHandle find(FindFirstFileW(FileName(install, i % kFolders, i).c_str(), &found));
    });
    time(L"GetFileAttributesW of the name", [&](size_t i) { GetFileAttributesW(FileName(install, i % kFolders, i).c_str()); });
    time(L"CreateFileW + rename through it + close", [&](size_t i) {
        UniqueHandle h = open(FileName(install, i % kFolders, i));
        cleanup::RenameOpened(h.get(), FileName(parked, i % kFolders, i));
    });
    time(L"MoveFileExW back", [&](size_t i) {
        MoveFileExW(FileName(parked, i % kFolders, i).c_str(), FileName(install, i % kFolders, i).c_str(), 0);
    });
    const std::wstring log = parked + L"\\log.txt";
    {
        UniqueHandle file = AdoptFileHandle(CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                                        CREATE_ALWAYS, 0, nullptr));
        const std::string line = "file\tC:\\Program Files\\Purgeon Bench Cleanup\\Folder 00\\file 0000.dat\tfiles\\C\\...\t205\n";
        time(L"WriteFile of one manifest line", [&](size_t) {
            DWORD written = 0;
            WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        });
        const double start = NowMs();
        FlushFileBuffers(file.get());
        wprintf(L"  %-44ls %8.1f ms\n", L"FlushFileBuffers once", NowMs() - start);
    }
    DeleteFileW(log.c_str());
    RemoveAll(install);
    RemoveAll(parked);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    size_t files = 3000;
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (wcscmp(argv[i], L"--files") == 0) files = wcstoul(argv[++i], nullptr, 10);
        if (wcscmp(argv[i], L"--runs") == 0) runs = static_cast<int>(wcstol(argv[++i], nullptr, 10));
    }
    wchar_t programFiles[MAX_PATH] = {};
    ExpandEnvironmentStringsW(L"%ProgramFiles%", programFiles, MAX_PATH);
    const std::wstring install = std::wstring(programFiles) + L"\\Purgeon Bench Cleanup";
    const std::wstring parked = TempDirectory() + L"purgeon-bench-parked";
    const std::wstring backups = TempDirectory() + L"purgeon-bench-backups";
    RemoveAll(install);
    RemoveAll(parked);
    RemoveAll(backups);

    std::vector<double> bare, cleanup, bareBack, restore;
    for (int run = 0; run <= runs; ++run) {  // the first run warms up and is not counted
        Build(install, files);
        double start = NowMs();
        MoveTree(install, parked, files);
        const double bareMs = NowMs() - start;
        start = NowMs();
        MoveTree(parked, install, files);
        const double bareBackMs = NowMs() - start;

        std::vector<remains::ScanNode> keys, tree;
        if (auto scanned = remains::ScanInstallFolder(install)) tree.push_back(std::move(*scanned));
        start = NowMs();
        const cleanup::CleanupResult result = cleanup::CleanRemains(keys, tree, {backups, L"Bench", install});
        const double cleanupMs = NowMs() - start;
        if (!result.AllGone()) {
            wprintf(L"the clean-up left %zu items behind\n", cleanup::OwnFailures(result.Outcomes()).size());
            return 1;
        }
        start = NowMs();
        const std::vector<cleanup::ItemOutcome> back = cleanup::RestoreCleanup(result.backupFolder);
        const double restoreMs = NowMs() - start;
        if (cleanup::OwnFailures(back).size()) {
            wprintf(L"the undo left %zu items in the backup\n", cleanup::OwnFailures(back).size());
            return 1;
        }
        RemoveAll(install);
        if (run == 0) continue;
        bare.push_back(bareMs);
        cleanup.push_back(cleanupMs);
        bareBack.push_back(bareBackMs);
        restore.push_back(restoreMs);
    }
    RemoveAll(backups);
    if (!_wgetenv(L"NO_BREAKDOWN")) Breakdown(install, parked, files);
    const double b = Median(bare), c = Median(cleanup), bb = Median(bareBack), r = Median(restore);
    wprintf(L"clean-up of %zu files in %zu folders (median of %d runs):\n", files, kFolders, runs);
    wprintf(L"  bare MoveFileExW of each file     %8.1f ms\n", b);
    wprintf(L"  CleanRemains, everything checked  %8.1f ms\n", c);
    wprintf(L"  ratio                             %8.2f\n", c / b);
    wprintf(L"undo of the same clean-up:\n");
    wprintf(L"  bare MoveFileExW back             %8.1f ms\n", bb);
    wprintf(L"  RestoreCleanup                    %8.1f ms\n", r);
    wprintf(L"  ratio                             %8.2f\n", r / bb);
    return 0;
}
