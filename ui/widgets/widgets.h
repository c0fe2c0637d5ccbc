#pragma once
// The widget set the windows are built from: four-state image buttons, collapsible side
// panels, link labels, owner-drawn popup menus with check marks, framed list views.
// Each control is a window class; parents talk to it with ordinary messages
// (WM_SETTEXT, EnableWindow, WM_SETFONT) plus the few below, and hear from it through
// WM_COMMAND with the control's id.
#include <windows.h>

#include <string>

namespace purgeon {

// --- Palette -----------------------------------------------------------------------------
// One set of colours for every widget, so windows built from them look of a piece.
inline constexpr COLORREF kTitleBandColour = RGB(38, 70, 112);     // the window's title band
inline constexpr COLORREF kPanelColour = RGB(232, 238, 246);        // side panels, page background
inline constexpr COLORREF kFrameColour = RGB(138, 160, 190);        // list frames, button borders
inline constexpr COLORREF kTextColour = RGB(28, 36, 48);
inline constexpr COLORREF kDisabledTextColour = RGB(150, 156, 166);
inline constexpr COLORREF kAccentColour = RGB(64, 118, 190);        // hot spots, menu selection
inline constexpr COLORREF kMenuColour = RGB(250, 251, 253);
inline constexpr COLORREF kLinkColour = RGB(0, 102, 204);
inline constexpr COLORREF kLinkHoverColour = RGB(0, 150, 255);

// Registers the window classes below once per process.
void RegisterWidgetClasses(HINSTANCE instance);

// --- TArButton: four-state image button --------------------------------------------------
// Draws the picture of its state (normal, hover, down, disabled) with the caption over it; a
// state without a picture shows the normal one, and with no pictures at all it draws a clean
// flat button of its own (created with the caption "–", "?" or "×", a title-bar glyph on the
// title band colour, which stays when the window text is then set to the button's name for
// screen readers; over a picture the glyph is the picture's). Over a picture
// the caption is dark or light, whichever reads on what lies beneath it.
// A click sends WM_COMMAND(MAKEWPARAM(id, BN_CLICKED), hwnd) to the parent. Keyboard focus is
// not taken. See-through parts (rounded corners, translucent pictures) show what the parent
// paints for WM_PRINTCLIENT (or erases with its class brush); else the panel colour.
inline constexpr wchar_t kArButtonClass[] = L"TArButton";
enum class ButtonState { Normal = 0, Hover = 1, Down = 2, Disabled = 3 };
// wParam: ButtonState; lParam: HBITMAP (32-bit premultiplied BGRA or plain), owned by the caller.
inline constexpr UINT ARB_SETPICTURE = WM_USER + 1;
// wParam: ButtonState; returns the HBITMAP set for that state, or null.
inline constexpr UINT ARB_GETPICTURE = WM_USER + 6;
// Nonzero for a title-bar glyph button, whose window text is a name and never drawn.
inline constexpr UINT ARB_HASGLYPH = WM_USER + 11;
HWND CreateArButton(HWND parent, int id, const std::wstring& caption, HINSTANCE instance);
ButtonState ArButtonState(HWND button);

// --- TSizePanel: collapsible side panel --------------------------------------------------
// A child container whose left 8 pixels are a size bar with a hot spot in its middle; a
// click on the hot spot sends WM_COMMAND(MAKEWPARAM(id, SPN_HOTSPOT), hwnd) to the parent.
// Children created inside it are laid out by their creator; their WM_COMMAND, WM_NOTIFY and
// WM_CTLCOLOR* messages go on to the panel's parent. Its background is painted in the panel
// colour, right of the bar from a picture when one is set.
inline constexpr wchar_t kSizePanelClass[] = L"TSizePanel";
inline constexpr WORD SPN_HOTSPOT = 0x0101;
inline constexpr UINT SPM_SETPICTURE = WM_USER + 2;  // lParam: HBITMAP owned by the caller
inline constexpr UINT SPM_GETPICTURE = WM_USER + 7;  // returns the HBITMAP set, or null
// wParam: 1 = folded (the arrow on the hot spot points the other way), 0 = open.
inline constexpr UINT SPM_SETFOLDED = WM_USER + 3;
// lParam: const RECT* in the panel's client coordinates, where the picture is drawn (by default
// everything right of the bar); null goes back to that default.
inline constexpr UINT SPM_SETPICTURERECT = WM_USER + 10;
HWND CreateSizePanel(HWND parent, int id, HINSTANCE instance);
// Where the hot spot lies, in the panel's client coordinates, for a panel of this size.
RECT SizePanelHotSpot(int panelHeight);

// --- TLinkLabel: a label drawn as a link -------------------------------------------------
// Shows its text underlined in the link colour (the hover colour under the mouse) with the
// hand cursor; a click sends WM_COMMAND(MAKEWPARAM(id, STN_CLICKED), hwnd) to the parent
// when the text is not empty. The text is its window text; the tooltip shows the hint. The
// background is the parent's, as for TArButton.
inline constexpr wchar_t kLinkLabelClass[] = L"TLinkLabel";
inline constexpr UINT LLM_SETCOLOURS = WM_USER + 4;  // wParam: link COLORREF; lParam: hover COLORREF
inline constexpr UINT LLM_SETHINT = WM_USER + 5;     // lParam: const wchar_t* hint
HWND CreateLinkLabel(HWND parent, int id, HINSTANCE instance);
// Width of the label's text in its font, so labels can be laid out one after another.
int LinkLabelTextWidth(HWND label);

// --- TPictureBox: a picture in a child window ------------------------------------------------
// Draws its picture stretched over its client area (32-bit pictures as premultiplied alpha
// over what the parent paints behind it, as for TArButton); nothing without one. It never takes
// the mouse: presses go to the parent, so a background picture still drags its window.
inline constexpr wchar_t kPictureBoxClass[] = L"TPictureBox";
inline constexpr UINT PBM_SETPICTURE = WM_USER + 8;  // lParam: HBITMAP owned by the caller
inline constexpr UINT PBM_GETPICTURE = WM_USER + 9;  // returns the HBITMAP set, or null
HWND CreatePictureBox(HWND parent, int id, HINSTANCE instance);

// --- Owner-drawn popup menus -------------------------------------------------------------
// Turns every item of a popup menu (and of its submenus) into an owner-drawn item that keeps
// its text, check mark, disabled state and separators. The window that shows the menu
// forwards WM_MEASUREITEM and WM_DRAWITEM for menus to the two functions below (they return
// true when they handled the message). Texts may change later with SetOwnerDrawnMenuText.
// The items' data (dwItemData) is taken over: it names the menu an item lives in.
void MakeMenuOwnerDrawn(HMENU menu);
void SetOwnerDrawnMenuText(HMENU menu, UINT commandId, const std::wstring& text);
std::wstring OwnerDrawnMenuText(HMENU menu, UINT commandId);
bool MeasureMenuItem(HWND owner, MEASUREITEMSTRUCT* measure);
bool DrawMenuItem(DRAWITEMSTRUCT* draw);

// --- Framed list view --------------------------------------------------------------------
// A report-style list view inside a one-pixel frame in the skin's frame colour, full-row
// select, double-buffered. Returns the list view itself; its frame follows it. Check boxes
// through ListView_SetExtendedListViewStyleEx(LVS_EX_CHECKBOXES) as for any list view.
HWND CreateFramedListView(HWND parent, int id, DWORD extraStyle, HINSTANCE instance);

}  // namespace purgeon
