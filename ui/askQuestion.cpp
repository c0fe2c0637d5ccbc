// Kept in a file of its own so a test can answer in its place.
#include "common/globals.h"
#include "ui/uiCommon.h"

namespace purgeon {

bool AskQuestion(HWND owner, const std::wstring& text, DefaultAnswer defaultAnswer) {
    const UINT style = MB_YESNO | MB_ICONEXCLAMATION | (defaultAnswer == DefaultAnswer::No ? MB_DEFBUTTON2 : 0);
    return MessageBoxW(owner, text.c_str(), kAppTitle, style) == IDYES;
}

}  // namespace purgeon
