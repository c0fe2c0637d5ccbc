#include "cleanup/cleanupBackup.h"

#include <cwctype>
#include <unordered_map>
#include <unordered_set>

#include "cleanup/regBackup.h"
#include "cleanup/remainsDelete.h"
#include "cleanup/safeFiles.h"
#include "common/funUtils.h"

namespace purgeon::cleanup {

using remains::kChecked;

namespace {

constexpr char kFormatName[] = "purgeon-cleanup";
constexpr char kFormatVersion[] = "2";
constexpr char kFirstFormatVersion[] = "1";  // file records written after the move, no outcomes
constexpr int kMaxFoldersPerSecond = 1000;

std::wstring Hex(const std::vector<BYTE>& data) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out;
    out.reserve(data.size() * 2);
    for (BYTE b : data) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::optional<std::vector<BYTE>> FromHex(const std::wstring& text) {
    if (text.size() % 2) return std::nullopt;
    std::vector<BYTE> out;
    out.reserve(text.size() / 2);
    auto digit = [](wchar_t c) -> int {
        if (c >= L'0' && c <= L'9') return c - L'0';
        if (c >= L'a' && c <= L'f') return c - L'a' + 10;
        if (c >= L'A' && c <= L'F') return c - L'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]), low = digit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out.push_back(static_cast<BYTE>(high * 16 + low));
    }
    return out;
}

// Adds the key with everything below it to the item; the first error met reading it, or
// ERROR_SUCCESS when all of it was read.
LSTATUS SnapshotKey(const RegistryKey& at, ManifestItem& item, bool top) {
    UniqueHKey key;
    if (const LSTATUS status = RegOpenKeyExW(at.root, at.path.c_str(), 0, KEY_READ | at.view, key.put());
        status != ERROR_SUCCESS)
        return status;
    const std::wstring full = at.Text();
    if (!top) item.subkeys.push_back(full);
    for (RegValue& value : ReadRegValues(key.get()))
        item.values.push_back({full, value.name, value.type, std::move(value.data)});
    LSTATUS failure = ERROR_SUCCESS;
    for (const std::wstring& name : SubkeyNames(key.get(), &failure)) {
        const LSTATUS status = SnapshotKey({at.root, at.view, at.path + L"\\" + name}, item, false);
        if (failure == ERROR_SUCCESS) failure = status;
    }
    return failure;
}

std::optional<SavedValue> ValueFrom(const std::vector<std::wstring>& fields) {
    if (fields.size() != 5) return std::nullopt;
    std::optional<std::vector<BYTE>> data = FromHex(fields[4]);
    if (!data || fields[3].empty() || !iswdigit(fields[3][0])) return std::nullopt;
    return SavedValue{fields[1], fields[2], static_cast<DWORD>(wcstoul(fields[3].c_str(), nullptr, 10)),
                      std::move(*data)};
}

std::vector<std::wstring> ValueFields(const wchar_t* record, const SavedValue& value) {
    return {record, value.key, value.name, std::to_wstring(value.type), Hex(value.data)};
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// A new file with the bytes, on disk before this returns.
DWORD WriteFlushedFile(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file = AdoptFileHandle(CreateFileW(ExtendedPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    if (!WriteAll(file.get(), bytes) || !FlushFileBuffers(file.get())) {
        const DWORD error = GetLastError();
        return error ? error : ERROR_WRITE_FAULT;
    }
    return CloseChecked(file) ? ERROR_SUCCESS : GetLastError();
}

// The backup folder's own entry (its name in the folder of clean-ups) on disk too. Best effort:
// not every file system flushes a folder through a handle (Wine's may refuse), and the files in
// it were flushed each on its own.
void FlushFolder(const std::wstring& folder) {
    UniqueHandle handle = AdoptFileHandle(CreateFileW(ExtendedPath(ExcludeTrailingBackslash(folder)).c_str(),
                                                      GENERIC_READ | GENERIC_WRITE,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (handle) FlushFileBuffers(handle.get());
}

UniqueHandle OpenManifestForAppending(const std::wstring& folder) {
    return AdoptFileHandle(CreateFileW(ExtendedPath(FullPathOf(IncludeTrailingBackslash(folder) + kManifestFile)).c_str(),
                                       FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

std::wstring CleanupsFolderOf(const std::wstring& programDir) {
    return IncludeTrailingBackslash(programDir) + kCleanupsFolder;
}

std::wstring EscapeField(const std::wstring& text) {
    return EscapeChars(text, {{L'%', L"%25"}, {L'\t', L"%09"}, {L'\r', L"%0D"}, {L'\n', L"%0A"}});
}

std::wstring UnescapeField(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 2 < text.size()) {
            const std::wstring code = text.substr(i + 1, 2);
            wchar_t c = 0;
            if (EqualsNoCase(code, L"25")) c = L'%';
            else if (EqualsNoCase(code, L"09")) c = L'\t';
            else if (EqualsNoCase(code, L"0D")) c = L'\r';
            else if (EqualsNoCase(code, L"0A")) c = L'\n';
            if (c) {
                out += c;
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string ManifestLine(const std::vector<std::wstring>& fields) {
    std::wstring line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += L'\t';
        line += EscapeField(fields[i]);
    }
    return ToUtf8(line) + "\n";
}

std::vector<std::wstring> ManifestFields(const std::string& line) {
    std::string text = line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = text.find('\t', start);
        fields.push_back(UnescapeField(FromUtf8(text.substr(start, tab == std::string::npos ? std::string::npos
                                                                                             : tab - start))));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

std::vector<ManifestItem> SnapshotRegistry(const std::vector<ScanNode>& keys, std::map<std::wstring, DWORD>* unreadable) {
    using Kind = remains::FindingTarget::Kind;
    std::vector<ManifestItem> items;
    for (const ScanNode& node : keys) {
        if (node.target.kind != Kind::Key || !node.target.key.root || node.target.key.Name().empty()) continue;
        const RegistryKey& at = node.target.key;
        if (node.state == kChecked) {
            ManifestItem item;
            item.kind = ItemKind::Key;
            item.path = node.text;
            const LSTATUS status = SnapshotKey(at, item, true);
            if (status == ERROR_SUCCESS)
                items.push_back(std::move(item));
            else if (status != ERROR_FILE_NOT_FOUND && unreadable)  // a key that is gone needs no copy
                (*unreadable)[node.text] = static_cast<DWORD>(status);
            continue;
        }
        UniqueHKey key;
        if (RegOpenKeyExW(at.root, at.path.c_str(), 0, KEY_READ | at.view, key.put()) != ERROR_SUCCESS) continue;
        for (const ScanNode& child : node.children) {
            if (child.state != kChecked || child.target.kind != Kind::Value) continue;
            const std::wstring& name = child.target.valueName;
            std::optional<RegValue> value = ReadRegValue(key.get(), name.c_str());
            if (!value) continue;
            ManifestItem item;
            item.kind = ItemKind::Value;
            item.path = child.text;
            item.values.push_back({at.Text(), name, value->type, std::move(value->data)});
            items.push_back(std::move(item));
        }
    }
    return items;
}

std::vector<std::vector<std::wstring>> RegistryRecords(const ManifestItem& item) {
    std::vector<std::vector<std::wstring>> records;
    if (item.kind == ItemKind::Key) {
        records.push_back({L"key", item.path});
        for (const std::wstring& subkey : item.subkeys) records.push_back({L"subkey", subkey});
        for (const SavedValue& value : item.values) records.push_back(ValueFields(L"data", value));
    } else if (item.kind == ItemKind::Value && !item.values.empty()) {
        records.push_back(ValueFields(L"value", item.values.front()));
    }
    return records;
}

std::optional<Manifest> ReadManifest(const std::wstring& folder) {
    UniqueHandle file = AdoptFileHandle(CreateFileW(
        ExtendedPath(FullPathOf(IncludeTrailingBackslash(folder) + kManifestFile)).c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read) bytes.append(buffer, read);

    Manifest manifest;
    std::unordered_set<std::wstring> restored;
    std::unordered_map<std::wstring, ItemFate> fates;
    std::unordered_map<std::wstring, size_t> fileItems;  // a second record of a path updates the first
    bool first = true;
    bool firstVersion = false;
    ManifestItem* lastKey = nullptr;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find('\n', start);
        // Every record ends in a line break: one without was cut short while it was written.
        if (end == std::string::npos) break;
        const std::vector<std::wstring> fields = ManifestFields(bytes.substr(start, end - start));
        start = end + 1;
        const std::wstring& record = fields[0];
        if (first) {
            if (fields.size() < 2 || record != FromUtf8(kFormatName)) return std::nullopt;
            firstVersion = fields[1] == FromUtf8(kFirstFormatVersion);
            if (!firstVersion && fields[1] != FromUtf8(kFormatVersion)) return std::nullopt;
            first = false;
            continue;
        }
        if (record == L"finished") manifest.finished = true;
        if (record == L"kept") manifest.kept = true;
        if (fields.size() < 2) continue;
        if (record == L"program") {
            manifest.program = fields[1];
        } else if (record == L"location") {
            manifest.location = fields[1];
        } else if (record == L"date") {
            manifest.date = fields[1];
        } else if (record == L"key") {
            ManifestItem item;
            item.kind = ItemKind::Key;
            item.path = fields[1];
            manifest.items.push_back(std::move(item));
            lastKey = &manifest.items.back();
        } else if (record == L"subkey" && lastKey) {
            lastKey->subkeys.push_back(fields[1]);
        } else if (record == L"data" && lastKey) {
            if (auto value = ValueFrom(fields)) lastKey->values.push_back(std::move(*value));
        } else if (record == L"value") {
            if (auto value = ValueFrom(fields)) {
                ManifestItem item;
                item.kind = ItemKind::Value;
                item.path = value->key + L"\\" + value->name;
                item.values.push_back(std::move(*value));
                manifest.items.push_back(std::move(item));
            }
            lastKey = nullptr;
        } else if ((record == L"folder" || record == L"file" || record == L"link") && fields.size() >= 3) {
            ManifestItem item;
            item.kind = record == L"folder" ? ItemKind::Folder : record == L"file" ? ItemKind::File : ItemKind::Link;
            item.path = fields[1];
            item.stored = fields[2];
            if (item.kind == ItemKind::File && fields.size() > 3) item.size = _wcstoui64(fields[3].c_str(), nullptr, 10);
            if (item.kind == ItemKind::Link && fields.size() > 3) item.target = fields[3];
            lastKey = nullptr;
            auto [seen, added] = fileItems.emplace(FoldCase(item.path), manifest.items.size());
            if (added) {
                manifest.items.push_back(std::move(item));
            } else {
                manifest.items[seen->second] = std::move(item);
            }
        } else if (record == L"taken" || record == L"left") {
            fates[FoldCase(fields[1])] = record == L"taken" ? ItemFate::Taken : ItemFate::Left;
        } else if (record == L"restored") {
            restored.insert(FoldCase(fields[1]));
        }
    }
    if (first) return std::nullopt;
    if (firstVersion) manifest.finished = true;
    for (ManifestItem& item : manifest.items) {
        const std::wstring folded = FoldCase(item.path);
        if (firstVersion) {
            item.fate = ItemFate::Taken;  // every record of that version was written for an item that went
        } else if (auto fate = fates.find(folded); fate != fates.end()) {
            item.fate = fate->second;
        }
        item.restored = !restored.empty() && restored.count(folded) != 0;
    }
    return manifest;
}

bool CleanupRunning(const std::wstring& folder) {
    // The clean-up holds its manifest open for writing, and lets others only read it.
    UniqueHandle probe = OpenManifestForAppending(folder);
    return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
}

bool MarkKept(const std::wstring& folder) {
    UniqueHandle manifest = OpenManifestForAppending(folder);
    return manifest && WriteAll(manifest.get(), ManifestLine({L"kept"})) && CloseChecked(manifest);
}

std::optional<CleanupBackup> CleanupBackup::Begin(const std::wstring& root, const std::wstring& program,
                                                  const std::wstring& location, DWORD* error) {
    auto fail = [&](DWORD code) -> std::optional<CleanupBackup> {
        if (error) *error = code;
        return std::nullopt;
    };
    const std::wstring base = IncludeTrailingBackslash(FullPathOf(root));
    if (DWORD made = CreateFolders(base)) return fail(made);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::wstring stamp = BackupFolderName(now);
    CleanupBackup backup;
    // Made, not looked for: two clean-ups in the same second, even in two processes, never share one.
    for (int n = 1;; ++n) {
        if (n > kMaxFoldersPerSecond) return fail(ERROR_ALREADY_EXISTS);
        const std::wstring folder = base + stamp + (n == 1 ? std::wstring() : Format(L" (%d)", n));
        if (CreateDirectoryW(ExtendedPath(folder).c_str(), nullptr)) {
            backup.folder_ = folder + L"\\";
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return fail(GetLastError());
    }
    backup.manifest_ = AdoptFileHandle(CreateFileW(ExtendedPath(backup.folder_ + kManifestFile).c_str(),
                                                   GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!backup.manifest_) {
        const DWORD code = GetLastError();
        RemoveDirectoryW(ExtendedPath(backup.folder_).c_str());
        return fail(code);
    }
    const std::wstring date = Format(L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                                     now.wMinute, now.wSecond);
    const std::string header = ManifestLine({FromUtf8(kFormatName), FromUtf8(kFormatVersion)}) +
                               ManifestLine({L"program", program}) + ManifestLine({L"location", location}) +
                               ManifestLine({L"date", date});
    if (!WriteAll(backup.manifest_.get(), header)) {
        const DWORD code = GetLastError();
        backup.manifest_.reset();
        DeleteFileW(ExtendedPath(backup.folder_ + kManifestFile).c_str());
        RemoveDirectoryW(ExtendedPath(backup.folder_).c_str());
        return fail(code ? code : ERROR_WRITE_FAULT);
    }
    return backup;
}

bool CleanupBackup::SaveRegistry(const std::vector<ManifestItem>& items, const std::vector<ScanNode>& keys) {
    if (items.empty()) return true;
    for (const ManifestItem& item : items)
        for (const std::vector<std::wstring>& fields : RegistryRecords(item)) pending_ += ManifestLine(fields);
    if (!Sync()) return false;
    const std::wstring text = RemainsBackupText(keys);
    if (text.empty()) return true;
    const std::wstring file = std::wstring(1, L'\xFEFF') + text;
    const DWORD error = WriteFlushedFile(folder_ + kRemainsBackupFile,
                                         std::string(reinterpret_cast<const char*>(file.data()), file.size() * sizeof(wchar_t)));
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

void CleanupBackup::Plan(const std::vector<std::wstring>& fields) {
    pending_ += ManifestLine(fields);
    if (fields.size() > 1) planned_.insert(FoldCase(fields[1]));
}

bool CleanupBackup::Planned(const std::wstring& fullPath) const { return planned_.count(FoldCase(fullPath)) != 0; }

bool CleanupBackup::WritePending() {
    if (pending_.empty()) return true;
    if (!WriteAll(manifest_.get(), pending_)) return false;
    pending_.clear();
    return true;
}

bool CleanupBackup::Sync() {
    if (!WritePending()) return false;
    if (!FlushFileBuffers(manifest_.get())) return false;
    FlushFolder(folder_);
    return true;
}

bool CleanupBackup::Outcome(const std::wstring& path, bool taken) {
    if (taken) ++taken_;
    // Written a batch at a time, never flushed: a process that is killed loses at most the last
    // batch, and without those records the undo still finds each item in one place or the other.
    constexpr size_t kOutcomeBatchBytes = 64 * 1024;
    pending_ += ManifestLine({taken ? L"taken" : L"left", path});
    return pending_.size() < kOutcomeBatchBytes || WritePending();
}

void CleanupBackup::NoteRegistryOutcomes(const std::vector<ManifestItem>& items, const std::vector<ItemOutcome>& outcomes) {
    std::unordered_map<std::wstring, ItemKind> saved;
    for (const ManifestItem& item : items) saved.emplace(FoldCase(item.path), item.kind);
    for (const ItemOutcome& outcome : outcomes) {
        auto item = saved.find(FoldCase(outcome.path));
        if (item == saved.end()) continue;
        // A key whose deletion was tried and failed may have lost part of what it held: it counts
        // as taken, and its undo puts back whatever is missing.
        const bool untouched = outcome.reason == Reason::Protected || outcome.reason == Reason::BackupFailed;
        const bool taken = outcome.done || (item->second == ItemKind::Key && !untouched);
        // Not written loses nothing: the undo compares every saved value with the registry.
        Outcome(outcome.path, taken);
    }
}

bool CleanupBackup::Add(const std::vector<std::wstring>& fields) {
    pending_ += ManifestLine(fields);  // after the outcomes held, in order
    return WritePending();
}

bool CleanupBackup::Finish() { return Add({L"finished"}) && Sync(); }

std::wstring CleanupBackup::StoredFor(const std::wstring& fullPath) {
    const std::wstring path = PlainPath(fullPath);
    std::wstring relative;
    if (path.size() >= 2 && path[1] == L':') {
        relative = std::wstring(1, static_cast<wchar_t>(towupper(path[0])));
        if (path.size() > 3) relative += L"\\" + path.substr(3);
    } else if (path.rfind(L"\\\\", 0) == 0) {
        relative = L"UNC\\" + path.substr(2);
    } else {
        relative = path;
    }
    return std::wstring(kStoredFilesFolder) + L"\\" + ExcludeTrailingBackslash(relative);
}

ManifestAppender::ManifestAppender(const std::wstring& folder) : manifest_(OpenManifestForAppending(folder)) {
    if (!manifest_) error_ = GetLastError();
}

bool ManifestAppender::Opened(DWORD* error) const {
    if (error) *error = error_;
    return static_cast<bool>(manifest_);
}

bool ManifestAppender::Restored(const std::wstring& path) {
    return manifest_ && WriteAll(manifest_.get(), ManifestLine({L"restored", path}));
}

}  // namespace purgeon::cleanup
