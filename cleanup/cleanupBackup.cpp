#include "cleanup/cleanupBackup.h"

#include <cwctype>
#include <unordered_set>

#include "cleanup/regBackup.h"
#include "cleanup/remainsDelete.h"
#include "cleanup/safeFiles.h"
#include "common/funUtils.h"

namespace purgeon::cleanup {

using remains::kChecked;

namespace {

constexpr char kFormatName[] = "purgeon-cleanup";
constexpr char kFormatVersion[] = "1";
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
    bool first = true;
    ManifestItem* lastKey = nullptr;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const std::vector<std::wstring> fields = ManifestFields(bytes.substr(start, end - start));
        start = end + 1;
        const std::wstring& record = fields[0];
        if (first) {
            if (fields.size() < 2 || record != FromUtf8(kFormatName) || fields[1] != FromUtf8(kFormatVersion))
                return std::nullopt;
            first = false;
            continue;
        }
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
            manifest.items.push_back(std::move(item));
            lastKey = nullptr;
        } else if (record == L"restored") {
            restored.insert(FoldCase(fields[1]));
        }
    }
    if (first) return std::nullopt;
    if (!restored.empty())
        for (ManifestItem& item : manifest.items) item.restored = restored.count(FoldCase(item.path)) != 0;
    return manifest;
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
    std::string records;
    for (const ManifestItem& item : items)
        for (const std::vector<std::wstring>& fields : RegistryRecords(item)) records += ManifestLine(fields);
    if (!WriteAll(manifest_.get(), records)) return false;
    items_ += static_cast<int>(items.size());
    const std::wstring text = RemainsBackupText(keys);
    return text.empty() || backup::WriteUtf16File(folder_ + kRemainsBackupFile, text) == ERROR_SUCCESS;
}

bool CleanupBackup::Add(const std::vector<std::wstring>& fields) {
    if (!WriteAll(manifest_.get(), ManifestLine(fields))) return false;
    ++items_;
    return true;
}

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

ManifestAppender::ManifestAppender(const std::wstring& folder)
    : manifest_(AdoptFileHandle(CreateFileW(ExtendedPath(FullPathOf(IncludeTrailingBackslash(folder) + kManifestFile)).c_str(),
                                            FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr))) {}

bool ManifestAppender::Restored(const std::wstring& path) {
    return manifest_ && WriteAll(manifest_.get(), ManifestLine({L"restored", path}));
}

}  // namespace purgeon::cleanup
