#pragma once
// Deletes what the remains scan found and the user left checked, working only from the node
// texts and marks, and takes the handled nodes out of the trees.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "cleanup/remainsScan.h"

namespace purgeon::cleanup {

// A registry node text cut for the registry calls: "HKEY_CURRENT_USER\SOFTWARE\Vendor" gives
// the root, the parent path "SOFTWARE\" and the last name "Vendor".
struct RegistryTarget {
    HKEY root = nullptr;
    std::wstring parentPath;  // ends in a backslash unless empty (the root itself)
    std::wstring lastName;
};

// The root of a long root name, compared exactly; null for any other text.
HKEY RootKeyFromName(const std::wstring& name);
// Nothing when the text names no known root.
std::optional<RegistryTarget> SplitRegistryText(const std::wstring& text);

// Removes a folder with everything in it for good (not to the recycle bin), showing nothing.
bool DeleteFolder(const std::wstring& path);

// Deletes every checked key (top-level node) with everything below it, then every checked value
// of the keys that stay; their nodes leave the list whether or not the deletion worked.
// Keys no single program owns are never deleted.
void DeleteCheckedKeys(std::vector<ScanNode>& keys);

// Deletes the checked install folder whole, or else the checked folders, then the checked files
// below it; their nodes leave the tree. Nothing is deleted when the install folder is a protected
// one, nor anything outside it. Returns false when the tree was empty to begin with.
bool DeleteCheckedFiles(std::vector<ScanNode>& files);

// Both, registry first. True when there was a file tree, which is when the user is told the
// clean-up is done.
bool DeleteCheckedRemains(std::vector<ScanNode>& keys, std::vector<ScanNode>& files);

// After a deletion: every node that still has children shows what they show; a partly checked
// node left without children becomes unchecked. Leaves keep their marks.
void RefreshChecks(std::vector<ScanNode>& roots);

}  // namespace purgeon::cleanup
