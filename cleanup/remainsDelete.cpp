#include "cleanup/remainsDelete.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "remains/remains.h"
#include "cleanup/cleanupUndo.h"
#include "cleanup/safeFiles.h"
#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon::cleanup {

using remains::CleanInstallLocation;
using remains::IsProtectedFolder;
using remains::IsProtectedRegistryKey;
using remains::kChecked;
using remains::kPartlyChecked;
using remains::kUnchecked;
using remains::RolledUpState;

namespace {

// What deleting a key or a value asks of it, and no more.
constexpr REGSAM kKeyDeleteAccess = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE;
constexpr REGSAM kValueDeleteAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;
// Taking a file away: read for a copy across volumes, delete, and attributes for a read-only one.
constexpr DWORD kFileTakeAccess = GENERIC_READ | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
constexpr DWORD kLinkTakeAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

using Kind = remains::FindingTarget::Kind;

bool IsKeyDeletable(const RegistryKey& key) {
    // Never a root's direct child ("SOFTWARE" itself) nor a key no single program owns.
    return key.root && !key.ParentPath().empty() && !key.Name().empty() &&
           !IsProtectedRegistryKey(key.ParentPath(), key.Name());
}

// Only a key the registry says is not there is gone: one that cannot be opened (access denied)
// is still there.
bool KeyThere(const RegistryKey& key) {
    UniqueHKey opened;
    return RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_QUERY_VALUE | key.view, opened.put()) != ERROR_FILE_NOT_FOUND;
}

// True when `inner` lies below `outer`, in the same root and view.
bool IsBelow(const RegistryKey& inner, const RegistryKey& outer) {
    return inner.root == outer.root && inner.view == outer.view && inner.path.size() > outer.path.size() &&
           inner.path[outer.path.size()] == L'\\' && StartsWithNoCase(inner.path, outer.path);
}

ItemOutcome DeleteKey(const ScanNode& node, std::vector<ItemOutcome>& lostValues) {
    if (node.target.kind != Kind::Key || !node.target.key.root) return Stayed(node.text, Reason::Failed, ERROR_BAD_PATHNAME);
    const RegistryKey& target = node.target.key;
    if (!IsKeyDeletable(target)) return Stayed(node.text, Reason::Protected);
    LONG status;
    {
        UniqueHKey key;
        status = RegOpenKeyExW(target.root, target.path.c_str(), 0, kKeyDeleteAccess | target.view, key.put());
        if (status == ERROR_FILE_NOT_FOUND) return Done(node.text);
        if (status == ERROR_SUCCESS) status = RegDeleteTreeW(key.get(), nullptr);
    }
    if (status == ERROR_SUCCESS) {
        UniqueHKey parent;
        status = RegOpenKeyExW(target.root, target.ParentPath().c_str(), 0, KEY_QUERY_VALUE | target.view, parent.put());
        if (status == ERROR_SUCCESS) status = RegDeleteKeyExW(parent.get(), target.Name().c_str(), target.view, 0);
    }
    if (!KeyThere(target)) return Done(node.text);
    // Whatever went before the failure is gone: its nodes go too.
    UniqueHKey left;
    RegOpenKeyExW(target.root, target.path.c_str(), 0, KEY_QUERY_VALUE | target.view, left.put());
    for (const ScanNode& value : node.children) {
        if (value.target.kind != Kind::Value) continue;
        // A key that cannot be read keeps what it had, as far as anyone can tell.
        if (left && !ReadRegValue(left.get(), value.target.valueName.c_str())) lostValues.push_back(Done(value.text));
    }
    return StayedFor(node.text, status == ERROR_SUCCESS ? static_cast<DWORD>(ERROR_ACCESS_DENIED) : status);
}

ItemOutcome DeleteValue(const ScanNode& value) {
    const RegistryKey& key = value.target.key;
    if (value.target.kind != Kind::Value || !key.root) return Stayed(value.text, Reason::Failed, ERROR_BAD_PATHNAME);
    if (!IsKeyDeletable(key)) return Stayed(value.text, Reason::Protected);
    UniqueHKey opened;
    LONG status = RegOpenKeyExW(key.root, key.path.c_str(), 0, kValueDeleteAccess | key.view, opened.put());
    if (status == ERROR_FILE_NOT_FOUND) return Done(value.text);
    if (status == ERROR_SUCCESS) status = RegDeleteValueW(opened.get(), value.target.valueName.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return Done(value.text);
    return StayedFor(value.text, static_cast<DWORD>(status));
}

// The walk that sets an install folder's checked items aside. It runs twice: planning names in
// the backup every item it would take and moves nothing; the walk after it takes only what the
// plan names, noting each item's outcome.
class SetAsideWalk {
public:
    SetAsideWalk(CleanupBackup& backup, std::vector<ItemOutcome>& outcomes, bool planning = false)
        : backup_(backup), outcomes_(outcomes), planning_(planning) {}

    void Run(const std::vector<ScanNode>& files) {
        if (files.empty()) return;
        const std::wstring topText = CleanInstallLocation(files.front().target.path);
        topFull_ = FullPathOf(topText);
        backupsRoot_ = FullPathOf(ExtractFilePath(ExcludeTrailingBackslash(backup_.Folder())));
        DWORD error = ERROR_SUCCESS;
        std::optional<std::wstring> final = FinalPathOf(topFull_, &error);
        if (!final) {
            // The folder is gone, and everything in it; or it cannot be reached at all.
            for (const ScanNode& root : files) LeaveChecked(root, IsGoneError(error) ? Reason::None : ReasonOfError(error), error);
            return;
        }
        // Protection is looked at again here, also for where the folder really lies: the tree may
        // not come from a scan of ours, and a link may lead from an ordinary name to a shared folder.
        if (IsProtectedFolder(topText) || IsProtectedFolder(*final)) {
            for (const ScanNode& root : files) LeaveChecked(root, Reason::Protected, ERROR_SUCCESS);
            return;
        }
        topFinal_ = *final;
        topIsLink_ = !SamePath(topFinal_, topFull_);
        for (const ScanNode& root : files) Visit(root);
        // A checked node the walk of its checked folder did not meet (one below a link, say) is
        // judged on its own, so every checked node has its outcome.
        for (const ScanNode& root : files) TakeUnmet(root);
    }

private:
    // Unchecked and partly checked nodes stay themselves; their checked descendants go one by one.
    void Visit(const ScanNode& node) {
        if (node.state == kChecked) {
            TakeNode(node);
            return;
        }
        for (const ScanNode& child : node.children) Visit(child);
    }

    void TakeUnmet(const ScanNode& node) {
        if (node.state == kChecked && !Met(node)) TakeNode(node);
        for (const ScanNode& child : node.children) TakeUnmet(child);
    }

    // A node is taken by its path; one no scan made names nothing to take.
    void TakeNode(const ScanNode& node) {
        if (node.target.kind == remains::FindingTarget::Kind::Path)
            Take(node.target.path, true);
        else
            Record(Stayed(node.text, Reason::Failed, ERROR_BAD_PATHNAME));
    }

    // Whether the walk of a checked folder took (or, planning, planned) the node already: planned
    // items have no outcome until they are taken, and planning one twice would name it twice.
    bool Met(const ScanNode& node) {
        if (planning_ && node.target.kind == remains::FindingTarget::Kind::Path &&
            backup_.Planned(FullPathOf(node.target.path)))
            return true;
        const std::wstring& text = node.text;
        if (met_.size() != outcomes_.size()) {
            met_.clear();
            for (const ItemOutcome& outcome : outcomes_) met_.insert(FoldCase(outcome.path));
        }
        return met_.count(FoldCase(text)) != 0;
    }

    // Every checked node, as it stands: gone already (reason None), or staying for `reason`.
    void LeaveChecked(const ScanNode& node, Reason reason, DWORD error) {
        if (node.state == kChecked) {
            outcomes_.push_back(reason == Reason::None ? Done(node.text) : Stayed(node.text, reason, error));
            return;
        }
        for (const ScanNode& child : node.children) LeaveChecked(child, reason, error);
    }

    // A folder of the backup, made once: files of one folder follow each other.
    DWORD StoredFolder(const std::wstring& folder) {
        if (EqualsNoCase(folder, madeFolder_)) return ERROR_SUCCESS;
        const DWORD error = CreateFolders(folder);
        madeFolder_ = error ? std::wstring() : folder;
        return error;
    }

    bool Record(ItemOutcome outcome) {
        const bool done = outcome.done;
        outcomes_.push_back(std::move(outcome));
        return done;
    }

    bool Plan(const std::vector<std::wstring>& fields) {
        backup_.Plan(fields);
        return true;
    }

    // An item the plan names, done: `taken` when it went into the backup (or, a link, was removed).
    bool Note(const std::wstring& full, bool taken, ItemOutcome outcome) {
        // A record that cannot be written loses nothing: the plan on disk names the item already.
        backup_.Outcome(full, taken);
        return Record(std::move(outcome));
    }

    // Found after the plan was written: never taken, as nothing would name it in the backup.
    bool Unplanned(const std::wstring& text) { return Record(Stayed(text, Reason::BackupFailed)); }

    // What a folder's listing tells of an item.
    struct Listed {
        DWORD attributes = 0;
        ULONGLONG size = 0;
    };
    static Listed ListedOf(const WIN32_FIND_DATAW& entry) {
        return {entry.dwFileAttributes, (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow};
    }

    // One item, a file or a folder with everything in it. True when it is gone. `listed` holds
    // what its folder's listing gave, when it came from one.
    bool Take(const std::wstring& text, bool fromTree, std::optional<Listed> listed = std::nullopt) {
        const std::wstring full = FullPathOf(text);
        std::optional<std::wstring> relative = RelativeInside(full, topFull_);
        if (!relative) return Record(Stayed(text, Reason::OutsideFolder));
        // A program folder that holds the clean-ups' backups (this program's own, say): they stay,
        // and this clean-up's backup is never walked into itself.
        if (RelativeInside(full, backupsRoot_)) return Record(Stayed(text, Reason::OwnBackups));
        const std::wstring expected = relative->empty() ? topFinal_ : topFinal_ + L"\\" + *relative;
        if (!listed) {
            // A look at the name, not at what it may point to: a dangling link is still there.
            WIN32_FIND_DATAW entry{};
            UniqueFindHandle find(FindFirstFileW(ExtendedPath(full).c_str(), &entry));
            if (find) {
                listed = ListedOf(entry);
            } else {
                const DWORD error = GetLastError();
                if (IsGoneError(error)) return Record(Done(text));
                // The install folder itself is never its own find result; look at it directly.
                if (!relative->empty()) return Record(StayedFor(text, error));
                const DWORD attributes = GetFileAttributesW(ExtendedPath(full).c_str());
                if (attributes == INVALID_FILE_ATTRIBUTES) return Record(StayedFor(text, GetLastError()));
                listed = Listed{attributes};
            }
        }
        const DWORD attributes = listed->attributes;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            if (!relative->empty()) return TakeLink(text, full, expected);
        }
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (fromTree && IsProtectedFolder(full)) return Record(Stayed(text, Reason::Protected));
            return TakeFolder(text, full, *relative, expected);
        }
        return TakeFile(text, full, expected, listed->size);
    }

    // `size` as listed, which the plan records.
    bool TakeFile(const std::wstring& text, const std::wstring& full, const std::wstring& expected, ULONGLONG size) {
        const std::wstring relative = CleanupBackup::StoredFor(full);
        if (planning_) return Plan({L"file", full, relative, std::to_wstring(size)});
        if (!backup_.Planned(full)) return Unplanned(text);
        CheckedItem item = OpenChecked(full, expected, kFileTakeAccess);
        if (!item.handle) {
            if (IsGoneError(item.error)) return Note(full, false, Done(text));
            return Note(full, false, Stayed(text, item.reason, item.error));
        }
        const std::wstring stored = backup_.Folder() + relative;
        if (DWORD error = StoredFolder(ExtractFilePath(stored)))
            return Note(full, false, Stayed(text, Reason::BackupFailed, error));
        DWORD error = RenameOpened(item.handle.get(), stored);
        if (error == ERROR_NOT_SAME_DEVICE) error = CopyVerifyAndDelete(item.handle.get(), stored);
        item.handle.reset();  // a copied file's original goes as its handle closes
        return Note(full, error == ERROR_SUCCESS, error ? StayedFor(text, error) : Done(text));
    }

    bool TakeFolder(const std::wstring& text, const std::wstring& full, const std::wstring& relative,
                    const std::wstring& expected) {
        if (!planning_ && !backup_.Planned(full)) return Unplanned(text);
        std::optional<FILE_BASIC_INFO> info;
        {
            CheckedItem item = OpenChecked(full, expected, FILE_READ_ATTRIBUTES);
            if (!item.handle) {
                if (IsGoneError(item.error)) return Settled(full, Done(text));
                return Settled(full, Stayed(text, item.reason, item.error));
            }
            // Before its contents go, which changes its times.
            info = BasicInfoOf(item.handle.get());
        }
        const std::wstring storedRelative = CleanupBackup::StoredFor(full);
        const std::wstring stored = backup_.Folder() + storedRelative;
        if (planning_) Plan({L"folder", full, storedRelative});
        if (!planning_) {
            if (DWORD error = StoredFolder(stored)) return Note(full, false, Stayed(text, Reason::BackupFailed, error));
        }

        std::vector<std::pair<std::wstring, Listed>> entries;
        WIN32_FIND_DATAW entry{};
        UniqueFindHandle find(FindFirstFileW((ExtendedPath(full) + L"\\*").c_str(), &entry));
        if (find) {
            do {
                const std::wstring name = entry.cFileName;
                if (name != L"." && name != L"..") entries.emplace_back(name, ListedOf(entry));
            } while (FindNextFileW(find.get(), &entry));
        }
        find.reset();
        bool anyStayed = false;
        for (const auto& [name, listed] : entries)
            if (!Take(IncludeTrailingBackslash(text) + name, false, listed)) anyStayed = true;
        if (planning_) return true;

        // Reached through a link: what it holds went, the link stays.
        if (relative.empty() && topIsLink_) return Note(full, false, Stayed(text, Reason::LinkNotFollowed));
        // RemoveDirectory never follows a link: under Wine it refuses one, Windows removes the link.
        if (!RemoveDirectoryW(ExtendedPath(full).c_str())) {
            const DWORD error = GetLastError();
            RemoveDirectoryW(ExtendedPath(stored).c_str());  // only when nothing went into it
            madeFolder_.clear();
            if (anyStayed) return Note(full, false, Stayed(text, Reason::ContentsStayed, error));
            return Note(full, false, StayedFor(text, error));
        }
        if (info) ApplyBasicInfo(stored, *info);
        return Note(full, true, Done(text));
    }

    // An outcome met before anything was tried: noted when the plan names the item.
    bool Settled(const std::wstring& full, ItemOutcome outcome) {
        return planning_ ? Record(std::move(outcome)) : Note(full, false, std::move(outcome));
    }

    // Windows takes a link itself; Wine would act on what it points to, so there it stays.
    bool TakeLink(const std::wstring& text, const std::wstring& full, const std::wstring& expected) {
        if (!PlatformActsOnLinksThemselves()) return Record(Stayed(text, Reason::LinkNotFollowed));
        if (!planning_ && !backup_.Planned(full)) return Unplanned(text);
        CheckedItem item = OpenChecked(full, expected, kLinkTakeAccess, OpenAs::LinkItself);
        if (!item.handle) return Settled(full, Stayed(text, item.reason, item.error));
        const std::wstring target = FinalPathOf(full).value_or(L"");
        const std::wstring relative = CleanupBackup::StoredFor(full);
        if (planning_) return Plan({L"link", full, relative, target});
        const std::wstring stored = backup_.Folder() + relative;
        if (DWORD error = CreateFolders(ExtractFilePath(stored)))
            return Note(full, false, Stayed(text, Reason::BackupFailed, error));
        DWORD error = RenameOpened(item.handle.get(), stored);
        if (error == ERROR_SUCCESS) return Note(full, true, Done(text));
        if (error != ERROR_NOT_SAME_DEVICE) return Note(full, false, StayedFor(text, error));
        // The backup lies on another volume: the link itself is removed, and what it pointed to
        // noted first, on disk.
        if (!backup_.Add({L"link", full, L"", target}) || !backup_.Sync())
            return Note(full, false, Stayed(text, Reason::BackupFailed, GetLastError()));
        error = DeleteOpened(item.handle.get());
        return Note(full, error == ERROR_SUCCESS, error ? StayedFor(text, error) : Done(text));
    }

    CleanupBackup& backup_;
    std::vector<ItemOutcome>& outcomes_;
    std::wstring topFull_;
    std::wstring backupsRoot_;  // where every clean-up keeps its backup
    std::wstring topFinal_;
    bool topIsLink_ = false;
    std::unordered_set<std::wstring> met_;
    std::wstring madeFolder_;
    bool planning_ = false;
};

// Node texts and outcome paths compared without regard to case, through a lookup.
using PathSet = std::unordered_set<std::wstring>;

void Prune(std::vector<ScanNode>& nodes, const PathSet& gone) {
    for (size_t i = nodes.size(); i-- > 0;) {
        if (gone.count(FoldCase(nodes[i].text)))
            nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(i));
        else
            Prune(nodes[i].children, gone);
    }
}

// Every node by its text, and every node by its text as a folder (with a trailing backslash).
void IndexNodes(std::vector<ScanNode>& nodes, std::unordered_map<std::wstring, ScanNode*>& byText,
                std::unordered_map<std::wstring, ScanNode*>& byFolder) {
    for (ScanNode& node : nodes) {
        byText.emplace(FoldCase(node.text), &node);
        byFolder.emplace(FoldCase(IncludeTrailingBackslash(node.text)), &node);
        IndexNodes(node.children, byText, byFolder);
    }
}

}  // namespace

std::vector<ItemOutcome> DeleteCheckedKeys(const std::vector<ScanNode>& keys, const std::map<std::wstring, DWORD>& unsaved) {
    std::vector<ItemOutcome> outcomes;
    std::vector<RegistryKey> deleted;
    for (const ScanNode& key : keys) {
        if (key.state != kChecked) continue;
        // Not in the backup, so not deleted: it could never be given back.
        if (auto missing = unsaved.find(key.text); missing != unsaved.end()) {
            outcomes.push_back(Stayed(key.text, Reason::BackupFailed, missing->second));
            continue;
        }
        std::vector<ItemOutcome> lost;
        outcomes.push_back(DeleteKey(key, lost));
        if (outcomes.back().done && key.target.kind == Kind::Key) deleted.push_back(key.target.key);
        outcomes.insert(outcomes.end(), lost.begin(), lost.end());
    }
    for (const ScanNode& key : keys) {
        if (key.state == kChecked) continue;
        // A match inside a deleted key went with it (and into the backup with it), whatever its
        // own mark said: it is reported gone, and leaves the tree.
        const bool wentWithParent =
            key.target.kind == Kind::Key && std::any_of(deleted.begin(), deleted.end(), [&](const RegistryKey& parent) {
                return IsBelow(key.target.key, parent);
            });
        if (wentWithParent && !KeyThere(key.target.key)) {
            outcomes.push_back(Done(key.text));
            for (const ScanNode& value : key.children) outcomes.push_back(Done(value.text));
            continue;
        }
        for (const ScanNode& value : key.children)
            if (value.state == kChecked) outcomes.push_back(DeleteValue(value));
    }
    return outcomes;
}

void PlanSetAside(const std::vector<ScanNode>& files, CleanupBackup& backup) {
    std::vector<ItemOutcome> outcomes;  // told again by the walk that takes the items
    // Planned folder by folder, as they are taken.
    for (const ScanNode& top : files) SetAsideWalk(backup, outcomes, true).Run({top});
}

std::vector<ItemOutcome> SetAsideCheckedFiles(const std::vector<ScanNode>& files, CleanupBackup& backup) {
    std::vector<ItemOutcome> outcomes;
    // Each top node is a folder of its own (the leftovers of gone programs lie in many places),
    // and everything below it is checked against that folder's final path.
    for (const ScanNode& top : files) SetAsideWalk(backup, outcomes).Run({top});
    return outcomes;
}

bool CleanupResult::AllGone() const {
    return std::all_of(keyOutcomes.begin(), keyOutcomes.end(), [](const ItemOutcome& o) { return o.done; }) &&
           std::all_of(fileOutcomes.begin(), fileOutcomes.end(), [](const ItemOutcome& o) { return o.done; });
}

std::vector<ItemOutcome> CleanupResult::Outcomes() const {
    std::vector<ItemOutcome> all = keyOutcomes;
    all.insert(all.end(), fileOutcomes.begin(), fileOutcomes.end());
    return all;
}

CleanupResult CleanRemains(std::vector<ScanNode>& keys, std::vector<ScanNode>& files, const CleanupRequest& request) {
    CleanupResult result;
    if (!AnyChecked(keys) && !AnyChecked(files)) {
        result.ran = true;
        return result;
    }
    DWORD error = ERROR_SUCCESS;
    std::optional<CleanupBackup> backup = CleanupBackup::Begin(request.backupRoot, request.program, request.location, &error);
    if (!backup) {
        result.error = IncludeTrailingBackslash(request.backupRoot) + L": " + SystemErrorText(error);
        return result;
    }
    // Everything that may go is named in the backup, and on disk, before the first thing goes: a
    // clean-up cut short at any moment can be given back. Without that nothing is deleted.
    std::map<std::wstring, DWORD> unreadable;
    const std::vector<ManifestItem> registry = SnapshotRegistry(keys, &unreadable);
    bool saved = backup->SaveRegistry(registry, keys);
    if (saved) {
        PlanSetAside(files, *backup);
        saved = backup->Sync();
    }
    if (!saved) {
        const DWORD saveError = GetLastError();
        result.error = backup->Folder() + L": " + SystemErrorText(saveError ? saveError : ERROR_WRITE_FAULT);
        const std::wstring folder = backup->Folder();
        backup.reset();
        DeleteCleanupBackup(folder);
        return result;
    }
    result.ran = true;
    result.keyOutcomes = DeleteCheckedKeys(keys, unreadable);
    backup->NoteRegistryOutcomes(registry, result.keyOutcomes);
    result.fileOutcomes = SetAsideCheckedFiles(files, *backup);
    // Without its last record the clean-up shows as cut short; the undo still finds every item.
    backup->Finish();

    const std::wstring folder = backup->Folder();
    const bool holdsItems = backup->HoldsItems();
    backup.reset();  // the manifest is closed before the folder is looked at again
    if (holdsItems)
        result.backupFolder = folder;
    else
        RemoveEmptiedBackup(folder);  // nothing was taken: nothing to undo

    KeepWhatStayed(keys, result.keyOutcomes);
    KeepWhatStayed(files, result.fileOutcomes);
    // Marks of parents whose checked children went are stale until brought up to date.
    RefreshChecks(keys);
    RefreshChecks(files);
    return result;
}

bool AnyChecked(const std::vector<ScanNode>& roots) {
    return std::any_of(roots.begin(), roots.end(),
                       [](const ScanNode& node) { return node.state == kChecked || AnyChecked(node.children); });
}

void KeepWhatStayed(std::vector<ScanNode>& roots, const std::vector<ItemOutcome>& outcomes) {
    PathSet gone;
    for (const ItemOutcome& outcome : outcomes)
        if (outcome.done) gone.insert(FoldCase(outcome.path));
    Prune(roots, gone);
    std::unordered_map<std::wstring, ScanNode*> byText, byFolder;
    IndexNodes(roots, byText, byFolder);
    // Entries found below a checked folder that stayed, parents before their children.
    std::vector<const ItemOutcome*> found;
    for (const ItemOutcome& outcome : outcomes)
        if (!outcome.done && !byText.count(FoldCase(outcome.path))) found.push_back(&outcome);
    std::stable_sort(found.begin(), found.end(),
                     [](const ItemOutcome* a, const ItemOutcome* b) { return a->path.size() < b->path.size(); });
    for (const ItemOutcome* outcome : found) {
        auto parent = byFolder.find(FoldCase(ExtractFilePath(outcome->path)));
        if (parent == byFolder.end()) continue;
        // Adding may move the parent's children: the lookups are made again for what follows.
        parent->second->children.push_back(remains::FindingNode(remains::PathTarget(outcome->path)));
        byText.clear();
        byFolder.clear();
        IndexNodes(roots, byText, byFolder);
    }
}

void RefreshChecks(std::vector<ScanNode>& roots) {
    for (ScanNode& node : roots) {
        if (node.children.empty()) {
            if (node.state == kPartlyChecked) node.state = kUnchecked;
            continue;
        }
        RefreshChecks(node.children);
        node.state = RolledUpState(node.children);
    }
}

}  // namespace purgeon::cleanup
