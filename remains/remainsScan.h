#pragma once
// The search for what an uninstaller left behind: registry keys named like the program's
// uninstall key, and the contents of its install folder. Plain data out, no window: the
// scan window shows these trees and the deletion works from their targets and marks.
#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/registryKeys.h"

namespace purgeon::remains {

// Check marks as the trees' state images number them.
enum CheckState : int { kUnchecked = 1, kChecked = 2, kPartlyChecked = 3 };

// Why the scan left a finding unchecked; shown beside it, so the user sees why.
enum class UncheckedReason { None, StillInstalled, CommonName, WindowsKeys, OtherPlace, OtherProgram };

// What a finding is, as the registry or the file system names it. The scan sets it; deletion,
// backup and the default marks work from it, never from the text shown.
struct FindingTarget {
    enum class Kind { None, Key, Value, Path };
    Kind kind = Kind::None;  // None: a node no scan made, which nothing acts on
    RegistryKey key;         // Key, Value: the key, or the key holding the value
    // Value: its name, backslashes and all. Empty is the key's unnamed (default) value, the one
    // the registry lists with a name of no characters; a value named two quotes is a named one.
    std::wstring valueName;
    std::wstring path;       // Path: a file's or folder's full path
};
FindingTarget KeyTarget(RegistryKey key);
FindingTarget ValueTarget(RegistryKey key, std::wstring valueName);
FindingTarget PathTarget(std::wstring path);

// One finding: its target and the text shown for it. Registry: a key
// ("HKEY_CURRENT_USER\SOFTWARE\Vendor") with one child per value ("...\Vendor\ValueName"; the
// unnamed value's text ends in the backslash). Files: a full path, a folder's node holding the
// folder's contents.
struct ScanNode {
    std::wstring text;
    int state = kChecked;
    std::vector<ScanNode> children;
    UncheckedReason reason = UncheckedReason::None;
    // Why it is checked or not, in words, when whoever found it says so itself (the leftovers
    // search does); shown beside it instead of `reason`'s text.
    std::wstring reasonText;
    FindingTarget target;
};
// A checked node for the target, with the text the scan shows for it.
ScanNode FindingNode(FindingTarget target);
// The text shown for a target; empty for Kind::None.
std::wstring FindingText(const FindingTarget& target);

// Told the path being examined. Called at most every kProgressIntervalMs, so the caller
// may pump messages in it without slowing the walk down.
using ScanProgress = std::function<void(const std::wstring& path)>;
inline constexpr unsigned kProgressIntervalMs = 30;

// Walks every key below root\path (no depth limit) and returns, in walk order, one top-level
// node per key whose name equals keyName exactly (case-sensitive). A few heavy shared subtrees
// are not entered, and keys no single program owns are never offered.
// Keys that cannot be read are skipped with what lies below them.
std::vector<ScanNode> ScanRegistryKey(HKEY root, const std::wstring& path, const std::wstring& keyName,
                                      const ScanProgress& progress = {});

// True for a key no single program owns: a shared vendor or system name (Microsoft, Windows,
// Classes, Clients, Policies, Wow6432Node, RegisteredApplications) directly under SOFTWARE or
// its 32-bit view SOFTWARE\Wow6432Node, and any key directly under Microsoft\Windows or
// Microsoft\Windows\CurrentVersion of either view (Run, Policies, Uninstall, App Paths, ...).
// parentPath is relative to the root, with or without its trailing backslash.
bool IsProtectedRegistryKey(const std::wstring& parentPath, const std::wstring& name);

// True for a subtree the walks do not enter (relative to any root, compared exactly).
bool IsSkippedScanPath(const std::wstring& path);

// Where a remains scan looks, in order: the installer's product keys, both SOFTWARE roots, and
// the Windows part of SOFTWARE\Microsoft in both views of the machine and in the user's key (the
// rest of it is skipped): where the three Uninstall keys lie.
struct RegistryWalk {
    HKEY root;
    const wchar_t* path;
};
const std::array<RegistryWalk, 6>& RegistryWalks();

// One key as a finding, with a child per value, from its full path ("HKEY_CURRENT_USER\..."), a
// path stored with a program's entry; the 32-bit view is named by its WOW6432Node path. Nothing
// when it cannot be read.
std::optional<ScanNode> ScanKeyAt(const std::wstring& fullPath);

// The walks of a remains scan, in order, appended into one list.
std::vector<ScanNode> ScanRegistry(const std::wstring& keyName, const ScanProgress& progress = {});

// An install location as stored, with enclosing quotes and blanks taken off.
std::wstring CleanInstallLocation(const std::wstring& location);

// True for folders that belong to the system or to everyone rather than to one program: drive
// roots, the Windows folder and all in it, the Program Files and Common Files folders,
// ProgramData, the Users folder, a user profile and its standard folders, a relative path, a
// bare network share. Checked again before anything is deleted.
bool IsProtectedFolder(const std::wstring& path);
// A path full, without "." or ".." parts, forward slashes, short 8.3 names (where it exists) or a
// trailing backslash, so two spellings of one folder compare equal (letter case aside).
std::wstring NormalisedPath(const std::wstring& path);

// The install folder's tree in file-system order: the folder as the top node, its entries (names
// beginning with "." left out) below it. Nothing for an empty, missing or protected location.
std::optional<ScanNode> ScanInstallFolder(const std::wstring& installLocation, const ScanProgress& progress = {});

}  // namespace purgeon::remains
