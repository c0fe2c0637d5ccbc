#include "uninstall/waitingThread.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>

#include "common/funUtils.h"
#include "common/registryKeys.h"

namespace purgeon::uninstall {

namespace {

ULONGLONG ToUlong(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// 0 when the process still runs or its times cannot be read.
ULONGLONG ProcessExitTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return ToUlong(exited);
}

// Calls visit for each process of a fresh snapshot until it answers true.
void ForEachProcess(const std::function<bool(const PROCESSENTRY32W&)>& visit) {
    UniqueHandle snapshot = AdoptFileHandle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (visit(entry)) return;
}

ULONGLONG CreationTimeOf(DWORD processId) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    return process ? ProcessCreationTime(process.get()) : 0;
}

// Layout of ProcessBasicInformation on 64-bit Windows.
struct BasicInformation {
    LONG exitStatus;
    void* pebBaseAddress;
    ULONG_PTR affinityMask;
    LONG basePriority;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR inheritedFromUniqueProcessId;
};
using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);

// The milliseconds left until a deadline of GetTickCount64; INFINITE for none.
DWORD Remaining(ULONGLONG deadline) {
    if (deadline == 0) return INFINITE;
    const ULONGLONG now = GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, INFINITE - 1));
}

// The end of a wait for a process: its exit code when the wait saw it end. A process still
// running at the deadline is left running.
UninstallRun WaitForEnd(HANDLE process, ULONGLONG deadline = 0) {
    const DWORD waited = WaitForSingleObject(process, Remaining(deadline));
    if (waited == WAIT_TIMEOUT) return {RunResult::TimedOut, std::nullopt};
    if (waited != WAIT_OBJECT_0) return {RunResult::WaitFailed, std::nullopt};
    UninstallRun run{RunResult::Finished, std::nullopt};
    DWORD code = 0;
    if (GetExitCodeProcess(process, &code)) run.exitCode = code;
    return run;
}

// Waits for the started process, or after a handover for its first child.
UninstallRun WaitForUninstaller(HANDLE process, DWORD processId, ULONGLONG deadline, bool quiet) {
    // Whether it handed over is known when it ends within the grace period: a copy it started
    // exists by then, so there is no need to sit out the rest of the period.
    const ULONGLONG created = ProcessCreationTime(process);
    if (WaitForSingleObject(process, kHandoverGraceMs) == WAIT_TIMEOUT && ProcessExists(processId, created)) {
        UninstallRun own = WaitForEnd(process, deadline);
        // A quiet uninstaller on a busy machine may hand over only after the grace period; it
        // opens nothing else (no page to read afterwards), so a copy it left running is its work.
        if (!quiet || own.result != RunResult::Finished) return own;
        UniqueHandle late = OpenChildProcess(processId, created, ProcessExitTime(process));
        return late ? WaitForEnd(late.get(), deadline) : own;
    }
    UniqueHandle child = OpenChildProcess(processId, created, ProcessExitTime(process));
    if (!child) return WaitForEnd(process);  // ended without handing over: its own code counts
    return WaitForEnd(child.get(), deadline);
}

}  // namespace

ULONGLONG ProcessCreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return ToUlong(created);
}

bool ProcessExists(DWORD processId, ULONGLONG createdAt) {
    bool found = false;
    ForEachProcess([&](const PROCESSENTRY32W& entry) { return found = entry.th32ProcessID == processId; });
    return found && (createdAt == 0 || CreationTimeOf(processId) == createdAt);
}

DWORD GetParentProcessId(DWORD processId) {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto query = ntdll ? reinterpret_cast<NtQueryInformationProcessFn>(
                             reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationProcess")))
                       : nullptr;
    if (!query) return static_cast<DWORD>(-1);
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return static_cast<DWORD>(-1);
    BasicInformation info{};
    if (query(process.get(), 0 /* ProcessBasicInformation */, &info, sizeof info, nullptr) != 0)
        return static_cast<DWORD>(-1);
    return static_cast<DWORD>(info.inheritedFromUniqueProcessId);
}

UniqueHandle OpenChildProcess(DWORD parentId, ULONGLONG createdAt, ULONGLONG endedAt) {
    UniqueHandle child;
    ForEachProcess([&](const PROCESSENTRY32W& entry) {
        if (entry.th32ProcessID == parentId) return false;
        DWORD parent = GetParentProcessId(entry.th32ProcessID);
        if (parent == static_cast<DWORD>(-1)) parent = entry.th32ParentProcessID;
        if (parent != parentId) return false;
        UniqueHandle candidate(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (!candidate) return false;
        const ULONGLONG created = ProcessCreationTime(candidate.get());
        if ((createdAt && created < createdAt) || (endedAt && created > endedAt)) return false;
        child = std::move(candidate);
        return true;
    });
    return child;
}

RunAs RunAsDecision(EntryScope source, bool processElevated, bool unelevatedTokenAvailable) {
    if (source != EntryScope::User || !processElevated) return RunAs::AsIs;
    return unelevatedTokenAvailable ? RunAs::ShellUser : RunAs::Ask;
}

EntryScope ScopeOfKeyPath(const std::wstring& keyPath) {
    for (const wchar_t* root : {L"HKEY_CURRENT_USER\\", L"HKCU\\"})
        if (EqualsNoCase(keyPath.substr(0, wcslen(root)), root)) return EntryScope::User;
    return EntryScope::Machine;
}

bool ProcessIsElevated() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

UniqueHandle PrimaryTokenOf(HANDLE process) {
    UniqueHandle token;
    if (!process || !OpenProcessToken(process, TOKEN_DUPLICATE, token.put())) return {};
    UniqueHandle primary;
    constexpr DWORD kAccess =
        TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID;
    if (!DuplicateTokenEx(token.get(), kAccess, nullptr, SecurityImpersonation, TokenPrimary, primary.put())) return {};
    return primary;
}

UniqueHandle ShellUserToken() {
    // The shell runs with the signed-in user's own token, also when this process was elevated.
    HWND shell = GetShellWindow();
    DWORD shellProcessId = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &shellProcessId) || !shellProcessId) return {};
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellProcessId));
    return PrimaryTokenOf(process.get());
}

RunAs RunAsFor(const UninstallDone& program) {
    const EntryScope scope = ScopeOfKeyPath(program.keyPath);
    // The token is looked for only when it could matter.
    if (scope != EntryScope::User) return RunAs::AsIs;
    const bool elevated = ProcessIsElevated();
    return RunAsDecision(scope, elevated, elevated && static_cast<bool>(ShellUserToken()));
}

UninstallRun RunAndWait(const std::wstring& commandLine, const RunOptions& options) {
    // An empty command would make the shell open the current folder.
    if (Trim(commandLine).empty()) return {};
    const ULONGLONG deadline = options.timeoutMs == INFINITE ? 0 : GetTickCount64() + options.timeoutMs;

    std::wstring buffer = commandLine;  // CreateProcessW may write into its command line
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    // A quiet uninstaller shows nothing, not even a console of its own.
    startup.wShowWindow = options.hidden ? SW_HIDE : SW_SHOW;
    const DWORD flags = (options.hidden ? CREATE_NO_WINDOW : CREATE_NEW_CONSOLE) | NORMAL_PRIORITY_CLASS;
    PROCESS_INFORMATION info{};
    const BOOL created =
        options.token ? CreateProcessWithTokenW(options.token, 0, nullptr, buffer.data(), flags, nullptr, nullptr, &startup, &info)
              : CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &info);
    if (created) {
        UniqueHandle process(info.hProcess), thread(info.hThread);
        return WaitForUninstaller(process.get(), info.dwProcessId, deadline, options.hidden);
    }
    // The shell would start it with this process's rights.
    if (options.token) return {};

    // Commands that are not a program line (a document, a shell verb target) go to the shell.
    // No error box from it: the question that follows a failed start says enough.
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    execute.lpFile = commandLine.c_str();
    execute.nShow = options.hidden ? SW_HIDE : SW_SHOWNORMAL;
    if (!ShellExecuteExW(&execute)) return {};
    // Started through something that gives no process (a running server took it): nothing to wait for.
    if (!execute.hProcess) return {RunResult::Finished, std::nullopt};
    UniqueHandle process(execute.hProcess);
    return WaitForEnd(process.get(), deadline);
}

bool RegistryKeyExists(const std::wstring& fullPath) {
    const std::optional<RegistryTarget> where = SplitRegistryText(fullPath);
    if (!where) return false;
    // The 64-bit view names the 32-bit one's keys by their WOW6432Node path.
    const RegistryKey at = where->Key();
    UniqueHKey key;
    const LSTATUS status = RegOpenKeyExW(at.root, at.path.c_str(), 0, KEY_READ | at.view, key.put());
    // A key that exists but may not be read is still there.
    return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

UninstallOutcome OutcomeOf(bool started, const UninstallDone& program) {
    if (!started) return UninstallOutcome::NotStarted;
    return RegistryKeyExists(program.keyPath) ? UninstallOutcome::StillInstalled : UninstallOutcome::Removed;
}

const UninstallDone* StartedWaits::Claim(WPARAM wParam, LPARAM lParam) {
    const auto found = std::find_if(tickets_.begin(), tickets_.end(), [&](const WaitTicket& ticket) {
        return ticket.id == wParam && ticket.record == lParam;
    });
    if (found == tickets_.end()) return nullptr;
    tickets_.erase(found);
    return reinterpret_cast<const UninstallDone*>(lParam);
}

std::optional<WaitTicket> TWaitingThread::Start(HWND target, UninstallDone program) {
    static std::atomic<WPARAM> lastId{0};
    const WPARAM waitId = ++lastId;
    std::unique_ptr<TWaitingThread> self(new TWaitingThread(target, std::move(program), waitId));
    const WaitTicket ticket{waitId, reinterpret_cast<LPARAM>(&self->program_)};
    DWORD threadId = 0;
    UniqueHandle thread(CreateThread(nullptr, 0, &TWaitingThread::ThreadProc, self.get(), 0, &threadId));
    if (!thread) return std::nullopt;
    self.release();  // the thread frees it
    return ticket;
}

DWORD WINAPI TWaitingThread::ThreadProc(void* self) {
    std::unique_ptr<TWaitingThread> owned(static_cast<TWaitingThread*>(self));
    try {
        owned->Execute();
    } catch (...) {
        // Nothing to tell and nobody to tell it to: the thread just ends.
    }
    return 0;
}

void TWaitingThread::Execute() {
    // The shell start may need COM on this thread.
    ComApartment apartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    UninstallRun run;
    if (program_.asShellUser) {
        // Without the user's token it is not started at all, rather than with this process's rights.
        if (UniqueHandle token = ShellUserToken()) run = RunAndWait(program_.commandLine, RunOptions{false, INFINITE, token.get()});
    } else {
        run = RunAndWait(program_.commandLine);
    }
    if (run.result == RunResult::WaitFailed) return;
    program_.exitCode = run.exitCode;
    program_.started = run.result == RunResult::Finished;
    SendMessageW(target_, WM_UNINSTALL_DONE, id_, reinterpret_cast<LPARAM>(&program_));
}

}  // namespace purgeon::uninstall
