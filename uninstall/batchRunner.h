#pragma once
// Runs the uninstallers of many programs in one go, quietly where their installers allow it,
// under the rules of batchPlan, and tells what came of each. Worker threads wait for the
// uninstallers; whoever watches gets each change through a callback, on those threads.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "uninstall/batchPlan.h"
#include "uninstall/quietForms.h"
#include "uninstall/waitingThread.h"

namespace purgeon::uninstall {

// One program of a batch, as it stood when the batch was put together.
struct BatchProgram {
    std::wstring keyPath, keyName, displayName, installLocation, publisher;
    std::wstring uninstallCommand;  // what runs when it is not run quietly
    QuietForm quiet;
    bool windowsInstaller = false;
    std::vector<std::wstring> otherInstallLocations;  // of every other program then
    // Whose rights its command gets (RunAsFor its entry): a per-user entry's command runs with
    // the signed-in user's token; one that would need this process's rights without the user's
    // Yes is not run (Ask), since nobody is asked during a batch.
    RunAs runAs = RunAs::AsIs;
};

// A program of a batch from its entry as listed now: its installer's kind and quiet form from its
// entry's values and its uninstaller's file, and whose rights its command gets.
// `otherInstallLocations` are every other listed program's folders.
BatchProgram BatchProgramOf(std::wstring keyPath, std::wstring keyName, std::wstring caption,
                            std::wstring installLocation, std::wstring publisher, std::wstring uninstallCommand,
                            std::vector<std::wstring> otherInstallLocations);

enum class BatchState { Waiting, Running, Removed, RemovedRestartNeeded, StillInstalled, Skipped, Failed };

// Why a program was skipped or failed, for a window to say in its own language.
enum class BatchReason { None, NoQuietForm, Stopped, NotStarted, TimedOut, WaitFailed, NoUserToken, NeedsConsent };

struct BatchResult {
    BatchState state = BatchState::Waiting;
    std::optional<DWORD> exitCode;
    std::wstring detail;  // the exit code and its meaning, or why it was skipped or failed
    BatchReason reason = BatchReason::None;
};

struct BatchOptions {
    bool quiet = true;
    DWORD timeoutMs = 10 * 60 * 1000;
    size_t sideBySide = kSideBySide;
    std::wstring recordDir;  // where each program's terms are written before it runs; empty: none
};

struct BatchHooks {
    std::function<void(size_t index, const BatchResult& result)> onChange;  // called on worker threads too
    std::function<bool()> stopRequested;  // true: start nothing more
    // Runs one command; RunAndWait unless a test puts its own.
    std::function<UninstallRun(const std::wstring& command, const RunOptions& options)> run;
};

// Runs the whole batch and returns when every started uninstaller has ended (or timed out).
std::vector<BatchResult> RunBatch(const std::vector<BatchProgram>& programs, const BatchOptions& options,
                                  const BatchHooks& hooks = {});

// "0", "1602 (cancelled)", "3010 (restart needed)", ...: what an uninstaller's exit code says.
std::wstring ExitCodeText(DWORD code);

// The terms a remains scan needs of a program, written before its uninstaller starts, so its
// leftovers can be found after a crash or a reboot. One file per program; the newest of a key
// wins. Returns the file, empty when it could not be written.
std::wstring WriteUninstallRecord(const std::wstring& recordDir, const BatchProgram& program);
// The newest record of a key name (or key path), when there is one.
std::optional<BatchProgram> ReadUninstallRecord(const std::wstring& recordDir, const std::wstring& key);
// Every record in the folder, in no particular order.
std::vector<BatchProgram> ReadUninstallRecords(const std::wstring& recordDir);
// "<program folder>Back up\Uninstalls\<user name>\": records are per user.
std::wstring UninstallRecordsFolderOf(const std::wstring& programDir);

}  // namespace purgeon::uninstall
