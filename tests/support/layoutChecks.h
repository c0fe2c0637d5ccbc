#pragma once
// What a user sees of a window's layout, checked on the real controls: each one inside its
// parent, its font at the scale, and each caption whole in the control's own font.
#include <windows.h>

#include <string>
#include <vector>

namespace purgeon::test {

// One line per fault, naming the control by its class and text: a control that reaches beyond
// its parent's client area, a font smaller than 7 points at `dpi` (the window's), or a caption
// (static, button, check box, group box, skinned button) that does not fit its control. Empty
// when the window is laid out whole.
std::vector<std::wstring> LayoutFaults(HWND window, int dpi);

}  // namespace purgeon::test
