#pragma once
// What every window of the program shares.
#include <windows.h>

#include <string>

namespace purgeon {

// The general error report: a message box with the error's text and the application title.
void ShowErrorReport(HWND owner, const std::wstring& text);

// Width in pixels of a text in a window's font.
int TextWidth(HWND window, const std::wstring& text);

// Report-view list columns.
void AddListColumn(HWND list, int index, const std::wstring& caption, int width);
void SetListColumnText(HWND list, int index, const std::wstring& caption);

// Opens a target with the shell's "open" verb, shown normally.
void ShellOpen(HWND owner, const std::wstring& target, const std::wstring& parameters = L"");

}  // namespace purgeon
