#include "tests/support/layoutChecks.h"

#include <algorithm>
#include <cstdlib>

#include "common/funUtils.h"
#include "common/handles.h"
#include "ui/widgets/widgets.h"

namespace purgeon::test {

namespace {

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring Describe(HWND control) { return ClassOf(control) + L" \"" + WindowText(control) + L"\""; }

// The caption's size in the control's font, laid out as the control lays it: wrapped at `width`
// when `wrap`, with & marking an access key unless `noPrefix`.
SIZE CaptionSize(HWND control, const std::wstring& text, int width, bool wrap, bool noPrefix) {
    WindowDc dc(control);
    SelectedObject fontIn(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT box{0, 0, wrap ? width : 0, 0};
    UINT format = DT_CALCRECT | (wrap ? DT_WORDBREAK : DT_SINGLELINE) | (noPrefix ? DT_NOPREFIX : 0);
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &box, format);
    return SIZE{box.right - box.left, box.bottom - box.top};
}

// The room a control leaves its caption, or nothing for controls whose text is data.
struct CaptionRoom {
    bool checked = false;
    int width = 0, height = 0;
    bool wrap = false, noPrefix = false;
};

CaptionRoom RoomOf(HWND control, const RECT& client, int dpi) {
    const std::wstring kind = ClassOf(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    auto scaled = [dpi](int units) { return MulDiv(units, dpi, 96); };
    CaptionRoom room{true, client.right, client.bottom};
    if (EqualsNoCase(kind, L"Static")) {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP) return {};
        if (style & SS_EDITCONTROL) return {};  // paths and names the scan shows: data
        room.wrap = type != SS_LEFTNOWORDWRAP && !(style & SS_CENTERIMAGE);
        room.noPrefix = (style & SS_NOPREFIX) != 0;
        return room;
    }
    if (EqualsNoCase(kind, L"Button")) {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_GROUPBOX) {
            room.width -= scaled(16);  // the frame's corners either side of the caption
            room.height = client.bottom;
        } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                   type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE) {
            room.width -= scaled(13 + 6);  // the box and its gap
        } else {
            room.width -= scaled(6);  // the push button's frame
        }
        room.wrap = (style & BS_MULTILINE) != 0;
        return room;
    }
    if (kind == kArButtonClass) {
        if (SendMessageW(control, ARB_HASGLYPH, 0, 0)) return {};  // its text is a name, not shown
        room.width -= 2;
        room.noPrefix = true;
        return room;
    }
    return {};
}

void CheckControl(HWND control, int dpi, std::vector<std::wstring>& faults) {
    HWND parent = GetParent(control);
    RECT place{}, parentClient{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    GetClientRect(parent, &parentClient);
    // A drop-down list's window is as tall as its open list: only its closed box counts.
    if (EqualsNoCase(ClassOf(control), L"ComboBox") || ClassOf(control) == L"ComboBoxEx32") {
        RECT closed{};
        SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&closed));
        place.bottom = place.top + static_cast<LONG>(SendMessageW(control, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)) + 6;
    }
    if (place.left < 0 || place.top < 0 || place.right > parentClient.right || place.bottom > parentClient.bottom)
        faults.push_back(Describe(control) + L" lies beyond its parent: " +
                         Format(L"%d,%d-%d,%d in %dx%d", place.left, place.top, place.right, place.bottom,
                                parentClient.right, parentClient.bottom));
    // Fonts follow the scale: none below 7 points at the window's DPI.
    LOGFONTW face{};
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (font && GetObjectW(font, sizeof face, &face) && face.lfHeight != 0 && std::abs(face.lfHeight) < MulDiv(7, dpi, 72))
        faults.push_back(Describe(control) + Format(L" has a font %d pixels high at %d DPI", std::abs(face.lfHeight), dpi));
    // A control hidden by itself (not with its page) shows no caption.
    const std::wstring text = WindowText(control);
    if (text.empty() || !(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE)) return;
    RECT client{};
    GetClientRect(control, &client);
    const CaptionRoom room = RoomOf(control, client, dpi);
    if (!room.checked) return;
    const SIZE needed = CaptionSize(control, text, room.width, room.wrap, room.noPrefix);
    if (needed.cx > room.width || needed.cy > room.height)
        faults.push_back(Describe(control) + Format(L" needs %dx%d, has %dx%d", needed.cx, needed.cy, room.width,
                                                    room.height));
}

}  // namespace

std::vector<std::wstring> LayoutFaults(HWND window, int dpi) {
    std::vector<std::wstring> faults;
    struct Walk {
        int dpi;
        std::vector<std::wstring>* faults;
    } walk{dpi, &faults};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM context) -> BOOL {
            const Walk& walk = *reinterpret_cast<const Walk*>(context);
            // The parts of the system's compound controls are theirs to lay out.
            const std::wstring parent = ClassOf(GetParent(child));
            for (const wchar_t* compound : {L"ComboBoxEx32", L"ComboBox", L"SysListView32", L"SysTreeView32"})
                if (EqualsNoCase(parent, compound)) return TRUE;
            CheckControl(child, walk.dpi, *walk.faults);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    return faults;
}

}  // namespace purgeon::test
