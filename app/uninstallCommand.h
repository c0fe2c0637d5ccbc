#pragma once
// "/uninstall [/quiet] [/timeout=SECONDS] KEY...": the batch uninstall without a window.
#include <string>
#include <vector>

#include "common/outputRows.h"

namespace purgeon {

// args: what follows "/uninstall". One row per program as it ends (fields result, keyPath and
// detail or reason):
//   removed<TAB>KEYPATH<TAB>DETAIL, stayed<TAB>KEYPATH<TAB>DETAIL,
//   skipped<TAB>KEYPATH<TAB>REASON, failed<TAB>KEYPATH<TAB>REASON
// 0 when every program was removed, 2 when some were not, 1 when nothing was started (a key
// that names no program or more than one: unknown<TAB>KEY<TAB>REASON each). Throws BadArguments.
int RunUninstallMode(const std::vector<std::wstring>& args, const RowOutput& out);

}  // namespace purgeon
