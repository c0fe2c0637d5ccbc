// Kept in a file of its own so a test can put a recorder in its place.
#include "common/globals.h"
#include "ui/uiCommon.h"

namespace purgeon {

void ShowErrorReport(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

}  // namespace purgeon
