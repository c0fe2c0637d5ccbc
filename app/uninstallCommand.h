#pragma once
// "/uninstall [/quiet] [/timeout=SECONDS] KEY...": the batch uninstall without a window.
#include <string>
#include <vector>

namespace purgeon {

// args: what follows "/uninstall". One UTF-8 line per program as it ends:
//   removed<TAB>KEYPATH<TAB>DETAIL, stayed<TAB>KEYPATH<TAB>DETAIL,
//   skipped<TAB>KEYPATH<TAB>REASON, failed<TAB>KEYPATH<TAB>REASON
// 0 when every program was removed, 2 when some were not, 1 when nothing was started (bad
// arguments, or a key that names no program or more than one: each is named).
int RunUninstallMode(const std::vector<std::wstring>& args);

}  // namespace purgeon
