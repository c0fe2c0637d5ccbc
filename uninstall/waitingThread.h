#pragma once
// Runs a program's own uninstaller on a worker thread, waits until it is really done (also when
// it hands its work to a child and exits at once) and then tells a window so, synchronously.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/handles.h"

namespace purgeon::uninstall {

// Sent with SendMessageW when a wait is over. wParam: the wait's id, as Start handed it out.
// lParam: the UninstallDone of the thread that sends it, owned by that thread and valid only
// while the handler runs; copy what must outlive the handler. Any window can be sent this
// message by any program of the desktop: take lParam only through StartedWaits::Claim.
inline constexpr UINT WM_UNINSTALL_DONE = WM_USER + 100;

// The program an uninstall was for, as it stood when Uninstall was chosen, so the question and
// the remains scan use that program's terms whatever is selected by the time the wait ends.
struct UninstallDone {
    std::wstring keyName;
    std::wstring installLocation;
    std::wstring commandLine;
    std::wstring keyPath;  // where its uninstall key lives, to see afterwards whether it went
    std::wstring displayName;
    std::wstring publisher;
    std::vector<std::wstring> otherInstallLocations;  // of the other programs listed then
    // Set by the window before the start: run the command with the signed-in user's own token
    // (RunAs::ShellUser); it is then never started with this process's rights.
    bool asShellUser = false;
    // Set by the thread before it reports: true when the command ran and its wait ended, false
    // when it could not be started.
    bool started = false;
    // Set by the thread before it reports: the exit code of the process it waited for (the child
    // after a handover), when there was one and it could be read.
    std::optional<DWORD> exitCode;
};

enum class RunResult {
    Finished,    // started, and the wait for it (or for the child it handed over to) ended
    NotStarted,  // neither CreateProcessW nor ShellExecuteExW could start the command
    WaitFailed,  // started, but the wait returned something other than its end: nothing is said
    TimedOut,    // started, and still running when its time was up: left running, never killed
};

struct UninstallRun {
    RunResult result = RunResult::NotStarted;
    std::optional<DWORD> exitCode;
};

// What an uninstall came to, once its wait is over. Whether the program's uninstall key is still
// there decides, whatever the exit code: an uninstaller that was cancelled, failed, or only opened
// a maintenance dialog leaves it, and then nothing may be taken for remains.
enum class UninstallOutcome { NotStarted, Removed, StillInstalled };
UninstallOutcome OutcomeOf(bool started, const UninstallDone& program);
// True when the key of that full path ("HKEY_LOCAL_MACHINE\SOFTWARE\...") can be opened.
bool RegistryKeyExists(const std::wstring& fullPath);

// Who a program's uninstall command runs as. Purgeon runs elevated, but an entry under
// HKEY_CURRENT_USER can be written by the user's own programs without elevation: starting its
// command elevated would hand them administrator rights. So it runs with the signed-in user's
// token, the shell's; where that cannot be had, the user sees the command and decides.
enum class EntryScope { Machine, User };
enum class RunAs {
    AsIs,       // with this process's rights
    ShellUser,  // with the shell's token: the user's rights, unelevated
    Ask,        // show the command and ask first, No being the default
};
RunAs RunAsDecision(EntryScope source, bool processElevated, bool unelevatedTokenAvailable);
// User for a key path under HKEY_CURRENT_USER (or HKCU), else Machine.
EntryScope ScopeOfKeyPath(const std::wstring& keyPath);
// True when this process runs with a full administrator token.
bool ProcessIsElevated();
// A primary token copied from a process's own, made to start a process with; empty when the
// process's token cannot be had.
UniqueHandle PrimaryTokenOf(HANDLE process);
// PrimaryTokenOf the process that owns the shell's window; empty when there is no shell window
// or its token cannot be had.
UniqueHandle ShellUserToken();
// RunAsDecision for this program, with this process's elevation and the shell's token.
RunAs RunAsFor(const UninstallDone& program);

// How long an uninstaller has to hand over before only the process itself is waited for.
inline constexpr DWORD kHandoverGraceMs = 500;

struct RunOptions {
    bool hidden = false;         // a quiet uninstaller: no window, no console
    DWORD timeoutMs = INFINITE;  // how long to wait at most
    HANDLE token = nullptr;      // started with this token (CreateProcessWithTokenW), never through the shell
};
// Starts the command as it stands and waits: for the process when it still runs after
// kHandoverGraceMs, else for its first direct child, else not at all.
UninstallRun RunAndWait(const std::wstring& commandLine, const RunOptions& options = {});

// Creation time of a process (100 ns units); 0 when it cannot be read.
ULONGLONG ProcessCreationTime(HANDLE process);

// True when a process with that id is in a process snapshot. Process ids come back quickly under
// Wine, so with createdAt given the process must also have been created then.
bool ProcessExists(DWORD processId, ULONGLONG createdAt = 0);

// Parent process id as the system recorded it at creation; (DWORD)-1 when it cannot be read.
DWORD GetParentProcessId(DWORD processId);

// The first process in a snapshot whose parent is parentId, opened to be waited for; empty when
// there is none. Only processes created within the parent's life (createdAt..endedAt, each
// ignored when 0) count, so a stale id's children are not taken for this parent's.
UniqueHandle OpenChildProcess(DWORD parentId, ULONGLONG createdAt = 0, ULONGLONG endedAt = 0);

// What names one wait in its done message: the id in wParam and the thread's record in lParam.
struct WaitTicket {
    WPARAM id = 0;
    LPARAM record = 0;
};

// The waits a window started. A done message is taken only when it names one of them, id and
// record alike; any other is someone else's (or forged) and its lParam is never read.
class StartedWaits {
public:
    void Add(const WaitTicket& ticket) { tickets_.push_back(ticket); }
    // The record of that wait, taken off the list; nullptr when no wait started here has them.
    const UninstallDone* Claim(WPARAM wParam, LPARAM lParam);

private:
    std::vector<WaitTicket> tickets_;
};

// One uninstall's worker: started by Start, it runs RunAndWait on its own thread, sends
// WM_UNINSTALL_DONE to the window unless the wait failed, and frees itself. Several may run at
// once; none shares anything with the window's thread but the synchronous message.
class TWaitingThread {
public:
    // The wait's ticket; nullopt when the thread could not be created, and then nothing is sent.
    static std::optional<WaitTicket> Start(HWND target, UninstallDone program);

    TWaitingThread(const TWaitingThread&) = delete;
    TWaitingThread& operator=(const TWaitingThread&) = delete;

private:
    TWaitingThread(HWND target, UninstallDone program, WPARAM id)
        : target_(target), program_(std::move(program)), id_(id) {}
    static DWORD WINAPI ThreadProc(void* self);
    void Execute();

    HWND target_;
    UninstallDone program_;
    WPARAM id_;
};

}  // namespace purgeon::uninstall
