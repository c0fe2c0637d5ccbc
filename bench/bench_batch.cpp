// The batch uninstall's own cost. Installs 20 sample programs whose entries carry a quiet
// uninstall command, then times alternately, as whole processes started the same way:
//   ours:      Purgeon.exe /uninstall /quiet KEY...   the catalogue, the rules, the records, the lines
//   baseline:  the same 20 quiet commands started directly, two side by side, each waited for
// and prints Purgeon's own time per program beyond the uninstallers' run time (median).
//
//   bench_batch [--programs N] [--runs N]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/funUtils.h"
#include "common/handles.h"
#include "tools/samples/sampleCatalog.h"

using namespace purgeon;

namespace {

std::wstring BinDir() { return ExtractFilePath(ModuleFileName(nullptr)); }

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

UniqueHandle Start(const std::wstring& command) {
    std::wstring buffer = command;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // Its lines are not this benchmark's output.
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &info))
        return {};
    UniqueHandle thread(info.hThread);
    return UniqueHandle(info.hProcess);
}

// Installs the samples; their quiet commands in order.
std::vector<std::wstring> Install(int count) {
    std::vector<std::wstring> quiet;
    for (int i = 0; i < count; ++i) {
        samples::SampleSpec spec;
        spec.name = Format(L"PurgeonBenchBatch%02d", i);
        spec.publisher = spec.name + L" Works";
        const samples::InstalledSample sample = samples::InstallSample(spec, BinDir());
        UniqueHKey key;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, samples::UninstallKeyPath(sample.keyName).c_str(), 0,
                      KEY_SET_VALUE | KEY_WOW64_64KEY, key.put());
        RegSetValueExW(key.get(), L"QuietUninstallString", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(sample.uninstallString.c_str()),
                       static_cast<DWORD>((sample.uninstallString.size() + 1) * sizeof(wchar_t)));
        quiet.push_back(sample.uninstallString);
    }
    return quiet;
}

void RemoveAll(int count) {
    for (int i = 0; i < count; ++i) {
        try {
            samples::RemoveSample(Format(L"PurgeonBenchBatch%02d", i));
        } catch (const UserError&) {
            // Already gone with its uninstaller.
        }
    }
}

double Baseline(const std::vector<std::wstring>& commands) {
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < commands.size(); i += 2) {
        UniqueHandle a = Start(commands[i]);
        UniqueHandle b = i + 1 < commands.size() ? Start(commands[i + 1]) : UniqueHandle();
        for (HANDLE process : {a.get(), b.get()})
            if (process) WaitForSingleObject(process, INFINITE);
    }
    return Seconds(start);
}

// The time of one /uninstall, or a negative number when it did not remove every program.
double Ours(int count) {
    std::wstring command = L"\"" + BinDir() + L"Purgeon.exe\" /uninstall /quiet";
    for (int i = 0; i < count; ++i) command += Format(L" PurgeonBenchBatch%02d", i);
    const auto start = std::chrono::steady_clock::now();
    UniqueHandle process = Start(command);
    if (!process) return -1;
    WaitForSingleObject(process.get(), INFINITE);
    const double seconds = Seconds(start);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    return code == 0 ? seconds : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int count = 20, runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wstring(argv[i]) == L"--programs") count = _wtoi(argv[i + 1]);
        if (std::wstring(argv[i]) == L"--runs") runs = _wtoi(argv[i + 1]);
    }
    std::vector<double> ours, baseline;
    for (int run = 0; run < runs; ++run) {
        baseline.push_back(Baseline(Install(count)));
        RemoveAll(count);
        Install(count);
        const double seconds = Ours(count);
        RemoveAll(count);
        if (seconds < 0) {
            std::printf("batch: FAILED (run %d: /uninstall did not remove every program)\n", run + 1);
            return 1;
        }
        ours.push_back(seconds);
    }
    const double o = Median(ours), b = Median(baseline);
    std::printf("batch: %d quiet programs, median of %d: /uninstall %.3f s, the commands alone %.3f s; "
                "Purgeon's own time %.0f ms per program\n",
                count, runs, o, b, (o - b) * 1000.0 / count);
    return 0;
}
