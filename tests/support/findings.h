#pragma once
// Trees of findings built by hand, as a stale or tampered window might hold them: each node gets
// the target a scan gives a node of that text, so deletion and backup see what they would see.
#include <string>
#include <utility>
#include <vector>

#include "common/registryKeys.h"
#include "remains/remainsScan.h"

namespace purgeon::test {

// Top-level texts are key paths ("HKEY_CURRENT_USER\SOFTWARE\Vendor"), their children's the key's
// text, a backslash and a value name. A text that names no root gets no target.
inline std::vector<remains::ScanNode> KeyFindings(std::vector<remains::ScanNode> keys) {
    for (remains::ScanNode& key : keys) {
        const std::optional<RegistryTarget> where = SplitRegistryText(key.text);
        if (!where) continue;
        key.target = remains::KeyTarget(where->Key());
        const std::wstring prefix = key.text + L"\\";
        for (remains::ScanNode& value : key.children)
            if (value.text.compare(0, prefix.size(), prefix) == 0)
                value.target = remains::ValueTarget(key.target.key, value.text.substr(prefix.size()));
    }
    return keys;
}

// Every text a full path.
inline remains::ScanNode FileFinding(remains::ScanNode node) {
    node.target = remains::PathTarget(node.text);
    for (remains::ScanNode& child : node.children) child = FileFinding(std::move(child));
    return node;
}
inline std::vector<remains::ScanNode> FileFindings(std::vector<remains::ScanNode> nodes) {
    for (remains::ScanNode& node : nodes) node = FileFinding(std::move(node));
    return nodes;
}

}  // namespace purgeon::test
