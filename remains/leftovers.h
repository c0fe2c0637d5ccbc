#pragma once
// The leftovers of programs that are gone: folders and keys in the places programs keep theirs
// that no installed program claims. A search for a program that has no uninstall entry any more,
// so it works from what the installed programs name, not from the gone one's key name.
//
// Everything the search looks at is handed in (the installed programs, the records of programs
// this program uninstalled, the places to walk and what is never offered); it walks those places
// and hands back plain findings, each with a score, its reasons and whether it is checked.
#include <windows.h>

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "remains/remainsScan.h"

namespace purgeon::remains {

// What an installed program names, from which its claims follow. Folders are full paths.
struct InstalledProgram {
    std::wstring keyName, displayName, publisher;
    std::wstring installLocation, uninstallerFolder, iconFolder;
};

// A program this program uninstalled, as the record written before its uninstaller ran names it.
struct RemovedProgram {
    std::wstring keyName, displayName, publisher, installLocation;
};

// The kinds of place a folder is found in: an empty folder means something only in the Start Menu.
enum class LeftoverPlace { ProgramFiles, ProgramData, AppData, StartMenu };

// A folder whose direct subfolders are looked at, and the names in it that the system puts there
// itself (Common Files, Windows NT, Microsoft, ...), which are never offered.
struct FolderPlace {
    std::wstring path;
    LeftoverPlace kind = LeftoverPlace::ProgramFiles;
    std::vector<std::wstring> systemNames;
};

// A key whose direct subkeys are looked at, with the system's own names there; a system name may
// be a path of two names ("Borland\Database Engine"): then only that subkey is the system's.
struct KeyPlace {
    RegistryKey key;
    std::vector<std::wstring> systemNames;
};

struct LeftoverSearch {
    std::vector<InstalledProgram> installed;
    std::vector<RemovedProgram> removed;
    std::vector<FolderPlace> folders;
    std::vector<KeyPlace> keys;
    // Folders never offered, nor anything that lies in them or holds one (the user's documents,
    // desktop, downloads, pictures, music, videos, the Windows folder, every known folder).
    std::vector<std::wstring> neverOffered;
    // Folders claimed as an installed program's are: this program's own, say.
    std::vector<std::wstring> ownFolders;
    FILETIME now{};  // "recently written" is the 24 hours before it
};

// Why a finding is or is not checked. The sure ones check it; any other reason listed with a
// sure one unchecks it again.
enum class LeftoverReason {
    Recorded,          // sure: named in the record of a program this program uninstalled
    EmptyStartMenu,    // sure: a Start Menu folder with no file left in it
    RemovedVendor,     // sure: a vendor folder or key that holds only recorded programs
    Unclaimed,         // no installed program claims it, and nothing more is known
    InstalledVendor,   // named like the publisher of an installed program
    CloseToInstalled,  // its name is close to an installed program's
    HoldsPrograms,     // holds executables: it may be a portable program
    ManyFiles,         // more than kManyFiles files
    GenericName,       // a name many programs use (settings, config, data, ...)
    RecentlyWritten,   // something in it was written in the last 24 hours
};
inline constexpr size_t kManyFiles = 100;

struct Leftover {
    FindingTarget target;  // a key or a folder
    std::wstring text;     // FindingText of it: "HKEY_LOCAL_MACHINE\SOFTWARE\Vendor", "C:\...\Vendor"
    std::wstring vendor;   // the vendor folder or key it lies in; empty directly in a place
    std::wstring name;     // its own name
    std::wstring program;  // the recorded program it is named by, when it is
    std::vector<LeftoverReason> reasons;  // the deciding one first
    int score = 0;         // 0..100: how sure it is a gone program's
    bool checked = false;
};

// Names as the search compares them: without letter case, blanks, "_" and "-".
std::wstring FoldedName(const std::wstring& name);
// Two names are one: equal when folded; names of four characters or fewer only when equal but
// for letter case.
bool NamesMatch(const std::wstring& a, const std::wstring& b);
// Not one, but one looks like the other with something added or one character different
// ("Acme Paint" and "Acme Paint Pro", "Acme Paint" and "Acme Pain"); never for names of four
// characters or fewer.
bool NamesClose(const std::wstring& a, const std::wstring& b);
// A display name without what versions and editions add to it ("Acme Paint 2.1 (x64)" is
// "Acme Paint"), and a publisher without its company form ("Acme Software, Inc." is
// "Acme Software").
std::wstring NameWithoutVersion(const std::wstring& displayName);
std::wstring NameWithoutCompanyForm(const std::wstring& publisher);
// A name many programs give a folder or key (settings, config, data, users, install, ...).
bool IsGenericLeftoverName(const std::wstring& name);

// What an installed program's names and folders say of a folder or key.
enum class Claim {
    None,    // nothing: it may be a leftover
    Is,      // it is, or lies inside, what an installed program names: never offered
    Holds,   // it holds an installed program's folder: never offered, but what else it holds may be
    Vendor,  // named like an installed program's publisher: claimed while it holds one of its programs
};

// Every installed program's claims, for quick look-ups.
class Claims {
public:
    // Folders that are a place or hold one, or are never offered, claim nothing (an uninstaller
    // in the Windows folder, an install location of "C:\Program Files").
    Claims(const std::vector<InstalledProgram>& installed, const std::vector<std::wstring>& ownFolders,
           const std::vector<std::wstring>& places);
    Claim OfFolder(const std::wstring& path, const std::wstring& name) const;
    Claim OfKey(const std::wstring& name) const;
    bool CloseToInstalled(const std::wstring& name) const;

private:
    Claim OfName(const std::wstring& name) const;
    std::unordered_set<std::wstring> folders_;      // comparable paths
    std::unordered_set<std::wstring> holders_;      // every folder above one of them
    std::unordered_set<std::wstring> names_;        // folded names (longer than four characters)
    std::unordered_set<std::wstring> shortNames_;   // folded case only
    std::unordered_set<std::wstring> vendors_;
    std::unordered_set<std::wstring> shortVendors_;
    std::vector<std::wstring> closeNames_;          // folded, for CloseToInstalled
};

// A path as the search compares it: lower case, backslashes, no quotes, no trailing backslash.
std::wstring ComparableFolder(const std::wstring& path);

// What the walk learnt of one candidate, from which its reasons follow.
struct CandidateFacts {
    std::wstring name;
    bool isFolder = true;
    LeftoverPlace place = LeftoverPlace::ProgramFiles;  // folders
    bool recorded = false;         // named by a removed program's record
    bool removedVendor = false;    // holds only what records name
    bool installedVendor = false;  // named like an installed program's publisher
    bool closeToInstalled = false;
    size_t files = 0;              // below it, at any depth (folders)
    bool executables = false;      // an .exe or .com file below it
    FILETIME newestWrite{};        // the newest write time below it (itself included)
};
// The reasons, score and check mark of a candidate: checked only for a sure reason with no
// doubt beside it.
void ScoreLeftover(const CandidateFacts& facts, const FILETIME& now, Leftover& leftover);

// Walks the places and gives every folder and key no installed program claims, in place order.
std::vector<Leftover> FindLeftovers(const LeftoverSearch& search, const ScanProgress& progress = {});

// The places of this machine and user: both Program Files folders, ProgramData, the roaming and
// local application data, the per-user programs folder, both Start Menus' Programs; the machine's
// SOFTWARE in both views and the user's; and the known folders that are never offered. The
// installed programs, records and time are the caller's to add.
LeftoverSearch MachineLeftoverPlaces();

// One node per likely program: the recorded program that names its findings, else the vendor
// and name they share ("GoneApp (Gone Vendor)"); findings of the same name in different places
// (a folder in Program Files, a key, a Start Menu folder) are one program's.
struct LeftoverGroup {
    std::wstring label;
    std::vector<size_t> members;  // indices into the findings, in their order
};
std::vector<LeftoverGroup> GroupLeftovers(const std::vector<Leftover>& leftovers);

using LeftoverReasonText = std::function<std::wstring(const Leftover& leftover)>;
// The findings as the scan window's trees: one top node per group, holding its keys (in `keys`)
// or its folders (in `files`) with their marks and reasons. The group nodes name no target.
void LeftoverTrees(const std::vector<Leftover>& leftovers, const LeftoverReasonText& reasonText,
                   std::vector<ScanNode>& keys, std::vector<ScanNode>& files);
// A tree whose top nodes are groups as a flat list of its findings, and back: each finding that
// is still there returns under the group it was in, and a group left with none goes.
std::vector<ScanNode> UngroupedNodes(const std::vector<ScanNode>& grouped);
void RegroupNodes(std::vector<ScanNode>& grouped, std::vector<ScanNode> flat);

}  // namespace purgeon::remains
