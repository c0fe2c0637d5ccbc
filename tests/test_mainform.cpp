// The main window in this process, over real sample programs and the real component: rows,
// filters and counts, selection, view options, pages, languages, sorting and search, and the
// road from Uninstall through the real uninstallers to the question and the remains window.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "catalogue/componentRegistration.h"
#include "config/config.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "skins/multiSkins.h"
#include "ui/skinPictures.h"
#include "tests/support/testSupport.h"
#include "tools/samples/sampleCatalog.h"
#include "ui/frmBatch.h"
#include "ui/frmDetails.h"
#include "ui/frmMain.h"
#include "ui/frmScanRemains.h"
#include "ui/widgets/widgets.h"

using namespace purgeon;
using namespace purgeon::test;
namespace samples = purgeon::samples;

// Error reports are recorded, not shown: a message box would wait for a click.
std::vector<std::wstring> g_reports;
void purgeon::ShowErrorReport(HWND, const std::wstring& text) { g_reports.push_back(text); }
// Questions are answered by the test, which also sees the answer Enter would give.
std::vector<std::wstring> g_questions;
std::vector<DefaultAnswer> g_defaults;
bool g_answer = false;
// Runs while a question is open, to see what the user would see at that moment.
std::function<void()> g_onQuestion;
bool purgeon::AskQuestion(HWND, const std::wstring& text, DefaultAnswer defaultAnswer) {
    g_defaults.push_back(defaultAnswer);
    g_questions.push_back(text);
    if (g_onQuestion) g_onQuestion();
    return g_answer;
}
// Sets g_onQuestion for one scope, so it never outlives what it looks at.
struct OnQuestion {
    explicit OnQuestion(std::function<void()> work) { g_onQuestion = std::move(work); }
    ~OnQuestion() { g_onQuestion = nullptr; }
    OnQuestion(const OnQuestion&) = delete;
    OnQuestion& operator=(const OnQuestion&) = delete;
};

namespace {

bool MenuChecked(HMENU menu, int id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
bool MenuEnabled(HMENU menu, int id) { return !(GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }
bool InMenu(HMENU menu, int id) { return GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1); }

std::wstring ConfigValue(const wchar_t* key) {
    wchar_t buffer[256];
    GetPrivateProfileStringW(L"config", key, L"<none>", buffer, 256, AppPaths.ConfigPath.c_str());
    return buffer;
}

// Handles messages until `done` holds; the uninstallers' messages and the remains windows they
// open run inside this.
bool PumpUntil(const std::function<bool()>& done) {
    return WaitUntil(
        [&] {
            Pump();
            return done();
        },
        60000);
}

// The user's Run key, with `name` set to `command` (of `type`) in it.
UniqueHKey UserRunKeyWith(const wchar_t* name, const std::wstring& command, DWORD type = REG_SZ) {
    UniqueHKey run;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, run.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(run.get(), name, 0, type, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    return run;
}

bool UninstallEntryExists(const std::wstring& keyName) {
    UniqueHKey entry;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, samples::UninstallKeyPath(keyName).c_str(), 0,
                         KEY_READ | KEY_WOW64_64KEY, entry.put()) == ERROR_SUCCESS;
}

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}
bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0;
}
bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A sample installed for one test and removed afterwards with whatever its uninstaller left.
class TestSample {
public:
    TestSample(const wchar_t* name, const wchar_t* displayName, samples::UninstallBehaviour behaviour) {
        spec_.name = name;
        spec_.displayName = displayName;
        spec_.behaviour = behaviour;
        installed_ = samples::InstallSample(spec_, BinDir());
    }
    ~TestSample() {
        try {
            samples::RemoveSample(spec_);
        } catch (...) {
        }
    }
    TestSample(const TestSample&) = delete;
    TestSample& operator=(const TestSample&) = delete;
    const std::wstring& caption() const { return spec_.displayName; }
    const std::wstring& keyName() const { return installed_.keyName; }
    const std::wstring& installDir() const { return installed_.installDir; }

private:
    samples::SampleSpec spec_;
    samples::InstalledSample installed_;
};

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    wchar_t text[1024] = L"";
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = static_cast<int>(std::size(text));
    TreeView_GetItem(tree, &data);
    return text;
}

// Texts of the items below parent (the top level for none), depth first; only the first level
// when deep is false.
void CollectTreeTexts(HWND tree, HTREEITEM parent, bool deep, std::vector<std::wstring>& texts) {
    for (HTREEITEM item = parent ? TreeView_GetChild(tree, parent) : TreeView_GetRoot(tree); item;
         item = TreeView_GetNextSibling(tree, item)) {
        texts.push_back(TreeItemText(tree, item));
        if (deep) CollectTreeTexts(tree, item, true, texts);
    }
}

// The check marks of every item below parent (the top level for none), depth first.
void CollectTreeStates(HWND tree, HTREEITEM parent, std::vector<int>& states) {
    for (HTREEITEM item = parent ? TreeView_GetChild(tree, parent) : TreeView_GetRoot(tree); item;
         item = TreeView_GetNextSibling(tree, item)) {
        states.push_back(static_cast<int>(TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) >> 12));
        CollectTreeStates(tree, item, states);
    }
}

// What one remains window showed once its scan was over.
struct ScanSeen {
    std::vector<std::wstring> keys;   // top-level nodes of the registry tree: the matched keys
    std::vector<std::wstring> files;  // every node of the file tree, the install folder first
    std::vector<int> marks;           // every item of both trees, registry first
    bool heldOpen = false;            // the first window, kept open while others came and went
    bool ownerEnabled = true;         // the main window as the user could reach it at Cancel
};

// Watches this thread's windows from a thread timer, whose ticks are handled by whatever message
// loop runs, the remains window's modal one included. A remains window whose scan is over (its
// Cancel button enabled) is recorded and closed with Cancel; a message box is recorded and closed
// with OK, so a window nobody expected cannot hang the test.
class ScanWindowWatcher {
public:
    ScanWindowWatcher() {
        active_ = this;
        timer_ = SetTimer(nullptr, 0, 50, &ScanWindowWatcher::Tick);
    }
    ~ScanWindowWatcher() {
        KillTimer(nullptr, timer_);
        active_ = nullptr;
    }
    ScanWindowWatcher(const ScanWindowWatcher&) = delete;
    ScanWindowWatcher& operator=(const ScanWindowWatcher&) = delete;

    // Run for each finished scan just before its Cancel, the window still open.
    std::function<void()> beforeCancel;
    // Keeps the first remains window that appears open until `count` others have closed (or a
    // long while has passed), so that later uninstalls end while it is still open.
    void HoldFirstOpenUntilClosed(size_t count) { hold_ = count; }

    // In the order the scans were over.
    const std::vector<ScanSeen>& scans() const { return scans_; }
    const std::vector<std::wstring>& messages() const { return messages_; }
    // Remains windows closed other than the held one.
    size_t othersClosed() const { return othersClosed_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (active_ && !active_->busy_) {
            active_->busy_ = true;
            active_->Look();
            active_->busy_ = false;
        }
    }

    void Look() {
        std::vector<HWND> windows;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM found) -> BOOL {
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&windows));
        // The held window is let go only on a later tick than the one that closed the others, so
        // it is seen as the user sees it once they are gone.
        const size_t closedBefore = othersClosed_;
        for (HWND window : windows) {
            if (!IsWindowVisible(window)) continue;
            wchar_t className[64] = L"";
            GetClassNameW(window, className, 64);
            if (std::wstring(className) == L"#32770") {
                std::wstring texts;
                for (const std::wstring& text : ChildTexts(window)) texts += text + L"\n";
                messages_.push_back(texts);
                SendMessageW(window, WM_COMMAND, IDOK, 0);
            } else if (std::wstring(className) == TScanForm::kClassName) {
                ScanWindow(window, closedBefore);
            }
        }
    }

    void ScanWindow(HWND window, size_t closedBefore) {
        if (!first_) {
            first_ = window;
            firstSeenAt_ = GetTickCount();
        }
        HWND cancel = GetDlgItem(window, IDCANCEL);
        if (!cancel || !IsWindowEnabled(cancel)) return;  // still scanning
        const bool held = window == first_ && hold_ > 0;
        auto known = std::find(seen_.begin(), seen_.end(), window);
        if (known == seen_.end()) {
            seen_.push_back(window);
            scans_.push_back(Read(window));
            scans_.back().heldOpen = held;
            known = seen_.end() - 1;
        }
        if (held && closedBefore < hold_ && GetTickCount() - firstSeenAt_ < 60000) return;
        ScanSeen& scan = scans_[static_cast<size_t>(known - seen_.begin())];
        scan.ownerEnabled = IsWindowEnabled(GetWindow(window, GW_OWNER)) != FALSE;
        if (beforeCancel) beforeCancel();
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        if (!held) ++othersClosed_;
    }

    // The upper tree lists the registry remains, the lower one the files.
    static ScanSeen Read(HWND window) {
        std::vector<HWND> trees;
        EnumChildWindows(
            window,
            [](HWND child, LPARAM found) -> BOOL {
                wchar_t className[64] = L"";
                GetClassNameW(child, className, 64);
                if (std::wstring(className) == WC_TREEVIEWW)
                    reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&trees));
        ScanSeen seen;
        if (trees.size() != 2) return seen;
        RECT first{}, second{};
        GetWindowRect(trees[0], &first);
        GetWindowRect(trees[1], &second);
        if (second.top < first.top) std::swap(trees[0], trees[1]);
        CollectTreeTexts(trees[0], nullptr, false, seen.keys);
        CollectTreeTexts(trees[1], nullptr, true, seen.files);
        CollectTreeStates(trees[0], nullptr, seen.marks);
        CollectTreeStates(trees[1], nullptr, seen.marks);
        return seen;
    }

    static ScanWindowWatcher* active_;
    UINT_PTR timer_ = 0;
    bool busy_ = false;
    size_t hold_ = 0;
    size_t othersClosed_ = 0;
    HWND first_ = nullptr;
    DWORD firstSeenAt_ = 0;
    std::vector<HWND> seen_;
    std::vector<ScanSeen> scans_;
    std::vector<std::wstring> messages_;
};

ScanWindowWatcher* ScanWindowWatcher::active_ = nullptr;

// The remains window of a program whose uninstaller left its vendor keys and some files (or did
// not run at all): keys of that name only, and its install folder with those files in it.
void ExpectScanOf(const ScanSeen& scan, const TestSample& sample) {
    const std::wstring& key = sample.keyName();
    EXPECT_TRUE(Contains(scan.keys, L"HKEY_CURRENT_USER\\SOFTWARE\\" + key)) << ToUtf8(key);
    EXPECT_TRUE(Contains(scan.keys, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\" + key)) << ToUtf8(key);
    for (const std::wstring& text : scan.keys)
        EXPECT_TRUE(EndsWith(text, L"\\" + key)) << ToUtf8(text) << " in the scan of " << ToUtf8(key);
    ASSERT_FALSE(scan.files.empty()) << "no file tree in the scan of " << ToUtf8(key);
    EXPECT_EQ(scan.files.front(), sample.installDir());
    for (const std::wstring& file : samples::RemainingFiles())
        EXPECT_TRUE(Contains(scan.files, sample.installDir() + file)) << ToUtf8(file);
    for (const std::wstring& text : scan.files)
        EXPECT_TRUE(StartsWith(text, sample.installDir())) << ToUtf8(text) << " in the scan of " << ToUtf8(key);
}

// The scan whose file tree starts at that folder, or none.
const ScanSeen* ScanOfFolder(const std::vector<ScanSeen>& scans, const std::wstring& folder) {
    for (const ScanSeen& scan : scans)
        if (!scan.files.empty() && scan.files.front() == folder) return &scan;
    return nullptr;
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

        // As the program starts it: the catalogue read on a thread of its own meanwhile.
        firstRead_ = new CatalogueRead(HideSysPatch, HideScreenSaver);
        form_ = new TMainForm(GetModuleHandleW(nullptr));
        ASSERT_TRUE(form_->Create(firstRead_));
        form_->TakeFirstRead();
        ASSERT_TRUE(form_->HasFirstRead());
        form_->Show();
        Pump();
    }
    static void TearDownTestSuite() {
        if (form_ && IsWindow(form_->Handle())) DestroyWindow(form_->Handle());
        delete form_;
        delete firstRead_;
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
        g_questions.clear();
        g_defaults.clear();
        g_answer = false;
    }

    HWND main() const { return form_->Handle(); }
    HMENU menu(TMainForm::MenuName name) const { return form_->Menu(name); }
    HWND list() const { return FindDescendant(main(), IDC_PROGRAM_LIST); }
    HWND control(int id) const { return FindDescendant(main(), id); }
    void Command(int id) {
        SendMessageW(main(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Pump();
    }
    // As a plain click: that row alone.
    void Select(int row) {
        ListView_SetItemState(list(), -1, 0, LVIS_SELECTED);
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Pump();
    }
    // Uninstall on the row with that caption; the action returns while the uninstaller runs.
    void StartUninstall(const std::wstring& caption) {
        const int row = RowOf(list(), caption);
        ASSERT_GE(row, 0) << ToUtf8(caption);
        Select(row);
        ASSERT_TRUE(IsWindowEnabled(control(ActionUninstall)));
        Command(ActionUninstall);
    }
    // A slow and a quick uninstall at once, another program selected meanwhile, Yes to both; the
    // first remains window is held open until the other one has come and gone.
    void UninstallTwoAtOnce(ScanWindowWatcher& watcher, const TestSample& slow, const TestSample& quick) {
        Command(ActionRefresh);
        g_answer = true;
        watcher.HoldFirstOpenUntilClosed(1);
        StartUninstall(slow.caption());
        StartUninstall(quick.caption());
        Select(RowOf(list(), L"Plain office helper"));
        ASSERT_TRUE(PumpUntil([] { return g_questions.size() >= 2; }));
        ASSERT_EQ(g_questions.size(), 2u);
        ASSERT_EQ(watcher.scans().size(), 2u);
        ASSERT_EQ(watcher.othersClosed(), 1u) << "the second window did not come while the first was open";
    }
    // Real key presses, handled as the program's message loop does: the window's first look,
    // then the dialog keys.
    static void Press(HWND control, std::initializer_list<WORD> chord) {
        PressKeys(control, chord);
        const ULONGLONG until = GetTickCount64() + 300;  // the keys come through the input queue
        while (GetTickCount64() < until) {
            Pump([](const MSG& message) {
                MSG copy = message;
                return form_->PreTranslate(message) || IsDialogMessageW(form_->Handle(), &copy);
            });
            Sleep(10);
        }
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
    static CatalogueRead* firstRead_;
};

ComApartment* MainForm::com_ = nullptr;
ScratchFolder* MainForm::folder_ = nullptr;
TMainForm* MainForm::form_ = nullptr;
CatalogueRead* MainForm::firstRead_ = nullptr;

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
    // A program row enables the commands on a program, in the Tools menu as in the row menu.
    EXPECT_TRUE(MenuEnabled(menu(M::Tools), ActionComment));
    EXPECT_TRUE(MenuEnabled(menu(M::ProgramRow), ActionRegedit));
    EXPECT_TRUE(MenuEnabled(menu(M::File), ActionExportReg));
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

// A switch that cannot be saved in Config.ini, or to a language file gone since the menu was
// filled, is said rather than dropped.
TEST_F(MainForm, ALanguageSwitchThatFailsSaysWhat) {
    auto entries = ListLanguageFiles(AppPaths.LangDir, AppPaths.LangPath);
    auto itemOf = [&](const std::wstring& caption) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].caption == caption) return kLanguageItemFirst + static_cast<int>(i);
        return -1;
    };
    HMENU languages = menu(TMainForm::MenuName::Languages);
    {
        UniqueHandle held = AdoptFileHandle(CreateFileW(AppPaths.ConfigPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                        nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        Command(itemOf(L"Deutsch"));
    }
    EXPECT_TRUE(MenuChecked(languages, itemOf(L"Deutsch")));  // switched all the same
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0], Format(LangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed).c_str(), AppPaths.ConfigPath.c_str()));
    EXPECT_EQ(ConfigValue(L"LanguageFile"), L"English.ini");
    g_reports.clear();

    const std::wstring chinese = AppPaths.LangDir + L"Chinese.ini", aside = chinese + L".aside";
    ASSERT_TRUE(MoveFileW(chinese.c_str(), aside.c_str()));
    Command(itemOf(L"Chinese"));
    MoveFileW(aside.c_str(), chinese.c_str());
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0], ReadFailedText(chinese, SystemErrorText(ERROR_FILE_NOT_FOUND)));
    EXPECT_TRUE(MenuChecked(languages, itemOf(L"Deutsch")));
    g_reports.clear();
    Command(itemOf(L"English"));
    EXPECT_EQ(ConfigValue(L"LanguageFile"), L"English.ini");
}

// Any program of the desktop can send the window this message. One that names no wait the window
// started is ignored: no question, and its lParam is never read.
TEST_F(MainForm, AForgedUninstallDoneMessageIsIgnored) {
    uninstall::UninstallDone forged;
    forged.keyName = L"PurgeonUiPlain";
    forged.displayName = L"Plain office helper";
    forged.keyPath = L"HKEY_LOCAL_MACHINE\\" + samples::UninstallKeyPath(L"PurgeonUiPlain");
    forged.started = true;
    for (WPARAM id : {WPARAM(0), WPARAM(1), WPARAM(2), WPARAM(1000)})
        SendMessageW(main(), WM_UNINSTALL_DONE, id, reinterpret_cast<LPARAM>(&forged));
    Pump();
    EXPECT_TRUE(g_questions.empty());
    EXPECT_GE(RowOf(list(), L"Plain office helper"), 0);
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
    const std::wstring command = L"%SystemRoot%\\notepad.exe /min";
    UniqueHKey run = UserRunKeyWith(L"PurgeonUiStartup", command, REG_EXPAND_SZ);

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

// Tab walks every control of the page that takes the focus, once each, and Shift+Tab walks the
// same way back.
TEST_F(MainForm, TabWalksEveryControlOnceAndShiftTabWalksBack) {
    const auto walk = [](std::initializer_list<WORD> chord) {
        std::vector<HWND> walked;
        SetFocus(FindDescendant(form_->Handle(), IDC_PROGRAM_LIST));
        do Press(GetFocus(), chord), walked.push_back(GetFocus());
        while (walked.size() < 40 && walked.back() != FindDescendant(form_->Handle(), IDC_PROGRAM_LIST));
        return walked;
    };
    Select(0);  // Uninstall and Show Details take part only with a row to act on
    const std::vector<HWND> forward = walk({VK_TAB});
    ASSERT_EQ(forward.back(), list()) << "Tab never came back to the list";
    for (int id : {static_cast<int>(IDC_BTN_FILE), static_cast<int>(IDC_BTN_HELP), static_cast<int>(ActionUninstall),
                   static_cast<int>(ActionRefresh), static_cast<int>(IDC_TXT_SEARCH), static_cast<int>(ActionSearch),
                   static_cast<int>(ActionHideSysPatch)})
        EXPECT_EQ(std::count(forward.begin(), forward.end(), control(id)), 1) << "control " << id;
    std::vector<HWND> back = walk({VK_SHIFT, VK_TAB});
    std::reverse(back.begin(), back.end() - 1);
    EXPECT_EQ(back, forward);
    // A picture with the focus mark on a skinned button, for a look.
    Press(control(ActionShowDetails), {VK_TAB});
    EXPECT_TRUE(SaveWindowPicture(main(), ExtractFilePath(ExcludeTrailingBackslash(BinDir())) + L"main-window-focus.bmp"));
}

// Row menus opened during a test, each closed at once: it would wait for a click.
int g_menusOpened = 0;
HMENU g_lastMenuOpened = nullptr;
void CALLBACK CloseOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return;
    ++g_menusOpened;
    g_lastMenuOpened = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
    EndMenu();
}

// Real key presses on both pages, through the program's own first look at each message: Enter
// and Delete uninstall, Space checks, Delete asks, the menu key and Shift+F10 open the row menu.
TEST_F(MainForm, TheListsAnswerTheirKeys) {
    const auto press = [this](HWND control, std::initializer_list<WORD> chord) { Press(control, chord); };
    const TestSample sample(L"PurgeonUiKeys", L"Keyboard sample", samples::UninstallBehaviour::Nothing);
    Command(ActionRefresh);
    for (WORD key : {VK_RETURN, VK_DELETE}) {
        Select(RowOf(list(), sample.caption()));
        press(list(), {key});
        // Its uninstaller ran, left its entry and ended: the question that follows.
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); })) << "key " << key;
        g_questions.clear();
    }
    const UINT_PTR closer = SetTimer(nullptr, 0, 50, CloseOpenMenu);
    g_menusOpened = 0;
    press(list(), {VK_SHIFT, VK_F10});
    press(list(), {VK_APPS});
    EXPECT_EQ(g_menusOpened, 2);
    KillTimer(nullptr, closer);

    // Alt and a menu button's first letter open its menu; the arrows walk to its neighbours.
    static std::vector<HMENU> walked;
    walked.clear();
    const UINT_PTR walker = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND open = FindWindowW(L"#32768", nullptr);
        HMENU menu = open && IsWindowVisible(open) ? reinterpret_cast<HMENU>(SendMessageW(open, MN_GETHMENU, 0, 0)) : nullptr;
        if (!menu || (!walked.empty() && walked.back() == menu)) return;
        walked.push_back(menu);
        if (walked.size() == 1) PressKeys(GetFocus(), {VK_RIGHT});
        else if (walked.size() == 2) PressKeys(GetFocus(), {VK_LEFT});
        else if (walked.size() == 3) PressKeys(GetFocus(), {VK_LEFT});
        else EndMenu();
    });
    press(list(), {VK_MENU, 'F'});
    KillTimer(nullptr, walker);
    const std::vector<HMENU> expected = {menu(TMainForm::MenuName::File), menu(TMainForm::MenuName::View),
                                         menu(TMainForm::MenuName::File), menu(TMainForm::MenuName::Help)};
    EXPECT_EQ(walked, expected);

    UniqueHKey run = UserRunKeyWith(L"PurgeonUiKeys", L"C:\\Tools\\keys.exe");
    Command(ActionTabStartupItems);
    HWND startup = control(IDC_STARTUP_LIST);
    const int row = RowOf(startup, L"PurgeonUiKeys");
    ASSERT_GE(row, 0);
    ListView_SetItemState(startup, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const bool checked = ListView_GetCheckState(startup, row);
    press(startup, {VK_SPACE});
    EXPECT_NE(ListView_GetCheckState(startup, row) != 0, checked);
    press(startup, {VK_SPACE});
    EXPECT_EQ(ListView_GetCheckState(startup, row) != 0, checked);
    g_answer = false;
    press(startup, {VK_DELETE});
    EXPECT_EQ(g_questions.size(), 1u);
    EXPECT_EQ(RowOf(startup, L"PurgeonUiKeys"), row);
    const UINT_PTR closer2 = SetTimer(nullptr, 0, 50, CloseOpenMenu);
    press(startup, {VK_SHIFT, VK_F10});
    EXPECT_EQ(g_menusOpened, 3);
    KillTimer(nullptr, closer2);
    RegDeleteValueW(run.get(), L"PurgeonUiKeys");
    g_questions.clear();
    Command(ActionTabProgramList);
}

// Captions in scripts without Latin letters keep the built-in captions' access keys.
TEST_F(MainForm, MenuButtonsCaptionedInChineseOpenWithTheBuiltInLetters) {
    const auto entries = ListLanguageFiles(AppPaths.LangDir, AppPaths.LangPath);
    auto itemOf = [&](const std::wstring& caption) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].caption == caption) return kLanguageItemFirst + static_cast<int>(i);
        return -1;
    };
    ASSERT_GE(itemOf(L"Chinese"), 0);
    Command(itemOf(L"Chinese"));
    ASSERT_EQ(WindowText(FindDescendant(main(), IDC_BTN_HELP)), L"\u5e2e\u52a9");
    const UINT_PTR closer = SetTimer(nullptr, 0, 50, CloseOpenMenu);
    g_lastMenuOpened = nullptr;
    Press(list(), {VK_MENU, 'H'});
    KillTimer(nullptr, closer);
    EXPECT_EQ(g_lastMenuOpened, menu(TMainForm::MenuName::Help));
    Command(itemOf(L"English"));
}

TEST_F(MainForm, StartupDeleteAsksFirstAndRemovesBothForms) {
    UniqueHKey run = UserRunKeyWith(L"PurgeonUiDelete", L"C:\\Tools\\gone.exe");
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
    {
        TestSample missing(L"PurgeonUiMissing", L"Missing Uninstaller App", samples::UninstallBehaviour::Missing);
        TestSample gone(L"PurgeonUiGone", L"Gone After Uninstall", samples::UninstallBehaviour::RemoveAll);
        Command(ActionRefresh);
        g_answer = false;

        // An uninstaller that cannot be started: the clear-up question.
        StartUninstall(missing.caption());
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
        EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_UninstallFailed));

        // One that runs to its end: the remains question, after the program is gone; No keeps the list.
        g_questions.clear();
        StartUninstall(gone.caption());
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
        EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_ScanRemains));
        EXPECT_FALSE(UninstallEntryExists(gone.keyName()));  // the uninstaller ran to its end first
        EXPECT_GE(RowOf(list(), gone.caption()), 0);
    }
    Command(ActionRefresh);
}

// The selection moves on while the uninstaller runs. The question and the remains window still
// belong to the program that was uninstalled, and the list is refilled once the window closes.
TEST_F(MainForm, YesScansTheUninstalledProgramWhateverIsSelectedByThen) {
    {
        TestSample slow(L"PurgeonUiScanSlow", L"Slow Leftover Maker", samples::UninstallBehaviour::Slow);
        Command(ActionRefresh);
        bool entryLeftAtQuestion = true;
        OnQuestion look([&] { entryLeftAtQuestion = UninstallEntryExists(slow.keyName()); });
        g_answer = true;
        ScanWindowWatcher watcher;
        bool listedWhileOpen = false;
        watcher.beforeCancel = [&] { listedWhileOpen = RowOf(list(), slow.caption()) >= 0; };

        StartUninstall(slow.caption());
        Select(RowOf(list(), L"Plain office helper"));
        // This uninstaller takes its time, so the selection has moved before it ends.
        ASSERT_TRUE(g_questions.empty());
        ASSERT_EQ(WindowText(control(IDC_LBL_REGISTRYNAME)), L"PurgeonUiPlain");

        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
        ASSERT_EQ(g_questions.size(), 1u);
        EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_ScanRemains));
        EXPECT_FALSE(entryLeftAtQuestion) << "asked before the uninstaller ended";
        ASSERT_EQ(watcher.scans().size(), 1u);
        ExpectScanOf(watcher.scans()[0], slow);
        EXPECT_FALSE(watcher.scans()[0].ownerEnabled) << "the remains window is not modal";
        EXPECT_TRUE(watcher.messages().empty());
        EXPECT_TRUE(listedWhileOpen) << "the list was refilled before the window closed";
        EXPECT_EQ(RowOf(list(), slow.caption()), -1) << "the list was not refilled after the window closed";
    }
    Command(ActionRefresh);
}

// Two uninstalls at once. The quicker one's remains window is held open until the slower one has
// ended: its question and window come on top, and each window scans its own program.
TEST_F(MainForm, TwoUninstallsAtOnceEachScanTheirOwnProgram) {
    {
        TestSample slow(L"PurgeonUiTwoSlow", L"Two Slow Leftovers", samples::UninstallBehaviour::Slow);
        TestSample quick(L"PurgeonUiTwoQuick", L"Two Quick Leftovers", samples::UninstallBehaviour::Remains);
        ScanWindowWatcher watcher;
        ASSERT_NO_FATAL_FAILURE(UninstallTwoAtOnce(watcher, slow, quick));
        for (const std::wstring& question : g_questions)
            EXPECT_EQ(question, LangText(IDS_MESSAGEBOX_WARNING_ScanRemains));
        for (const TestSample* sample : {&slow, &quick}) {
            const ScanSeen* scan = ScanOfFolder(watcher.scans(), sample->installDir());
            ASSERT_NE(scan, nullptr) << "no remains window for " << ToUtf8(sample->keyName());
            ExpectScanOf(*scan, *sample);
        }
        // The first window stays modal too once the one that came on top of it has closed.
        for (const ScanSeen& scan : watcher.scans())
            EXPECT_FALSE(scan.ownerEnabled) << (scan.heldOpen ? "under the first window" : "under the top window");
        EXPECT_EQ(RowOf(list(), slow.caption()), -1);
        EXPECT_EQ(RowOf(list(), quick.caption()), -1);
    }
    Command(ActionRefresh);
}

// The two other ways an uninstall ends. An uninstaller that is gone: Yes to the clear-up question
// scans that program, its Uninstall entry with the rest. One that hands its work to a copy of
// itself and exits at once: the question waits for the copy; the copy removed everything, so Yes
// finds nothing, says so, and the list is refilled.
TEST_F(MainForm, MissingAndHandedOverUninstallersLeadToTheirQuestionAndScan) {
    {
        TestSample missing(L"PurgeonUiScanMissing", L"Scan After Missing Uninstaller",
                           samples::UninstallBehaviour::Missing);
        TestSample handover(L"PurgeonUiHandover", L"Handed Over Uninstall", samples::UninstallBehaviour::Handover);
        Command(ActionRefresh);
        g_answer = true;
        ScanWindowWatcher watcher;

        StartUninstall(missing.caption());
        Select(RowOf(list(), L"Plain office helper"));
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
        EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_UninstallFailed));
        ASSERT_EQ(watcher.scans().size(), 1u);
        ExpectScanOf(watcher.scans()[0], missing);
        EXPECT_TRUE(Contains(watcher.scans()[0].keys,
                             L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                 missing.keyName()));

        g_questions.clear();
        bool entryLeftAtQuestion = true, folderLeftAtQuestion = true;
        OnQuestion look([&] {
            entryLeftAtQuestion = UninstallEntryExists(handover.keyName());
            folderLeftAtQuestion = DirectoryExists(handover.installDir());
        });
        StartUninstall(handover.caption());
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
        EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_ScanRemains));
        EXPECT_FALSE(entryLeftAtQuestion) << "asked before the handed-over copy finished";
        EXPECT_FALSE(folderLeftAtQuestion) << "asked before the handed-over copy finished";
        EXPECT_EQ(watcher.scans().size(), 1u);
        ASSERT_EQ(watcher.messages().size(), 1u);
        EXPECT_NE(watcher.messages()[0].find(LangText(IDS_MESSAGEBOX_WARNING_Noremains)), std::wstring::npos)
            << ToUtf8(watcher.messages()[0]);
        EXPECT_EQ(RowOf(list(), handover.caption()), -1);
    }
    Command(ActionRefresh);
}

TEST_F(MainForm, ScreenSaverDeleteAsksMovesItIntoTheBackupFolderAndDropsItsRow) {
    const std::wstring saverPath = samples::ScreenSaverPath();
    const std::string saverBytes = ReadFileBytes(saverPath);
    const std::wstring cacheCopy = IncludeTrailingBackslash(SystemDirectory()) + L"dllcache\\" + samples::kSaverFile;
    const auto saverRow = [&] {
        auto captions = Captions(list());
        auto at = std::find_if(captions.begin(), captions.end(),
                               [](const std::wstring& c) { return c.rfind(L"[Screen Saver]", 0) == 0 &&
                                                                  c.find(L"Sample") != std::wstring::npos; });
        return at == captions.end() ? -1 : static_cast<int>(at - captions.begin());
    };
    RemoveTree(ExcludeTrailingBackslash(AppPaths.ScrBackupDir));
    SendMessageW(control(ActionHideScr), BM_CLICK, 0, 0);  // screen savers shown
    Pump();
    ASSERT_GE(saverRow(), 0);
    g_questions.clear();

    // No: nothing moves, and the backup folder is not made.
    g_answer = false;
    Select(saverRow());
    Command(ActionUninstall);
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_DeleteScr));
    EXPECT_EQ(ReadFileBytes(saverPath), saverBytes);
    EXPECT_FALSE(DirectoryExists(AppPaths.ScrBackupDir));
    EXPECT_GE(saverRow(), 0);

    // Yes: the saver goes into the backup folder with its cache copy deleted, and its row goes.
    g_answer = true;
    CreateDirectoryW(ExtractFilePath(cacheCopy).c_str(), nullptr);
    WriteFileBytes(cacheCopy, saverBytes);
    Command(ActionUninstall);
    EXPECT_FALSE(FileExists(saverPath));
    EXPECT_FALSE(FileExists(cacheCopy));
    EXPECT_EQ(ReadFileBytes(AppPaths.ScrBackupDir + samples::kSaverFile), saverBytes);
    EXPECT_EQ(saverRow(), -1);

    // The same saver again, by double-click: the older backup stays, this one takes a new name.
    samples::InstallScreenSaver(BinDir());
    Command(ActionRefresh);
    Select(saverRow());
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = list();
    click.hdr.idFrom = IDC_PROGRAM_LIST;
    click.hdr.code = NM_DBLCLK;
    click.iItem = saverRow();
    SendMessageW(main(), WM_NOTIFY, IDC_PROGRAM_LIST, reinterpret_cast<LPARAM>(&click));
    Pump();
    EXPECT_EQ(g_questions.size(), 3u);
    EXPECT_FALSE(FileExists(saverPath));
    EXPECT_EQ(ReadFileBytes(AppPaths.ScrBackupDir + samples::kSaverFile), saverBytes);
    EXPECT_EQ(ReadFileBytes(AppPaths.ScrBackupDir + L"SampleSaver (2).scr"), saverBytes);
    EXPECT_EQ(saverRow(), -1);

    g_questions.clear();
    g_answer = false;
    samples::InstallScreenSaver(BinDir());
    RemoveDirectoryW(ExtractFilePath(cacheCopy).c_str());
    SendMessageW(control(ActionHideScr), BM_CLICK, 0, 0);
    Pump();
}

// A program whose name begins with "[" is a program all the same: a double click on its row runs
// its uninstaller, and no screen saver is asked about or touched.
TEST_F(MainForm, ProgramNamedLikeAScreenSaverIsUninstalledOnDoubleClick) {
    const std::wstring saverPath = samples::ScreenSaverPath();
    const std::string saverBytes = ReadFileBytes(saverPath);
    {
        TestSample beta(L"PurgeonUiBeta", L"[Beta] Some Tool", samples::UninstallBehaviour::RemoveAll);
        SendMessageW(control(ActionHideScr), BM_CLICK, 0, 0);  // screen saver rows listed too
        Pump();
        const int row = RowOf(list(), beta.caption());
        ASSERT_GE(row, 0);
        Select(row);
        EXPECT_EQ(WindowText(control(ActionUninstall)), L"Uninstall");
        EXPECT_TRUE(IsWindowEnabled(control(ActionShowDetails)));
        g_answer = false;
        RECT item{};
        item.left = LVIR_LABEL;
        SendMessageW(list(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
        SendMessageW(list(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageW(list(), WM_LBUTTONUP, 0, at);
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
        EXPECT_EQ(g_questions, std::vector<std::wstring>{LangText(IDS_MESSAGEBOX_WARNING_ScanRemains)});
        EXPECT_FALSE(UninstallEntryExists(beta.keyName()));  // its own uninstaller ran
        EXPECT_EQ(ReadFileBytes(saverPath), saverBytes);
    }
    SendMessageW(control(ActionHideScr), BM_CLICK, 0, 0);
    Command(ActionRefresh);
}

// A Windows Installer product is uninstalled, not modified: its entry's "MsiExec.exe /I{code}"
// only opens the maintenance dialog, so Uninstall runs "MsiExec.exe /X{code}", as Windows' own
// program list does.
TEST_F(MainForm, WindowsInstallerProductIsRemovedWithItsProductCode) {
    const std::wstring code = L"{6D1C3E2A-8B47-4F5A-9C13-2E7B9A4D5F60}";
    DWORD exitCode = 1;
    CaptureOutput(SystemDirectory() + L"\\msiexec.exe", L"/i \"" + BinDir() + L"testdata\\PurgeonMsiSample.msi\" /qn",
                  &exitCode);
    ASSERT_EQ(exitCode, 0u);
    ASSERT_TRUE(UninstallEntryExists(code));
    const std::wstring file = samples::ProgramFilesDir() + L"PurgeonMsiSample\\readme.txt";
    ASSERT_TRUE(FileExists(file));
    Command(ActionRefresh);
    g_answer = false;
    StartUninstall(L"Purgeon MSI Sample");
    ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
    EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_ScanRemains));
    EXPECT_FALSE(UninstallEntryExists(code));
    EXPECT_FALSE(FileExists(file));
    Command(ActionRefresh);
}

// An uninstall command stored as REG_EXPAND_SZ with "%ProgramFiles%" is expanded and started,
// not taken for one that cannot be started.
TEST_F(MainForm, ExpandableUninstallCommandIsStarted) {
    {
        TestSample sample(L"PurgeonUiExpand", L"Expandable Command App", samples::UninstallBehaviour::RemoveAll);
        UniqueHKey entry;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, samples::UninstallKeyPath(sample.keyName()).c_str(), 0,
                                KEY_ALL_ACCESS | KEY_WOW64_64KEY, entry.put()),
                  ERROR_SUCCESS);
        std::wstring command = ReadRegString(entry.get(), L"UninstallString").value_or(L"");
        const std::wstring programFiles = ExcludeTrailingBackslash(samples::ProgramFilesDir());
        const size_t at = command.find(programFiles);
        ASSERT_NE(at, std::wstring::npos) << ToUtf8(command);
        command.replace(at, programFiles.size(), L"%ProgramFiles%");
        ASSERT_EQ(RegSetValueExW(entry.get(), L"UninstallString", 0, REG_EXPAND_SZ,
                                 reinterpret_cast<const BYTE*>(command.c_str()),
                                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        Command(ActionRefresh);
        g_answer = false;
        StartUninstall(sample.caption());
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
        EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_ScanRemains));
        EXPECT_FALSE(UninstallEntryExists(sample.keyName()));
    }
    Command(ActionRefresh);
}

namespace {

// Presses a button of the NSIS sample's uninstaller window as soon as it shows, from a thread of
// its own, as a user would: IDOK is its "Uninstall" button, IDCANCEL its "Cancel".
class NsisUninstallerDriver {
public:
    explicit NsisUninstallerDriver(int button) : button_(button), thread_([this] { Drive(); }) {}
    ~NsisUninstallerDriver() {
        stop_ = true;
        thread_.join();
    }
    NsisUninstallerDriver(const NsisUninstallerDriver&) = delete;
    NsisUninstallerDriver& operator=(const NsisUninstallerDriver&) = delete;
    bool pressed() const { return pressed_; }

private:
    void Drive() {
        for (int tries = 0; tries < 600 && !stop_ && !pressed_; ++tries) {
            EnumWindows(
                [](HWND window, LPARAM self) -> BOOL {
                    auto* driver = reinterpret_cast<NsisUninstallerDriver*>(self);
                    if (!IsWindowVisible(window) || WindowText(window).rfind(L"Purgeon NSIS Sample Uninstall", 0) != 0)
                        return TRUE;
                    PostMessageW(window, WM_COMMAND, MAKEWPARAM(driver->button_, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(GetDlgItem(window, driver->button_)));
                    driver->pressed_ = true;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(this));
            Sleep(100);
        }
    }

    const int button_;
    std::atomic<bool> stop_{false}, pressed_{false};
    std::thread thread_;
};

const std::wstring kNsisKey = L"PurgeonNsisSample";

void InstallNsisSample() {
    DWORD exitCode = 1;
    CaptureOutput(BinDir() + L"testdata\\PurgeonNsisSample-setup.exe", L"/S", &exitCode);
    ASSERT_EQ(exitCode, 0u);
    ASSERT_TRUE(UninstallEntryExists(kNsisKey));
}

// Ends any NSIS sample uninstaller still showing, so a failed test leaves no process behind.
void EndNsisUninstallers() {
    EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
            if (WindowText(window).rfind(L"Purgeon NSIS Sample Uninstall", 0) != 0) return TRUE;
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
            if (process) TerminateProcess(process.get(), 1);
            return TRUE;
        },
        0);
}

void RemoveNsisSample() {
    EndNsisUninstallers();
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, samples::UninstallKeyPath(kNsisKey).c_str(), KEY_WOW64_64KEY, 0);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Purgeon Sample Software\\PurgeonNsisSample");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\PurgeonNsisSample");
    RemoveTree(samples::ProgramFilesDir() + L"PurgeonNsisSample");
}

}  // namespace

// Whether the program's key is still there decides, whatever the exit code: a removed program
// gets the usual question; one that is still installed gets a message saying so, with the
// uninstaller's exit code (the handed-over copy's after a handover), and No as its default.
TEST_F(MainForm, StillInstalledProgramsAreNeverOfferedAsRemains) {
    struct Case {
        const wchar_t* name;
        samples::UninstallBehaviour behaviour, handoverWork;
        DWORD exitCode;
        bool removed;
    } cases[] = {
        {L"PurgeonUiFailKeeps", samples::UninstallBehaviour::Nothing, samples::UninstallBehaviour::RemoveAll, 3, false},
        {L"PurgeonUiFailGoes", samples::UninstallBehaviour::RemoveAll, samples::UninstallBehaviour::RemoveAll, 3, true},
        {L"PurgeonUiOkKeeps", samples::UninstallBehaviour::Nothing, samples::UninstallBehaviour::RemoveAll, 0, false},
        {L"PurgeonUiHandKeeps", samples::UninstallBehaviour::Handover, samples::UninstallBehaviour::Nothing, 7, false},
    };
    for (const Case& c : cases) {
        samples::SampleSpec spec;
        spec.name = c.name;
        spec.displayName = std::wstring(c.name) + L" App";
        spec.behaviour = c.behaviour;
        spec.handoverWork = c.handoverWork;
        spec.exitCode = c.exitCode;
        samples::InstalledSample installed = samples::InstallSample(spec, BinDir());
        Command(ActionRefresh);
        g_questions.clear();
        g_defaults.clear();
        g_answer = false;  // as Enter would answer the still-installed message
        StartUninstall(spec.displayName);
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); })) << ToUtf8(spec.name);
        ASSERT_EQ(g_questions.size(), 1u);
        if (c.removed) {
            EXPECT_EQ(g_questions[0], LangText(IDS_MESSAGEBOX_WARNING_ScanRemains)) << ToUtf8(spec.name);
            EXPECT_EQ(g_defaults[0], DefaultAnswer::Yes);
        } else {
            EXPECT_EQ(g_questions[0], Format(LangText(IDS_MESSAGEBOX_WARNING_StillInstalledExitCode).c_str(),
                                             spec.displayName.c_str(), static_cast<unsigned long>(c.exitCode)))
                << ToUtf8(spec.name);
            EXPECT_EQ(g_defaults[0], DefaultAnswer::No) << ToUtf8(spec.name);
            // No: the program is whole.
            EXPECT_TRUE(UninstallEntryExists(installed.keyName));
            for (const std::wstring& file : installed.files) EXPECT_TRUE(FileExists(installed.installDir + file));
        }
        samples::RemoveSample(spec);
    }
    Command(ActionRefresh);
}

// A real NSIS installer: an uninstall carried through gets the usual question and a scan offering
// what it left behind, checked; one cancelled on its first page gets the still-installed message,
// and the program stays whole.
TEST_F(MainForm, RealNsisUninstallerCompletedOrCancelled) {
    InstallNsisSample();
    struct Cleanup {
        ~Cleanup() { RemoveNsisSample(); }
    } cleanup;
    const std::wstring folder = samples::ProgramFilesDir() + L"PurgeonNsisSample\\";
    auto expectWhole = [&] {
        EXPECT_TRUE(UninstallEntryExists(kNsisKey));
        for (const wchar_t* file : {L"readme.txt", L"uninstall.exe", L"data\\settings.ini"})
            EXPECT_TRUE(FileExists(folder + file)) << ToUtf8(file);
    };
    Command(ActionRefresh);
    g_answer = false;
    {
        NsisUninstallerDriver cancel(IDCANCEL);
        StartUninstall(L"Purgeon NSIS Sample");
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
        EXPECT_TRUE(cancel.pressed());
    }
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_NE(g_questions[0].find(L"Purgeon NSIS Sample is still installed"), std::wstring::npos) << ToUtf8(g_questions[0]);
    EXPECT_EQ(g_defaults[0], DefaultAnswer::No);
    expectWhole();

    // The user looks anyway: everything is listed, nothing checked, and the program stays whole.
    g_questions.clear();
    g_defaults.clear();
    g_answer = true;
    {
        ScanWindowWatcher watcher;
        NsisUninstallerDriver cancel(IDCANCEL);
        StartUninstall(L"Purgeon NSIS Sample");
        ASSERT_TRUE(PumpUntil([&] { return !watcher.scans().empty(); }));
        const ScanSeen& scan = watcher.scans().front();
        EXPECT_TRUE(Contains(scan.keys, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                            kNsisKey + L"    (" + LangText(IDS_SCANFORM_UNCHECKED_StillInstalled) + L")"));
        ASSERT_FALSE(scan.files.empty());
        for (int mark : scan.marks) EXPECT_EQ(mark, remains::kUnchecked);
        ASSERT_TRUE(PumpUntil([&] { return watcher.othersClosed() == 1; }));
    }
    g_answer = false;
    expectWhole();

    // Carried through, then Yes: what it left behind is offered, checked.
    g_questions.clear();
    g_defaults.clear();
    g_answer = true;
    {
        ScanWindowWatcher watcher;
        NsisUninstallerDriver carryOut(IDOK);
        StartUninstall(L"Purgeon NSIS Sample");
        ASSERT_TRUE(PumpUntil([&] { return watcher.othersClosed() == 1; }));
        EXPECT_TRUE(carryOut.pressed());
        const ScanSeen& scan = watcher.scans().front();
        ASSERT_FALSE(scan.files.empty());
        EXPECT_EQ(scan.files.front(), ExcludeTrailingBackslash(folder));
        EXPECT_TRUE(Contains(scan.files, folder + L"data\\settings.ini"));
        ASSERT_GE(scan.marks.size(), scan.files.size());
        for (size_t i = scan.marks.size() - scan.files.size(); i < scan.marks.size(); ++i)
            EXPECT_EQ(scan.marks[i], remains::kChecked) << ToUtf8(scan.files[i - (scan.marks.size() - scan.files.size())]);
    }
    g_answer = false;
    EXPECT_EQ(g_questions, std::vector<std::wstring>{LangText(IDS_MESSAGEBOX_WARNING_ScanRemains)});
    EXPECT_FALSE(UninstallEntryExists(kNsisKey));
    EXPECT_FALSE(FileExists(folder + L"readme.txt"));
    EXPECT_TRUE(FileExists(folder + L"data\\settings.ini"));  // what it leaves behind, as Cancel keeps it
    Command(ActionRefresh);
}

// A 32-bit program's entry (under WOW6432Node): its row names its key, its own uninstall command
// runs, and the scan offers its keys in the 32-bit view and its folder.
TEST_F(MainForm, ThirtyTwoBitProgramIsUninstalledAndScannedInItsOwnView) {
    const std::wstring name = L"PurgeonUi32";
    const std::wstring entryPath = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    const std::wstring folder = samples::ProgramFilesDir() + L"Purgeon 32\\" + name + L"\\";
    ASSERT_TRUE(ForceDirectories(folder));
    WriteFileBytes(folder + L"settings.ini", "[x]\r\n");
    auto set = [](HKEY key, const wchar_t* value, const std::wstring& text) {
        RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    };
    {
        UniqueHKey entry, vendor;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, entryPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                                  nullptr, entry.put(), nullptr),
                  ERROR_SUCCESS);
        set(entry.get(), L"DisplayName", L"Thirty-Two Bit Tool");
        set(entry.get(), L"Publisher", L"Purgeon 32");
        set(entry.get(), L"InstallLocation", folder);
        // Its uninstaller removes its entry from the 32-bit view, as a 32-bit uninstaller does.
        set(entry.get(), L"UninstallString",
            L"reg.exe delete \"HKLM\\" + entryPath + L"\" /f /reg:32");
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\" + name).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, vendor.put(), nullptr),
                  ERROR_SUCCESS);
        set(vendor.get(), L"Path", folder);
    }
    Command(ActionRefresh);
    Select(RowOf(list(), L"Thirty-Two Bit Tool"));
    EXPECT_EQ(WindowText(control(IDC_LBL_REGISTRYNAME)), name);

    g_answer = true;
    ScanWindowWatcher watcher;
    StartUninstall(L"Thirty-Two Bit Tool");
    ASSERT_TRUE(PumpUntil([&] { return !watcher.scans().empty() && watcher.othersClosed() == 1; }));
    EXPECT_EQ(g_questions, std::vector<std::wstring>{LangText(IDS_MESSAGEBOX_WARNING_ScanRemains)});
    UniqueHKey gone;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, entryPath.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, gone.put()),
              ERROR_SUCCESS);
    const ScanSeen& scan = watcher.scans().front();
    EXPECT_TRUE(Contains(scan.keys, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\" + name)) << ToUtf8(scan.keys.empty() ? L"" : scan.keys[0]);
    ASSERT_FALSE(scan.files.empty());
    EXPECT_EQ(scan.files.front(), folder);

    g_answer = false;
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\" + name).c_str(), KEY_WOW64_32KEY, 0);
    RemoveTree(ExcludeTrailingBackslash(samples::ProgramFilesDir() + L"Purgeon 32"));
    Command(ActionRefresh);
}

// A skin rectangle too short to be one leaves its control where it was designed; a broken one ends
// the placing, and what comes after it keeps its designed place too, rather than none.
// Entries come and go behind the list (another tool, an uninstaller that keeps its key): a
// command on a row reaches that row's program, or none, never a neighbour.
TEST_F(MainForm, CommandsReachTheRowsOwnProgramWhateverChangedBehindTheList) {
    {
        TestSample a(L"PurgeonUiIdA", L"Identity A", samples::UninstallBehaviour::RemoveAll);
        TestSample b(L"PurgeonUiIdB", L"Identity B", samples::UninstallBehaviour::Nothing);
        TestSample c(L"PurgeonUiIdC", L"Identity C", samples::UninstallBehaviour::RemoveAll);
        TestSample d(L"PurgeonUiIdD", L"Identity D", samples::UninstallBehaviour::RemoveAll);
        Command(ActionRefresh);
        samples::RemoveSample(a.keyName());  // removed by another tool; the list still shows it
        g_answer = false;
        StartUninstall(b.caption());  // keeps its key: still installed, and No
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
        g_questions.clear();

        StartUninstall(c.caption());
        ASSERT_TRUE(PumpUntil([] { return !g_questions.empty(); }));
        EXPECT_EQ(LangText(IDS_MESSAGEBOX_WARNING_ScanRemains), g_questions[0]);
        EXPECT_FALSE(UninstallEntryExists(c.keyName())) << "the selected program's own uninstaller ran";
        EXPECT_TRUE(UninstallEntryExists(d.keyName())) << "its neighbour was never touched";
        EXPECT_EQ(-1, RowOf(list(), a.caption())) << "Uninstall read the catalogue afresh and refilled the list";

        // A row whose entry went since the fill names nothing: said so, and the list refilled.
        samples::RemoveSample(d.keyName());
        Select(RowOf(list(), d.caption()));
        Command(ActionShowDetails);
        ASSERT_EQ(1u, g_reports.size());
        EXPECT_EQ(L"Identity D is no longer installed. The list now shows the programs as they are.", g_reports[0]);
        EXPECT_EQ(-1, RowOf(list(), d.caption()));
        EXPECT_FALSE(IsWindowEnabled(control(ActionShowDetails))) << "nothing is selected after the refill";
        g_reports.clear();
        g_questions.clear();
    }
    Command(ActionRefresh);
}

namespace {

// Runs `look` on the main thread once a window of `className` shows (inside its modal loop), then
// closes that window.
struct WhenShown {
    static inline std::wstring className;
    static inline std::function<void(HWND)> look;
    static inline bool seen = false;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND window = FindWindowW(className.c_str(), nullptr);
        if (!window || !IsWindowVisible(window)) return;
        KillTimer(nullptr, id);
        seen = true;
        look(window);
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    WhenShown(std::wstring windowClass, std::function<void(HWND)> work) {
        className = std::move(windowClass);
        look = std::move(work);
        seen = false;
        SetTimer(nullptr, 0, 50, &Tick);
    }
};

}  // namespace

TEST_F(MainForm, ProgramsInstalledBehindTheListLeaveEachRowItsOwnDetails) {
    {
        Command(ActionRefresh);
        TestSample added(L"PurgeonUiAaAdded", L"Added Behind The List", samples::UninstallBehaviour::RemoveAll);
        Select(RowOf(list(), L"Plain office helper"));  // below where the new entry lists
        std::wstring shownName;
        WhenShown details(TDetailsForm::kClassName, [&](HWND window) {
            HWND registry = FindDescendant(window, TDetailsForm::kRegistryListId);
            for (int row = 0; row < ListView_GetItemCount(registry); ++row)
                if (Cell(registry, row, 0) == L"DisplayName") shownName = Cell(registry, row, 1);
        });
        Command(ActionShowDetails);
        EXPECT_TRUE(WhenShown::seen);
        EXPECT_EQ(L"Plain office helper", shownName);
    }
    Command(ActionRefresh);
}

TEST_F(MainForm, EmptySpaceClearsTheSelectionAndSortingKeepsIt) {
    Select(RowOf(list(), L"Plain office helper"));
    ASSERT_TRUE(IsWindowEnabled(control(ActionShowDetails)));
    ClickColumn(0);
    ClickColumn(0);  // descending: the selected row moves
    const int selected = ListView_GetNextItem(list(), -1, LVNI_SELECTED);
    ASSERT_GE(selected, 0) << "sorting kept the selection";
    EXPECT_EQ(L"Plain office helper", Cell(list(), selected, 0));
    EXPECT_EQ(L"PurgeonUiPlain", WindowText(control(IDC_LBL_REGISTRYNAME)));
    EXPECT_TRUE(IsWindowEnabled(control(ActionShowDetails)));

    // A click on the list's empty space selects nothing, and the commands follow.
    ListView_SetItemState(list(), -1, 0, LVIS_SELECTED);
    Pump();
    EXPECT_FALSE(IsWindowEnabled(control(ActionShowDetails)));
    EXPECT_FALSE(IsWindowEnabled(control(ActionUninstall)));
    EXPECT_FALSE(IsWindowVisible(control(IDC_LBL_REGISTRYNAME)));
    Command(ActionRefresh);
}

TEST_F(MainForm, AFailedFirstFillLeavesTheStartupPageAndCommandsWhole) {
    // Without the catalogue's class the first fill fails.
    wchar_t clsid[40] = {};
    StringFromGUID2(CLSID_ProgramList, clsid, 40);
    const std::wstring classKey = L"Software\\Classes\\CLSID\\" + std::wstring(clsid);
    // Read in the window's creation, or beforehand on a thread of its own as at start-up.
    for (const bool readBefore : {false, true}) {
        ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_LOCAL_MACHINE, classKey.c_str()));
        std::optional<CatalogueRead> read;
        if (readBefore) read.emplace(false, false);
        TMainForm broken(GetModuleHandleW(nullptr));
        const bool created = broken.Create(read ? &*read : nullptr);
        broken.TakeFirstRead();
        ASSERT_FALSE(RegisterCatalogueComponent().has_value());
        ASSERT_TRUE(created);
        EXPECT_EQ(1u, g_reports.size()) << "the failure is said, read before: " << readBefore;
        HWND window = broken.Handle();
        EXPECT_LT(0, ListView_GetItemCount(FindDescendant(window, IDC_STARTUP_LIST))) << "the startup list was filled";
        EXPECT_TRUE(IsWindowEnabled(FindDescendant(window, ActionRefresh)));
        DestroyWindow(window);
        Pump();
        g_reports.clear();
    }
}

TEST_F(MainForm, ShortOrBrokenSkinRectanglesLeaveControlsAtTheirDesignedPlaces) {
    const SkinKey keys[] = {SK_MAINFORM_Pos, SK_MAINFORM_BUTTON_File_Pos, SK_MAINFORM_PAGECONTROL_Pos,
                            SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos};
    std::vector<std::wstring> saved;
    for (SkinKey key : keys) saved.push_back(SkinText(key));
    SetSkinText(SK_MAINFORM_Pos, L"40, 40, 500");
    SetSkinText(SK_MAINFORM_BUTTON_File_Pos, L"300, 40, 99");
    SetSkinText(SK_MAINFORM_PAGECONTROL_Pos, L"5, 1x2, 750, 394");
    SetSkinText(SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos, L"1, 1, 1, 1");  // after the broken one: not used
    TMainForm skinned(GetModuleHandleW(nullptr));
    const bool created = skinned.Create();
    for (size_t i = 0; i < std::size(keys); ++i) SetSkinText(keys[i], saved[i]);
    ASSERT_TRUE(created);
    auto placeOf = [](HWND control) {
        RECT r{};
        GetWindowRect(control, &r);
        if (HWND parent = GetParent(control)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        return SkinRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    auto designed = [](SkinKey key) { return ParseSkinRect(SkinDefaultText(key)).value(); };
    HWND window = skinned.Handle();
    HWND pages = GetDlgItem(window, IDC_PAGECONTROL);
    HWND search = GetDlgItem(GetDlgItem(GetDlgItem(pages, IDC_PAGE_PROGRAMS), IDC_SIZEPANEL_PL), IDC_GRB_SEARCH);
    ASSERT_TRUE(pages && search);
    // The skin gives the window its size; it opens in the middle of the screen's work area.
    const SkinRect window_ = placeOf(window), windowDesigned = designed(SK_MAINFORM_Pos);
    EXPECT_EQ(windowDesigned.width, window_.width);
    EXPECT_EQ(windowDesigned.height, window_.height);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((work.left + work.right) / 2, window_.left + window_.width / 2, 1);
    EXPECT_NEAR((work.top + work.bottom) / 2, window_.top + window_.height / 2, 1);
    EXPECT_TRUE(placeOf(GetDlgItem(window, IDC_BTN_FILE)) == designed(SK_MAINFORM_BUTTON_File_Pos));
    EXPECT_TRUE(placeOf(pages) == designed(SK_MAINFORM_PAGECONTROL_Pos));
    EXPECT_TRUE(placeOf(search) == designed(SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos));
    DestroyWindow(window);
    Pump();
}

// The program's own window painted from the shipped dark skin: the skin's background picture, not
// the painted stand-in, where no control lies.
TEST_F(MainForm, TheDarkSkinPaintsTheProgramsOwnWindow) {
    const std::wstring skins = BinDir() + L"Skins\\", savedDir = AppPaths.SkinDir;
    ASSERT_TRUE(LoadSkin(skins + L"Dark.ini", {}));
    AppPaths.SkinDir = skins;
    TMainForm dark(GetModuleHandleW(nullptr));
    const bool created = dark.Create();
    AppPaths.SkinDir = savedDir;
    LoadedPicture background = LoadSkinPicture(SK_MAINFORM_PicBackGround, skins);
    struct DefaultSkinAfter {
        ~DefaultSkinAfter() { ResetSkinTable(); }
    } defaultSkinAfter;
    ASSERT_TRUE(created);
    ASSERT_TRUE(background.bitmap);
    dark.Show();
    Pump();
    const POINT free{260, 45};  // between the title and the menu buttons
    UniqueDc memory(CreateCompatibleDC(nullptr));
    SelectedObject picture(memory.get(), background.bitmap.get());
    const COLORREF expected = GetPixel(memory.get(), free.x, free.y);
    RedrawWindow(dark.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    WindowDc screen(dark.Handle());
    const COLORREF shown = GetPixel(screen.get(), free.x, free.y);
    for (int shift : {0, 8, 16})
        EXPECT_NEAR((shown >> shift) & 0xFF, (expected >> shift) & 0xFF, 2) << std::hex << shown << " for " << expected;
    const std::wstring path = ExtractFilePath(ExcludeTrailingBackslash(BinDir())) + L"main-window-dark.bmp";
    EXPECT_TRUE(SaveWindowPicture(dark.Handle(), path));
    DestroyWindow(dark.Handle());
    Pump();
}

// Ctrl and Shift select several rows, Ctrl+A all; with several, only the commands on them all
// stay, and Uninstall Selected opens the batch window with exactly the selected programs.
TEST_F(MainForm, SeveralSelectedProgramsGoToTheBatchWindowByTheirKeys) {
    Command(ActionRefresh);
    const int linked = RowOf(list(), L"Linked Office Suite"), plain = RowOf(list(), L"Plain office helper");
    ASSERT_GE(linked, 0);
    ASSERT_GE(plain, 0);
    Select(linked);
    ListView_SetItemState(list(), plain, LVIS_SELECTED, LVIS_SELECTED);  // a Ctrl+click
    Pump();
    EXPECT_FALSE(IsWindowEnabled(control(ActionShowDetails)));
    EXPECT_TRUE(IsWindowEnabled(control(ActionUninstall)));
    EXPECT_TRUE(MenuEnabled(menu(TMainForm::MenuName::File), ActionUninstallSelected));
    EXPECT_TRUE(MenuEnabled(menu(TMainForm::MenuName::ProgramRow), ActionUninstallSelected));
    EXPECT_FALSE(MenuEnabled(menu(TMainForm::MenuName::ProgramRow), ActionComment));

    // What the batch window lists when it opens, read by a timer of this thread, then closed.
    std::vector<std::wstring> listed;
    static std::function<void()> look;
    look = [&] {
        HWND batch = FindWindowW(TBatchForm::kClassName, nullptr);
        if (!batch || !IsWindowVisible(batch)) return;
        HWND rows = FindDescendant(batch, TBatchForm::kProgramListId);
        listed = Captions(rows);
        PostMessageW(batch, WM_CLOSE, 0, 0);
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { if (look) look(); });
    Command(ActionUninstallSelected);
    KillTimer(nullptr, timer);
    look = nullptr;
    std::vector<std::wstring> expected = {L"Linked Office Suite", L"Plain office helper"};
    if (plain < linked) std::swap(expected[0], expected[1]);
    EXPECT_EQ(expected, listed);
    EXPECT_TRUE(UninstallEntryExists(L"PurgeonUiPlain")) << "closed before Start: nothing ran";

    // Ctrl+A selects every row.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(list(), WM_KEYDOWN, 'A', 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    Pump();
    EXPECT_EQ(ListView_GetItemCount(list()), static_cast<int>(ListView_GetSelectedCount(list())));
    EXPECT_TRUE(IsWindowEnabled(control(ActionUninstall)));
    EXPECT_FALSE(IsWindowEnabled(control(ActionShowDetails)));
    Select(plain);
    EXPECT_TRUE(IsWindowEnabled(control(ActionShowDetails)));
    Command(ActionRefresh);
}
