#include "uninstall/batchRunner.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "backup/fullBackup.h"
#include "backup/regFile.h"
#include "cleanup/cleanup.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "uninstall/waitingThread.h"

namespace purgeon::uninstall {

namespace {

// Windows Installer's "another installation is in progress": the job is tried again after a pause.
constexpr DWORD kInstallInProgress = 1618;
constexpr DWORD kInstallRetryPauseMs = 3000;

bool NeedsRestart(DWORD code) { return code == 3010 || code == 1641; }

BatchResult Judge(const BatchProgram& program, const UninstallRun& run, const BatchOptions& options) {
    BatchResult result;
    result.exitCode = run.exitCode;
    switch (run.result) {
        case RunResult::NotStarted:
            return {BatchState::Failed, std::nullopt, L"the uninstaller could not be started", BatchReason::NotStarted};
        case RunResult::TimedOut:
            return {BatchState::Failed, std::nullopt,
                    Format(L"still running after %lu s; left running", static_cast<unsigned long>(options.timeoutMs / 1000)),
                    BatchReason::TimedOut};
        case RunResult::WaitFailed:
            return {BatchState::Failed, std::nullopt, L"its end could not be waited for", BatchReason::WaitFailed};
        case RunResult::Finished:
            break;
    }
    result.detail = run.exitCode ? L"exit code " + ExitCodeText(*run.exitCode) : L"exit code unknown";
    // The uninstall key decides, whatever the exit code says.
    if (RegistryKeyExists(program.keyPath))
        result.state = BatchState::StillInstalled;
    else
        result.state = run.exitCode && NeedsRestart(*run.exitCode) ? BatchState::RemovedRestartNeeded : BatchState::Removed;
    return result;
}

}  // namespace

std::wstring ExitCodeText(DWORD code) {
    switch (code) {
        case 1602:
        case 1223: return Format(L"%lu (cancelled)", code);
        case 3010:
        case 1641: return Format(L"%lu (restart needed)", code);
        case 1605: return Format(L"%lu (unknown product: the entry was stale)", code);
        case kInstallInProgress: return Format(L"%lu (another installation in progress)", code);
        default: return Format(L"%lu", code);
    }
}

std::vector<BatchResult> RunBatch(const std::vector<BatchProgram>& programs, const BatchOptions& options,
                                  const BatchHooks& hooks) {
    const std::function<UninstallRun(const std::wstring&, const RunOptions&)> run =
        hooks.run ? hooks.run : [](const std::wstring& command, const RunOptions& how) { return RunAndWait(command, how); };
    std::vector<BatchResult> results(programs.size());
    std::vector<BatchItem> items;
    std::vector<size_t> waiting, running;
    std::mutex lock;
    std::condition_variable ended;
    auto report = [&](size_t index, BatchResult result) {
        {
            std::lock_guard<std::mutex> hold(lock);
            results[index] = result;
        }
        if (hooks.onChange) hooks.onChange(index, result);
    };

    for (size_t i = 0; i < programs.size(); ++i) {
        const BatchProgram& program = programs[i];
        const bool quiet = options.quiet && program.quiet.quietCommand.has_value();
        items.push_back({program.installLocation, program.publisher, program.windowsInstaller, quiet});
        if (options.quiet && !quiet)
            report(i, {BatchState::Skipped, std::nullopt, L"no quiet form is known for its uninstaller",
                       BatchReason::NoQuietForm});
        else if (program.runAs == RunAs::Ask)
            report(i, {BatchState::Skipped, std::nullopt,
                       L"installed for the current user only: its command is not run with administrator rights",
                       BatchReason::NeedsConsent});
        else
            waiting.push_back(i);
    }

    std::vector<std::thread> workers;
    std::unique_lock<std::mutex> hold(lock);
    while (!waiting.empty() || !running.empty()) {
        const bool stop = hooks.stopRequested && hooks.stopRequested();
        if (stop) {
            // Nothing more starts; what runs now runs to its end, never killed.
            for (size_t i : waiting) results[i] = {BatchState::Skipped, std::nullopt, L"the batch was stopped", BatchReason::Stopped};
            std::vector<size_t> stopped;
            stopped.swap(waiting);
            hold.unlock();
            for (size_t i : stopped)
                if (hooks.onChange) hooks.onChange(i, results[i]);
            hold.lock();
        }
        for (size_t i : StartableNow(items, waiting, running, options.sideBySide)) {
            waiting.erase(std::find(waiting.begin(), waiting.end(), i));
            running.push_back(i);
            results[i].state = BatchState::Running;
            workers.emplace_back([&, i] {
                const BatchProgram& program = programs[i];
                if (hooks.onChange) hooks.onChange(i, {BatchState::Running, std::nullopt, L""});
                if (!options.recordDir.empty()) WriteUninstallRecord(options.recordDir, program);
                const bool quiet = items[i].quiet;
                RunOptions how{quiet, quiet ? options.timeoutMs : INFINITE};
                const std::wstring command = quiet ? *program.quiet.quietCommand : program.uninstallCommand;
                UniqueHandle userToken;
                if (program.runAs == RunAs::ShellUser) {
                    userToken = ShellUserToken();
                    how.token = userToken.get();
                }
                BatchResult result;
                if (program.runAs == RunAs::ShellUser && !userToken) {
                    // Never with this process's rights: without the user's own token it does not run.
                    result = {BatchState::Failed, std::nullopt, L"the signed-in user's rights could not be had",
                              BatchReason::NoUserToken};
                } else {
                    UninstallRun outcome;
                    try {
                        // The COM apartment a shell start may need on this thread.
                        ComApartment apartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
                        const ULONGLONG started = GetTickCount64();
                        outcome = run(command, how);
                        while (program.windowsInstaller && outcome.result == RunResult::Finished &&
                               outcome.exitCode == kInstallInProgress &&
                               GetTickCount64() - started + kInstallRetryPauseMs < how.timeoutMs) {
                            Sleep(kInstallRetryPauseMs);
                            outcome = run(command, how);
                        }
                    } catch (...) {
                        outcome = {};  // reported as not started: nothing ran that we know of
                    }
                    result = Judge(program, outcome, options);
                }
                report(i, result);
                std::lock_guard<std::mutex> done(lock);
                running.erase(std::find(running.begin(), running.end(), i));
                ended.notify_all();
            });
        }
        if (running.empty() && !waiting.empty() && StartableNow(items, waiting, running, options.sideBySide).empty())
            break;  // cannot happen with the rules as they are, but never wait for nothing
        if (!running.empty()) ended.wait_for(hold, std::chrono::milliseconds(200));
    }
    hold.unlock();
    for (std::thread& worker : workers) worker.join();
    return results;
}

BatchProgram BatchProgramOf(std::wstring keyPath, std::wstring keyName, std::wstring caption,
                            std::wstring installLocation, std::wstring publisher, std::wstring uninstallCommand,
                            std::vector<std::wstring> otherInstallLocations) {
    BatchProgram program;
    const EntryFacts facts = ReadEntryFacts(keyPath, keyName, uninstallCommand);
    program.windowsInstaller = facts.windowsInstaller;
    program.quiet = QuietFormOf(facts, ReadUninstallerFacts(uninstallCommand));
    UninstallDone terms;
    terms.keyPath = keyPath;
    program.runAs = RunAsFor(terms);
    program.keyPath = std::move(keyPath);
    program.keyName = std::move(keyName);
    program.displayName = std::move(caption);
    program.installLocation = std::move(installLocation);
    program.publisher = std::move(publisher);
    program.uninstallCommand = std::move(uninstallCommand);
    program.otherInstallLocations = std::move(otherInstallLocations);
    return program;
}

std::wstring UninstallRecordsFolderOf(const std::wstring& programDir) {
    wchar_t user[256] = {};
    DWORD size = 256;
    const std::wstring name = GetUserNameW(user, &size) ? std::wstring(user) : L"user";
    return IncludeTrailingBackslash(programDir) + L"Back up\\Uninstalls\\" + backup::SafeFileNames({name})[0] + L"\\";
}

namespace {

std::wstring RecordPath(const std::wstring& recordDir, const std::wstring& keyName) {
    return IncludeTrailingBackslash(recordDir) + backup::SafeFileNames({keyName})[0] + L".txt";
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    UniqueHandle file = AdoptFileHandle(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    // A record is a few lines; anything large is not one of ours.
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 1024 * 1024) return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        return std::nullopt;
    return bytes;
}

}  // namespace

std::wstring WriteUninstallRecord(const std::wstring& recordDir, const BatchProgram& program) {
    if (!ForceDirectories(ExcludeTrailingBackslash(recordDir))) return L"";
    std::string text = cleanup::ManifestLine({L"purgeon-uninstall", L"1"});
    auto field = [&](const wchar_t* name, const std::wstring& value) { text += cleanup::ManifestLine({name, value}); };
    field(L"keypath", program.keyPath);
    field(L"keyname", program.keyName);
    field(L"name", program.displayName);
    field(L"location", program.installLocation);
    field(L"publisher", program.publisher);
    for (const std::wstring& other : program.otherInstallLocations) field(L"other", other);
    // One file per key name: a later uninstall of the same key replaces it.
    const std::wstring path = RecordPath(recordDir, program.keyName);
    return backup::WriteBytesFile(path, text) == ERROR_SUCCESS ? path : L"";
}

namespace {

// A record's text as the program it names; nothing when it is not one of ours.
std::optional<BatchProgram> ParseRecord(const std::string& bytes) {
    BatchProgram program;
    bool header = false;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        const std::vector<std::wstring> fields = cleanup::ManifestFields(bytes.substr(at, end - at));
        at = end + 1;
        if (!header) {
            if (fields.size() < 2 || fields[0] != L"purgeon-uninstall") return std::nullopt;
            header = true;
            continue;
        }
        if (fields.size() < 2) continue;
        const std::wstring& name = fields[0];
        const std::wstring& value = fields[1];
        if (name == L"keypath") program.keyPath = value;
        else if (name == L"keyname") program.keyName = value;
        else if (name == L"name") program.displayName = value;
        else if (name == L"location") program.installLocation = value;
        else if (name == L"publisher") program.publisher = value;
        else if (name == L"other") program.otherInstallLocations.push_back(value);
    }
    if (!header) return std::nullopt;
    return program;
}

}  // namespace

std::optional<BatchProgram> ReadUninstallRecord(const std::wstring& recordDir, const std::wstring& key) {
    const bool isPath = key.find(L'\\') != std::wstring::npos;
    const std::wstring keyName = isPath ? key.substr(key.rfind(L'\\') + 1) : key;
    const std::optional<std::string> bytes = ReadWholeFile(RecordPath(recordDir, keyName));
    if (!bytes) return std::nullopt;
    std::optional<BatchProgram> program = ParseRecord(*bytes);
    if (!program || program->keyName != keyName || (isPath && !EqualsNoCase(program->keyPath, key))) return std::nullopt;
    return program;
}

std::vector<BatchProgram> ReadUninstallRecords(const std::wstring& recordDir) {
    std::vector<BatchProgram> records;
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileW((IncludeTrailingBackslash(recordDir) + L"*.txt").c_str(), &found));
    if (!find) return records;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::optional<std::string> bytes = ReadWholeFile(IncludeTrailingBackslash(recordDir) + found.cFileName);
        if (!bytes) continue;
        // A file that is no record (or names no key) is not one of ours: passed over.
        if (std::optional<BatchProgram> program = ParseRecord(*bytes); program && !program->keyName.empty())
            records.push_back(std::move(*program));
    } while (FindNextFileW(find.get(), &found));
    return records;
}

}  // namespace purgeon::uninstall
