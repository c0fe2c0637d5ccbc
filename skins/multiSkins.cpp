#include "skins/multiSkins.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cwchar>

#include "common/textParse.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "i18n/profileFiles.h"

namespace purgeon {

namespace {

constexpr const wchar_t* kMainForm = kSkinSectionMainForm;
constexpr const wchar_t* kRegistryForm = kSkinSectionRegistryForm;

struct SkinEntry {
    const wchar_t* key;
    const wchar_t* section;
    const wchar_t* defaultText;
};

// As a new skin file is written; some defaults have no blank after their commas.
constexpr SkinEntry kSkinEntries[] = {
    {L"SK_MAINFORM_Pos", kMainForm, L"0, 0, 763, 538"},
    {L"SK_MAINFORM_PicBackGround", kMainForm, L"img_Main.png"},
    {L"SK_MAINFORM_BUTTON_Min_Pos", kMainForm, L"686, 8, 21, 21"},
    {L"SK_MAINFORM_BUTTON_Min_PicNormal", kMainForm, L"btnMin_Normal.png"},
    {L"SK_MAINFORM_BUTTON_Min_PicMouseHover", kMainForm, L"btnMin_Hover.png"},
    {L"SK_MAINFORM_BUTTON_Min_PicMouseDown", kMainForm, L"btnMin_Down.png"},
    {L"SK_MAINFORM_BUTTON_Min_PicDisabled", kMainForm, L"btnMin_Disabled.png"},
    {L"SK_MAINFORM_BUTTON_HelpContent_Pos", kMainForm, L"707, 8, 21, 21"},
    {L"SK_MAINFORM_BUTTON_HelpContent_PicNormal", kMainForm, L"btnHelpContent_Normal.png"},
    {L"SK_MAINFORM_BUTTON_HelpContent_PicMouseHover", kMainForm, L"btnHelpContent_Hover.png"},
    {L"SK_MAINFORM_BUTTON_HelpContent_PicMouseDown", kMainForm, L"btnHelpContent_Down.png"},
    {L"SK_MAINFORM_BUTTON_HelpContent_PicDisabled", kMainForm, L"btnHelpContent_Disabled.png"},
    {L"SK_MAINFORM_BUTTON_Close_Pos", kMainForm, L"728, 8, 21, 21"},
    {L"SK_MAINFORM_BUTTON_Close_PicNormal", kMainForm, L"btnClose_Normal.png"},
    {L"SK_MAINFORM_BUTTON_Close_PicMouseHover", kMainForm, L"btnClose_Hover.png"},
    {L"SK_MAINFORM_BUTTON_Close_PicMouseDown", kMainForm, L"btnClose_Down.png"},
    {L"SK_MAINFORM_BUTTON_Close_PicDisabled", kMainForm, L"btnClose_Disabled.png"},
    {L"SK_MAINFORM_BUTTON_File_Pos", kMainForm, L"336, 51, 106, 46"},
    {L"SK_MAINFORM_BUTTON_File_PicNormal", kMainForm, L"btnFile_Normal.png"},
    {L"SK_MAINFORM_BUTTON_File_PicMouseHover", kMainForm, L"btnFile_Hover.png"},
    {L"SK_MAINFORM_BUTTON_File_PicMouseDown", kMainForm, L"btnFile_Down.png"},
    {L"SK_MAINFORM_BUTTON_File_PicDisabled", kMainForm, L"btnFile_Disabled.png"},
    {L"SK_MAINFORM_BUTTON_View_Pos", kMainForm, L"442, 51, 106, 46"},
    {L"SK_MAINFORM_BUTTON_View_PicNormal", kMainForm, L"btnView_Normal.png"},
    {L"SK_MAINFORM_BUTTON_View_PicMouseHover", kMainForm, L"btnView_Hover.png"},
    {L"SK_MAINFORM_BUTTON_View_PicMouseDown", kMainForm, L"btnView_Down.png"},
    {L"SK_MAINFORM_BUTTON_View_PicDisabled", kMainForm, L"btnView_Disabled.png"},
    {L"SK_MAINFORM_BUTTON_Tools_Pos", kMainForm, L"548, 51, 106, 46"},
    {L"SK_MAINFORM_BUTTON_Tools_PicNormal", kMainForm, L"btnTools_Normal.png"},
    {L"SK_MAINFORM_BUTTON_Tools_PicMouseHover", kMainForm, L"btnTools_Hover.png"},
    {L"SK_MAINFORM_BUTTON_Tools_PicMouseDown", kMainForm, L"btnTools_Down.png"},
    {L"SK_MAINFORM_BUTTON_Tools_PicDisabled", kMainForm, L"btnTools_Disabled.png"},
    {L"SK_MAINFORM_BUTTON_Help_Pos", kMainForm, L"654, 51, 106, 46"},
    {L"SK_MAINFORM_BUTTON_Help_PicNormal", kMainForm, L"btnHelp_Normal.png"},
    {L"SK_MAINFORM_BUTTON_Help_PicMouseHover", kMainForm, L"btnHelp_Hover.png"},
    {L"SK_MAINFORM_BUTTON_Help_PicMouseDown", kMainForm, L"btnHelp_Down.png"},
    {L"SK_MAINFORM_BUTTON_Help_PicDisabled", kMainForm, L"btnHelp_Disabled.png"},
    {L"SK_MAINFORM_BUTTON_ProgramList_Pos", kMainForm, L"4, 82, 146, 32"},
    {L"SK_MAINFORM_BUTTON_ProgramList_PicNormal", kMainForm, L"btnProgramList_Normal.png"},
    {L"SK_MAINFORM_BUTTON_ProgramList_PicMouseHover", kMainForm, L"btnProgramList_Hover.png"},
    {L"SK_MAINFORM_BUTTON_ProgramList_PicMouseDown", kMainForm, L"btnProgramList_Down.png"},
    {L"SK_MAINFORM_BUTTON_ProgramList_PosDisabled", kMainForm, L"btnProgramList_Disabled.png"},
    {L"SK_MAINFORM_BUTTON_StartupItems_Pos", kMainForm, L"150, 81, 163, 32"},
    {L"SK_MAINFORM_BUTTON_StartupItems_PicNormal", kMainForm, L"btnStartUpItems_Normal.png"},
    {L"SK_MAINFORM_BUTTON_StartupItems_PicMouseHover", kMainForm, L"btnStartUpItems_Hover.png"},
    {L"SK_MAINFORM_BUTTON_StartupItems_PicMouseDown", kMainForm, L"btnStartUpItems_Down.png"},
    {L"SK_MAINFORM_BUTTON_StartupItems_PosDisabled", kMainForm, L"btnStartUpItems_Disabled.png"},
    {L"SK_MAINFORM_PAGECONTROL_Pos", kMainForm, L"5, 112, 750, 394"},
    {L"SK_MAINFORM_PAGE1_Pos", kMainForm, L"0, 0, 750, 394"},
    {L"SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos", kMainForm, L"0, 0, 582, 394"},
    {L"SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos", kMainForm, L"0, 0, 742, 394"},
    {L"SK_MAINFORM_PAGE1_SizePanel_Pos", kMainForm, L"565, 0, 169, 394"},
    {L"SK_MAINFORM_PAGE1_ImgPanel_Pos", kMainForm, L"8, 0, 160, 394"},
    {L"SK_MAINFORM_PAGE1_ImgPanel_Pic", kMainForm, L"img_SizePanel.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_Uninstall_Pos", kMainForm, L"15, 16, 129, 35"},
    {L"SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicNormal", kMainForm, L"btnUninstall_Normal.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseHover", kMainForm, L"btnUninstall_Hover.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseDown", kMainForm, L"btnUninstall_Down.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicDisabled", kMainForm, L"btnUninstall_Disabled.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_ShowDetails_Pos", kMainForm, L"15, 64, 129, 35"},
    {L"SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicNormal", kMainForm, L"btnDetails_Normal.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseHover", kMainForm, L"btnDetails_Hover.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseDown", kMainForm, L"btnDetails_Down.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicDisabled", kMainForm, L"btnDetails_Disabled.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_Refresh_Pos", kMainForm, L"15, 112, 129, 35"},
    {L"SK_MAINFORM_PAGE1_BUTTON_Refresh_PicNormal", kMainForm, L"btnRefresh_Normal.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseHover", kMainForm, L"btnRefresh_Hover.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseDown", kMainForm, L"btnRefresh_Down.png"},
    {L"SK_MAINFORM_PAGE1_BUTTON_Refresh_PicDisabled", kMainForm, L"btnRefresh_Disabled.png"},
    {L"SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos", kMainForm, L"15, 168, 138, 137"},
    {L"SK_MAINFORM_PAGE1_GROUPBOX_LABEL_Title_Pos", kMainForm, L"0, 22, 137, 43"},
    {L"SK_MAINFORM_PAGE1_GROUPBOX_TEXT_KeyWorld_Pos", kMainForm, L"0, 70, 129, 21"},
    {L"SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos", kMainForm, L"0, 100, 129, 35"},
    {L"SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicNormal", kMainForm, L"btnSearch_Normal.png"},
    {L"SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseHover", kMainForm, L"btnSearch_Hover.png"},
    {L"SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseDown", kMainForm, L"btnSearch_Down.png"},
    {L"SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicDisabled", kMainForm, L"btnSearch_Disabled.png"},
    {L"SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos", kMainForm, L"15, 316, 128, 26"},
    {L"SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos", kMainForm, L"15, 343, 128, 26"},
    {L"SK_MAINFORM_PAGE2_Pos", kMainForm, L"0, 1, 750, 394"},
    {L"SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos", kMainForm, L"0, 0, 582, 394"},
    {L"SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_FullPos", kMainForm, L"0, 0, 742, 394"},
    {L"SK_MAINFORM_PAGE2_SizePanel_Pos", kMainForm, L"565, 0, 169, 394"},
    {L"SK_MAINFORM_PAGE2_ImgPanel_Pos", kMainForm, L"8, 0, 160, 394"},
    {L"SK_MAINFORM_PAGE2_ImgPanel_Pic", kMainForm, L"img_SizePanel.png"},
    {L"SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos", kMainForm, L"15, 169, 143, 185"},
    {L"SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Publisher_Pos", kMainForm, L"0, 25, 128, 13"},
    {L"SK_MAINFORM_PAGE2_GROUPBOX_LABEL_PublisherValue_Pos", kMainForm, L"0, 42, 128, 31"},
    {L"SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Version_Pos", kMainForm, L"0, 76, 128, 13"},
    {L"SK_MAINFORM_PAGE2_GROUPBOX_LABEL_VersionValue_Pos", kMainForm, L"0, 92, 128, 31"},
    {L"SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Des_Pos", kMainForm, L"0, 125, 128, 13"},
    {L"SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos", kMainForm, L"0, 141, 128, 42"},
    {L"SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos", kMainForm, L"15, 16, 129, 35"},
    {L"SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicNormal", kMainForm, L"btnSelectAll_Normal.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseHover", kMainForm, L"btnSelectAll_Hover.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseDown", kMainForm, L"btnSelectAll_Down.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicDisabled", kMainForm, L"btnSelectAll_Disabled.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_Delete_Pos", kMainForm, L"15, 64, 129, 35"},
    {L"SK_MAINFORM_PAGE2_BUTTON_Delete_PicNormal", kMainForm, L"btnDelete_Normal.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseHover", kMainForm, L"btnDelete_Hover.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseDown", kMainForm, L"btnDelete_Down.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_Delete_PicDisabled", kMainForm, L"btnDelete_Disabled.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_Apply_Pos", kMainForm, L"15, 112, 129, 35"},
    {L"SK_MAINFORM_PAGE2_BUTTON_Apply_PicNormal", kMainForm, L"btnApply_Normal.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseHover", kMainForm, L"btnApply_Hover.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseDown", kMainForm, L"btnApply_Down.png"},
    {L"SK_MAINFORM_PAGE2_BUTTON_Apply_PicDisabled", kMainForm, L"btnApply_Disabled.png"},
    {L"SK_PROGRESSFORM_ImageBG_Pic", kMainForm, L"img_ProgressBar.png"},
    {L"SK_ABOUTFORM_IMGABOUT_POS", kRegistryForm, L"10, 11, 125, 278"},
    {L"SK_ABOUTFORM_IMGABOUT_Pic", kRegistryForm, L"img_About.png"},
    {L"SK_ABOUTFORM_LABEL_ProductTitle_Pos", kRegistryForm, L"152,11, 312, 33"},
    {L"SK_ABOUTFORM_LABLE_CopyRight_Pos", kRegistryForm, L"152,40,280,16"},
    {L"SK_ABOUTFORM_LINKLABEL_WebOnline_Pos", kRegistryForm, L"152,162,280,13"},
    {L"SK_ABOUTFORM_LINKLABEL_SupportEmail_Pos", kRegistryForm, L"152,184,280,13"},
    {L"SK_ABOUTFORM_LABEL_Warning_Pos", kRegistryForm, L"152,206,288,100"},
    {L"SK_ABOUTFORM_PANEL_AboutH1_Pos", kRegistryForm, L"152,68,280,2"},
    {L"SK_ABOUTFORM_PANEL_AboutH2_Pos", kRegistryForm, L"152,150,280,2"},
    {L"SK_ABOUTFORM_PANEL_AboutH3_Pos", kRegistryForm, L"12,308,452,2"},
    {L"SK_ABOUTFORM_BUTTON_Ok_Pos", kRegistryForm, L"344,316,98,25"},
    {L"SK_SPLASHFORM_LABEL_CopyrightInfo_Pos", kRegistryForm, L"147, 152, 350, 65"},
    {L"SK_SPLASHFORM_IMAGE_CHARGE", kRegistryForm, L"img_Splash.png"},
};
static_assert(sizeof(kSkinEntries) / sizeof(kSkinEntries[0]) == kSkinKeyCount, "one entry per key");

std::array<std::wstring, kSkinKeyCount> DefaultTexts() {
    std::array<std::wstring, kSkinKeyCount> texts;
    for (int i = 0; i < kSkinKeyCount; ++i) texts[i] = kSkinEntries[i].defaultText;
    return texts;
}

std::array<std::wstring, kSkinKeyCount>& Texts() {
    static std::array<std::wstring, kSkinKeyCount> texts = DefaultTexts();
    return texts;
}

}  // namespace

const std::wstring& SkinText(SkinKey key) { return Texts()[key]; }
const wchar_t* SkinKeyName(SkinKey key) { return kSkinEntries[key].key; }
const wchar_t* SkinSection(SkinKey key) { return kSkinEntries[key].section; }
const wchar_t* SkinDefaultText(SkinKey key) { return kSkinEntries[key].defaultText; }
void SetSkinText(SkinKey key, std::wstring text) { Texts()[key] = std::move(text); }
void ResetSkinTable() { Texts() = DefaultTexts(); }

std::optional<SkinRect> ParseSkinRect(std::wstring_view text) {
    int fields[4];
    for (int i = 0; i < 4; ++i) {
        size_t comma = text.find(L',');
        // The fourth field ends at the next comma, if any: what follows is ignored.
        if (comma == std::wstring_view::npos && i < 3) return std::nullopt;
        std::optional<int> value = ParseInt(text.substr(0, comma));
        if (!value) return std::nullopt;
        fields[i] = *value;
        text = comma == std::wstring_view::npos ? std::wstring_view() : text.substr(comma + 1);
    }
    return SkinRect{fields[0], fields[1], fields[2], fields[3]};
}

SkinRectReading ReadSkinRect(std::wstring_view text) {
    if (ParseSkinRect(text)) return SkinRectReading::Rect;
    if (TrimBlanks(text).empty()) return SkinRectReading::Short;
    for (int i = 0; i < 4; ++i) {
        size_t comma = text.find(L',');
        if (!ParseInt(text.substr(0, comma))) return SkinRectReading::Broken;
        if (comma == std::wstring_view::npos) return SkinRectReading::Short;
        text = text.substr(comma + 1);
    }
    return SkinRectReading::Rect;
}

SkinRect SkinRectOf(SkinKey key) {
    if (auto rect = ParseSkinRect(SkinText(key))) return *rect;
    return ParseSkinRect(SkinDefaultText(key)).value_or(SkinRect{});
}

SkinRect ScaledSkinRect(const SkinRect& rect, int dpi) {
    // Edges are scaled, not sizes, so neighbours that touch keep touching.
    const int left = MulDiv(rect.left, dpi, 96), top = MulDiv(rect.top, dpi, 96);
    return SkinRect{left, top, MulDiv(rect.left + rect.width, dpi, 96) - left, MulDiv(rect.top + rect.height, dpi, 96) - top};
}

bool PlaceControl(HWND window, std::wstring_view rectText, int dpi) {
    std::optional<SkinRect> rect = ParseSkinRect(rectText);
    if (!rect || !window) return false;
    const SkinRect place = ScaledSkinRect(*rect, dpi);
    return MoveWindow(window, place.left, place.top, place.width, place.height, TRUE) != FALSE;
}

bool SaveSkin(const std::wstring& givenPath) {
    // The profile functions look for a bare file name in the Windows folder, the file functions
    // in the current one: a full path makes both reach the same file.
    const std::wstring path = FullPathName(givenPath);
    if (!FileExists(path) && !CreateUnicodeProfileFile(path)) return false;
    const auto& texts = Texts();
    for (int i = 0; i < kSkinKeyCount; ++i) {
        if (!WritePrivateProfileStringW(kSkinEntries[i].section, kSkinEntries[i].key,
                                        QuoteForProfile(texts[i]).c_str(), path.c_str()))
            return false;
    }
    return true;
}

bool SaveSkin() { return SaveSkin(AppPaths.SkinPath); }

bool LoadSkin(const std::wstring& givenPath, const SaveFailedBox& showError) {
    std::optional<std::wstring> ready =
        TableFileReady(givenPath, [](const std::wstring& path) { return SaveSkin(path); }, showError);
    if (ready) ready = TableFileReadable(*ready, showError);
    if (!ready) return false;
    const std::wstring& path = *ready;
    // Entries read before a failure keep their new texts.
    try {
        auto& texts = Texts();
        for (int i = 0; i < kSkinKeyCount; ++i) {
            std::optional<std::wstring> value = ReadProfileValue(path, kSkinEntries[i].section, kSkinEntries[i].key);
            if (value) texts[i] = std::move(*value);
        }
    } catch (const std::exception& error) {  // out of memory, the one thing that can go wrong here
        if (showError) showError(ReadFailedText(path, FromUtf8(error.what())));
        return false;
    }
    return true;
}

bool LoadSkin() { return LoadSkin(AppPaths.SkinPath, ShowSaveFailedBox); }

}  // namespace purgeon
