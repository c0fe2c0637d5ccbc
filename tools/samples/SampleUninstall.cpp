// The sample programs' uninstaller. Its command line, written into each UninstallString,
// says what kind of uninstaller it plays:
//   /behaviour=removeall|remains|slow|handover|removepatch  /key=<Uninstall key name>
//   /then=removeall|remains    what the %TEMP% copy does after a handover
//   /delay=<ms>  /waitfor=<inherited process handle>   used by that copy
//   /exit=<code>   what to exit with once the work is done (a failing or cancelled uninstaller)
// Without /key, the options come from "<own name>.dat" beside it, as Inno Setup's log is.
// No window: it works silently and exits 0 (or the /exit code) on success, 1 when the work failed,
// 2 on bad arguments.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/funUtils.h"
#include "common/handles.h"
#include "tools/samples/sampleCatalog.h"

using namespace purgeon;
using namespace purgeon::samples;

namespace {

struct Arguments {
    std::wstring behaviour, key, then = L"removeall";
    DWORD delayMs = 0;
    DWORD exitCode = 0;
    HANDLE waitFor = nullptr;
};

bool TakeOption(const std::wstring& arg, const wchar_t* name, std::wstring* value) {
    std::wstring prefix = std::wstring(L"/") + name + L"=";
    if (!StartsWithNoCase(arg, prefix)) return false;
    *value = arg.substr(prefix.size());
    return true;
}

// Started without its options, as an Inno Setup uninstaller is ("unins000.exe /VERYSILENT"), it
// takes them from the log beside it ("unins000.dat"), where such an uninstaller keeps what to do.
std::wstring OptionsOfCommandLine() {
    std::wstring line = GetCommandLineW();
    if (line.find(L"/key=") != std::wstring::npos) return line;
    const std::wstring self = ModuleFileName(nullptr);
    UniqueHandle log = AdoptFileHandle(CreateFileW((self.substr(0, self.size() - 4) + L".dat").c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char bytes[1024] = {};
    DWORD read = 0;
    if (!log || !ReadFile(log.get(), bytes, sizeof bytes - 1, &read, nullptr)) return line;
    return line + L" " + FromUtf8(std::string(bytes, read));
}

Arguments ParseArguments() {
    Arguments args;
    int count = 0;
    const std::wstring line = OptionsOfCommandLine();
    wchar_t** argv = CommandLineToArgvW(line.c_str(), &count);
    for (int i = 1; argv && i < count; ++i) {
        std::wstring arg = argv[i], value;
        if (TakeOption(arg, L"behaviour", &value)) args.behaviour = value;
        else if (TakeOption(arg, L"key", &value)) args.key = value;
        else if (TakeOption(arg, L"then", &value)) args.then = value;
        else if (TakeOption(arg, L"delay", &value)) args.delayMs = wcstoul(value.c_str(), nullptr, 10);
        else if (TakeOption(arg, L"exit", &value)) args.exitCode = wcstoul(value.c_str(), nullptr, 10);
        else if (TakeOption(arg, L"waitfor", &value))
            args.waitFor = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(_wcstoui64(value.c_str(), nullptr, 10)));
    }
    if (argv) LocalFree(argv);
    return args;
}

// Hands the work to a copy of this exe in %TEMP% and returns at once, as installers that
// unpack a helper do. The copy waits for this process to end, then another second.
int HandOver(const Arguments& args) {
    const std::wstring copy = NewTempCopyPath();
    if (!CopyFileW(ModuleFileName(nullptr).c_str(), copy.c_str(), FALSE)) return 1;
    HANDLE raw = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &raw, SYNCHRONIZE, TRUE, 0))
        return 1;
    UniqueHandle self(raw);
    std::wstring command = L"\"" + copy + L"\" /behaviour=" + args.then + L" /key=\"" + args.key +
                           L"\" /delay=1000" + Format(L" /exit=%lu", args.exitCode) +
                           Format(L" /waitfor=%llu", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(self.get())));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return 1;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    return 0;
}

int Run() {
    Arguments args = ParseArguments();
    if (args.key.empty() || args.behaviour.empty()) return 2;
    SweepTempCopies();

    if (EqualsNoCase(args.behaviour, L"removepatch")) {
        // A patch entry's own uninstaller: only that entry goes.
        UniqueHKey root;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, root.put()) !=
            ERROR_SUCCESS)
            return 1;
        LSTATUS status = RegDeleteTreeW(root.get(), args.key.c_str());
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? 0 : 1;
    }

    UninstallBehaviour behaviour;
    if (!ParseBehaviour(args.behaviour, &behaviour)) return 2;
    if (behaviour == UninstallBehaviour::Handover) {
        UninstallBehaviour then;
        if (!ParseBehaviour(args.then, &then) || then == UninstallBehaviour::Handover) return 2;
        return HandOver(args);
    }

    if (args.waitFor) {
        UniqueHandle parent(args.waitFor);
        WaitForSingleObject(parent.get(), 30000);
    }
    if (behaviour == UninstallBehaviour::Slow) Sleep(1500);
    if (args.delayMs) Sleep(args.delayMs);
    RunUninstallWork(args.key, behaviour);
    return static_cast<int>(args.exitCode);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        return Run();
    } catch (const SampleError& error) {
        // No window to show it in: a debugger (or WINEDEBUG=+debugstr) sees why.
        OutputDebugStringW((L"SampleUninstall: " + error.message() + L"\n").c_str());
        return 1;
    } catch (const std::exception&) {
        return 1;
    }
}
