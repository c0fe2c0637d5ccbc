#include "i18n/multiLangs.h"

#include <array>

namespace purgeon {

namespace {

struct TextEntry {
    const wchar_t* key;
    std::wstring text;
};

std::array<TextEntry, kTextKeyCount>& Table() {
    static std::array<TextEntry, kTextKeyCount> table{{
        {L"IDS_MAINFORM_MENU_FILE_Exit", L"Exit"},
        {L"IDS_MAINFORM_ScreenSaver", L"Screen Saver"},
        {L"IDS_LISTVIEW_COLUMNS_Descriptions", L"Descriptions"},
        {L"IDS_LISTVIEW_COLUMNS_Publisher", L"Publisher"},
        {L"IDS_LISTVIEW_COLUMNS_Directory", L"Directory"},
        {L"IDS_SIDEBAR_CHECKBOX_HideSysPatch", L"Hide System Patch"},
        {L"IDS_SIDEBAR_CHECKBOX_HideScr", L"Hide Screen Saver"},
        {L"IDS_STATUSBAR_LABEL_Programs", L"Programs:"},
        {L"IDS_MESSAGEBOX_WARNING_SaveFileFailed", L"Save file %s failed!"},
    }};
    return table;
}

}  // namespace

const std::wstring& LangText(TextKey key) { return Table()[key].text; }
const wchar_t* LangKeyName(TextKey key) { return Table()[key].key; }

bool LoadLanguage() { return true; }

}  // namespace purgeon
