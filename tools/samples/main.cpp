// PurgeonSamples: installs and removes sample programs in the current prefix, for the demo
// and by hand. The tool binaries (SampleUninstall.exe, SampleApp.exe, SampleSaver.scr) are
// looked for beside this exe.
#include <windows.h>

#include <string>
#include <vector>

#include "common/funUtils.h"
#include "tools/samples/sampleCatalog.h"

using namespace purgeon;
using namespace purgeon::samples;

namespace {

constexpr wchar_t kUsage[] =
    L"Usage: PurgeonSamples <command>\n"
    L"  install-demo                 install the demo samples and the screen saver\n"
    L"  remove-demo                  remove them again\n"
    L"  install <name> [options]     install one sample (a demo name takes the demo's settings)\n"
    L"      --behaviour=removeall|remains|handover|slow|missing\n"
    L"      --then=removeall|remains (what a handover's helper does)\n"
    L"      --run  --startup  --patch[=KB5012345]  --unicode\n"
    L"      --display=<name>  --publisher=<name>  --version=<x.y.z>\n"
    L"  remove <keyname>             remove a sample and anything it left\n"
    L"  installscr | removescr       the sample screen saver in the system folder\n"
    L"  seed <count> [prefix]        add plain Uninstall entries (default prefix PurgeonSeed)\n"
    L"  unseed [prefix]              delete them\n"
    L"  list                         installed samples\n";

// Wide text to the console as it is; to a pipe or file as UTF-8.
void Print(const std::wstring& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        std::string bytes = ToUtf8(text);
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

std::wstring ToolsDir() { return ExtractFilePath(ModuleFileName(nullptr)); }

void PrintInstalled(const InstalledSample& sample) {
    Print(L"Installed " + sample.keyName + L"\n  folder     " + sample.installDir + L"\n  uninstall  " +
          sample.uninstallString + L"\n");
    if (!sample.runValueName.empty()) Print(L"  run entry  " + sample.runValueName + L"\n");
    if (!sample.shortcutPath.empty()) Print(L"  shortcut   " + sample.shortcutPath + L"\n");
    if (!sample.patchKeyName.empty()) Print(L"  patch      " + sample.patchKeyName + L"\n");
}

void PrintRemoved(const std::wstring& name, const std::vector<std::wstring>& log) {
    Print(log.empty() ? L"Nothing of " + name + L" was there\n" : L"Removed " + name + L"\n");
    for (const std::wstring& line : log) Print(L"  " + line + L"\n");
}

bool TakeOption(const std::wstring& arg, const wchar_t* name, std::wstring* value) {
    std::wstring prefix = std::wstring(L"--") + name + L"=";
    if (!StartsWithNoCase(arg, prefix)) return false;
    *value = arg.substr(prefix.size());
    return true;
}

// "install <name> [options]": starts from the demo spec of that name, if any.
int InstallOne(const std::vector<std::wstring>& args) {
    if (args.size() < 2) throw SampleError(L"install needs a name");
    SampleSpec spec;
    spec.name = args[1];
    for (const SampleSpec& demo : DemoSamples())
        if (EqualsNoCase(demo.name, spec.name)) spec = demo;
    bool unicode = false;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        std::wstring value;
        if (TakeOption(arg, L"behaviour", &value) || TakeOption(arg, L"behavior", &value)) {
            if (!ParseBehaviour(value, &spec.behaviour)) throw SampleError(L"Unknown behaviour: " + value);
        } else if (TakeOption(arg, L"then", &value)) {
            if (!ParseBehaviour(value, &spec.handoverWork)) throw SampleError(L"Unknown behaviour: " + value);
        } else if (arg == L"--run") {
            spec.runEntry = true;
        } else if (arg == L"--startup") {
            spec.startupShortcut = true;
        } else if (arg == L"--patch") {
            spec.patchId = L"KB5012345";
        } else if (TakeOption(arg, L"patch", &value)) {
            spec.patchId = value;
        } else if (arg == L"--unicode") {
            unicode = true;
        } else if (TakeOption(arg, L"display", &value)) {
            spec.displayName = value;
        } else if (TakeOption(arg, L"publisher", &value)) {
            spec.publisher = value;
        } else if (TakeOption(arg, L"version", &value)) {
            spec.version = value;
        } else {
            throw SampleError(L"Unknown option: " + arg);
        }
    }
    if (unicode) {
        spec.name += L" 数据 Café";
        spec.displayName = (spec.displayName.empty() ? args[1] : spec.displayName) + L" – 数据管家 Édition 🚀";
    }
    PrintInstalled(InstallSample(spec, ToolsDir()));
    return 0;
}

int InstallDemo() {
    for (const SampleSpec& spec : DemoSamples()) PrintInstalled(InstallSample(spec, ToolsDir()));
    Print(L"Installed the screen saver " + InstallScreenSaver(ToolsDir()) + L"\n");
    return 0;
}

int RemoveDemo() {
    for (const SampleSpec& spec : DemoSamples()) PrintRemoved(spec.name, RemoveSample(spec));
    if (RemoveScreenSaver()) Print(L"Removed the screen saver " + ScreenSaverPath() + L"\n");
    return 0;
}

int List() {
    std::vector<SampleListing> samples = ListInstalledSamples();
    for (const SampleListing& item : samples) {
        Print(item.keyName + L"\t" + item.displayName + L"\t" + item.version + L"\t" + item.publisher + L"\n");
        Print(L"\t" + item.uninstallString + (item.uninstallerPresent ? L"" : L"  (uninstaller missing)") + L"\n");
    }
    Print(Format(L"%zu sample entries\n", samples.size()));
    Print(L"Screen saver " + ScreenSaverPath() + (FileExists(ScreenSaverPath()) ? L" installed\n" : L" not installed\n"));
    return 0;
}

int Dispatch(const std::vector<std::wstring>& args) {
    if (args.empty() || args[0] == L"help" || args[0] == L"--help" || args[0] == L"/?") {
        Print(kUsage);
        return args.empty() ? 2 : 0;
    }
    const std::wstring& command = args[0];
    if (command == L"install-demo") return InstallDemo();
    if (command == L"remove-demo") return RemoveDemo();
    if (command == L"install") return InstallOne(args);
    if (command == L"remove") {
        if (args.size() < 2) throw SampleError(L"remove needs a key name");
        PrintRemoved(args[1], RemoveSample(args[1]));
        return 0;
    }
    if (command == L"installscr") {
        Print(L"Installed the screen saver " + InstallScreenSaver(ToolsDir()) + L"\n");
        return 0;
    }
    if (command == L"removescr") {
        Print(RemoveScreenSaver() ? L"Removed the screen saver\n" : L"The screen saver was not installed\n");
        return 0;
    }
    if (command == L"seed") {
        if (args.size() < 2) throw SampleError(L"seed needs a count");
        size_t count = wcstoul(args[1].c_str(), nullptr, 10);
        std::wstring prefix = args.size() > 2 ? args[2] : kDefaultSeedPrefix;
        ULONGLONG start = GetTickCount64();
        SeedEntries(count, prefix);
        Print(Format(L"Seeded %zu entries %ls000001... in %llu ms\n", count, prefix.c_str(), GetTickCount64() - start));
        return 0;
    }
    if (command == L"unseed") {
        std::wstring prefix = args.size() > 1 ? args[1] : kDefaultSeedPrefix;
        Print(Format(L"Deleted %zu entries %ls*\n", UnseedEntries(prefix), prefix.c_str()));
        return 0;
    }
    if (command == L"list") return List();
    Print(L"Unknown command: " + command + L"\n" + kUsage);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    try {
        return Dispatch(args);
    } catch (const SampleError& error) {
        Print(L"Error: " + error.message() + L"\n");
        return 1;
    } catch (const std::exception& error) {
        Print(L"Error: " + FromUtf8(error.what()) + L"\n");
        return 1;
    }
}
