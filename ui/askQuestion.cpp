// Kept in a file of its own so a test can answer in its place.
#include "common/globals.h"
#include "ui/uiCommon.h"

namespace purgeon {

bool AskQuestion(HWND owner, const std::wstring& text) {
    return MessageBoxW(owner, text.c_str(), kAppTitle, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

}  // namespace purgeon
