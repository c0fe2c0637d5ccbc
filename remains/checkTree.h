#pragma once
// Three-state check marks over a tree of findings: a click flips a node, its descendants
// follow it and its ancestors show whether all, some or none below them are checked.
#include <cstddef>
#include <vector>

#include "remains/remainsScan.h"

namespace purgeon::remains {

// A node addressed by its child indices from the top-level list: {2} is the third top-level
// node, {2, 0} its first child.
using NodePath = std::vector<size_t>;

// The node at path, or null when the path leads nowhere.
ScanNode* NodeAt(std::vector<ScanNode>& roots, const NodePath& path);

// A click on the node's check box: unchecked and partly checked become checked, checked
// becomes unchecked; the descendants take the new mark and the ancestors are brought up to
// date. Nothing happens for a path that leads nowhere.
void ToggleNodeCheck(std::vector<ScanNode>& roots, const NodePath& path);

// Gives every descendant of the node the node's own mark.
void SetChildrenCheck(ScanNode& node);

// The mark a node with these children shows: all checked gives checked, none checked or partly
// checked gives unchecked, anything else partly checked.
int RolledUpState(const std::vector<ScanNode>& children);

// Sets the node from its direct children (all checked: checked; none checked or partly
// checked: unchecked; otherwise partly checked), then does the same for each ancestor.
void UpdateParentCheck(std::vector<ScanNode>& roots, const NodePath& path);

}  // namespace purgeon::remains
