// Three-state check marks of the remains trees: clicks on nodes and what their relatives show.
#include <gtest/gtest.h>

#include "remains/checkTree.h"
#include "common/funUtils.h"

using namespace purgeon;
using namespace purgeon::remains;

namespace {

ScanNode N(int state, std::vector<ScanNode> children = {}) { return ScanNode{L"", state, std::move(children)}; }

// Marks written out: "2[1 2[2]]" is a checked node with an unchecked leaf and a checked folder.
std::string Marks(const std::vector<ScanNode>& nodes) {
    std::string out;
    for (const ScanNode& node : nodes) {
        if (!out.empty()) out += ' ';
        out += std::to_string(node.state);
        if (!node.children.empty()) out += '[' + Marks(node.children) + ']';
    }
    return out;
}

// An install folder: two files, a folder "data" with two files and a folder "sub" with one.
std::vector<ScanNode> Folder(int all = kChecked) {
    return {N(all, {N(all), N(all), N(all, {N(all), N(all), N(all, {N(all)})})})};
}

}  // namespace

TEST(RemainsChecks, AClickFlipsTheNodeAsItsMarkSays) {
    struct Row {
        int before, after;
    };
    for (const Row& row : {Row{kUnchecked, kChecked}, Row{kChecked, kUnchecked}, Row{kPartlyChecked, kChecked},
                           Row{0, 0}, Row{4, 4}}) {
        std::vector<ScanNode> roots = {N(row.before)};
        ToggleNodeCheck(roots, {0});
        EXPECT_EQ(roots[0].state, row.after) << row.before;
    }
}

TEST(RemainsChecks, ClicksPropagateDownAndUp) {
    struct Row {
        const char* what;
        std::vector<ScanNode> roots;
        std::vector<NodePath> clicks;
        std::string marks;
    };
    const Row rows[] = {
        {"one of several files unticked: its folder and every folder above partly checked",
         Folder(), {{0, 2, 0}}, "3[2 2 3[1 2 2[2]]]"},
        {"a folder's only file unticked unticks the folder", Folder(), {{0, 2, 2, 0}}, "3[2 2 3[2 2 1[1]]]"},
        {"every file in a folder unticked unticks it; its parent still partly checked", Folder(),
         {{0, 2, 0}, {0, 2, 1}, {0, 2, 2, 0}}, "3[2 2 1[1 1 1[1]]]"},
        {"ticked again, file by file, the folders become checked again", Folder(kUnchecked),
         {{0, 0}, {0, 1}, {0, 2, 0}, {0, 2, 1}, {0, 2, 2, 0}}, "2[2 2 2[2 2 2[2]]]"},
        {"a partly checked folder clicked is checked with everything below it", Folder(),
         {{0, 2, 2, 0}, {0, 2}}, "2[2 2 2[2 2 2[2]]]"},
        {"a checked folder clicked unticks everything below it", Folder(), {{0, 2}}, "3[2 2 1[1 1 1[1]]]"},
        {"the top folder clicked twice: all unticked, then all checked", Folder(), {{0}, {0}}, "2[2 2 2[2 2 2[2]]]"},
        {"a key's value unticked leaves the key partly checked", {N(kChecked, {N(kChecked), N(kChecked)}), N(kChecked)},
         {{0, 1}}, "3[2 1] 2"},
        {"every value of a key unticked unticks the key, not the other keys",
         {N(kChecked, {N(kChecked), N(kChecked)}), N(kChecked)}, {{0, 1}, {0, 0}}, "1[1 1] 2"},
        {"a path that leads nowhere changes nothing", Folder(), {{}, {1}, {0, 7}, {0, 0, 0}}, "2[2 2 2[2 2 2[2]]]"},
    };
    for (const Row& row : rows) {
        std::vector<ScanNode> roots = row.roots;
        for (const NodePath& click : row.clicks) ToggleNodeCheck(roots, click);
        EXPECT_EQ(Marks(roots), row.marks) << row.what;
    }
}

TEST(RemainsChecks, ParentsAreSetFromTheirDirectChildren) {
    struct Row {
        std::vector<ScanNode> children;
        int parent;
    };
    const Row rows[] = {
        {{N(kChecked), N(kChecked)}, kChecked},
        {{N(kUnchecked), N(kUnchecked)}, kUnchecked},
        {{N(kChecked), N(kUnchecked)}, kPartlyChecked},
        {{N(kPartlyChecked), N(kPartlyChecked)}, kPartlyChecked},  // never checked
        {{N(kPartlyChecked), N(kUnchecked)}, kPartlyChecked},
        {{N(kPartlyChecked), N(kChecked)}, kPartlyChecked},
        {{N(kChecked)}, kChecked},
        {{N(kUnchecked)}, kUnchecked},
    };
    for (const Row& row : rows) {
        std::vector<ScanNode> roots = {N(kUnchecked, {N(kChecked, row.children)})};
        const std::string children = Marks(row.children);
        UpdateParentCheck(roots, {0, 0});
        EXPECT_EQ(roots[0].children[0].state, row.parent) << children;
        // And on up: the top has that one child only.
        EXPECT_EQ(roots[0].state, row.parent) << children;
        // The children themselves are left as they were.
        EXPECT_EQ(Marks(roots[0].children[0].children), children);
    }
}

TEST(RemainsChecks, ChildrenTakeTheNodesMarkAllTheWayDown) {
    for (int state : {kUnchecked, kChecked, kPartlyChecked}) {
        std::vector<ScanNode> roots = Folder(state == kChecked ? kUnchecked : kChecked);
        roots[0].state = state;
        SetChildrenCheck(roots[0]);
        const std::string s = std::to_string(state);
        EXPECT_EQ(Marks(roots), s + "[" + s + " " + s + " " + s + "[" + s + " " + s + " " + s + "[" + s + "]]]");
    }
}
