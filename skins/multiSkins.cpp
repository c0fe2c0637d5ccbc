#include "skins/multiSkins.h"

namespace purgeon {

bool LoadSkin() { return true; }

}  // namespace purgeon
