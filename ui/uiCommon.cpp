#include "ui/uiCommon.h"

#include <commctrl.h>
#include <shellapi.h>


namespace purgeon {

int TextWidth(HWND window, const std::wstring& text) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
}

void AddListColumn(HWND list, int index, const std::wstring& caption, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(caption.c_str());
    column.cx = width;
    column.iSubItem = index;
    ListView_InsertColumn(list, index, &column);
}

void SetListColumnText(HWND list, int index, const std::wstring& caption) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = const_cast<wchar_t*>(caption.c_str());
    ListView_SetColumn(list, index, &column);
}

void ShellOpen(HWND owner, const std::wstring& target, const std::wstring& parameters) {
    ShellExecuteW(owner, L"open", target.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                  SW_SHOWNORMAL);
}

}  // namespace purgeon
