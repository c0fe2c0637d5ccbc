#pragma once
// The process-wide text table: every text the user sees, keyed IDS_..., with its English default.
#include <string>

namespace purgeon {

enum TextKey {
    IDS_MAINFORM_MENU_FILE_Exit,
    IDS_MAINFORM_ScreenSaver,
    IDS_LISTVIEW_COLUMNS_Descriptions,
    IDS_LISTVIEW_COLUMNS_Publisher,
    IDS_LISTVIEW_COLUMNS_Directory,
    IDS_SIDEBAR_CHECKBOX_HideSysPatch,
    IDS_SIDEBAR_CHECKBOX_HideScr,
    IDS_STATUSBAR_LABEL_Programs,
    IDS_MESSAGEBOX_WARNING_SaveFileFailed,
    kTextKeyCount
};

const std::wstring& LangText(TextKey key);
const wchar_t* LangKeyName(TextKey key);

// Reads the current language file (AppPaths.LangPath) into the table; true when read to its end.
// Language files are not read yet: the built-in English texts stay in force.
bool LoadLanguage();

}  // namespace purgeon
