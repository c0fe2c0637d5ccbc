// The details window in this process, on the test display: a hidden owner window stands in for
// the main window; the catalogue is the real component with entries seeded in the registry.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/ProgramList.h"
#include "catalogue/programRows.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "tests/support/componentEnvironment.h"
#include "tests/support/testSupport.h"
#include "ui/frmDetails.h"
#include "ui/frmMain.h"

using namespace purgeon;

namespace {

std::vector<std::wstring> g_reports;

}  // namespace

// The program's general error report is a message box; here it is recorded.
void purgeon::ShowErrorReport(HWND, const std::wstring& text) { g_reports.push_back(text); }

namespace {


const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new test::ComponentEnvironment);

std::wstring KeyName(const wchar_t* label) { return Format(L"PurgeonDetails-%s-%lu", label, GetCurrentProcessId()); }


// --- reading the controls as a user would see them ---------------------------------------

std::wstring ItemText(HWND list, int row, int column) {
    wchar_t buffer[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 1024;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

std::vector<std::pair<std::wstring, std::wstring>> Rows(HWND list) {
    std::vector<std::pair<std::wstring, std::wstring>> rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) rows.emplace_back(ItemText(list, row, 0), ItemText(list, row, 1));
    return rows;
}

std::pair<std::wstring, int> Column(HWND list, int index) {
    wchar_t buffer[256] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = buffer;
    column.cchTextMax = 256;
    SendMessageW(list, LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
    return {buffer, column.cx};
}

std::wstring TabText(HWND tabs, int index) {
    wchar_t buffer[256] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

std::wstring ChosenText(HWND chooser) {
    const LRESULT selected = SendMessageW(chooser, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return L"<none>";
    wchar_t buffer[512] = {};
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT;
    item.iItem = selected;
    item.pszText = buffer;
    item.cchTextMax = 512;
    SendMessageW(chooser, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

RECT ClientPlace(HWND control) {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// The user picks entry `k`: the combo changes its selection and tells its parent.
void Choose(HWND form, HWND chooser, int k) {
    SendMessageW(chooser, CB_SETCURSEL, k, 0);
    SendMessageW(form, WM_COMMAND, MAKEWPARAM(TDetailsForm::kChooserId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(chooser));
}

int ChooserPosition(const std::vector<ChooserItem>& items, const std::wstring& caption) {
    auto it = std::find_if(items.begin(), items.end(), [&](const ChooserItem& item) { return item.caption == caption; });
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void PumpMessages(DWORD milliseconds) {
    const DWORD until = GetTickCount() + milliseconds;
    MSG message;
    while (GetTickCount() < until) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

// --- the stand-in main window ----------------------------------------------------------------

constexpr UINT WM_PROBE = WM_APP + 1;
struct Probe {
    HWND form = nullptr;
    HWND pressEscapeIn = nullptr;  // else the form gets WM_CLOSE
    bool ownerEnabled = true, formVisible = false;
    std::wstring caption;
    bool timedOut = false;
} g_probe;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PROBE) {
        // Runs inside the details window's modal loop.
        g_probe.ownerEnabled = IsWindowEnabled(hwnd) != FALSE;
        g_probe.formVisible = IsWindowVisible(g_probe.form) != FALSE;
        g_probe.caption = WindowText(g_probe.form);
        if (g_probe.pressEscapeIn)
            PostMessageW(g_probe.pressEscapeIn, WM_KEYDOWN, VK_ESCAPE, 1);
        else
            PostMessageW(g_probe.form, WM_CLOSE, 0, 0);
        return 0;
    }
    if (message == WM_TIMER) {
        // A modal loop that never ends must not hang the run.
        KillTimer(hwnd, wParam);
        g_probe.timedOut = true;
        ShowWindow(g_probe.form, SW_HIDE);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class DetailsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLanguageTable();
        g_reports.clear();
        WNDCLASSEXW windowClass{sizeof(windowClass)};
        windowClass.lpfnWndProc = OwnerProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PurgeonDetailsTestOwner";
        RegisterClassExW(&windowClass);
        owner_.reset(CreateWindowExW(0, windowClass.lpszClassName, L"Owner", WS_OVERLAPPEDWINDOW, 100, 80, 763, 538,
                                     nullptr, nullptr, windowClass.hInstance, nullptr));
        ASSERT_TRUE(owner_);
        ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr)));
        list_ = catalogue_.Get();
        ASSERT_TRUE(list_);
    }
    void TearDown() override { ResetLanguageTable(); }

    ComApartment apartment_;
    TProgramList catalogue_;
    IProgramList* list_ = nullptr;
    UniqueWindow owner_;
    TDetailsForm form_;
};

}  // namespace

TEST_F(DetailsWindowTest, CreatedHiddenAsADialogFramedPopupWithTheDesignedControls) {
    HWND form = form_.Handle();
    ASSERT_TRUE(IsWindow(form));
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_EQ(owner_.get(), GetWindow(form, GW_OWNER));
    const LONG_PTR style = GetWindowLongPtrW(form, GWL_STYLE), exStyle = GetWindowLongPtrW(form, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(static_cast<LONG_PTR>(WS_CAPTION), style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME) << "a dialog frame is not sizeable";
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    RECT client{};
    GetClientRect(form, &client);
    EXPECT_EQ(444, client.right);
    EXPECT_EQ(346, client.bottom);

    EXPECT_EQ(L"Detail information", WindowText(form));
    EXPECT_EQ(L"Programs: ", WindowText(form_.ProgramsLabel()));
    EXPECT_TRUE(GetWindowLongPtrW(form_.ProgramsLabel(), GWL_STYLE) & SS_RIGHT);
    const RECT label = ClientPlace(form_.ProgramsLabel()), chooser = ClientPlace(form_.Chooser()),
               tabs = ClientPlace(form_.Tabs());
    EXPECT_LE(label.left, 39);
    EXPECT_LE(label.right, chooser.left) << "the label ends before the chooser";
    EXPECT_EQ(96, chooser.left);
    EXPECT_EQ(8, chooser.top);
    EXPECT_EQ(321, chooser.right - chooser.left);
    EXPECT_EQ((RECT{8, 48, 433, 337}.left), tabs.left);
    EXPECT_EQ(48, tabs.top);
    EXPECT_EQ(425, tabs.right - tabs.left);
    EXPECT_EQ(289, tabs.bottom - tabs.top);
    EXPECT_TRUE(SendMessageW(form_.Chooser(), CBEM_GETIMAGELIST, 0, 0)) << "the system's small icons";
    EXPECT_TRUE(GetWindowLongPtrW(form_.Chooser(), GWL_STYLE) & CBS_DROPDOWNLIST);

    ASSERT_EQ(2, SendMessageW(form_.Tabs(), TCM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(L"Program Properties", TabText(form_.Tabs(), 0));
    EXPECT_EQ(L"Registry Values", TabText(form_.Tabs(), 1));
    EXPECT_EQ(std::make_pair(std::wstring(L"Name"), 100), Column(form_.PropertyList(), 0));
    EXPECT_EQ(std::make_pair(std::wstring(L"Value"), 240), Column(form_.PropertyList(), 1));
    EXPECT_EQ(std::make_pair(std::wstring(L"Key"), 160), Column(form_.RegistryList(), 0));
    EXPECT_EQ(std::make_pair(std::wstring(L"Value"), 240), Column(form_.RegistryList(), 1));
    // The lists lie inside the tab control, one page at a time.
    const RECT page = ClientPlace(form_.PropertyList());
    EXPECT_TRUE(page.left >= tabs.left && page.right <= tabs.right && page.top > tabs.top && page.bottom <= tabs.bottom);
    EXPECT_TRUE(IsWindowVisible(form_.PropertyList()) || !IsWindowVisible(form));
    EXPECT_TRUE(GetWindowLongPtrW(form_.PropertyList(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongPtrW(form_.RegistryList(), GWL_STYLE) & WS_VISIBLE);
    SendMessageW(form_.Tabs(), TCM_SETCURFOCUS, 1, 0);
    EXPECT_TRUE(GetWindowLongPtrW(form_.RegistryList(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongPtrW(form_.PropertyList(), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(DetailsWindowTest, FillsBothTabsSelectsTheProgramAndRefillsOnAChooserChange) {
    test::SeededKey full(KeyName(L"Full")), empty(KeyName(L"Empty")), patch(KeyName(L"KB4098765"));
    full.Text(L"DisplayName", L"Details Full").Dword(L"EstimatedSize", 1024).Text(L"InstallDate", L"20240115")
        .Text(L"Publisher", L"Full Soft").Text(L"URLInfoAbout", L"https://about.example/");
    patch.Text(L"DisplayName", L"Details Patch").Text(L"ParentKeyName", full.name());

    ProgramListFill fill;
    ReadProgramListFill(list_, true, true, fill);  // patches hidden: chooser positions differ from listing places
    ASSERT_TRUE(fill.complete);
    form_.SetChooser(fill.chooser);
    const int fullAt = ChooserPosition(fill.chooser, L"Details Full"), emptyAt = ChooserPosition(fill.chooser, empty.name());
    ASSERT_LE(0, fullAt);
    ASSERT_LE(0, emptyAt);
    EXPECT_EQ(-1, ChooserPosition(fill.chooser, L"Details Patch"));
    EXPECT_EQ(static_cast<LRESULT>(fill.chooser.size()), SendMessageW(form_.Chooser(), CB_GETCOUNT, 0, 0));
    EXPECT_EQ(L"<none>", ChosenText(form_.Chooser()));

    ASSERT_TRUE(form_.FillDetails(list_, fill.chooser[fullAt].keyPath));
    EXPECT_EQ(fullAt, SendMessageW(form_.Chooser(), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(L"Details Full", ChosenText(form_.Chooser()));
    wchar_t separator[8] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    using RowList = std::vector<std::pair<std::wstring, std::wstring>>;
    EXPECT_EQ((RowList{{L"Programs Size", L"1" + std::wstring(separator) + L"00 MB"},
                       {L"Install Date", L"20240115"},
                       {L"Publisher", L"Full Soft"},
                       {L"About Link", L"https://about.example/"}}),
              Rows(form_.PropertyList()));
    RowList registry = Rows(form_.RegistryList());
    EXPECT_EQ(5u, registry.size());
    EXPECT_NE(registry.end(), std::find(registry.begin(), registry.end(), std::make_pair(std::wstring(L"Publisher"),
                                                                                         std::wstring(L"Full Soft"))));

    // The user picks the program without values: both tabs refill, the chooser shows it.
    Choose(form_.Handle(), form_.Chooser(), emptyAt);
    EXPECT_TRUE(Rows(form_.PropertyList()).empty());  // nothing is known of it
    EXPECT_TRUE(Rows(form_.RegistryList()).empty());
    EXPECT_EQ(empty.name(), ChosenText(form_.Chooser()));
    EXPECT_TRUE(IsWindow(form_.Handle()));
    EXPECT_TRUE(g_reports.empty());

    // A list refill empties the chooser; the rows shown stay until the next fill.
    ASSERT_TRUE(form_.FillDetails(list_, fill.chooser[fullAt].keyPath));
    form_.SetChooser({});
    EXPECT_EQ(0, SendMessageW(form_.Chooser(), CB_GETCOUNT, 0, 0));
    EXPECT_EQ(4u, Rows(form_.PropertyList()).size());
}

TEST_F(DetailsWindowTest, ComponentErrorsAreReportedAndKeepTheRowsShown) {
    test::SeededKey full(KeyName(L"Kept"));
    full.Text(L"DisplayName", L"Details Kept").Text(L"DisplayVersion", L"3.1");
    ProgramListFill fill;
    ReadProgramListFill(list_, false, true, fill);
    std::vector<ChooserItem> items = fill.chooser;
    const int keptAt = ChooserPosition(items, L"Details Kept");
    ASSERT_LE(0, keptAt);
    const std::wstring gone = full.keyPath() + L"-gone";
    items.push_back({L"Gone meanwhile", gone, 0});  // an entry removed since the list was filled
    form_.SetChooser(items);
    ASSERT_TRUE(form_.FillDetails(list_, items[keptAt].keyPath));
    const auto before = Rows(form_.PropertyList());
    ASSERT_EQ(1u, before.size());

    Choose(form_.Handle(), form_.Chooser(), static_cast<int>(items.size()) - 1);
    ASSERT_EQ(1u, g_reports.size()) << "a program that is gone is said so, never another one shown";
    EXPECT_EQ(L"Gone meanwhile is no longer installed. The list now shows the programs as they are.", g_reports[0]);
    EXPECT_EQ(before, Rows(form_.PropertyList()));
    EXPECT_EQ(L"Gone meanwhile", ChosenText(form_.Chooser())) << "the window stays with the user's choice";

    EXPECT_FALSE(form_.FillDetails(list_, gone)) << "the main window then does not open it";
    EXPECT_EQ(2u, g_reports.size());
}

TEST_F(DetailsWindowTest, ShowModalDisablesTheOwnerAppliesTheLanguageAndHidesOnCloseOrEscape) {
    // A language switch made while the window was hidden shows on the next opening.
    test::ScratchFolder folder(L"PurgeonDetailsLang");
    const std::wstring language = folder.path() + L"Deutsch.ini";
    test::WriteFileBytes(language, "[Language]\r\nIDS_DETAILSFORM_Title=Detailinformationen\r\n"
                                   "IDS_DETAILSFORM_TABSHEETRV_TITLE=Registrierungswerte\r\n");
    ASSERT_TRUE(LoadLanguage(language));
    g_probe = Probe{};
    g_probe.form = form_.Handle();
    SetTimer(owner_.get(), 1, 5000, nullptr);
    PostMessageW(owner_.get(), WM_PROBE, 0, 0);
    form_.ShowModal();
    KillTimer(owner_.get(), 1);
    EXPECT_FALSE(g_probe.timedOut);
    EXPECT_FALSE(g_probe.ownerEnabled) << "the owner is disabled while the window is open";
    EXPECT_TRUE(g_probe.formVisible);
    EXPECT_EQ(L"Detailinformationen", g_probe.caption);
    EXPECT_EQ(L"Registrierungswerte", TabText(form_.Tabs(), 1));
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
    EXPECT_FALSE(IsWindowVisible(form_.Handle()));
    EXPECT_FALSE(form_.IsModal());
    ASSERT_TRUE(IsWindow(form_.Handle())) << "closing only hides the window";

    // Esc in one of its lists closes it too; the same window opens again.
    g_probe = Probe{};
    g_probe.form = form_.Handle();
    g_probe.pressEscapeIn = form_.PropertyList();
    SetTimer(owner_.get(), 1, 5000, nullptr);
    PostMessageW(owner_.get(), WM_PROBE, 0, 0);
    form_.ShowModal();
    KillTimer(owner_.get(), 1);
    EXPECT_FALSE(g_probe.timedOut) << "Esc did not close the window";
    EXPECT_TRUE(g_probe.formVisible);
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
    EXPECT_FALSE(IsWindowVisible(form_.Handle()));
}

// Not a check: a picture of the filled window for a person to look at, beside the binaries.
TEST_F(DetailsWindowTest, ScreenshotOfTheFilledWindow) {
    test::SeededKey sample(KeyName(L"Screenshot"));
    sample.Text(L"DisplayName", L"Details Sample Program").Dword(L"EstimatedSize", 48213)
        .Text(L"InstallDate", L"20240115").Text(L"InstallLocation", L"C:\\Program Files\\Sample\\")
        .Text(L"DisplayVersion", L"4.2.1").Text(L"Publisher", L"Purgeon Sample Software")
        .Text(L"HelpLink", L"https://help.example/").Text(L"URLInfoAbout", L"https://sample.example/")
        .Text(L"UninstallString", L"\"C:\\Program Files\\Sample\\unins000.exe\"");
    ProgramListFill fill;
    ReadProgramListFill(list_, false, true, fill);
    form_.SetChooser(fill.chooser);
    const int at = ChooserPosition(fill.chooser, L"Details Sample Program");
    ASSERT_LE(0, at);
    ASSERT_TRUE(form_.FillDetails(list_, fill.chooser[at].keyPath));

    HWND form = form_.Handle();
    SetWindowPos(form, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    PumpMessages(400);
    const std::wstring path = ExtractFilePath(ExcludeTrailingBackslash(test::BinDir())) + L"details-window.bmp";
    EXPECT_TRUE(test::SaveWindowPicture(form, path));
    ShowWindow(form, SW_HIDE);
    printf("details window picture: %s\n", ToUtf8(path).c_str());
}

TEST(DetailsWindowPlace, CentredOnTheOwnerAndKeptInsideTheWorkArea) {
    const RECT work{0, 0, 1280, 984};
    struct Case {
        RECT owner;
        int width, height;
        RECT expected;
    } cases[] = {
        {{100, 80, 863, 618}, 450, 375, {256, 161, 706, 536}},
        {{0, 0, 1280, 984}, 450, 375, {415, 304, 865, 679}},
        {{1100, 900, 1500, 1100}, 450, 375, {830, 609, 1280, 984}},  // off the bottom right
        {{-300, -200, 0, 0}, 450, 375, {0, 0, 450, 375}},             // off the top left
        {{0, 0, 200, 100}, 1400, 1100, {0, 0, 1400, 1100}},          // too big: the caption stays visible
    };
    for (const Case& c : cases) {
        RECT place = CentredWindowRect(c.owner, c.width, c.height, work);
        EXPECT_EQ(c.expected.left, place.left);
        EXPECT_EQ(c.expected.top, place.top);
        EXPECT_EQ(c.expected.right, place.right);
        EXPECT_EQ(c.expected.bottom, place.bottom);
    }
}
