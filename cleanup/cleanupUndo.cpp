#include "cleanup/cleanupUndo.h"

#include <algorithm>
#include <set>
#include <unordered_set>

#include "cleanup/regBackup.h"
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

// A value back as it was; one that is there already counts only when it is the same. `wrote`
// tells whether it had to be written.
ItemOutcome RestoreValue(const std::wstring& path, const SavedValue& saved, bool& wrote) {
    UniqueHKey key;
    if (LONG status = MakeKey(saved.key, key)) return StayedFor(path, static_cast<DWORD>(status));
    if (std::optional<RegValue> existing = ReadRegValue(key.get(), saved.name.c_str())) {
        if (existing->type == saved.type && existing->data == saved.data) return Done(path);
        return Stayed(path, Reason::DataDiffers);
    }
    const LONG status = RegSetValueExW(key.get(), saved.name.c_str(), 0, saved.type,
                                       saved.data.empty() ? nullptr : saved.data.data(),
                                       static_cast<DWORD>(saved.data.size()));
    wrote = wrote || status == ERROR_SUCCESS;
    return status == ERROR_SUCCESS ? Done(path) : StayedFor(path, static_cast<DWORD>(status));
}

// A key whose snapshot says it was there, or was made again: nothing had to be made.
bool KeyExists(const std::wstring& text) {
    auto where = KeyOf(text);
    UniqueHKey key;
    return where && RegOpenKeyExW(where->first, where->second.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
}

// A registry item back; `wrote` tells whether anything had to be made or written for it.
ItemOutcome RestoreRegistryItem(const ManifestItem& item, bool& wrote) {
    if (item.kind == ItemKind::Value)
        return item.values.empty() ? Stayed(item.path, Reason::MissingFromBackup) : RestoreValue(item.path, item.values[0], wrote);
    std::vector<std::wstring> keys = {item.path};
    keys.insert(keys.end(), item.subkeys.begin(), item.subkeys.end());
    for (const std::wstring& path : keys) {
        if (!wrote && KeyExists(path)) continue;
        UniqueHKey key;
        if (LONG status = MakeKey(path, key)) return StayedFor(item.path, static_cast<DWORD>(status));
        wrote = true;
    }
    // Every value is tried; the first that could not come back names the item's failure.
    std::optional<ItemOutcome> failure;
    for (const SavedValue& value : item.values) {
        ItemOutcome outcome = RestoreValue(item.path, value, wrote);
        if (!outcome.done && !failure) failure = outcome;
    }
    return failure ? *failure : Done(item.path);
}

// What an undo may still give back of an item: nothing of one that stayed, or came back already.
bool Pending(const ManifestItem& item) { return !item.restored && item.fate != ItemFate::Left; }

class Restorer {
public:
    Restorer(const std::wstring& folder, Manifest manifest)
        : base_(IncludeTrailingBackslash(FullPathOf(folder))), manifest_(std::move(manifest)), appender_(folder) {
        baseFinal_ = FinalPathOf(base_).value_or(ExcludeTrailingBackslash(base_));
    }

    std::vector<ItemOutcome> Run() {
        for (const ManifestItem& item : manifest_.items) {
            if (!Pending(item) || (item.kind != ItemKind::Key && item.kind != ItemKind::Value)) continue;
            bool wrote = false;
            ItemOutcome outcome = RestoreRegistryItem(item, wrote);
            // Cut short before its deletion: all of it is still there.
            if (outcome.done && !wrote && item.fate == ItemFate::Unknown) outcome = InPlace(item.path);
            Record(item, std::move(outcome));
        }

        // Folders first, parents before children, so files have somewhere to go.
        std::vector<const ManifestItem*> folders;
        for (const ManifestItem& item : manifest_.items)
            if (Pending(item) && item.kind == ItemKind::Folder) folders.push_back(&item);
        std::stable_sort(folders.begin(), folders.end(),
                         [](const ManifestItem* a, const ManifestItem* b) { return a->path.size() < b->path.size(); });
        std::vector<ItemOutcome> folderOutcomes;
        // Their attributes and times as kept, read before the files leave them, which changes them.
        std::vector<std::optional<FILE_BASIC_INFO>> infos;
        for (const ManifestItem* item : folders) {
            folderOutcomes.push_back(MakeFolder(*item));
            // A folder that never went has its own times; the backup's copy of it has not.
            infos.push_back(folderOutcomes.back().inPlace ? std::nullopt : StoredInfo(*item));
        }

        for (const ManifestItem& item : manifest_.items)
            if (Pending(item) && (item.kind == ItemKind::File || item.kind == ItemKind::Link))
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
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return Stayed(item.path, Reason::Occupied);
            return item.fate == ItemFate::Unknown ? InPlace(item.path) : Done(item.path);
        }
        const DWORD error = CreateFolders(item.path);
        return error ? StayedFor(item.path, error) : Done(item.path);
    }

    // True when the folder lists the name, whatever it is or points to: a dangling link there
    // occupies it as well. One listing per folder, as the files of a folder follow each other.
    bool NameTaken(const std::wstring& path) {
        const std::wstring parent = ExtractFilePath(path);
        if (!EqualsNoCase(parent, listedFolder_)) {
            listedFolder_ = parent;
            listedNames_.clear();
            WIN32_FIND_DATAW entry{};
            UniqueFindHandle find(FindFirstFileW((ExtendedPath(ExcludeTrailingBackslash(parent)) + L"\\*").c_str(), &entry));
            if (find) {
                do {
                    listedNames_.insert(FoldCase(entry.cFileName));
                } while (FindNextFileW(find.get(), &entry));
            }
        }
        return listedNames_.count(FoldCase(ExtractFileName(path))) != 0;
    }

    // The item is at its place again and was not brought back: never taken, or, copied to another
    // volume, cut short before its original went. A full copy left in the backup is let go.
    ItemOutcome AlreadyThere(const ManifestItem& item) {
        // Taken and finished: whatever is there now came later, and is not overwritten.
        if (item.fate == ItemFate::Taken) return Stayed(item.path, Reason::Occupied);
        const std::wstring stored = base_ + item.stored;
        if (item.stored.empty() || GetFileAttributesW(ExtendedPath(stored).c_str()) == INVALID_FILE_ATTRIBUTES)
            return InPlace(item.path);
        if (item.kind != ItemKind::File || !SameContent(item.path, stored)) return Stayed(item.path, Reason::Occupied);
        CheckedItem copy = OpenChecked(stored, baseFinal_ + L"\\" + item.stored, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
        if (copy.handle) DeleteOpened(copy.handle.get());
        return InPlace(item.path);
    }

    ItemOutcome RestoreFile(const ManifestItem& item) {
        if (item.kind == ItemKind::Link && item.stored.empty() && item.fate == ItemFate::Taken)
            return Stayed(item.path, Reason::LinkRemoved);
        if (NameTaken(item.path)) return AlreadyThere(item);
        if (item.kind == ItemKind::Link && item.stored.empty()) return Stayed(item.path, Reason::LinkRemoved);
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
        if (error) return StayedFor(item.path, error);
        if (EqualsNoCase(parent, listedFolder_)) listedNames_.insert(FoldCase(ExtractFileName(item.path)));
        return Done(item.path);
    }

    std::wstring base_;
    std::wstring baseFinal_;
    Manifest manifest_;
    ManifestAppender appender_;
    std::vector<ItemOutcome> outcomes_;
    std::wstring madeFolder_;
    std::wstring listedFolder_;                    // the folder whose names are known, with its backslash
    std::unordered_set<std::wstring> listedNames_;  // case-folded
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

// Removes the emptied folders below `folder`, a backup folder or one inside it, and names every
// file or link still there, which stays; the backup folder itself keeps its manifest and registry
// file. True when nothing else was left.
bool PruneEmptied(const std::wstring& folder, std::vector<ItemOutcome>& left, bool top) {
    std::vector<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(FindFirstFileW((ExtendedPath(folder) + L"\\*").c_str(), &entry));
    if (!find) return IsGoneError(GetLastError());
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L".." ||
            (top && (EqualsNoCase(name, kManifestFile) || EqualsNoCase(name, kRemainsBackupFile))))
            continue;
        entries.push_back(entry);
    } while (FindNextFileW(find.get(), &entry));
    find.reset();
    bool empty = true;
    for (const WIN32_FIND_DATAW& found : entries) {
        const std::wstring path = folder + L"\\" + found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            if (!PruneEmptied(path, left, false)) empty = false;
        } else {
            left.push_back(Stayed(path, Reason::LeftInBackup));
            empty = false;
        }
    }
    if (!empty || top) return empty;
    // Not a link (links are never entered): this removes the emptied folder and nothing else.
    if (RemoveDirectoryW(ExtendedPath(folder).c_str()) || IsGoneError(GetLastError())) return true;
    left.push_back(StayedFor(folder, GetLastError()));
    return false;
}

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

namespace {

// The folders directly under `root` that may hold clean-ups (links are not entered).
std::vector<std::wstring> BackupFolders(const std::wstring& root) {
    std::vector<std::wstring> folders;
    const std::wstring base = ExcludeTrailingBackslash(FullPathOf(root));
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(FindFirstFileW((ExtendedPath(base) + L"\\*").c_str(), &entry));
    if (!find) return folders;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L".." || !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        folders.push_back(base + L"\\" + name);
    } while (FindNextFileW(find.get(), &entry));
    return folders;
}

// Nothing when the folder holds no clean-up, or nothing of it is left to give back.
std::optional<CleanupSummary> SummaryOf(const std::wstring& folder) {
    std::optional<Manifest> manifest = ReadManifest(folder);
    if (!manifest) return std::nullopt;
    CleanupSummary summary;
    summary.folder = folder + L"\\";
    summary.date = manifest->date;
    summary.program = manifest->program;
    summary.location = manifest->location;
    summary.interrupted = !manifest->finished && !CleanupRunning(folder);
    summary.kept = manifest->kept;
    std::set<std::wstring> keys;
    bool anyLeft = false;
    for (const ManifestItem& item : manifest->items) {
        if (!Pending(item)) continue;
        anyLeft = true;
        if (item.kind == ItemKind::Key) keys.insert(ToLower(item.path));
        if (item.kind == ItemKind::Value && !item.values.empty()) keys.insert(ToLower(item.values[0].key));
        if (item.kind == ItemKind::File || item.kind == ItemKind::Link) ++summary.files;
    }
    if (!anyLeft) return std::nullopt;
    summary.keys = static_cast<int>(keys.size());
    summary.size = FolderSize(folder);
    return summary;
}

// The manifest's last record says the clean-up ended or the user chose to keep it: it need not be
// read whole to know it was not cut short unanswered.
bool EndsSettled(const std::wstring& folder) {
    UniqueHandle file = AdoptFileHandle(CreateFileW(ExtendedPath(folder + L"\\" + kManifestFile).c_str(), GENERIC_READ,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return false;
    char tail[16] = {};
    const LONGLONG start = std::max<LONGLONG>(0, size.QuadPart - static_cast<LONGLONG>(sizeof tail));
    LARGE_INTEGER at{};
    at.QuadPart = start;
    DWORD read = 0;
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) || !ReadFile(file.get(), tail, sizeof tail, &read, nullptr))
        return false;
    const std::string text(tail, read);
    auto endsWith = [&](const std::string& record) {
        return text.size() >= record.size() && text.compare(text.size() - record.size(), record.size(), record) == 0;
    };
    return endsWith("\nfinished\n") || endsWith("\nkept\n");
}

void SortNewestFirst(std::vector<CleanupSummary>& list) {
    // A later clean-up of the same second has a number after the date and time: " (2)", " (3)", ...
    auto number = [](const std::wstring& folder) {
        const std::wstring name = ExtractFileName(ExcludeTrailingBackslash(folder));
        const size_t open = name.rfind(L" (");
        return open == std::wstring::npos ? 1ul : wcstoul(name.c_str() + open + 2, nullptr, 10);
    };
    std::sort(list.begin(), list.end(), [&](const CleanupSummary& a, const CleanupSummary& b) {
        return a.date != b.date ? a.date > b.date : number(a.folder) > number(b.folder);
    });
}

}  // namespace

std::vector<CleanupSummary> ListCleanups(const std::wstring& root) {
    std::vector<CleanupSummary> list;
    for (const std::wstring& folder : BackupFolders(root))
        if (std::optional<CleanupSummary> summary = SummaryOf(folder)) list.push_back(std::move(*summary));
    SortNewestFirst(list);
    return list;
}

std::vector<CleanupSummary> UnansweredInterruptedCleanups(const std::wstring& root) {
    std::vector<CleanupSummary> list;
    for (const std::wstring& folder : BackupFolders(root)) {
        if (EndsSettled(folder)) continue;
        std::optional<CleanupSummary> summary = SummaryOf(folder);
        if (summary && summary->interrupted && !summary->kept) list.push_back(std::move(*summary));
    }
    SortNewestFirst(list);
    return list;
}

std::vector<ItemOutcome> RestoreCleanup(const std::wstring& folder) {
    std::optional<Manifest> manifest = ReadManifest(folder);
    if (!manifest) return {Stayed(ExcludeTrailingBackslash(folder), Reason::NotACleanup)};
    // A clean-up still running (in another window or process) is not undone under its feet.
    if (CleanupRunning(folder)) return {Stayed(ExcludeTrailingBackslash(folder), Reason::InUse, ERROR_SHARING_VIOLATION)};
    std::vector<ItemOutcome> outcomes = Restorer(folder, std::move(*manifest)).Run();
    if (std::all_of(outcomes.begin(), outcomes.end(), [](const ItemOutcome& outcome) { return outcome.done; })) {
        // Undone: the folder goes, unless it still holds something nothing given back accounts for.
        std::vector<ItemOutcome> left = RemoveEmptiedBackup(folder);
        outcomes.insert(outcomes.end(), left.begin(), left.end());
    }
    return outcomes;
}

std::vector<ItemOutcome> RemoveEmptiedBackup(const std::wstring& folder) {
    const std::wstring full = ExcludeTrailingBackslash(FullPathOf(folder));
    if (!ReadManifest(full)) return {Stayed(full, Reason::NotACleanup)};
    std::vector<ItemOutcome> left;
    if (!PruneEmptied(full, left, true)) return left;
    // Only the manifest and the registry editor's copy of the registry part are left.
    return DeleteCleanupBackup(full);
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
