// The program page's rows read from the real catalogue component, with entries seeded under the
// real Uninstall key and screen savers placed in the real system folder of the test prefix.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "catalogue/ProgramList.h"
#include "catalogue/programRows.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "tests/support/componentEnvironment.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using purgeon::test::SeededKey;

namespace {


const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new test::ComponentEnvironment);

std::wstring UniqueName(const wchar_t* label) {
    static int counter = 0;
    return Format(L"PurgeonRows-%s-%lu-%d", label, GetCurrentProcessId(), ++counter);
}

// Uninstall\<name>, wiped first and removed at the end.

// A file in the system folder for one test: where the component looks for screen savers.
class PlacedSaver {
public:
    explicit PlacedSaver(const wchar_t* label)
        : fileName_(UniqueName(label) + L".scr"), path_(IncludeTrailingBackslash(SystemDirectory()) + fileName_) {}
    ~PlacedSaver() { DeleteFileW(path_.c_str()); }
    const std::wstring& fileName() const { return fileName_; }
    const std::wstring& path() const { return path_; }

private:
    std::wstring fileName_, path_;
};

class ProgramRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLanguageTable();
        list_ = catalogue_.Get();
        ASSERT_TRUE(list_);
    }
    IProgramList* list() const { return list_; }

    ComApartment apartment_;
    TProgramList catalogue_;
    IProgramList* list_ = nullptr;
};

const ListRow* FindRow(const ProgramListFill& fill, const std::wstring& caption) {
    auto it = std::find_if(fill.rows.begin(), fill.rows.end(), [&](const ListRow& row) { return row.caption == caption; });
    return it == fill.rows.end() ? nullptr : &*it;
}

long RowPosition(const ProgramListFill& fill, const std::wstring& caption) {
    const ListRow* row = FindRow(fill, caption);
    return row ? static_cast<long>(row - fill.rows.data()) : -1;
}

std::wstring SaverCaption(const std::wstring& name) { return L"[Screen Saver]" + name; }

// Forwards to the real component, but hands out a null entry at one index or fails one call:
// what the real component never does on its own.
class FaultyList final : public IProgramList {
public:
    explicit FaultyList(IProgramList* real) : real_(real) {}
    long nullEntryAt = -1;
    long failPublisherAt = -1;  // the entry at this index fails GetPublisher
    std::wstring failPublisherKey;  // so does the entry read by this key path
    bool failScreenSaverCount = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IProgramList) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE GetProgram(LONG index, IProgramEntry** entry) override {
        if (index == nullEntryAt) {
            *entry = nullptr;
            return S_OK;
        }
        HRESULT hr = real_->GetProgram(index, entry);
        if (SUCCEEDED(hr) && index == failPublisherAt) {
            failing_.entry = ComPtr<IProgramEntry>::attach(*entry);
            *entry = &failing_;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetProgramCount(LONG* count) override { return real_->GetProgramCount(count); }
    HRESULT STDMETHODCALLTYPE GetScreenSaverCount(LONG* count) override {
        return failScreenSaverCount ? E_FAIL : real_->GetScreenSaverCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetScreenSaverFileName(LONG i, BSTR* v) override { return real_->GetScreenSaverFileName(i, v); }
    HRESULT STDMETHODCALLTYPE GetScreenSaverPublisher(LONG i, BSTR* v) override { return real_->GetScreenSaverPublisher(i, v); }
    HRESULT STDMETHODCALLTYPE GetScreenSaverDirectory(LONG i, BSTR* v) override { return real_->GetScreenSaverDirectory(i, v); }
    HRESULT STDMETHODCALLTYPE GetScreenSaverTitle(LONG i, BSTR* v) override { return real_->GetScreenSaverTitle(i, v); }
    HRESULT STDMETHODCALLTYPE GetScreenSaverIconIndex(LONG i, LONG* v) override { return real_->GetScreenSaverIconIndex(i, v); }
    HRESULT STDMETHODCALLTYPE GetScreenSaverSize(LONG i, ULONG* v) override { return real_->GetScreenSaverSize(i, v); }
    HRESULT STDMETHODCALLTYPE GetScreenSaverLastUsed(LONG i, BSTR* v) override { return real_->GetScreenSaverLastUsed(i, v); }
    HRESULT STDMETHODCALLTYPE RefreshPrograms() override { return real_->RefreshPrograms(); }
    HRESULT STDMETHODCALLTYPE RefreshScreenSavers() override { return real_->RefreshScreenSavers(); }
    HRESULT STDMETHODCALLTYPE GetProgramByKeyPath(BSTR keyPath, IProgramEntry** entry) override {
        HRESULT hr = real_->GetProgramByKeyPath(keyPath, entry);
        if (hr == S_OK && *entry && failPublisherKey == keyPath) {
            failing_.entry = ComPtr<IProgramEntry>::attach(*entry);
            *entry = &failing_;
        }
        return hr;
    }

private:
    // The real entry, except that GetPublisher fails.
    struct FailingEntry final : IProgramEntry {
        ComPtr<IProgramEntry> entry;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return entry->QueryInterface(iid, out); }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
            return E_NOTIMPL;
        }
        HRESULT STDMETHODCALLTYPE GetDisplayName(BSTR* v) override { return entry->GetDisplayName(v); }
        HRESULT STDMETHODCALLTYPE GetUninstallString(BSTR* v) override { return entry->GetUninstallString(v); }
        HRESULT STDMETHODCALLTYPE GetKeyName(BSTR* v) override { return entry->GetKeyName(v); }
        HRESULT STDMETHODCALLTYPE LoadKey(BSTR k) override { return entry->LoadKey(k); }
        HRESULT STDMETHODCALLTYPE GetKind(LONG* v) override { return entry->GetKind(v); }
        HRESULT STDMETHODCALLTYPE GetPublisher(BSTR*) override { return E_ACCESSDENIED; }
        HRESULT STDMETHODCALLTYPE GetInstallLocation(BSTR* v) override { return entry->GetInstallLocation(v); }
        HRESULT STDMETHODCALLTYPE GetIconIndex(LONG* v) override { return entry->GetIconIndex(v); }
        HRESULT STDMETHODCALLTYPE GetUsedFrequency(ULONG* v) override { return entry->GetUsedFrequency(v); }
        HRESULT STDMETHODCALLTYPE GetLastUsed(BSTR* v) override { return entry->GetLastUsed(v); }
        HRESULT STDMETHODCALLTYPE GetSize(float* v) override { return entry->GetSize(v); }
        HRESULT STDMETHODCALLTYPE GetInstallDate(BSTR* v) override { return entry->GetInstallDate(v); }
        HRESULT STDMETHODCALLTYPE GetVersion(BSTR* v) override { return entry->GetVersion(v); }
        HRESULT STDMETHODCALLTYPE GetHelpLink(BSTR* v) override { return entry->GetHelpLink(v); }
        HRESULT STDMETHODCALLTYPE GetAboutLink(BSTR* v) override { return entry->GetAboutLink(v); }
        HRESULT STDMETHODCALLTYPE GetUpdateLink(BSTR* v) override { return entry->GetUpdateLink(v); }
        HRESULT STDMETHODCALLTYPE GetValueCount(LONG* v) override { return entry->GetValueCount(v); }
        HRESULT STDMETHODCALLTYPE GetValueName(LONG i, BSTR* v) override { return entry->GetValueName(i, v); }
        HRESULT STDMETHODCALLTYPE GetValueData(LONG i, BSTR* v) override { return entry->GetValueData(i, v); }
        HRESULT STDMETHODCALLTYPE SetComment(BSTR c) override { return entry->SetComment(c); }
    };

    IProgramList* real_;
    FailingEntry failing_;
};

// Where a seeded key stands in a fresh listing of the component.
int IndexOfKey(IProgramList* list, const std::wstring& keyName) {
    const std::vector<ProgramRow> rows = ReadProgramRows(list, RowIcons::Skip);
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].keyName == keyName) return static_cast<int>(i);
    return -1;
}

const wchar_t kGoneKey[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PurgeonRows-never-seeded";

}  // namespace

// --- the list fill ---------------------------------------------------------------------------

TEST_F(ProgramRowsTest, FillListsProgramsThenSaversAndTheFiltersHideRowsButNotCounts) {
    SeededKey plain(UniqueName(L"Plain")), nameless(UniqueName(L"Nameless"));
    SeededKey patch(L"KB4099001-" + UniqueName(L"Patch"));
    plain.Text(L"DisplayName", L"Rows Plain Program").Text(L"Publisher", L"Rows Works")
        .Text(L"InstallLocation", L"C:\\Program Files\\Rows Plain\\");
    nameless.Text(L"Publisher", L"Nobody");
    patch.Text(L"DisplayName", L"Rows Security Update");
    PlacedSaver titled(L"Titled"), bare(L"Bare");
    ASSERT_TRUE(CopyFileW(ModuleFileName(nullptr).c_str(), titled.path().c_str(), FALSE));
    test::WriteFileBytes(bare.path(), "not really a saver");

    ProgramListFill all;
    ReadProgramListFill(list(), false, false, all);
    ASSERT_TRUE(all.complete);

    const ListRow* row = FindRow(all, L"Rows Plain Program");
    ASSERT_TRUE(row);
    EXPECT_EQ(L"Rows Works", row->publisher);
    EXPECT_EQ(L"C:\\Program Files\\Rows Plain\\", row->directory);
    EXPECT_EQ(plain.keyPath(), row->keyPath);
    EXPECT_EQ(plain.name(), ReadStatusBarInfo(list(), row->keyPath).value_or(StatusBarInfo{}).keyName);
    ASSERT_TRUE(FindRow(all, nameless.name())) << "an empty display name lists the key name";
    EXPECT_EQ(L"Nobody", FindRow(all, nameless.name())->publisher);
    ASSERT_TRUE(FindRow(all, L"Rows Security Update"));

    // Screen savers after every program; a title when the file has one, else the file name.
    const ListRow* saver = FindRow(all, SaverCaption(L"Purgeon Testschoner"));
    ASSERT_TRUE(saver);
    EXPECT_EQ(L"Purgeon Prüfstand GmbH", saver->publisher);
    EXPECT_EQ(IncludeTrailingBackslash(SystemDirectory()), saver->directory);
    UniqueBstr fileName;
    EXPECT_TRUE(EqualsNoCase(titled.path(), saver->saverPath)) << "a saver row is named by its file";
    ASSERT_TRUE(FindRow(all, SaverCaption(bare.fileName())));
    const auto firstSaver = std::find_if(all.rows.begin(), all.rows.end(),
                                         [](const ListRow& r) { return (r.kind == RowKind::ScreenSaver); });
    EXPECT_TRUE(std::none_of(firstSaver, all.rows.end(), [](const ListRow& r) { return !(r.kind == RowKind::ScreenSaver); }));
    EXPECT_LT(RowPosition(all, L"Rows Plain Program"), firstSaver - all.rows.begin());

    // The chooser holds the program rows only, in the same order, with their data and images.
    const size_t programRows = static_cast<size_t>(firstSaver - all.rows.begin());
    ASSERT_EQ(programRows, all.chooser.size());
    for (size_t k = 0; k < programRows; ++k) {
        EXPECT_EQ(all.rows[k].caption, all.chooser[k].caption);
        EXPECT_EQ(all.rows[k].keyPath, all.chooser[k].keyPath);
        EXPECT_EQ(all.rows[k].image, all.chooser[k].image);
    }

    // Counts: every program and saver, every patch among them, every saver.
    long programs = 0, savers = 0;
    ASSERT_EQ(S_OK, list()->GetProgramCount(&programs));
    ASSERT_EQ(S_OK, list()->GetScreenSaverCount(&savers));
    EXPECT_EQ(all.rows.size(), static_cast<size_t>(programs + savers));
    EXPECT_LE(1, all.sysPatchCount);
    EXPECT_EQ(Format(L"%ld (Windows Updates: %d, Screen Saver: %ld)", programs + savers, all.sysPatchCount, savers),
              all.countsText);

    ProgramListFill filtered;
    ReadProgramListFill(list(), true, true, filtered);
    ASSERT_TRUE(filtered.complete);
    EXPECT_FALSE(FindRow(filtered, L"Rows Security Update"));
    EXPECT_TRUE(std::none_of(filtered.chooser.begin(), filtered.chooser.end(),
                             [](const ChooserItem& item) { return item.caption == L"Rows Security Update"; }));
    EXPECT_TRUE(std::none_of(filtered.rows.begin(), filtered.rows.end(),
                             [](const ListRow& r) { return (r.kind == RowKind::ScreenSaver); }));
    EXPECT_EQ(static_cast<size_t>(programs - all.sysPatchCount), filtered.rows.size());
    EXPECT_EQ(filtered.rows.size(), filtered.chooser.size());
    EXPECT_EQ(all.sysPatchCount, filtered.sysPatchCount);
    EXPECT_EQ(all.countsText, filtered.countsText) << "the counts ignore the filters";
    // A row names its program by key, whatever the filters leave out before it.
    const ListRow* again = FindRow(filtered, L"Rows Plain Program");
    ASSERT_TRUE(again);
    EXPECT_EQ(row->keyPath, again->keyPath);
}

TEST_F(ProgramRowsTest, NullEntryEndsTheFillQuietlyAndAFailedCallKeepsTheRowsSoFar) {
    SeededKey first(UniqueName(L"First"));
    first.Text(L"DisplayName", L"Rows First").Text(L"Publisher", L"Before the fault");
    const int index = IndexOfKey(list(), first.name());
    ASSERT_LE(0, index);

    FaultyList faulty(list());
    faulty.nullEntryAt = index;
    ProgramListFill fill;
    ReadProgramListFill(&faulty, false, false, fill);
    EXPECT_FALSE(fill.complete);
    EXPECT_TRUE(fill.countsText.empty()) << "the counts label keeps its old text";
    EXPECT_EQ(static_cast<size_t>(index), fill.rows.size()) << "no rows after the null entry, no screen savers";
    EXPECT_EQ(fill.rows.size(), fill.chooser.size());

    faulty.nullEntryAt = -1;
    faulty.failPublisherAt = index;
    EXPECT_THROW(ReadProgramListFill(&faulty, false, false, fill), UserError);
    ASSERT_EQ(static_cast<size_t>(index) + 1, fill.rows.size()) << "the failing row was added before the failure";
    EXPECT_EQ(L"Rows First", fill.rows.back().caption);
    EXPECT_EQ(L"", fill.rows.back().publisher);

    faulty.failPublisherAt = -1;
    faulty.failScreenSaverCount = true;
    EXPECT_THROW(ReadProgramListFill(&faulty, false, false, fill), UserError);
    EXPECT_TRUE(FindRow(fill, L"Rows First")) << "programs stay when the screen savers fail";
    EXPECT_FALSE(fill.complete);
}

// --- status bar --------------------------------------------------------------------------------

TEST_F(ProgramRowsTest, StatusBarLinkIsTheAboutThenHelpThenUpdateLink) {
    SeededKey all(UniqueName(L"AllLinks")), helpAndUpdate(UniqueName(L"HelpUpdate")), update(UniqueName(L"Update")),
        none(UniqueName(L"NoLinks"));
    all.Text(L"URLInfoAbout", L"https://about.example/").Text(L"HelpLink", L"https://help.example/")
        .Text(L"URLUpdateInfo", L"https://update.example/");
    helpAndUpdate.Text(L"HelpLink", L"https://help.example/").Text(L"URLUpdateInfo", L"https://update.example/");
    update.Text(L"URLInfoAbout", L"").Text(L"URLUpdateInfo", L"https://update.example/");
    none.Text(L"DisplayName", L"Rows No Links");

    struct Case {
        const SeededKey& key;
        const wchar_t* link;
    } cases[] = {{all, L"https://about.example/"},
                 {helpAndUpdate, L"https://help.example/"},
                 {update, L"https://update.example/"},
                 {none, L""}};
    for (const Case& c : cases) {
        auto info = ReadStatusBarInfo(list(), c.key.keyPath());
        ASSERT_TRUE(info);
        EXPECT_EQ(c.key.name(), info->keyName);
        EXPECT_EQ(c.link, info->link) << ToUtf8(c.key.name());
    }
    EXPECT_FALSE(ReadStatusBarInfo(list(), kGoneKey)) << "a key that is gone names nothing";
}

// --- info tips -----------------------------------------------------------------------------

TEST_F(ProgramRowsTest, TipsOfProgramAndScreenSaverRows) {
    SeededKey sized(UniqueName(L"Sized")), plain(UniqueName(L"Unsized"));
    sized.Text(L"DisplayName", L"Rows Sized").Dword(L"EstimatedSize", 1536).Text(L"UninstallString", L"C:\\s\\unins.exe /x");
    plain.Text(L"DisplayName", L"Rows Unsized").Text(L"UninstallString", L"");
    PlacedSaver saver(L"TipSaver");
    test::WriteFileBytes(saver.path(), std::string(3 * 1048576 / 4, 's'));

    ProgramListFill fill;
    ReadProgramListFill(list(), false, false, fill);
    const ListRow* sizedRow = FindRow(fill, L"Rows Sized");
    const ListRow* plainRow = FindRow(fill, L"Rows Unsized");
    const ListRow* saverRow = FindRow(fill, SaverCaption(saver.fileName()));
    ASSERT_TRUE(sizedRow && plainRow && saverRow);

    // The component knows no use count: the tip claims none.
    EXPECT_EQ(L"Size:  1.50 M\r\nUninstall String: C:\\s\\unins.exe /x", BuildInfoTip(list(), *sizedRow).value_or(L"-"));
    // Size 0 and no last use: only the uninstall line, which is always there.
    EXPECT_EQ(L"Uninstall String: ", BuildInfoTip(list(), *plainRow).value_or(L"-"));

    UniqueBstr lastUsed;
    const std::optional<long> saverIndex = ScreenSaverIndexOf(list(), saverRow->saverPath);
    ASSERT_TRUE(saverIndex);
    ASSERT_EQ(S_OK, list()->GetScreenSaverLastUsed(*saverIndex, lastUsed.put()));
    ASSERT_FALSE(lastUsed.str().empty());
    EXPECT_EQ(L"Size:  0.75 M\r\nName:  " + saver.fileName() + L"\r\nLast Used On: " + lastUsed.str() + L"\r\n",
              BuildInfoTip(list(), *saverRow).value_or(L"-"));
    // The window's own connection tells it too when another one read the rows (the start-up
    // reads them on a thread of its own).
    TProgramList other;
    EXPECT_EQ(BuildInfoTip(list(), *saverRow).value_or(L"-"), BuildInfoTip(other.Get(), *saverRow).value_or(L"+"));

    // Failures and rows that name nothing leave the list's own tip.
    ListRow gone = *sizedRow;
    gone.keyPath = kGoneKey;
    EXPECT_FALSE(BuildInfoTip(list(), gone));
    ListRow goneSaver = *saverRow;
    goneSaver.saverPath = L"C:\\nowhere\\gone.scr";
    EXPECT_FALSE(BuildInfoTip(list(), goneSaver));
    ListRow emptyCaption = *saverRow;
    emptyCaption.caption.clear();
    EXPECT_FALSE(BuildInfoTip(list(), emptyCaption));
}

TEST(ProgramRowsText, FrequencyGradesCompareTheCountUnsigned) {
    ResetLanguageTable();
    const std::pair<unsigned long, const wchar_t*> grades[] = {
        {0, L"Rarely"},       {2, L"Rarely"},      {3, L"Occasionally"},
        {10, L"Occasionally"}, {11, L"Frequently"}, {ULONG_MAX, L"Frequently"}};
    for (const auto& [count, text] : grades) EXPECT_EQ(text, FrequencyText(count)) << count;
}

// --- sorting and search ----------------------------------------------------------------------

TEST(ProgramRowsOrder, CompareRowsFoldsAsciiOnlyAndPadsTheSubItemsToTen) {
    auto row = [](const wchar_t* caption, const wchar_t* publisher = L"", const wchar_t* directory = L"") {
        ListRow r;
        r.caption = caption;
        r.publisher = publisher;
        r.directory = directory;
        return r;
    };
    struct Case {
        ListRow a, b;
        int column;
        int sign;  // ascending
    } cases[] = {
        {row(L"apple"), row(L"APPLE"), 0, 0},
        {row(L"apple"), row(L"Banana"), 0, -1},
        {row(L"Zeta"), row(L"[Screen Saver]Any"), 0, -1},  // "[" follows "Z"
        {row(L"zeta"), row(L"[Screen Saver]Any"), 0, -1},  // ... and "z"
        {row(L"_under"), row(L"zeta"), 0, 1},              // folding goes to upper case
        {row(L"Äpfel"), row(L"äpfel"), 0, -1},             // no folding beyond ASCII
        {row(L"ab"), row(L"abc"), 0, -1},
        {row(L"x", L"Zeta"), row(L"x", L"Alphabetical Soft"), 1, -1},  // "      Zeta" has leading blanks
        {row(L"x", L"Alphabetical Soft"), row(L"x", L"Alphabetical"), 1, 1},
        {row(L"x", L"b"), row(L"x", L"aa"), 1, -1},
        {row(L"x", L"", L"D:\\"), row(L"x", L"", L"C:\\Programs"), 2, -1},
        {row(L"x", L"same", L"B"), row(L"x", L"same", L"A"), 1, 0},
        {row(L"b", L"a"), row(L"a", L"b"), 3, 0},
    };
    for (const Case& c : cases) {
        auto sign = [](int n) { return (n > 0) - (n < 0); };
        EXPECT_EQ(c.sign, sign(CompareRows(c.a, c.b, c.column, true)))
            << ToUtf8(c.a.caption + L"|" + c.a.publisher) << " vs " << ToUtf8(c.b.caption + L"|" + c.b.publisher);
        EXPECT_EQ(-c.sign, sign(CompareRows(c.a, c.b, c.column, false))) << "descending";
    }

    std::vector<ListRow> rows = {row(L"[Screen Saver]Stars", L"Stars Inc"), row(L"alpha", L"Alphabetical Soft"),
                                 row(L"Beta", L"Zeta")};
    std::sort(rows.begin(), rows.end(), [](const ListRow& a, const ListRow& b) { return CompareRows(a, b, 1, true) < 0; });
    EXPECT_EQ(L"Zeta", rows[0].publisher);
    EXPECT_EQ(L"Stars Inc", rows[1].publisher);
    std::sort(rows.begin(), rows.end(), [](const ListRow& a, const ListRow& b) { return CompareRows(a, b, 0, false) < 0; });
    EXPECT_EQ(L"[Screen Saver]Stars", rows[0].caption) << "descending puts the saver first";
    EXPECT_EQ(L"Beta", rows[1].caption);
    EXPECT_EQ(L"alpha", rows[2].caption);
}

TEST(ProgramRowsOrder, SearchContinuesBelowTheLastMatchAndNeverWraps) {
    const std::vector<std::wstring> captions = {L"Microsoft Office", L"Notepad", L"OpenOFFICE.org", L"[Screen Saver]office",
                                                L"Bürooffice", L"ÖFFICE"};
    struct Case {
        const wchar_t* text;
        int start;
        std::optional<int> found;
    } cases[] = {
        {L"office", 0, 0},  {L"office", 1, 2}, {L"OFFICE", 3, 3},       {L"Office", 4, 4},
        {L"office", 5, std::nullopt},          {L"office", 6, std::nullopt}, {L"office", 60, std::nullopt},
        {L"", 0, std::nullopt},               {L"öffice", 0, std::nullopt},  // non-ASCII letters do not fold
        {L"ÖFFICE", 0, 5},  {L"pad", 0, 1},     {L"[screen", 0, 3},      {L"office", -2, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.found, FindNextRow(captions, c.text, c.start)) << ToUtf8(c.text) << " from " << c.start;
    EXPECT_EQ(std::nullopt, FindNextRow({}, L"office", 0)) << "an empty list";
}

// --- details -------------------------------------------------------------------------------

TEST_F(ProgramRowsTest, DetailsOfAFullEntryInTheirFixedOrder) {
    SeededKey full(UniqueName(L"Full"));
    full.Text(L"DisplayName", L"Rows Full").Dword(L"EstimatedSize", 1024).Text(L"InstallDate", L"20240115")
        .Text(L"InstallLocation", L"C:\\Full\\").Text(L"DisplayVersion", L"2.5").Text(L"Publisher", L"Full Soft")
        .Text(L"HelpLink", L"https://help.example/").Text(L"URLInfoAbout", L"https://about.example/")
        .Text(L"URLUpdateInfo", L"https://update.example/");
    wchar_t separator[8] = {};
    ASSERT_LT(0, GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8));
    auto details = ReadProgramDetails(list(), full.keyPath());
    ASSERT_TRUE(details);
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"Programs Size", L"1" + std::wstring(separator) + L"00 MB"},
        {L"Install Date", L"20240115"},
        {L"Install Location", L"C:\\Full\\"},
        {L"Program Version", L"2.5"},
        {L"Publisher", L"Full Soft"},
        {L"Help Info", L"https://help.example/"},
        {L"About Link", L"https://about.example/"},
        {L"Update Link", L"https://update.example/"},
    };
    ASSERT_EQ(expected.size(), details->properties.size());
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(expected[k].first, details->properties[k].name);
        EXPECT_EQ(expected[k].second, details->properties[k].value);
    }
    // Every value of the key, named as stored, the text ones as they read.
    ASSERT_EQ(9u, details->registry.size());
    auto value = [&](const wchar_t* name) {
        for (const DetailsRow& row : details->registry)
            if (row.name == name) return row.value;
        return std::wstring(L"<missing>");
    };
    EXPECT_EQ(L"Rows Full", value(L"DisplayName"));
    EXPECT_EQ(L"C:\\Full\\", value(L"InstallLocation"));
    EXPECT_NE(std::wstring::npos, value(L"EstimatedSize").find(L"1024"));
}

TEST_F(ProgramRowsTest, DetailsOfAnEmptyKeyAndTheUsersDecimalSeparator) {
    SeededKey empty(UniqueName(L"Empty")), sparse(UniqueName(L"Sparse"));
    sparse.Text(L"DisplayName", L"Rows Sparse").Dword(L"EstimatedSize", 0).Text(L"InstallDate", L"");
    auto details = ReadProgramDetails(list(), empty.keyPath());
    ASSERT_TRUE(details);
    // The use count is unknown (0): no row claims one, so nothing is left.
    EXPECT_TRUE(details->properties.empty());
    EXPECT_TRUE(details->registry.empty()) << "a key with no values has no registry rows";

    details = ReadProgramDetails(list(), sparse.keyPath());
    ASSERT_TRUE(details);
    EXPECT_TRUE(details->properties.empty()) << "size 0 and an empty install date have no rows";
    EXPECT_EQ(3u, details->registry.size());

    EXPECT_FALSE(ReadProgramDetails(list(), kGoneKey)) << "no details of an entry that is gone";

    // The user's own separator, whatever the C library's locale says.
    wchar_t original[8] = {};
    ASSERT_LT(0, GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, original, 8));
    ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
    const std::wstring withComma = FormatMegabytes(1048576.0);
    const std::wstring large = FormatMegabytes(1572864.0 * 1024);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, original);
    EXPECT_EQ(L"1,00 MB", withComma);
    EXPECT_EQ(L"1536,00 MB", large);
    EXPECT_EQ(L"0.01 MB", FormatMegabytes(10485.76));
}

TEST_F(ProgramRowsTest, DetailsFailureKeepsTheRowsReadSoFar) {
    SeededKey key(UniqueName(L"Failing"));
    key.Text(L"DisplayName", L"Rows Failing").Text(L"DisplayVersion", L"1.0").Text(L"Publisher", L"Hidden");
    FaultyList faulty(list());
    faulty.failPublisherKey = key.keyPath();
    ProgramDetails details;
    EXPECT_THROW(ReadProgramDetailsInto(&faulty, key.keyPath(), details), UserError);
    EXPECT_TRUE(details.loaded);
    ASSERT_EQ(1u, details.properties.size());
    EXPECT_EQ(L"Program Version", details.properties[0].name);
    EXPECT_TRUE(details.registry.empty());
}

// --- what may be handed to the shell ---------------------------------------------------------

TEST(ProgramRowsShell, WebLinksAreOnlyWebAndMailAddresses) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"http://example.com", true},
        {L"HTTPS://EXAMPLE.COM/help?a=1&b=2", true},
        {L"https://example.com/a b", true},
        {L"ftp://files.example.com/", true},
        {L"mailto:support@example.com", true},
        {L"MailTo:x@y", true},
        {L"http://", false},
        {L"https://   ", false},
        {L"mailto:", false},
        {L"", false},
        {L"www.example.com", false},
        {L" http://example.com", false},
        {L"file:///C:/Windows/system32/calc.exe", false},
        {L"C:\\Windows\\system32\\calc.exe", false},
        {L"calc.exe", false},
        {L"javascript:alert(1)", false},
        {L"shell:startup", false},
        {L"httpx://example.com", false},
        {L"http:/example.com", false},
        {L"http://example.com\r\ncalc", false},
        {L"http://exa\tmple.com", false},
        {L"http://example.com\" & calc", false},
        {L"http://ex\x7F.com", false},
    };
    for (const auto& [target, openable] : cases) EXPECT_EQ(openable, IsOpenableWebLink(target)) << ToUtf8(target);
}

TEST(ProgramRowsShell, FoldersAreOnlyExistingAbsoluteFolders) {
    test::ScratchFolder scratch(L"PurgeonRowsFolder");
    const std::wstring folder = ExcludeTrailingBackslash(scratch.path());
    const std::wstring file = scratch.path() + L"tool.exe";
    test::WriteFileBytes(file, "MZ");
    ASSERT_TRUE(CreateDirectoryW((scratch.path() + L"Sub Folder").c_str(), nullptr));
    std::wstring forward = folder;
    std::replace(forward.begin(), forward.end(), L'\\', L'/');

    const std::pair<std::wstring, bool> cases[] = {
        {folder, true},
        {scratch.path(), true},
        {L"\"" + scratch.path() + L"\"", true},
        {L"  " + folder + L"  ", true},
        {scratch.path() + L"Sub Folder", true},
        {forward, true},
        {file, false},
        {L"\"" + file + L"\"", false},
        {file + L" /uninstall", false},
        {scratch.path() + L"missing", false},
        {L"", false},
        {L"\"\"", false},
        {L"Windows", false},
        {L".\\", false},
        {L"C:", false},
        {L"C:Windows", false},
        {L"%SystemRoot%", false},
        {L"\\\\?\\" + folder, false},
        {L"\\\\.\\" + folder.substr(0, 2), false},
        {L"\\\\purgeon-no-such-server\\share", false},
        {folder + L"\n", true},  // blanks and line ends around it are trimmed ...
        {folder.substr(0, 3) + L"\x01" + folder.substr(3), false},  // ... control characters inside are not
        {L"\"" + folder, false},
        {L"cmd.exe /c calc", false},
    };
    for (const auto& [path, openable] : cases) EXPECT_EQ(openable, IsOpenableFolder(path)) << ToUtf8(path);
    EXPECT_EQ(scratch.path(), OpenableFolderPath(L" \"" + scratch.path() + L"\" ").value_or(L"-"));
    EXPECT_EQ(std::wstring(L"C:\\"), OpenableFolderPath(L"C:\\").value_or(L"-"));
}
