#pragma once
// The process-wide skin table: control rectangles and pictures.

namespace purgeon {

// Reads the current skin file (AppPaths.SkinPath). Skin files are not read yet: the built-in
// layout stays in force.
bool LoadSkin();

}  // namespace purgeon
