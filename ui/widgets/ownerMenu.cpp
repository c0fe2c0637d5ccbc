// Owner-drawn popup menus: the system keeps each item's text, check mark and state; we only
// measure and paint. The item data holds the menu the item lives in, because WM_MEASUREITEM does
// not say which menu it is asking about.
#include <algorithm>
#include <optional>
#include <string>

#include "ui/widgets/widgetWindow.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace {

using widgets_detail::Blend;
using widgets_detail::FillRoundedGradient;
using widgets_detail::FillSolid;

constexpr int kGutterWidth = 26;     // check mark column
constexpr int kTextGap = 8;          // between gutter and text
constexpr int kArrowSpace = 22;      // right margin, where the system draws a submenu arrow
constexpr int kSeparatorHeight = 7;
constexpr int kMinimumItemHeight = 22;

// Menu lengths are design units, scaled like the menu font (which is at the system's DPI, as the
// device context is).
struct MenuScale {
    int dpi;
    explicit MenuScale(HDC dc) : dpi(std::max(96, GetDeviceCaps(dc, LOGPIXELSY))) {}
    int operator()(int units) const { return MulDiv(units, dpi, 96); }
};

struct ItemFacts {
    UINT type = 0;
    UINT state = 0;
    std::wstring text;
};

HFONT MenuFont() {
    static UniqueFont font = [] {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return UniqueFont();
        return UniqueFont(CreateFontIndirectW(&metrics.lfMenuFont));
    }();
    return font ? font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

std::wstring ItemTextAt(HMENU menu, UINT item, bool byPosition) {
    MENUITEMINFOW info{sizeof(info)};
    info.fMask = MIIM_STRING;
    if (!GetMenuItemInfoW(menu, item, byPosition, &info)) return {};
    std::wstring text(info.cch + 1, L'\0');
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
    if (!GetMenuItemInfoW(menu, item, byPosition, &info)) return {};
    text.resize(info.cch);
    return text;
}

// Finds the item an owner-draw message means: by command id, or by submenu handle for an item that
// opens a submenu (its id in the message), or the separator when the id is 0.
std::optional<ItemFacts> FindItem(HMENU menu, UINT itemId) {
    if (!menu || !IsMenu(menu)) return std::nullopt;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{sizeof(info)};
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STATE | MIIM_DATA;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        // Ours carry their menu as item data; other owner-drawn items are someone else's.
        if (!(info.fType & MFT_OWNERDRAW) || info.dwItemData != reinterpret_cast<ULONG_PTR>(menu)) continue;
        bool separator = (info.fType & MFT_SEPARATOR) != 0;
        bool matches = separator ? itemId == 0 || info.wID == itemId
                                 : info.wID == itemId ||
                                       (info.hSubMenu && reinterpret_cast<UINT_PTR>(info.hSubMenu) == itemId);
        if (!matches) continue;
        ItemFacts facts;
        facts.type = info.fType;
        facts.state = info.fState;
        if (!separator) facts.text = ItemTextAt(menu, static_cast<UINT>(i), true);
        return facts;
    }
    return std::nullopt;
}

// "Text\tShortcut" → the two halves.
std::pair<std::wstring, std::wstring> SplitShortcut(const std::wstring& text) {
    size_t tab = text.find(L'\t');
    if (tab == std::wstring::npos) return {text, {}};
    return {text.substr(0, tab), text.substr(tab + 1)};
}

void DrawCheckMark(HDC dc, const RECT& gutter, COLORREF colour) {
    int cx = (gutter.left + gutter.right) / 2;
    int cy = (gutter.top + gutter.bottom) / 2;
    LOGBRUSH brush{BS_SOLID, colour, 0};
    UniquePen pen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, 2, &brush, 0, nullptr));
    SelectedObject penIn(dc, pen.get());
    POINT tick[3] = {{cx - 4, cy}, {cx - 1, cy + 3}, {cx + 5, cy - 4}};
    Polyline(dc, tick, 3);
}

}  // namespace

void MakeMenuOwnerDrawn(HMENU menu) {
    if (!menu) return;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{sizeof(info)};
        info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        if (info.hSubMenu) MakeMenuOwnerDrawn(info.hSubMenu);
        // Only the type flag changes; the text stays with the item (MIIM_STRING is separate from
        // MIIM_FTYPE), so it can still be read and the mnemonics still work.
        MENUITEMINFOW change{sizeof(change)};
        change.fMask = MIIM_FTYPE | MIIM_DATA;
        change.fType = info.fType | MFT_OWNERDRAW;
        change.dwItemData = reinterpret_cast<ULONG_PTR>(menu);
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &change);
    }
}

void SetOwnerDrawnMenuText(HMENU menu, UINT commandId, const std::wstring& text) {
    MENUITEMINFOW info{sizeof(info)};
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text.c_str());
    SetMenuItemInfoW(menu, commandId, FALSE, &info);
}

std::wstring OwnerDrawnMenuText(HMENU menu, UINT commandId) { return ItemTextAt(menu, commandId, false); }

bool MeasureMenuItem(HWND owner, MEASUREITEMSTRUCT* measure) {
    if (!measure || measure->CtlType != ODT_MENU) return false;
    std::optional<ItemFacts> item = FindItem(reinterpret_cast<HMENU>(measure->itemData), measure->itemID);
    if (!item) return false;
    WindowDc screen(owner);
    HDC dc = screen ? screen.get() : nullptr;
    WindowDc desktop(nullptr);
    if (!dc) dc = desktop.get();
    const MenuScale scaled(dc);
    if (item->type & MFT_SEPARATOR) {
        measure->itemWidth = scaled(kGutterWidth);
        measure->itemHeight = scaled(kSeparatorHeight);
        return true;
    }
    SelectedObject fontIn(dc, MenuFont());
    auto [label, shortcut] = SplitShortcut(item->text);
    RECT textBox{0, 0, 0, 0};
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &textBox, DT_SINGLELINE | DT_CALCRECT);
    int width = textBox.right - textBox.left;
    if (!shortcut.empty()) {
        RECT shortcutBox{0, 0, 0, 0};
        DrawTextW(dc, shortcut.c_str(), static_cast<int>(shortcut.size()), &shortcutBox,
                  DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
        width += scaled(24) + shortcutBox.right - shortcutBox.left;
    }
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    measure->itemWidth = static_cast<UINT>(scaled(kGutterWidth + kTextGap + kArrowSpace) + width);
    measure->itemHeight = static_cast<UINT>(std::max<int>(scaled(kMinimumItemHeight), metrics.tmHeight + scaled(8)));
    return true;
}

bool DrawMenuItem(DRAWITEMSTRUCT* draw) {
    if (!draw || draw->CtlType != ODT_MENU) return false;
    HMENU menu = reinterpret_cast<HMENU>(draw->hwndItem);
    std::optional<ItemFacts> item = FindItem(menu, draw->itemID);
    if (!item) return false;
    HDC dc = draw->hDC;
    const RECT& area = draw->rcItem;
    const MenuScale scaled(dc);
    int saved = SaveDC(dc);
    FillSolid(dc, area, kMenuColour);
    RECT gutter{area.left, area.top, area.left + scaled(kGutterWidth), area.bottom};
    FillSolid(dc, gutter, Blend(kMenuColour, kPanelColour, 100));

    if (item->type & MFT_SEPARATOR) {
        int y = (area.top + area.bottom) / 2;
        RECT line{area.left + scaled(kGutterWidth + kTextGap / 2), y, area.right - scaled(4), y + scaled(1)};
        FillSolid(dc, line, Blend(kMenuColour, kFrameColour, 70));
        RestoreDC(dc, saved);
        return true;
    }

    bool disabled = (draw->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    bool selected = (draw->itemState & ODS_SELECTED) != 0;
    bool checked = (draw->itemState & ODS_CHECKED) != 0;
    if (selected) {
        RECT highlight = area;
        InflateRect(&highlight, -scaled(2), -scaled(1));
        COLORREF fill = disabled ? Blend(kMenuColour, kPanelColour, 80) : Blend(kMenuColour, kAccentColour, 22);
        FillRoundedGradient(dc, highlight, scaled(5), fill, fill, disabled ? fill : Blend(kMenuColour, kAccentColour, 55));
    }
    COLORREF ink = disabled ? kDisabledTextColour : kTextColour;
    if (checked) DrawCheckMark(dc, gutter, disabled ? kDisabledTextColour : kAccentColour);

    SelectedObject fontIn(dc, MenuFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    auto [label, shortcut] = SplitShortcut(item->text);
    RECT textBox{area.left + scaled(kGutterWidth + kTextGap), area.top, area.right - scaled(kArrowSpace), area.bottom};
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    if (draw->itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &textBox, format);
    if (!shortcut.empty())
        DrawTextW(dc, shortcut.c_str(), static_cast<int>(shortcut.size()), &textBox,
                  DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    RestoreDC(dc, saved);
    return true;
}

}  // namespace purgeon
