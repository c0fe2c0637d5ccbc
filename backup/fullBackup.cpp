#include "backup/fullBackup.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "backup/regFile.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"

namespace purgeon::backup {

namespace {

// A file name holds at most 255 characters, ".reg" included; a cut name leaves room for " (n)".
constexpr size_t kMaxBaseLength = 251;
constexpr size_t kCutLength = 240;
// Files read but not yet written, at most.
constexpr size_t kFilesAhead = 4;
// The failure message lists this many keys, then how many more.
constexpr size_t kListedFailures = 15;

bool IsForbiddenCharacter(wchar_t c) {
    return c < 0x20 || wcschr(L"\\/:*?\"<>|", c) != nullptr;
}

std::wstring Escaped(wchar_t c) { return Format(L"%%%02X", static_cast<unsigned>(c)); }

// Device names that no file may carry, whatever extension follows them.
bool IsDeviceName(std::wstring_view base) {
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* device : kDevices)
        if (EqualsNoCase(base, device)) return true;
    if (base.size() == 4 && (StartsWithNoCase(base, L"COM") || StartsWithNoCase(base, L"LPT"))) {
        const wchar_t last = base[3];
        return (last >= L'0' && last <= L'9') || last == L'\u00b9' || last == L'\u00b2' || last == L'\u00b3';
    }
    return false;
}

// The part a device name is looked for in: up to the first dot, without trailing blanks.
size_t DeviceBaseLength(const std::wstring& name) {
    size_t length = std::min(name.find(L'.'), name.size());
    while (length > 0 && name[length - 1] == L' ') --length;
    return length;
}

std::wstring Encode(const std::wstring& name) {
    std::wstring base = name;
    if (base.size() > kMaxBaseLength) {
        size_t cut = kCutLength;
        if (IS_LOW_SURROGATE(base[cut])) --cut;  // never half a character
        base.resize(cut);
    }
    // Trailing dots and blanks are dropped by the file system: keep them visible.
    size_t keep = base.size();
    while (keep > 0 && (base[keep - 1] == L'.' || base[keep - 1] == L' ')) --keep;
    std::wstring tail;
    for (size_t i = keep; i < base.size(); ++i) tail += Escaped(base[i]);
    base.resize(keep);

    const size_t deviceLength = DeviceBaseLength(base);
    const bool device = IsDeviceName(std::wstring_view(base).substr(0, deviceLength));
    std::wstring out;
    for (size_t i = 0; i < base.size(); ++i) {
        const wchar_t c = base[i];
        if (IsForbiddenCharacter(c) || (device && i + 1 == deviceLength))
            out += Escaped(c);
        else
            out += c;
    }
    out += tail;
    return out.empty() ? Escaped(L'_') : out;
}

std::wstring FoldCase(const std::wstring& name) {
    std::wstring out = name;
    if (!out.empty()) CharUpperBuffW(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

std::wstring FullFolderPath(const std::wstring& folder) {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetFullPathNameW(folder.c_str(), ARRAYSIZE(buffer), buffer, nullptr);
    std::wstring full = length && length < ARRAYSIZE(buffer) ? std::wstring(buffer, length) : folder;
    return IncludeTrailingBackslash(full);
}

std::vector<std::wstring> SubkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    wchar_t name[258];
    for (DWORD index = 0;; ++index) {
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

// Tabs and line breaks would break the one-line-per-key output.
std::wstring Field(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
    return text;
}

std::wstring DefaultBackupFolder() {
    if (!AppPaths.RegBackupDir.empty()) return AppPaths.RegBackupDir;
    return ExtractFilePath(ModuleFileName(nullptr)) + L"Back up\\reg\\";
}

}  // namespace

std::vector<UninstallSource> UninstallSources() {
    return {
        {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", kUninstallPath, L""},
        {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", kUninstallPath32, L"WOW6432Node"},
        {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", kUninstallPath, L"HKEY_CURRENT_USER"},
    };
}

bool BackupResult::AllSaved() const {
    return !cancelled && std::all_of(keys.begin(), keys.end(), [](const KeyBackup& key) { return key.saved; });
}

size_t BackupResult::SavedCount() const {
    return static_cast<size_t>(std::count_if(keys.begin(), keys.end(), [](const KeyBackup& key) { return key.saved; }));
}

bool IsUsableFileName(const std::wstring& name) {
    if (name.empty() || name.size() > kMaxBaseLength) return false;
    if (name.back() == L'.' || name.back() == L' ') return false;
    if (std::any_of(name.begin(), name.end(), IsForbiddenCharacter)) return false;
    return !IsDeviceName(std::wstring_view(name).substr(0, DeviceBaseLength(name)));
}

std::vector<std::wstring> SafeFileNames(const std::vector<std::wstring>& keyNames) {
    std::vector<std::wstring> names(keyNames.size());
    std::set<std::wstring> taken;
    std::vector<size_t> pending;
    // Names that can be files keep themselves; the others must not take one of theirs.
    for (size_t i = 0; i < keyNames.size(); ++i) {
        if (IsUsableFileName(keyNames[i]) && taken.insert(FoldCase(keyNames[i])).second)
            names[i] = keyNames[i];
        else
            pending.push_back(i);
    }
    for (size_t i : pending) {
        const std::wstring base = IsUsableFileName(keyNames[i]) ? keyNames[i] : Encode(keyNames[i]);
        std::wstring candidate = base;
        for (int n = 2; !taken.insert(FoldCase(candidate)).second; ++n) candidate = base + Format(L" (%d)", n);
        names[i] = candidate;
    }
    return names;
}

namespace {

// Writes the files on a thread of its own while the next keys are read: the registry and the
// file system then wait on each other no more than the registry editor's one file does.
class FileWriter {
public:
    FileWriter() : thread_([this] { Work(); }) {}
    ~FileWriter() {
        Finish(false);
        thread_.join();
    }
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    void Add(size_t job, std::wstring path, std::wstring text) {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back({job, std::move(path), std::move(text)});
        wake_.notify_one();
    }
    // No more files; `drop` forgets those not begun.
    void Finish(bool drop) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (drop) queue_.clear();
        closing_ = true;
        wake_.notify_all();
    }
    // Files finished since the last call (job and error); waits for one when `wait` and any is due.
    std::vector<std::pair<size_t, DWORD>> TakeFinished(bool wait) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (wait) finishedSignal_.wait(lock, [this] { return !finished_.empty() || (queue_.empty() && idle_); });
        return std::exchange(finished_, {});
    }
    bool Busy() {
        std::lock_guard<std::mutex> lock(mutex_);
        return !queue_.empty() || !idle_;
    }
    size_t Pending() {
        std::lock_guard<std::mutex> lock(mutex_);
        return queue_.size();
    }

private:
    struct Item {
        size_t job;
        std::wstring path, text;
    };
    void Work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            if (queue_.empty()) break;
            Item item = std::move(queue_.front());
            queue_.pop_front();
            idle_ = false;
            lock.unlock();
            DWORD error = ERROR_SUCCESS;
            try {
                error = WriteUtf16File(item.path, item.text);
            } catch (...) {
                error = ERROR_NOT_ENOUGH_MEMORY;  // nothing leaves the thread
            }
            lock.lock();
            idle_ = true;
            finished_.emplace_back(item.job, error);
            finishedSignal_.notify_all();
        }
        idle_ = true;
        finishedSignal_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable wake_, finishedSignal_;
    std::deque<Item> queue_;
    std::vector<std::pair<size_t, DWORD>> finished_;
    bool closing_ = false;
    bool idle_ = true;
    std::thread thread_;
};

}  // namespace

BackupResult BackUpUninstallKeys(const std::vector<UninstallSource>& sources, const std::wstring& folder,
                                 const BackupProgress& progress) {
    BackupResult result;
    result.folder = FullFolderPath(folder);

    struct Job {
        size_t source;
        std::wstring keyName;
        std::wstring file;
    };
    std::vector<Job> jobs;
    std::vector<UniqueHKey> sourceKeys(sources.size());
    std::vector<KeyBackup> failedSources;
    for (size_t s = 0; s < sources.size(); ++s) {
        const UninstallSource& source = sources[s];
        const LSTATUS status = RegOpenKeyExW(source.root, source.path.c_str(), 0, KEY_READ, sourceKeys[s].put());
        if (status == ERROR_FILE_NOT_FOUND) continue;  // no such source on this machine
        if (status != ERROR_SUCCESS) {
            failedSources.push_back({source.KeyText(), source.KeyText(), false, L"", SystemErrorText(status)});
            continue;
        }
        const std::vector<std::wstring> keyNames = SubkeyNames(sourceKeys[s].get());
        const std::vector<std::wstring> fileNames = SafeFileNames(keyNames);
        const std::wstring place = source.folder.empty() ? result.folder : result.folder + source.folder + L"\\";
        for (size_t i = 0; i < keyNames.size(); ++i) jobs.push_back({s, keyNames[i], place + fileNames[i] + L".reg"});
    }

    const size_t total = jobs.size();
    std::vector<std::optional<KeyBackup>> outcomes(total);
    size_t done = 0;
    bool stopped = false;
    // Counts what has finished, in the caller's thread, one file at a time.
    auto record = [&](size_t job, DWORD error) {
        KeyBackup& entry = outcomes[job].emplace();
        entry.keyName = jobs[job].keyName;
        entry.keyText = sources[jobs[job].source].KeyText() + L"\\" + jobs[job].keyName;
        entry.saved = error == ERROR_SUCCESS;
        if (entry.saved)
            entry.file = jobs[job].file;
        else
            entry.reason = SystemErrorText(error);
        ++done;
        if (!stopped && progress && !progress(done, total) && done < total) stopped = true;
    };
    {
        FileWriter writer;
        std::set<std::wstring> made;
        for (size_t i = 0; i < total && !stopped; ++i) {
            const Job& job = jobs[i];
            const std::wstring place = ExtractFilePath(job.file);
            // A folder that cannot be made shows in the writes' own errors.
            if (made.insert(place).second) ForceDirectories(place);
            LSTATUS readError = ERROR_SUCCESS;
            std::optional<std::wstring> text =
                RegFileTextOf(sourceKeys[job.source].get(), job.keyName,
                              sources[job.source].KeyText() + L"\\" + job.keyName, &readError);
            if (text)
                writer.Add(i, job.file, std::move(*text));
            else
                record(i, static_cast<DWORD>(readError));
            // A few files ahead at most, so a stop leaves the rest unwritten.
            for (bool wait = writer.Pending() >= kFilesAhead; !stopped;) {
                const auto finished = writer.TakeFinished(wait);
                for (const auto& [job, error] : finished) record(job, error);
                if (finished.empty() || writer.Pending() < kFilesAhead) break;
            }
        }
        writer.Finish(stopped);
        while (writer.Busy() || done < total) {
            const auto finished = writer.TakeFinished(true);
            if (finished.empty() && !writer.Busy()) break;
            for (const auto& [job, error] : finished) record(job, error);
            if (stopped) writer.Finish(true);  // what has not begun stays unwritten
        }
    }
    result.cancelled = done < total;
    result.keys = std::move(failedSources);
    for (std::optional<KeyBackup>& outcome : outcomes)
        if (outcome) result.keys.push_back(std::move(*outcome));
    return result;
}

std::wstring BackupOutcomeText(const BackupResult& result) {
    if (result.keys.empty()) return LangText(IDS_MESSAGEBOX_MESSAGE_BackupNothing);
    if (result.AllSaved()) return LangText(IDS_MESSAGEBOX_MESSAGE_BackupSucceed);
    std::wstring text = LangText(IDS_MESSAGEBOX_MESSAGE_BackupFailed);
    size_t listed = 0, failed = 0;
    for (const KeyBackup& key : result.keys) {
        if (key.saved) continue;
        ++failed;
        if (listed == kListedFailures) continue;
        ++listed;
        text += L"\r\n" + key.keyText + L": " + key.reason;
    }
    if (failed > listed)
        text += L"\r\n" + Format(LangText(IDS_MESSAGEBOX_MESSAGE_BackupMore).c_str(), static_cast<int>(failed - listed));
    return text;
}

int RunBackupMode(const std::wstring& folder, const std::function<void(const std::wstring& line)>& writeLine) {
    const BackupResult result = BackUpUninstallKeys(UninstallSources(), folder.empty() ? DefaultBackupFolder() : folder);
    for (const KeyBackup& key : result.keys) {
        if (key.saved)
            writeLine(L"saved\t" + Field(key.keyName) + L"\t" + Field(key.file));
        else
            writeLine(L"failed\t" + Field(key.keyName) + L"\t" + Field(key.reason));
    }
    return result.AllSaved() ? 0 : 2;
}

}  // namespace purgeon::backup
