#include "ui/mainLayout.h"

#include <algorithm>

namespace purgeon {

SidePanelLayout LayOutSidePanel(const SkinRect& panel, const SkinRect& list, bool open) {
    SidePanelLayout layout{panel, list};
    if (!open) {
        const int bar = std::min(kSizeBarWidth, std::max(panel.width, 0));
        layout.panel.left = panel.left + panel.width - bar;
        layout.panel.width = bar;
    }
    layout.list.width = std::max(0, std::min(list.width, layout.panel.left - list.left));
    return layout;
}

RowLayout LayOutRow(int left, int top, int height, const std::vector<RowLabel>& labels) {
    RowLayout layout;
    int x = left;
    for (const RowLabel& label : labels) {
        if (!label.placed) {
            layout.labels.push_back(SkinRect{});
            continue;
        }
        x += label.gapBefore;
        const int width = std::max(label.width, 0);
        layout.labels.push_back(SkinRect{x, top, width, height});
        x += width;
    }
    layout.end = x;
    return layout;
}

SkinRect RestOfRow(int left, int top, int height, int right, int margin) {
    return SkinRect{left, top, std::max(0, right - left - margin), height};
}

}  // namespace purgeon
