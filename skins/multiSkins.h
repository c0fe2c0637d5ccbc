#pragma once
// The process-wide skin table: one text per key, the rectangles and picture names the windows
// are placed and painted from. Written only on the main thread, at start.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "i18n/multiLangs.h"

namespace purgeon {

// In file order: the order a skin file is read and written in.
enum SkinKey {
    SK_MAINFORM_Pos,
    SK_MAINFORM_PicBackGround,
    SK_MAINFORM_BUTTON_Min_Pos,
    SK_MAINFORM_BUTTON_Min_PicNormal,
    SK_MAINFORM_BUTTON_Min_PicMouseHover,
    SK_MAINFORM_BUTTON_Min_PicMouseDown,
    SK_MAINFORM_BUTTON_Min_PicDisabled,
    SK_MAINFORM_BUTTON_HelpContent_Pos,
    SK_MAINFORM_BUTTON_HelpContent_PicNormal,
    SK_MAINFORM_BUTTON_HelpContent_PicMouseHover,
    SK_MAINFORM_BUTTON_HelpContent_PicMouseDown,
    SK_MAINFORM_BUTTON_HelpContent_PicDisabled,
    SK_MAINFORM_BUTTON_Close_Pos,
    SK_MAINFORM_BUTTON_Close_PicNormal,
    SK_MAINFORM_BUTTON_Close_PicMouseHover,
    SK_MAINFORM_BUTTON_Close_PicMouseDown,
    SK_MAINFORM_BUTTON_Close_PicDisabled,
    SK_MAINFORM_BUTTON_File_Pos,
    SK_MAINFORM_BUTTON_File_PicNormal,
    SK_MAINFORM_BUTTON_File_PicMouseHover,
    SK_MAINFORM_BUTTON_File_PicMouseDown,
    SK_MAINFORM_BUTTON_File_PicDisabled,
    SK_MAINFORM_BUTTON_View_Pos,
    SK_MAINFORM_BUTTON_View_PicNormal,
    SK_MAINFORM_BUTTON_View_PicMouseHover,
    SK_MAINFORM_BUTTON_View_PicMouseDown,
    SK_MAINFORM_BUTTON_View_PicDisabled,
    SK_MAINFORM_BUTTON_Tools_Pos,
    SK_MAINFORM_BUTTON_Tools_PicNormal,
    SK_MAINFORM_BUTTON_Tools_PicMouseHover,
    SK_MAINFORM_BUTTON_Tools_PicMouseDown,
    SK_MAINFORM_BUTTON_Tools_PicDisabled,
    SK_MAINFORM_BUTTON_Help_Pos,
    SK_MAINFORM_BUTTON_Help_PicNormal,
    SK_MAINFORM_BUTTON_Help_PicMouseHover,
    SK_MAINFORM_BUTTON_Help_PicMouseDown,
    SK_MAINFORM_BUTTON_Help_PicDisabled,
    SK_MAINFORM_BUTTON_ProgramList_Pos,
    SK_MAINFORM_BUTTON_ProgramList_PicNormal,
    SK_MAINFORM_BUTTON_ProgramList_PicMouseHover,
    SK_MAINFORM_BUTTON_ProgramList_PicMouseDown,
    SK_MAINFORM_BUTTON_ProgramList_PosDisabled,
    SK_MAINFORM_BUTTON_StartupItems_Pos,
    SK_MAINFORM_BUTTON_StartupItems_PicNormal,
    SK_MAINFORM_BUTTON_StartupItems_PicMouseHover,
    SK_MAINFORM_BUTTON_StartupItems_PicMouseDown,
    SK_MAINFORM_BUTTON_StartupItems_PosDisabled,
    SK_MAINFORM_PAGECONTROL_Pos,
    SK_MAINFORM_PAGE1_Pos,
    SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos,
    SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos,
    SK_MAINFORM_PAGE1_SizePanel_Pos,
    SK_MAINFORM_PAGE1_ImgPanel_Pos,
    SK_MAINFORM_PAGE1_ImgPanel_Pic,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_Pos,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicNormal,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseHover,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseDown,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicDisabled,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_Pos,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicNormal,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseHover,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseDown,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicDisabled,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_Pos,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_PicNormal,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseHover,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseDown,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_PicDisabled,
    SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_LABEL_Title_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_TEXT_KeyWorld_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicNormal,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseHover,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseDown,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicDisabled,
    SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos,
    SK_MAINFORM_PAGE2_Pos,
    SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos,
    SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_FullPos,
    SK_MAINFORM_PAGE2_SizePanel_Pos,
    SK_MAINFORM_PAGE2_ImgPanel_Pos,
    SK_MAINFORM_PAGE2_ImgPanel_Pic,
    SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Publisher_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_PublisherValue_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Version_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_VersionValue_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Des_Pos,
    SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicNormal,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseHover,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseDown,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicDisabled,
    SK_MAINFORM_PAGE2_BUTTON_Delete_Pos,
    SK_MAINFORM_PAGE2_BUTTON_Delete_PicNormal,
    SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseHover,
    SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseDown,
    SK_MAINFORM_PAGE2_BUTTON_Delete_PicDisabled,
    SK_MAINFORM_PAGE2_BUTTON_Apply_Pos,
    SK_MAINFORM_PAGE2_BUTTON_Apply_PicNormal,
    SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseHover,
    SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseDown,
    SK_MAINFORM_PAGE2_BUTTON_Apply_PicDisabled,
    SK_PROGRESSFORM_ImageBG_Pic,
    SK_ABOUTFORM_IMGABOUT_POS,
    SK_ABOUTFORM_IMGABOUT_Pic,
    SK_ABOUTFORM_LABEL_ProductTitle_Pos,
    SK_ABOUTFORM_LABLE_CopyRight_Pos,
    SK_ABOUTFORM_LINKLABEL_WebOnline_Pos,
    SK_ABOUTFORM_LINKLABEL_SupportEmail_Pos,
    SK_ABOUTFORM_LABEL_Warning_Pos,
    SK_ABOUTFORM_PANEL_AboutH1_Pos,
    SK_ABOUTFORM_PANEL_AboutH2_Pos,
    SK_ABOUTFORM_PANEL_AboutH3_Pos,
    SK_ABOUTFORM_BUTTON_Ok_Pos,
    SK_SPLASHFORM_LABEL_CopyrightInfo_Pos,
    SK_SPLASHFORM_IMAGE_CHARGE,
    kSkinKeyCount
};

inline constexpr wchar_t kSkinSectionMainForm[] = L"MainForm";
inline constexpr wchar_t kSkinSectionRegistryForm[] = L"RegistryForm";

// The entry's current text (its default until a skin file replaces it).
const std::wstring& SkinText(SkinKey key);
// The key as a skin file spells it, letter case and all.
const wchar_t* SkinKeyName(SkinKey key);
// "MainForm" or "RegistryForm": the only section the key is read from.
const wchar_t* SkinSection(SkinKey key);
const wchar_t* SkinDefaultText(SkinKey key);
void SetSkinText(SkinKey key, std::wstring text);
// Back to the built-in defaults (what the process starts with).
void ResetSkinTable();

struct SkinRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
inline bool operator==(const SkinRect& a, const SkinRect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

// "left, top, width, height": four comma-separated decimal integers with an optional sign.
// Blanks (spaces, tabs) around a field are ignored and so is anything after the fourth field.
// nullopt for an empty text, fewer than four fields, or a first-four field that is empty, not a
// whole integer ("12px", "1.5") or out of int range: such a rectangle places nothing.
std::optional<SkinRect> ParseSkinRect(std::wstring_view text);

// How a skin reads a rectangle text: a rectangle; too short to be one (empty, or fewer than four
// fields, all whole integers), which leaves the control where it is; or broken (one of the first
// four fields is not a whole integer), which ends the placing of the window at that control.
enum class SkinRectReading { Rect, Short, Broken };
SkinRectReading ReadSkinRect(std::wstring_view text);
// A rectangle key's current rectangle, or its default one when its text is not a rectangle.
SkinRect SkinRectOf(SkinKey key);

// Moves and sizes a window from a rectangle text in design units, scaled to `dpi`, relative to
// its parent's client area (a top-level window: to the screen). False, leaving the window where
// it was, when the text is not a rectangle or the move fails.
bool PlaceControl(HWND window, std::wstring_view rectText, int dpi = 96);
// A rectangle in design units at `dpi`.
SkinRect ScaledSkinRect(const SkinRect& rect, int dpi);

// Reads the current skin file (AppPaths.SkinPath) into the table: each key from its own section
// only, in file order, a missing key leaving its entry as it was. A missing file is first
// written from the texts in force; when that fails the box names the file and the result is
// false. True when the file was read to its end.
bool LoadSkin();
bool LoadSkin(const std::wstring& path, const SaveFailedBox& showError);

// Writes every entry under its section in file order, creating the file (UTF-16LE, so any name
// can be kept) when missing; false when it cannot be created or any write fails.
bool SaveSkin();
bool SaveSkin(const std::wstring& path);

}  // namespace purgeon
