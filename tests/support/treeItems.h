#pragma once
// Reading a tree view's items as the user sees them: texts, check marks, children.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace purgeon::test {

inline std::wstring ItemText(HWND tree, HTREEITEM item) {
    wchar_t text[2048] = {};  // room for a finding with its reasons
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

// The item's check mark: 1 unchecked, 2 checked, 3 partly checked.
inline int ItemState(HWND tree, HTREEITEM item) {
    const UINT state =
        static_cast<UINT>(SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
    return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
}

// The items below parent, or the top level for none.
inline std::vector<HTREEITEM> ChildItems(HWND tree, HTREEITEM parent) {
    std::vector<HTREEITEM> items;
    for (HTREEITEM item = parent ? TreeView_GetChild(tree, parent) : TreeView_GetRoot(tree); item;
         item = TreeView_GetNextSibling(tree, item))
        items.push_back(item);
    return items;
}

}  // namespace purgeon::test
