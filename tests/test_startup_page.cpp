// The startup page of the main window in this process, over the real startup keys and Startup
// folders of the test prefix: the toggle after a page switch, item information on selection,
// and Apply from the list's check marks.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <map>

#include "catalogue/componentRegistration.h"
#include "config/config.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "startup/addItem.h"
#include "startup/startupItems.h"
#include "tests/support/testSupport.h"
#include "ui/frmMain.h"

using namespace purgeon;
using namespace purgeon::test;

// Error reports are recorded, not shown; questions are answered by the test.
std::vector<std::wstring> g_reports;
void purgeon::ShowErrorReport(HWND, const std::wstring& text) { g_reports.push_back(text); }
bool purgeon::AskQuestion(HWND, const std::wstring&, DefaultAnswer) { return true; }

namespace {

void SetRunValue(const std::wstring& subkey, const std::wstring& name, DWORD type, const std::wstring& text) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// Every value of the startup keys of the current user, their subkeys included.
RegistryImage UserStartupImage() {
    RegistryImage image;
    for (const wchar_t* path : kStartupKeys) {
        UniqueHKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS)
            AddImage(image, key.get(), path);
    }
    return image;
}

class StartupPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        com_ = new ComApartment();
        folder_ = new ScratchFolder(L"startuppage");
        ASSERT_TRUE(InitEnvironment(folder_->path() + L"Purgeon.exe", AppPaths, [](const std::wstring&) {}));
        ResetLanguageTable();
        LoadLanguage();
        SetCurrentDirectoryW(BinDir().c_str());
        ASSERT_FALSE(RegisterCatalogueComponent().has_value());
        form_ = new TMainForm(GetModuleHandleW(nullptr));
        ASSERT_TRUE(form_->Create());
        form_->Show();
        Pump();
    }
    static void TearDownTestSuite() {
        if (form_ && IsWindow(form_->Handle())) DestroyWindow(form_->Handle());
        delete form_;
        Pump();
        delete folder_;
        delete com_;
    }
    void SetUp() override {
        userFolder_ = IncludeTrailingBackslash(GetSpecialFolderPath(CSIDL_STARTUP));
        commonFolder_ = IncludeTrailingBackslash(GetSpecialFolderPath(CSIDL_COMMON_STARTUP));
        ASSERT_TRUE(ForceDirectories(userFolder_));
        ASSERT_TRUE(ForceDirectories(commonFolder_));
    }
    void TearDown() override {
        Command(ActionTabProgramList);
        for (const std::wstring& subkey : {std::wstring(kRunKeyPath), std::wstring(kRunKeyPath) + L"\\" + kRunDisableKey}) {
            UniqueHKey key;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) continue;
            for (const RegValue& value : ReadRegValues(key.get()))
                if (StartsWithNoCase(value.name, kPrefix)) RegDeleteValueW(key.get(), value.name.c_str());
        }
        for (const std::wstring& folder : {userFolder_, commonFolder_})
            for (const std::wstring& sub : {folder, folder + kDisabledFolderName + L"\\"})
                for (const wchar_t* name : {L"PurgeonPageLink.lnk", L"PurgeonPageLast.lnk"})
                    DeleteFileW((sub + name).c_str());
        EXPECT_TRUE(g_reports.empty()) << ToUtf8(g_reports.front());
        g_reports.clear();
    }

    HWND main() const { return form_->Handle(); }
    HWND control(int id) const { return FindDescendant(main(), id); }
    HWND startup() const { return control(IDC_STARTUP_LIST); }
    void Command(int id) {
        SendMessageW(main(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Pump();
    }
    void Select(int row, bool selected = true) {
        ListView_SetItemState(startup(), row, selected ? LVIS_SELECTED | LVIS_FOCUSED : 0,
                              LVIS_SELECTED | LVIS_FOCUSED);
        Pump();
    }
    bool InfoShown() const { return IsWindowVisible(control(IDC_GRB_ITEMINFO)) != FALSE; }
    std::wstring Text(int id) const { return WindowText(control(id)); }

    static constexpr wchar_t kPrefix[] = L"PurgeonPage";
    std::wstring userFolder_, commonFolder_;

    static ComApartment* com_;
    static ScratchFolder* folder_;
    static TMainForm* form_;
};

ComApartment* StartupPage::com_ = nullptr;
ScratchFolder* StartupPage::folder_ = nullptr;
TMainForm* StartupPage::form_ = nullptr;

TEST_F(StartupPage, TheLastRowSetsTheToggleAtEachSwitchAndTheToggleWritesNothing) {
    // A parked file of the all-users folder is the page's last row, and unchecked.
    const std::wstring parked = commonFolder_ + kDisabledFolderName + L"\\";
    ASSERT_TRUE(ForceDirectories(parked));
    WriteFileBytes(parked + L"PurgeonPageLast.lnk", "link");
    SetRunValue(kRunKeyPath, L"PurgeonPageOn", REG_SZ, L"C:\\Tools\\on.exe");

    Command(ActionTabStartupItems);
    const int count = ListView_GetItemCount(startup());
    ASSERT_GE(count, 2);
    ASSERT_EQ(Cell(startup(), count - 1, 0), L"PurgeonPageLast.lnk");
    EXPECT_FALSE(ListView_GetCheckState(startup(), count - 1));
    EXPECT_EQ(Text(ActionSelectAll), L"Enable All");
    EXPECT_FALSE(IsWindowEnabled(control(ActionDelete)));
    EXPECT_FALSE(InfoShown());

    // Enable All checks every row and only the rows.
    Command(ActionSelectAll);
    for (int row = 0; row < count; ++row) EXPECT_TRUE(ListView_GetCheckState(startup(), row)) << row;
    EXPECT_EQ(Text(ActionSelectAll), L"Disable All");
    Command(ActionSelectAll);
    for (int row = 0; row < count; ++row) EXPECT_FALSE(ListView_GetCheckState(startup(), row)) << row;
    EXPECT_EQ(Text(ActionSelectAll), L"Enable All");
    EXPECT_TRUE(FileExists(parked + L"PurgeonPageLast.lnk"));
    UniqueHKey run;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_READ, run.put()), ERROR_SUCCESS);
    EXPECT_TRUE(ReadRegValue(run.get(), L"PurgeonPageOn").has_value());

    // With the parked file gone the last row is checked again: the next switch says so, whatever
    // the toggle showed before.
    ASSERT_TRUE(DeleteFileW((parked + L"PurgeonPageLast.lnk").c_str()));
    Command(ActionTabProgramList);
    Command(ActionTabStartupItems);
    ASSERT_GT(ListView_GetItemCount(startup()), 0);
    EXPECT_TRUE(ListView_GetCheckState(startup(), ListView_GetItemCount(startup()) - 1));
    EXPECT_EQ(Text(ActionSelectAll), L"Disable All");
    EXPECT_TRUE(ListView_GetCheckState(startup(), RowOf(startup(), L"PurgeonPageOn")));  // unapplied marks are gone
}

TEST_F(StartupPage, SelectionShowsWhatTheRowStartsAndNothingLeftOverFromAnotherRow) {
    const std::wstring sample = BinDir() + L"SampleApp.exe";
    ASSERT_TRUE(FileExists(sample));
    const std::wstring notes = folder_->path() + L"notes.txt";
    WriteFileBytes(notes, "plain text\r\n");
    SetRunValue(kRunKeyPath, L"PurgeonPageApp", REG_SZ, L"\"" + sample + L"\" /tray");
    SetRunValue(kRunKeyPath, L"PurgeonPageText", REG_SZ, notes);
    ASSERT_HRESULT_SUCCEEDED(MakeLink(sample, userFolder_ + L"PurgeonPageLink.lnk"));

    Command(ActionTabStartupItems);
    const int app = RowOf(startup(), L"PurgeonPageApp"), text = RowOf(startup(), L"PurgeonPageText"),
              link = RowOf(startup(), L"PurgeonPageLink.lnk");
    ASSERT_GE(app, 0);
    ASSERT_GE(text, 0);
    ASSERT_GE(link, 0);
    EXPECT_FALSE(InfoShown());

    Select(app);
    EXPECT_TRUE(InfoShown());
    EXPECT_TRUE(IsWindowEnabled(control(ActionDelete)));
    EXPECT_EQ(Text(IDC_LBL_PUBLISHERVALUE), L"Purgeon Sample Software");
    EXPECT_EQ(Text(IDC_LBL_VERSIONVALUE), L"1.0.0.0");
    EXPECT_EQ(Text(IDC_LBL_DESCRIPTION), L"Purgeon Sample Application");

    Select(text);  // a file without version information hides the group
    EXPECT_FALSE(InfoShown());
    Select(text, false);  // leaving it shows nothing of the program before it
    EXPECT_FALSE(InfoShown());

    Select(link);  // a shortcut: its target's information
    EXPECT_TRUE(InfoShown());
    EXPECT_EQ(Text(IDC_LBL_PUBLISHERVALUE), L"Purgeon Sample Software");
    EXPECT_EQ(Text(IDC_LBL_DESCRIPTION), L"Purgeon Sample Application");

    Command(ActionRefresh);  // no row is selected after a refill
    EXPECT_FALSE(InfoShown());
}

TEST_F(StartupPage, ApplyWritesOnlyTheMarksThatChanged) {
    const std::wstring disabledKey = std::wstring(kRunKeyPath) + L"\\" + kRunDisableKey;
    SetRunValue(kRunKeyPath, L"PurgeonPageExpand", REG_EXPAND_SZ, L"%SystemRoot%\\system32\\notepad.exe /a");
    SetRunValue(kRunKeyPath, L"PurgeonPageBoth", REG_SZ, L"enabled.exe");
    SetRunValue(disabledKey, L"PurgeonPageBoth", REG_EXPAND_SZ, L"%TEMP%\\disabled.exe");
    WriteFileBytes(userFolder_ + L"PurgeonPageLink.lnk", "link bytes");

    Command(ActionTabStartupItems);
    const RegistryImage before = UserStartupImage();
    Command(ActionApply);
    EXPECT_TRUE(UserStartupImage() == before);
    EXPECT_EQ(ReadFileBytes(userFolder_ + L"PurgeonPageLink.lnk"), "link bytes");

    // Unchecking the folder row parks its file; the registry stays as it was.
    int link = RowOf(startup(), L"PurgeonPageLink.lnk");
    ASSERT_GE(link, 0);
    ListView_SetCheckState(startup(), link, FALSE);
    Command(ActionApply);
    const std::wstring parked = userFolder_ + kDisabledFolderName + L"\\PurgeonPageLink.lnk";
    EXPECT_FALSE(FileExists(userFolder_ + L"PurgeonPageLink.lnk"));
    EXPECT_EQ(ReadFileBytes(parked), "link bytes");
    EXPECT_EQ(Cell(startup(), link, 1), parked);
    EXPECT_TRUE(UserStartupImage() == before);

    Command(ActionRefresh);
    link = RowOf(startup(), L"PurgeonPageLink.lnk");
    ASSERT_GE(link, 0);
    EXPECT_FALSE(ListView_GetCheckState(startup(), link));
    EXPECT_EQ(Cell(startup(), link, 2), userFolder_);
    ListView_SetCheckState(startup(), link, TRUE);
    Command(ActionApply);
    EXPECT_EQ(ReadFileBytes(userFolder_ + L"PurgeonPageLink.lnk"), "link bytes");
    EXPECT_FALSE(FileExists(parked));
    EXPECT_TRUE(UserStartupImage() == before);
}

}  // namespace
