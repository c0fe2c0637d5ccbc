#pragma once
// The main window's layout arithmetic, rectangles in and rectangles out, so the folding side
// panels and the status bar can be tested without a window.
#include <vector>

#include "skins/multiSkins.h"

namespace purgeon {

// Width of a side panel's size bar, all that shows of a folded panel.
inline constexpr int kSizeBarWidth = 8;

struct SidePanelLayout {
    SkinRect panel;
    SkinRect list;
};
// An open panel stands at its skin rectangle; a folded one shrinks to its size bar at the
// rectangle's right edge. The list takes its skin rectangle but never runs under the panel.
SidePanelLayout LayOutSidePanel(const SkinRect& panel, const SkinRect& list, bool open);

// A label of a row laid left to right: its width and the gap before it. A label that is not
// placed takes no room and gets an empty rectangle.
struct RowLabel {
    int width = 0;
    int gapBefore = 0;
    bool placed = true;
};
struct RowLayout {
    std::vector<SkinRect> labels;
    int end = 0;  // right of the last placed label
};
RowLayout LayOutRow(int left, int top, int height, const std::vector<RowLabel>& labels);

// What is left of a row from `left` to `right` less `margin`; never negative in width.
SkinRect RestOfRow(int left, int top, int height, int right, int margin);

}  // namespace purgeon
