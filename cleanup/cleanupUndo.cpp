#include "cleanup/cleanupUndo.h"

#include <algorithm>
#include <set>

#include "cleanup/remainsDelete.h"
#include "cleanup/safeFiles.h"
#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon::cleanup {

namespace {

constexpr DWORD kFileTakeAccess = GENERIC_READ | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

bool IsOccupiedError(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

std::optional<std::pair<HKEY, std::wstring>> KeyOf(const std::wstring& text) {
    std::optional<RegistryTarget> target = SplitRegistryText(text);
    if (!target || target->lastName.empty()) return std::nullopt;
    return std::make_pair(target->root, target->parentPath + target->lastName);
}

// Opens the key, making it and its parents when missing.
LONG MakeKey(const std::wstring& text, UniqueHKey& key) {
    auto where = KeyOf(text);
    if (!where) return ERROR_BAD_PATHNAME;
    return RegCreateKeyExW(where->first, where->second.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.put(), nullptr);
}

// A value back as it was; one that is there already counts only when it is the same.
ItemOutcome RestoreValue(const std::wstring& path, const SavedValue& saved) {
    UniqueHKey key;
    if (LONG status = MakeKey(saved.key, key)) return StayedFor(path, static_cast<DWORD>(status));
    if (std::optional<RegValue> existing = ReadRegValue(key.get(), saved.name.c_str())) {
        if (existing->type == saved.type && existing->data == saved.data) return Done(path);
        return Stayed(path, Reason::DataDiffers);
    }
    const LONG status = RegSetValueExW(key.get(), saved.name.c_str(), 0, saved.type,
                                       saved.data.empty() ? nullptr : saved.data.data(),
                                       static_cast<DWORD>(saved.data.size()));
    return status == ERROR_SUCCESS ? Done(path) : StayedFor(path, static_cast<DWORD>(status));
}

ItemOutcome RestoreRegistryItem(const ManifestItem& item) {
    if (item.kind == ItemKind::Value)
        return item.values.empty() ? Stayed(item.path, Reason::MissingFromBackup) : RestoreValue(item.path, item.values[0]);
    std::vector<std::wstring> keys = {item.path};
    keys.insert(keys.end(), item.subkeys.begin(), item.subkeys.end());
    for (const std::wstring& path : keys) {
        UniqueHKey key;
        if (LONG status = MakeKey(path, key)) return StayedFor(item.path, static_cast<DWORD>(status));
    }
    // Every value is tried; the first that could not come back names the item's failure.
    std::optional<ItemOutcome> failure;
    for (const SavedValue& value : item.values) {
        ItemOutcome outcome = RestoreValue(item.path, value);
        if (!outcome.done && !failure) failure = outcome;
    }
    return failure ? *failure : Done(item.path);
}

class Restorer {
public:
    Restorer(const std::wstring& folder, Manifest manifest)
        : base_(IncludeTrailingBackslash(FullPathOf(folder))), manifest_(std::move(manifest)), appender_(folder) {
        baseFinal_ = FinalPathOf(base_).value_or(ExcludeTrailingBackslash(base_));
    }

    std::vector<ItemOutcome> Run() {
        for (const ManifestItem& item : manifest_.items)
            if (!item.restored && (item.kind == ItemKind::Key || item.kind == ItemKind::Value))
                Record(item, RestoreRegistryItem(item));

        // Folders first, parents before children, so files have somewhere to go.
        std::vector<const ManifestItem*> folders;
        for (const ManifestItem& item : manifest_.items)
            if (!item.restored && item.kind == ItemKind::Folder) folders.push_back(&item);
        std::stable_sort(folders.begin(), folders.end(),
                         [](const ManifestItem* a, const ManifestItem* b) { return a->path.size() < b->path.size(); });
        std::vector<ItemOutcome> folderOutcomes;
        // Their attributes and times as kept, read before the files leave them, which changes them.
        std::vector<std::optional<FILE_BASIC_INFO>> infos;
        for (const ManifestItem* item : folders) {
            folderOutcomes.push_back(MakeFolder(*item));
            infos.push_back(StoredInfo(*item));
        }

        for (const ManifestItem& item : manifest_.items)
            if (!item.restored && (item.kind == ItemKind::File || item.kind == ItemKind::Link))
                Record(item, RestoreFile(item));

        // Then the folders' own attributes and times, deepest first, as adding entries changes them.
        for (size_t i = folders.size(); i-- > 0;) {
            if (folderOutcomes[i].done) {
                if (infos[i]) ApplyBasicInfo(folders[i]->path, *infos[i]);
                RemoveDirectoryW(ExtendedPath(base_ + folders[i]->stored).c_str());  // emptied by the files' return
            }
            Record(*folders[i], folderOutcomes[i]);
        }
        return std::move(outcomes_);
    }

private:
    void Record(const ManifestItem& item, ItemOutcome outcome) {
        if (outcome.done) appender_.Restored(item.path);
        outcomes_.push_back(std::move(outcome));
    }

    std::optional<FILE_BASIC_INFO> StoredInfo(const ManifestItem& item) const {
        CheckedItem stored = OpenChecked(base_ + item.stored, baseFinal_ + L"\\" + item.stored, FILE_READ_ATTRIBUTES);
        if (!stored.handle) return std::nullopt;
        return BasicInfoOf(stored.handle.get());
    }

    ItemOutcome MakeFolder(const ManifestItem& item) {
        const DWORD attributes = GetFileAttributesW(ExtendedPath(item.path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Done(item.path) : Stayed(item.path, Reason::Occupied);
        const DWORD error = CreateFolders(item.path);
        return error ? StayedFor(item.path, error) : Done(item.path);
    }

    ItemOutcome RestoreFile(const ManifestItem& item) {
        if (item.kind == ItemKind::Link && item.stored.empty()) return Stayed(item.path, Reason::LinkRemoved);
        // A look for the name, not its target: a dangling link there occupies it as well.
        WIN32_FIND_DATAW entry{};
        if (UniqueFindHandle(FindFirstFileW(ExtendedPath(item.path).c_str(), &entry)))
            return Stayed(item.path, Reason::Occupied);
        const std::wstring stored = base_ + item.stored;
        const OpenAs as = item.kind == ItemKind::Link ? OpenAs::LinkItself : OpenAs::Target;
        CheckedItem source = OpenChecked(stored, baseFinal_ + L"\\" + item.stored, kFileTakeAccess, as);
        if (!source.handle) {
            if (IsGoneError(source.error)) return Stayed(item.path, Reason::MissingFromBackup);
            return Stayed(item.path, source.reason, source.error);
        }
        const std::wstring parent = ExtractFilePath(item.path);
        if (!EqualsNoCase(parent, madeFolder_)) {
            if (DWORD error = CreateFolders(parent)) return StayedFor(item.path, error);
            madeFolder_ = parent;  // files of one folder follow each other
        }
        const DWORD error =
            item.kind == ItemKind::Link ? RenameOpened(source.handle.get(), item.path) : MoveOpened(source.handle.get(), item.path);
        if (IsOccupiedError(error)) return Stayed(item.path, Reason::Occupied, error);
        return error ? StayedFor(item.path, error) : Done(item.path);
    }

    std::wstring base_;
    std::wstring baseFinal_;
    Manifest manifest_;
    ManifestAppender appender_;
    std::vector<ItemOutcome> outcomes_;
    std::wstring madeFolder_;
};

// Removes a folder of the backup and what it holds, never through a link.
class BackupRemover {
public:
    explicit BackupRemover(std::vector<ItemOutcome>& stayed) : stayed_(stayed) {}

    bool Remove(const std::wstring& full, const std::wstring& expected, DWORD attributes) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLink(full, expected, attributes);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveFolder(full, expected);
        CheckedItem item = OpenChecked(full, expected, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
        if (!item.handle) return IsGoneError(item.error) || Stay(Stayed(full, item.reason, item.error));
        const DWORD error = DeleteOpened(item.handle.get());
        return !error || Stay(StayedFor(full, error));
    }

    // `keepLast` names an entry removed only once everything else went.
    bool RemoveFolder(const std::wstring& full, const std::wstring& expected, const std::wstring& keepLast = L"") {
        {
            CheckedItem item = OpenChecked(full, expected, FILE_READ_ATTRIBUTES);
            if (!item.handle) return IsGoneError(item.error) || Stay(Stayed(full, item.reason, item.error));
        }
        std::vector<WIN32_FIND_DATAW> entries;
        WIN32_FIND_DATAW entry{};
        UniqueFindHandle find(FindFirstFileW((ExtendedPath(full) + L"\\*").c_str(), &entry));
        if (find) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") entries.push_back(entry);
            } while (FindNextFileW(find.get(), &entry));
        }
        find.reset();
        bool anyStayed = false;
        const WIN32_FIND_DATAW* last = nullptr;
        for (const WIN32_FIND_DATAW& found : entries) {
            if (!keepLast.empty() && EqualsNoCase(found.cFileName, keepLast)) {
                last = &found;
                continue;
            }
            if (!Remove(full + L"\\" + found.cFileName, expected + L"\\" + found.cFileName, found.dwFileAttributes))
                anyStayed = true;
        }
        if (last && !anyStayed &&
            !Remove(full + L"\\" + last->cFileName, expected + L"\\" + last->cFileName, last->dwFileAttributes))
            anyStayed = true;
        if (anyStayed) return Stay(Stayed(full, Reason::ContentsStayed));
        if (RemoveDirectoryW(ExtendedPath(full).c_str())) return true;
        return Stay(StayedFor(full, GetLastError()));
    }

private:
    bool RemoveLink(const std::wstring& full, const std::wstring& expected, DWORD attributes) {
        if (!PlatformActsOnLinksThemselves()) return Stay(Stayed(full, Reason::LinkNotFollowed));
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            // Windows removes a directory link itself, never what it points to.
            return RemoveDirectoryW(ExtendedPath(full).c_str()) || Stay(StayedFor(full, GetLastError()));
        }
        CheckedItem item = OpenChecked(full, expected, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                       OpenAs::LinkItself);
        if (!item.handle) return Stay(Stayed(full, item.reason, item.error));
        const DWORD error = DeleteOpened(item.handle.get());
        return !error || Stay(StayedFor(full, error));
    }

    bool Stay(ItemOutcome outcome) {
        stayed_.push_back(std::move(outcome));
        return false;
    }

    std::vector<ItemOutcome>& stayed_;
};

ULONGLONG FolderSize(const std::wstring& folder) {
    ULONGLONG total = 0;
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(FindFirstFileW((ExtendedPath(folder) + L"\\*").c_str(), &entry));
    if (!find) return 0;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            total += FolderSize(folder + L"\\" + name);
        else
            total += (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    } while (FindNextFileW(find.get(), &entry));
    return total;
}

}  // namespace

std::vector<CleanupSummary> ListCleanups(const std::wstring& root) {
    std::vector<CleanupSummary> list;
    const std::wstring base = ExcludeTrailingBackslash(FullPathOf(root));
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(FindFirstFileW((ExtendedPath(base) + L"\\*").c_str(), &entry));
    if (!find) return list;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L".." || !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        const std::wstring folder = base + L"\\" + name;
        std::optional<Manifest> manifest = ReadManifest(folder);
        if (!manifest) continue;
        CleanupSummary summary;
        summary.folder = folder + L"\\";
        summary.date = manifest->date;
        summary.program = manifest->program;
        summary.location = manifest->location;
        std::set<std::wstring> keys;
        bool anyLeft = false;
        for (const ManifestItem& item : manifest->items) {
            if (item.restored) continue;
            anyLeft = true;
            if (item.kind == ItemKind::Key) keys.insert(ToLower(item.path));
            if (item.kind == ItemKind::Value && !item.values.empty()) keys.insert(ToLower(item.values[0].key));
            if (item.kind == ItemKind::File || item.kind == ItemKind::Link) ++summary.files;
        }
        if (!anyLeft) continue;
        summary.keys = static_cast<int>(keys.size());
        summary.size = FolderSize(folder);
        list.push_back(std::move(summary));
    } while (FindNextFileW(find.get(), &entry));
    // A later clean-up of the same second has a number after the date and time: " (2)", " (3)", ...
    auto number = [](const std::wstring& folder) {
        const std::wstring name = ExtractFileName(ExcludeTrailingBackslash(folder));
        const size_t open = name.rfind(L" (");
        return open == std::wstring::npos ? 1ul : wcstoul(name.c_str() + open + 2, nullptr, 10);
    };
    std::sort(list.begin(), list.end(), [&](const CleanupSummary& a, const CleanupSummary& b) {
        return a.date != b.date ? a.date > b.date : number(a.folder) > number(b.folder);
    });
    return list;
}

std::vector<ItemOutcome> RestoreCleanup(const std::wstring& folder) {
    std::optional<Manifest> manifest = ReadManifest(folder);
    if (!manifest) return {Stayed(ExcludeTrailingBackslash(folder), Reason::NotACleanup)};
    std::vector<ItemOutcome> outcomes = Restorer(folder, std::move(*manifest)).Run();
    if (std::all_of(outcomes.begin(), outcomes.end(), [](const ItemOutcome& outcome) { return outcome.done; }))
        DeleteCleanupBackup(folder);  // undone: nothing is left to give back
    return outcomes;
}

std::vector<ItemOutcome> DeleteCleanupBackup(const std::wstring& folder) {
    const std::wstring full = ExcludeTrailingBackslash(FullPathOf(folder));
    if (!ReadManifest(full)) return {Stayed(full, Reason::NotACleanup)};
    std::vector<ItemOutcome> stayed;
    const std::wstring final = FinalPathOf(full).value_or(full);
    // The manifest goes last: while anything is left, the folder still shows as a clean-up.
    BackupRemover(stayed).RemoveFolder(full, final, kManifestFile);
    return stayed;
}

}  // namespace purgeon::cleanup
