#pragma once
// What every window of the program shares.
#include <windows.h>

#include <exception>
#include <string>

#include "common/funUtils.h"
#include "common/globals.h"

namespace purgeon {

// The general error report: a message box with the error's text and the application title.
void ShowErrorReport(HWND owner, const std::wstring& text);
// A Yes/No question with the exclamation icon; true for Yes.
bool AskQuestion(HWND owner, const std::wstring& text);

// Runs a window's message handler. An error goes to the general error report and never leaves
// the window procedure.
template <typename Handler>
LRESULT GuardedHandle(HWND window, Handler&& handler) {
    try {
        return handler();
    } catch (const UserError& error) {
        ShowErrorReport(window, error.message());
    } catch (const std::exception& error) {
        ShowErrorReport(window, FromUtf8(error.what()));
    } catch (...) {
        ShowErrorReport(window, L"Unexpected error");
    }
    return 0;
}

// Width in pixels of a text in a window's font.
int TextWidth(HWND window, const std::wstring& text);

// Report-view list columns.
void AddListColumn(HWND list, int index, const std::wstring& caption, int width);
void SetListColumnText(HWND list, int index, const std::wstring& caption);

// Opens a target with the shell's "open" verb, shown normally.
void ShellOpen(HWND owner, const std::wstring& target, const std::wstring& parameters = L"");

}  // namespace purgeon
