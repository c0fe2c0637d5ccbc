#include "common/globals.h"

namespace purgeon {

AppPathsRecord AppPaths;
bool HideSysPatch = false;
bool HideScreenSaver = true;

}  // namespace purgeon
