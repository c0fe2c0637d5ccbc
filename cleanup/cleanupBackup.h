#pragma once
// A clean-up's own backup folder, "Back up\Clean-ups\<date and time>\": what the clean-up takes
// away is set aside there, so that it can be given back.
//
//   manifest.txt   what was taken, in the format below
//   remains.reg    the registry part again, for the registry editor ("regedit /s" loads it)
//   files\C\...    the files and folders, each at its path relative to its drive (a network
//                  path as "files\UNC\server\share\..."), with its attributes and times
//
// manifest.txt is UTF-8 text, one record per line ending in LF, its fields separated by tabs; in
// every field "%", tab, CR and LF are written %25, %09, %0D and %0A.
//   purgeon-cleanup  2                     the first line: the format and its version
//   program   KEYNAME                      the uninstall key name the scan looked for
//   location  PATH                         the install folder the scan listed
//   date      yyyy-mm-dd hh:mm:ss          local time at which the clean-up began
//   key       KEYPATH                      a key taken whole (its full path, from the root name)
//   subkey    KEYPATH                      a key below the last "key" one
//   data      KEYPATH NAME TYPE HEX        a value of the last "key" one or of a key below it
//   value     KEYPATH NAME TYPE HEX        a single value, taken from a key that stayed
//   folder    PATH STORED                  a folder to take (STORED relative to the backup folder)
//   file      PATH STORED SIZE             a file to take, SIZE in bytes
//   link      PATH STORED TARGET           a link to take itself; a second record with STORED
//                                          empty says it is removed rather than set aside
//   taken     PATH                         that item went: set aside, or (keys, values) deleted
//   left      PATH                         that item stayed where it was
//   finished                               the clean-up ran to its end
//   kept                                   the user chose to keep what an interrupted one did
//   restored  PATH                         an item given back by an undo
// TYPE is the value's registry type as a decimal number, HEX its bytes as lower-case hex digits.
// Every registry record and every file, folder and link record is written and flushed to disk
// before the first key is deleted or the first file moves, so a clean-up cut short at any moment
// (a crash, a kill, a power cut) names everything that may lie in its folder; "taken" and "left"
// follow as each item is done. An item without either is looked for in both places by the undo.
// Version 1 wrote each file record after its item had moved, and had no outcome records: there a
// file, folder or link record means taken, and the clean-up counts as finished.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "cleanup/itemOutcome.h"
#include "remains/remains.h"
#include "common/handles.h"

namespace purgeon::cleanup {

using remains::ScanNode;  // what a clean-up takes comes from the remains scan

inline constexpr wchar_t kCleanupsFolder[] = L"Back up\\Clean-ups\\";
inline constexpr wchar_t kManifestFile[] = L"manifest.txt";
inline constexpr wchar_t kStoredFilesFolder[] = L"files";

// Where the clean-ups of the program installed in `programDir` keep their backups.
std::wstring CleanupsFolderOf(const std::wstring& programDir);

struct SavedValue {
    std::wstring key;  // full key path
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

enum class ItemKind { Key, Value, Folder, File, Link };
// What the manifest says became of an item: Unknown when the clean-up stopped before saying.
enum class ItemFate { Unknown, Taken, Left };

// One thing a clean-up took, as the manifest records it.
struct ManifestItem {
    ItemKind kind = ItemKind::File;
    std::wstring path;    // where it was: a key path, a key path + "\" + value name, a file path
    std::wstring stored;  // files, folders and links: relative to the backup folder
    std::wstring target;  // links: where the link pointed
    ULONGLONG size = 0;   // files
    std::vector<std::wstring> subkeys;  // keys: every key below, parents first
    std::vector<SavedValue> values;     // keys: every value at and below it; values: the one
    ItemFate fate = ItemFate::Unknown;
    bool restored = false;
};

struct Manifest {
    std::wstring program;
    std::wstring location;
    std::wstring date;
    std::vector<ManifestItem> items;
    bool finished = false;  // the clean-up ran to its end
    bool kept = false;      // cut short, and the user chose to keep what it did
};

// The field escaping of the manifest, both ways.
std::wstring EscapeField(const std::wstring& text);
std::wstring UnescapeField(const std::wstring& text);
// One record as a line, and a line back as fields.
std::string ManifestLine(const std::vector<std::wstring>& fields);
std::vector<std::wstring> ManifestFields(const std::string& line);

// The backup of the checked registry remains as manifest items: a checked key whole with everything
// below it, and only the checked values of a key that is not checked. Read before anything goes.
// A checked key that exists but cannot be read whole (a subkey that may not be opened or listed)
// has no item; `unreadable`, when given, names it with the system's error, so it is not deleted.
std::vector<ManifestItem> SnapshotRegistry(const std::vector<ScanNode>& keys,
                                           std::map<std::wstring, DWORD>* unreadable = nullptr);

// Reads a backup folder's manifest; nothing when there is none or it is not one of ours.
std::optional<Manifest> ReadManifest(const std::wstring& folder);
// True while a clean-up is still writing the manifest in `folder` (it holds it open).
bool CleanupRunning(const std::wstring& folder);
// Notes in the manifest that the user keeps what an interrupted clean-up did; false when it
// could not be written.
bool MarkKept(const std::wstring& folder);

// The backup folder of one clean-up being made. Its records reach the manifest in this order:
// SaveRegistry and Plan name everything that may go, Sync puts that on disk, and only then does
// anything go, each item's outcome noted as it is done; Finish closes it.
class CleanupBackup {
public:
    // Makes a folder under `root` that no other clean-up has, even one begun in the same second,
    // and writes the manifest's first records. Nothing when it cannot, with the error.
    static std::optional<CleanupBackup> Begin(const std::wstring& root, const std::wstring& program,
                                              const std::wstring& location, DWORD* error);
    // Adds the registry records and the editor's file; false when either could not be written.
    bool SaveRegistry(const std::vector<ManifestItem>& items, const std::vector<ScanNode>& keys);
    // Names a file, folder or link about to be set aside ("file", PATH, STORED, SIZE and so on),
    // held until Sync writes it.
    void Plan(const std::vector<std::wstring>& fields);
    bool Planned(const std::wstring& fullPath) const;
    // Writes what is held and flushes the manifest to disk; false when either failed.
    bool Sync();
    // Notes what became of one item named by SaveRegistry or Plan, written with the next batch
    // (or the next Add, Sync or Finish); false when a batch could not be written (what stands in
    // the manifest already still names the item).
    bool Outcome(const std::wstring& path, bool taken);
    // The outcomes of the registry items saved, from the deletion's outcomes.
    void NoteRegistryOutcomes(const std::vector<ManifestItem>& items, const std::vector<ItemOutcome>& outcomes);
    // Appends one record at once, after the outcomes held; false when it could not be written.
    bool Add(const std::vector<std::wstring>& fields);
    // The clean-up ran to its end: the last record, flushed.
    bool Finish();

    const std::wstring& Folder() const { return folder_; }  // ends in a backslash
    // "files\C\Program Files\App\a.txt" for "C:\Program Files\App\a.txt" (a full path).
    static std::wstring StoredFor(const std::wstring& fullPath);
    // True once anything went: a key or value deleted, an item set aside.
    bool HoldsItems() const { return taken_ > 0; }

private:
    // Writes the records held, unflushed; false when they could not be written.
    bool WritePending();

    std::wstring folder_;
    UniqueHandle manifest_;
    std::string pending_;                      // records not yet written
    std::unordered_set<std::wstring> planned_;  // case-folded full paths
    int taken_ = 0;
};

// Records of one undo appended to a backup's manifest.
class ManifestAppender {
public:
    explicit ManifestAppender(const std::wstring& folder);
    // False when the manifest could not be opened for writing, with the error.
    bool Opened(DWORD* error = nullptr) const;
    bool Restored(const std::wstring& path);

private:
    UniqueHandle manifest_;
    DWORD error_ = ERROR_SUCCESS;
};

// The manifest records of a registry item, for writing.
std::vector<std::vector<std::wstring>> RegistryRecords(const ManifestItem& item);

}  // namespace purgeon::cleanup
