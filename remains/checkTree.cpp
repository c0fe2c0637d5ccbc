#include "remains/checkTree.h"

namespace purgeon::remains {

ScanNode* NodeAt(std::vector<ScanNode>& roots, const NodePath& path) {
    std::vector<ScanNode>* level = &roots;
    ScanNode* node = nullptr;
    for (size_t index : path) {
        if (index >= level->size()) return nullptr;
        node = &(*level)[index];
        level = &node->children;
    }
    return node;
}

void SetChildrenCheck(ScanNode& node) {
    for (ScanNode& child : node.children) {
        child.state = node.state;
        if (!child.children.empty()) SetChildrenCheck(child);
    }
}

int RolledUpState(const std::vector<ScanNode>& children) {
    bool allChecked = true, anyMarked = false;
    for (const ScanNode& child : children) {
        if (child.state != kChecked) allChecked = false;
        if (child.state == kChecked || child.state == kPartlyChecked) anyMarked = true;
    }
    return allChecked ? kChecked : anyMarked ? kPartlyChecked : kUnchecked;
}

void UpdateParentCheck(std::vector<ScanNode>& roots, const NodePath& path) {
    NodePath at = path;
    while (!at.empty()) {
        ScanNode* node = NodeAt(roots, at);
        if (!node) return;
        node->state = RolledUpState(node->children);
        at.pop_back();
    }
}

void ToggleNodeCheck(std::vector<ScanNode>& roots, const NodePath& path) {
    ScanNode* node = NodeAt(roots, path);
    if (!node) return;
    switch (node->state) {
        case kUnchecked: node->state = kChecked; break;
        case kChecked: node->state = kUnchecked; break;
        case kPartlyChecked: node->state = kChecked; break;
        default: break;
    }
    if (!node->children.empty()) SetChildrenCheck(*node);
    if (path.size() > 1) UpdateParentCheck(roots, NodePath(path.begin(), path.end() - 1));
}

}  // namespace purgeon::remains
