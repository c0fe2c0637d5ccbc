#include "backup/fullBackup.h"

#include <algorithm>
#include <optional>
#include <set>

#include "backup/regFile.h"
#include "common/exitCodes.h"
#include "common/funUtils.h"
#include "common/registryKeys.h"
#include "common/textParse.h"
#include "common/globals.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"

namespace purgeon::backup {

namespace {

// A file name holds at most 255 characters, ".reg" included; a cut name leaves room for " (n)".
constexpr size_t kMaxBaseLength = 251;
constexpr size_t kCutLength = 240;
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
    // Escapes lengthen the name: it is cut once they are in, never inside one or inside a
    // character, and without trailing dots or blanks, which the file system would drop.
    if (out.size() > kMaxBaseLength) {
        size_t cut = kCutLength;
        if (out[cut - 1] == L'%')
            cut -= 1;
        else if (out[cut - 2] == L'%')
            cut -= 2;
        if (IS_LOW_SURROGATE(out[cut])) --cut;
        out.resize(cut);
        while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();
    }
    return out.empty() ? Escaped(L'_') : out;
}

std::wstring DefaultBackupFolder() {
    if (!AppPaths.RegBackupDir.empty()) return AppPaths.RegBackupDir;
    return ExtractFilePath(ModuleFileName(nullptr)) + L"Back up\\reg\\";
}

}  // namespace

std::vector<UninstallSource> UninstallSources() {
    // Each source's files in a folder of its own, but the machine's, which keeps the folder itself.
    std::vector<UninstallSource> sources;
    for (const UninstallKey& key : UninstallKeys()) {
        const wchar_t* folder = key.source == ProgramSource::Machine32 ? L"WOW6432Node"
                                : key.source == ProgramSource::User    ? L"HKEY_CURRENT_USER"
                                                                       : L"";
        sources.push_back({key.root, RootLongName(key.root), key.path, folder});
    }
    return sources;
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

BackupResult BackUpUninstallKeys(const std::vector<UninstallSource>& sources, const std::wstring& folder,
                                 const BackupProgress& progress) {
    BackupResult result;
    result.folder = IncludeTrailingBackslash(FullPathName(folder));

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

    // One file after another: the registry and the files are both served by one process under
    // Wine, so a second thread only adds waits.
    result.keys = std::move(failedSources);
    const size_t total = jobs.size();
    std::set<std::wstring> made;
    for (size_t i = 0; i < total; ++i) {
        const Job& job = jobs[i];
        const std::wstring place = ExtractFilePath(job.file);
        // A folder that cannot be made shows in the writes' own errors.
        if (made.insert(place).second) ForceDirectories(place);
        KeyBackup& entry = result.keys.emplace_back();
        entry.keyName = job.keyName;
        entry.keyText = sources[job.source].KeyText() + L"\\" + job.keyName;
        LSTATUS readError = ERROR_SUCCESS;
        const std::optional<std::wstring> text =
            RegFileTextOf(sourceKeys[job.source].get(), job.keyName, entry.keyText, &readError);
        const DWORD error = text ? WriteUtf16File(job.file, *text) : static_cast<DWORD>(readError);
        if (error == ERROR_SUCCESS) {
            entry.saved = true;
            entry.file = job.file;
        } else {
            entry.reason = SystemErrorText(error);
        }
        if (progress && !progress(i + 1, total) && i + 1 < total) {
            result.cancelled = true;
            break;
        }
    }
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
            writeLine(L"saved\t" + OneLineField(key.keyName) + L"\t" + OneLineField(key.file));
        else
            writeLine(L"failed\t" + OneLineField(key.keyName) + L"\t" + OneLineField(key.reason));
    }
    return result.AllSaved() ? kExitDone : kExitDoneInPart;
}

}  // namespace purgeon::backup
