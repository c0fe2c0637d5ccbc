// The main window in this process, over real sample programs and the real component: rows,
// filters and counts, selection, view options, pages, languages, sorting and search.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "app/component.h"
#include "app/config.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "tests/support/testSupport.h"
#include "tools/samples/sampleCatalog.h"
#include "ui/frmMain.h"
#include "ui/widgets/widgets.h"

using namespace purgeon;
using namespace purgeon::test;
namespace samples = purgeon::samples;

// Error reports are recorded, not shown: a message box would wait for a click.
std::vector<std::wstring> g_reports;
void purgeon::ShowErrorReport(HWND, const std::wstring& text) { g_reports.push_back(text); }
// Questions are answered by the test.
std::vector<std::wstring> g_questions;
bool g_answer = false;
bool purgeon::AskQuestion(HWND, const std::wstring& text) {
    g_questions.push_back(text);
    return g_answer;
}

namespace {

HWND FindDescendant(HWND parent, int id) {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (GetDlgCtrlID(child) == s->id && !s->found) s->found = child;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::wstring> Captions(HWND list) {
    std::vector<std::wstring> captions;
    int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        wchar_t text[1024] = L"";
        ListView_GetItemText(list, i, 0, text, 1024);
        captions.push_back(text);
    }
    return captions;
}

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[1024] = L"";
    ListView_GetItemText(list, row, column, text, 1024);
    return text;
}

int RowOf(HWND list, const std::wstring& caption) {
    auto captions = Captions(list);
    auto at = std::find(captions.begin(), captions.end(), caption);
    return at == captions.end() ? -1 : static_cast<int>(at - captions.begin());
}

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool MenuChecked(HMENU menu, int id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
bool MenuEnabled(HMENU menu, int id) { return !(GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }
bool InMenu(HMENU menu, int id) { return GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1); }

std::wstring ConfigValue(const wchar_t* key) {
    wchar_t buffer[256];
    GetPrivateProfileStringW(L"config", key, L"<none>", buffer, 256, AppPaths.ConfigPath.c_str());
    return buffer;
}

class MainForm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        com_ = new ComApartment();
        folder_ = new ScratchFolder(L"mainform");
        ASSERT_TRUE(InitEnvironment(folder_->path() + L"Purgeon.exe", AppPaths, [](const std::wstring&) {}));
        for (const wchar_t* file : {L"Deutsch.ini", L"Chinese.ini"})
            CopyFileW((BinDir() + L"Langs\\" + file).c_str(), (AppPaths.LangDir + file).c_str(), FALSE);
        HideSysPatch = false;
        HideScreenSaver = true;
        ResetLanguageTable();
        LoadLanguage();
        SetCurrentDirectoryW(BinDir().c_str());
        ASSERT_FALSE(RegisterCatalogueComponent().has_value());

        samples::SampleSpec linked;
        linked.name = L"PurgeonUiLinked";
        linked.displayName = L"Linked Office Suite";
        linked.publisher = L"Zeta";
        linked.patchId = L"KB7770001";
        linked.urlInfoAbout = L"https://linked.example.org/about";
        samples::SampleSpec plain;
        plain.name = L"PurgeonUiPlain";
        plain.displayName = L"Plain office helper";
        plain.publisher = L"Alphabetical Soft";
        samples::InstallSample(linked, BinDir());
        samples::InstallSample(plain, BinDir());
        samples::InstallScreenSaver(BinDir());

        form_ = new TMainForm(GetModuleHandleW(nullptr));
        ASSERT_TRUE(form_->Create());
        form_->Show();
        Pump();
    }
    static void TearDownTestSuite() {
        if (form_ && IsWindow(form_->Handle())) DestroyWindow(form_->Handle());
        delete form_;
        Pump();
        for (const wchar_t* name : {L"PurgeonUiLinked", L"PurgeonUiPlain"}) {
            try {
                samples::RemoveSample(std::wstring(name));
            } catch (...) {
            }
        }
        samples::RemoveScreenSaver();
        delete folder_;
        delete com_;
    }
    void TearDown() override {
        EXPECT_TRUE(g_reports.empty()) << ToUtf8(g_reports.front());
        g_reports.clear();
    }

    HWND main() const { return form_->Handle(); }
    HMENU menu(TMainForm::MenuName name) const { return form_->Menu(name); }
    HWND list() const { return FindDescendant(main(), IDC_PROGRAM_LIST); }
    HWND control(int id) const { return FindDescendant(main(), id); }
    void Command(int id) {
        SendMessageW(main(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Pump();
    }
    void Select(int row) {
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Pump();
    }
    void ClickColumn(int column) {
        NMLISTVIEW notice{};
        notice.hdr.hwndFrom = list();
        notice.hdr.idFrom = IDC_PROGRAM_LIST;
        notice.hdr.code = LVN_COLUMNCLICK;
        notice.iItem = -1;
        notice.iSubItem = column;
        SendMessageW(main(), WM_NOTIFY, IDC_PROGRAM_LIST, reinterpret_cast<LPARAM>(&notice));
        Pump();
    }

    static ComApartment* com_;
    static ScratchFolder* folder_;
    static TMainForm* form_;
};

ComApartment* MainForm::com_ = nullptr;
ScratchFolder* MainForm::folder_ = nullptr;
TMainForm* MainForm::form_ = nullptr;

}  // namespace

TEST_F(MainForm, ListsProgramsWithPublisherDirectoryAndCounts) {
    int row = RowOf(list(), L"Linked Office Suite");
    ASSERT_GE(row, 0);
    EXPECT_EQ(Cell(list(), row, 1), L"Zeta");
    EXPECT_NE(Cell(list(), row, 2).find(L"PurgeonUiLinked"), std::wstring::npos);
    EXPECT_GE(RowOf(list(), L"Security Update for Linked Office Suite (KB7770001)"), 0);
    // Screen savers are hidden at start, yet counted.
    auto captions = Captions(list());
    EXPECT_TRUE(std::none_of(captions.begin(), captions.end(), [](const std::wstring& c) { return c[0] == L'['; }));
    std::wstring counts = WindowText(control(IDC_LBL_COUNTS));
    EXPECT_NE(counts.find(L"(Windows Updates: "), std::wstring::npos) << ToUtf8(counts);
    EXPECT_NE(counts.find(L"Screen Saver: "), std::wstring::npos) << ToUtf8(counts);
    EXPECT_FALSE(IsWindowEnabled(control(ActionShowDetails)));
}

TEST_F(MainForm, FiltersHideRowsKeepCountsAndSaveTheOption) {
    std::wstring counts = WindowText(control(IDC_LBL_COUNTS));
    SendMessageW(control(ActionHideSysPatch), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(RowOf(list(), L"Security Update for Linked Office Suite (KB7770001)"), -1);
    EXPECT_GE(RowOf(list(), L"Linked Office Suite"), 0);
    EXPECT_EQ(WindowText(control(IDC_LBL_COUNTS)), counts);
    EXPECT_EQ(ConfigValue(L"HideSysPatch"), L"1");

    SendMessageW(control(ActionHideScr), BM_CLICK, 0, 0);
    Pump();
    auto captions = Captions(list());
    EXPECT_TRUE(std::any_of(captions.begin(), captions.end(),
                            [](const std::wstring& c) { return c.rfind(L"[Screen Saver]", 0) == 0; }));
    EXPECT_EQ(ConfigValue(L"HideScreenSaver"), L"0");

    SendMessageW(control(ActionHideSysPatch), BM_CLICK, 0, 0);
    SendMessageW(control(ActionHideScr), BM_CLICK, 0, 0);
    Pump();
    EXPECT_GE(RowOf(list(), L"Security Update for Linked Office Suite (KB7770001)"), 0);
}

TEST_F(MainForm, SelectionShowsKeyNameAndLinkAndTurnsUninstallIntoDeleteForScreenSavers) {
    using M = TMainForm::MenuName;
    EXPECT_FALSE(MenuEnabled(menu(M::ProgramRow), ActionShowDetails));
    Select(RowOf(list(), L"Linked Office Suite"));
    EXPECT_TRUE(IsWindowEnabled(control(ActionShowDetails)));
    EXPECT_TRUE(MenuEnabled(menu(M::ProgramRow), ActionShowDetails));
    // Commands whose work is not in this build stay visibly unavailable.
    EXPECT_FALSE(MenuEnabled(menu(M::Tools), ActionComment));
    EXPECT_FALSE(MenuEnabled(menu(M::File), ActionCreateBackup));
    EXPECT_EQ(WindowText(control(IDC_LBL_REGISTRYNAME)), L"PurgeonUiLinked");
    EXPECT_EQ(WindowText(control(IDC_LBL_URL)), L"https://linked.example.org/about");
    EXPECT_TRUE(IsWindowVisible(control(IDC_LBL_REGNAME)));

    SendMessageW(control(ActionHideScr), BM_CLICK, 0, 0);
    Pump();
    auto captions = Captions(list());
    auto saver = std::find_if(captions.begin(), captions.end(),
                              [](const std::wstring& c) { return c.rfind(L"[Screen Saver]", 0) == 0; });
    ASSERT_NE(saver, captions.end());
    Select(static_cast<int>(saver - captions.begin()));
    EXPECT_EQ(WindowText(control(ActionUninstall)), L"Delete");
    EXPECT_FALSE(IsWindowEnabled(control(ActionShowDetails)));
    EXPECT_FALSE(MenuEnabled(menu(M::ProgramRow), ActionShowDetails));
    EXPECT_FALSE(IsWindowVisible(control(IDC_LBL_REGNAME)));

    Select(RowOf(list(), L"Plain office helper"));
    EXPECT_EQ(WindowText(control(ActionUninstall)), L"Uninstall");
    SendMessageW(control(ActionHideScr), BM_CLICK, 0, 0);
    Pump();
}

TEST_F(MainForm, ViewModesGridAndTipsToggle) {
    using M = TMainForm::MenuName;
    Command(ActionViewIcon);
    EXPECT_EQ(ListView_GetView(list()), static_cast<DWORD>(LV_VIEW_ICON));
    for (M name : {M::View, M::RowView}) {
        EXPECT_TRUE(MenuChecked(menu(name), ActionViewIcon));
        EXPECT_FALSE(MenuChecked(menu(name), ActionViewReport));
    }
    Command(ActionViewList);
    EXPECT_EQ(ListView_GetView(list()), static_cast<DWORD>(LV_VIEW_LIST));
    Command(ActionViewReport);
    EXPECT_EQ(ListView_GetView(list()), static_cast<DWORD>(LV_VIEW_DETAILS));
    EXPECT_TRUE(MenuChecked(menu(M::RowView), ActionViewReport));
    EXPECT_FALSE(MenuChecked(menu(M::View), ActionViewList));
    EXPECT_FALSE(MenuChecked(menu(M::View), ActionGrid));
    EXPECT_TRUE(MenuChecked(menu(M::View), ActionInfoTips));

    DWORD before = ListView_GetExtendedListViewStyle(list());
    EXPECT_FALSE(before & LVS_EX_GRIDLINES);
    EXPECT_TRUE(before & LVS_EX_INFOTIP);
    Command(ActionGrid);
    Command(ActionInfoTips);
    DWORD after = ListView_GetExtendedListViewStyle(list());
    EXPECT_TRUE(after & LVS_EX_GRIDLINES);
    EXPECT_FALSE(after & LVS_EX_INFOTIP);
    Command(ActionGrid);
    Command(ActionInfoTips);
}

TEST_F(MainForm, SortingAlternatesAndPadsSubItems) {
    ClickColumn(1);  // ascending: "      Zeta" before "Alphabetical Soft"
    int zeta = RowOf(list(), L"Linked Office Suite"), alpha = RowOf(list(), L"Plain office helper");
    EXPECT_LT(zeta, alpha);
    ClickColumn(1);  // descending
    EXPECT_GT(RowOf(list(), L"Linked Office Suite"), RowOf(list(), L"Plain office helper"));
    Command(ActionRefresh);  // a refill restores the component's order
}

TEST_F(MainForm, SearchContinuesBelowTheLastMatchAndRestartsWhenTheTextChanges) {
    HWND search = control(IDC_TXT_SEARCH);
    SetWindowTextW(search, L"OFFICE");
    Pump();
    Command(ActionSearch);
    int first = ListView_GetNextItem(list(), -1, LVNI_SELECTED);
    ASSERT_GE(first, 0);
    EXPECT_NE(ToLower(Cell(list(), first, 0)).find(L"office"), std::wstring::npos);
    Command(ActionSearch);
    int second = ListView_GetNextItem(list(), -1, LVNI_SELECTED);
    EXPECT_GT(second, first);
    SetWindowTextW(search, L"office");  // a new text starts from the top again
    Pump();
    Command(ActionSearch);
    EXPECT_EQ(ListView_GetNextItem(list(), -1, LVNI_SELECTED), first);
}

TEST_F(MainForm, StartupPageHidesProgramOnlyItemsAndComesBack) {
    using M = TMainForm::MenuName;
    Command(ActionTabStartupItems);
    EXPECT_FALSE(IsWindowVisible(control(IDC_LBL_COUNTS)));
    for (int id : {ActionViewIcon, ActionViewList, ActionViewReport}) EXPECT_FALSE(InMenu(menu(M::View), id));
    EXPECT_FALSE(InMenu(menu(M::File), ActionExportReg));
    EXPECT_FALSE(IsWindowEnabled(control(ActionTabStartupItems)));
    EXPECT_TRUE(IsWindowEnabled(control(ActionTabProgramList)));
    EXPECT_FALSE(IsWindowEnabled(control(ActionDelete)));
    std::wstring counts = WindowText(control(IDC_LBL_COUNTS));
    Command(ActionTabProgramList);
    EXPECT_TRUE(IsWindowVisible(control(IDC_LBL_COUNTS)));
    for (int id : {ActionViewIcon, ActionViewList, ActionViewReport}) EXPECT_TRUE(InMenu(menu(M::View), id));
    EXPECT_TRUE(MenuChecked(menu(M::View), ActionViewReport));
    EXPECT_TRUE(InMenu(menu(M::File), ActionExportReg));
    EXPECT_EQ(WindowText(control(IDC_LBL_COUNTS)), counts);
}

TEST_F(MainForm, LanguageSwitchAppliesTextsAndIsSaved) {
    // The menu lists the files in find order, as ListLanguageFiles does.
    auto entries = ListLanguageFiles(AppPaths.LangDir, AppPaths.LangPath);
    auto itemOf = [&](const std::wstring& caption) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].caption == caption) return kLanguageItemFirst + static_cast<int>(i);
        return -1;
    };
    ASSERT_GE(itemOf(L"Deutsch"), 0);
    HMENU languages = menu(TMainForm::MenuName::Languages);
    EXPECT_EQ(GetMenuItemCount(languages), static_cast<int>(entries.size()));
    EXPECT_TRUE(MenuChecked(languages, itemOf(L"English")));
    EXPECT_FALSE(MenuChecked(languages, itemOf(L"Deutsch")));
    ASSERT_GE(itemOf(L"English"), 0);  // written at the first load
    Command(itemOf(L"Deutsch"));
    EXPECT_EQ(ConfigValue(L"LanguageFile"), L"Deutsch.ini");
    EXPECT_NE(WindowText(control(ActionRefresh)), L"Refresh");
    EXPECT_EQ(WindowText(control(ActionRefresh)), LangText(IDS_SIDEBAR_BUTTON_Refresh));
    EXPECT_TRUE(MenuChecked(languages, itemOf(L"Deutsch")));
    EXPECT_FALSE(MenuChecked(languages, itemOf(L"English")));
    Command(itemOf(L"English"));
    EXPECT_EQ(ConfigValue(L"LanguageFile"), L"English.ini");
    EXPECT_EQ(WindowText(control(ActionRefresh)), L"Refresh");
    EXPECT_EQ(ConfigValue(L"SkinFile"), L"Default.ini");
}

TEST_F(MainForm, PictureOfTheWindowAndItsIcons) {
    // Every row shows an icon of the system image list the list is given.
    HIMAGELIST small = ListView_GetImageList(list(), LVSIL_SMALL);
    ASSERT_NE(small, nullptr);
    for (int row = 0; row < ListView_GetItemCount(list()); ++row) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ASSERT_TRUE(ListView_GetItem(list(), &item));
        EXPECT_GE(item.iImage, 0);
        EXPECT_LT(item.iImage, ImageList_GetImageCount(small));
    }
    Select(RowOf(list(), L"Linked Office Suite"));
    const std::wstring path = ExtractFilePath(ExcludeTrailingBackslash(BinDir())) + L"main-window.bmp";
    EXPECT_TRUE(SaveWindowPicture(main(), path));
    printf("main window picture: %s\n", ToUtf8(path).c_str());
}

TEST_F(MainForm, StartupPageListsEntriesAndApplyMovesOnlyWhatChanged) {
    constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    UniqueHKey run;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRun, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, run.put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring command = L"%SystemRoot%\\notepad.exe /min";
    RegSetValueExW(run.get(), L"PurgeonUiStartup", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));

    Command(ActionTabStartupItems);
    HWND startup = control(IDC_STARTUP_LIST);
    int row = RowOf(startup, L"PurgeonUiStartup");
    ASSERT_GE(row, 0);
    EXPECT_EQ(Cell(startup, row, 1), command);  // shown unexpanded
    EXPECT_TRUE(ListView_GetCheckState(startup, row));

    // Disable All unchecks every row and turns the button into Enable All; nothing is written.
    Command(ActionSelectAll);
    EXPECT_FALSE(ListView_GetCheckState(startup, row));
    EXPECT_EQ(WindowText(control(ActionSelectAll)), L"Enable All");
    Command(ActionSelectAll);
    EXPECT_TRUE(ListView_GetCheckState(startup, row));

    ListView_SetCheckState(startup, row, FALSE);
    Command(ActionApply);
    UniqueHKey disabled;
    ASSERT_EQ(RegOpenKeyExW(run.get(), L"Run_Disable", 0, KEY_ALL_ACCESS, disabled.put()), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(disabled.get(), L"PurgeonUiStartup", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_NE(RegQueryValueExW(run.get(), L"PurgeonUiStartup", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);

    Command(ActionRefresh);
    row = RowOf(startup, L"PurgeonUiStartup");
    ASSERT_GE(row, 0);
    EXPECT_FALSE(ListView_GetCheckState(startup, row));
    ListView_SetCheckState(startup, row, TRUE);
    Command(ActionApply);
    EXPECT_EQ(RegQueryValueExW(run.get(), L"PurgeonUiStartup", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));

    RegDeleteValueW(run.get(), L"PurgeonUiStartup");
    Command(ActionTabProgramList);
}

TEST_F(MainForm, StartupDeleteAsksFirstAndRemovesBothForms) {
    constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    UniqueHKey run;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRun, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, run.put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring command = L"C:\\Tools\\gone.exe";
    RegSetValueExW(run.get(), L"PurgeonUiDelete", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    Command(ActionTabStartupItems);
    HWND startup = control(IDC_STARTUP_LIST);
    int row = RowOf(startup, L"PurgeonUiDelete");
    ASSERT_GE(row, 0);
    ListView_SetItemState(startup, row, LVIS_SELECTED, LVIS_SELECTED);
    Pump();

    g_questions.clear();
    g_answer = false;
    Command(ActionDelete);
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_EQ(g_questions[0], L"Do you really want to delete the startup entry selected?");
    EXPECT_GE(RowOf(startup, L"PurgeonUiDelete"), 0);
    EXPECT_EQ(RegQueryValueExW(run.get(), L"PurgeonUiDelete", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);

    g_answer = true;
    Command(ActionDelete);
    EXPECT_EQ(RowOf(startup, L"PurgeonUiDelete"), -1);
    EXPECT_NE(RegQueryValueExW(run.get(), L"PurgeonUiDelete", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    g_answer = false;
    g_questions.clear();
    Command(ActionTabProgramList);
}

TEST_F(MainForm, UninstallAsksItsQuestionWhenTheUninstallerEndsAndNoChangesNothing) {
    samples::SampleSpec missing;
    missing.name = L"PurgeonUiMissing";
    missing.displayName = L"Missing Uninstaller App";
    missing.behaviour = samples::UninstallBehaviour::Missing;
    samples::SampleSpec gone;
    gone.name = L"PurgeonUiGone";
    gone.displayName = L"Gone After Uninstall";
    samples::InstallSample(missing, BinDir());
    samples::InstallSample(gone, BinDir());
    Command(ActionRefresh);
    g_questions.clear();
    g_answer = false;

    // An uninstaller that cannot be started: the clear-up question.
    Select(RowOf(list(), L"Missing Uninstaller App"));
    ASSERT_TRUE(IsWindowEnabled(control(ActionUninstall)));
    Command(ActionUninstall);
    ASSERT_TRUE(WaitUntil(
        [] {
            Pump();
            return !g_questions.empty();
        },
        30000));
    EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_UninstallFailed));

    // One that runs to its end: the remains question, after the program is gone; No keeps the list.
    g_questions.clear();
    Select(RowOf(list(), L"Gone After Uninstall"));
    Command(ActionUninstall);
    ASSERT_TRUE(WaitUntil(
        [] {
            Pump();
            return !g_questions.empty();
        },
        30000));
    EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_ScanRemains));
    UniqueHKey entry;  // the uninstaller ran to its end before the question came
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, samples::UninstallKeyPath(L"PurgeonUiGone").c_str(), 0,
                            KEY_READ | KEY_WOW64_64KEY, entry.put()),
              ERROR_SUCCESS);
    EXPECT_GE(RowOf(list(), L"Gone After Uninstall"), 0);
    g_questions.clear();
    for (const wchar_t* name : {L"PurgeonUiMissing", L"PurgeonUiGone"}) {
        try {
            samples::RemoveSample(std::wstring(name));
        } catch (...) {
        }
    }
    Command(ActionRefresh);
}
