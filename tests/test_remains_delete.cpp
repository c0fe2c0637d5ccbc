// Cleaning the checked remains of a real sample program: what is checked goes (into the clean-up's
// backup), what is not stays, and shared keys and folders survive whatever the trees say.
#include <gtest/gtest.h>

#include <functional>

#include "remains/checkTree.h"
#include "cleanup/cleanupBackup.h"
#include "cleanup/remainsDelete.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/findings.h"
#include "tests/support/testSupport.h"
#include "tools/samples/sampleCatalog.h"

using namespace purgeon;
using namespace purgeon::cleanup;
using namespace purgeon::remains;
using namespace purgeon::samples;
using namespace purgeon::test;

namespace {

class Installed {
public:
    explicit Installed(const std::wstring& name) {
        spec_.name = name;
        spec_.publisher = L"Remains Delete Works " + name;
        spec_.behaviour = UninstallBehaviour::Remains;
        sample_ = InstallSample(spec_, BinDir());
        std::wstring command = sample_.uninstallString;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            UniqueHandle process(info.hProcess), thread(info.hThread);
            WaitForSingleObject(process.get(), 30000);
        }
    }
    ~Installed() {
        try {
            RemoveSample(spec_);
        } catch (const SampleError&) {
        }
    }
    const InstalledSample* operator->() const { return &sample_; }
    const std::wstring& publisher() const { return spec_.publisher; }

private:
    SampleSpec spec_;
    InstalledSample sample_;
};

bool KeyExists(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool ValueExists(HKEY root, const std::wstring& path, const wchar_t* name) {
    UniqueHKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
           RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

ScanNode* FindNode(std::vector<ScanNode>& nodes, const std::wstring& text) {
    for (ScanNode& node : nodes) {
        if (node.text == text) return &node;
        if (ScanNode* inner = FindNode(node.children, text)) return inner;
    }
    return nullptr;
}

// Unticks a node as a click would, marks of its relatives following.
void Untick(std::vector<ScanNode>& roots, const std::wstring& text) {
    std::function<bool(std::vector<ScanNode>&, NodePath&)> find = [&](std::vector<ScanNode>& nodes, NodePath& path) {
        for (size_t i = 0; i < nodes.size(); ++i) {
            path.push_back(i);
            if (nodes[i].text == text || find(nodes[i].children, path)) return true;
            path.pop_back();
        }
        return false;
    };
    NodePath path;
    ASSERT_TRUE(find(roots, path)) << ToUtf8(text);
    ASSERT_EQ(NodeAt(roots, path)->state, kChecked);
    ToggleNodeCheck(roots, path);
}

// A clean-up into a scratch backup folder.
struct Cleaner {
    ScratchFolder backups{L"remainsdelete-backups"};
    CleanupResult Clean(std::vector<ScanNode>& keys, std::vector<ScanNode>& files, const std::wstring& program = L"x") {
        return CleanRemains(keys, files, {backups.path(), program, L""});
    }
};

const ItemOutcome* OutcomeOf(const std::vector<ItemOutcome>& outcomes, const std::wstring& path) {
    for (const ItemOutcome& outcome : outcomes)
        if (EqualsNoCase(outcome.path, path)) return &outcome;
    return nullptr;
}

size_t CountNodes(const std::vector<ScanNode>& nodes) {
    size_t count = nodes.size();
    for (const ScanNode& node : nodes) count += CountNodes(node.children);
    return count;
}

}  // namespace

TEST(RemainsDelete, EverythingCheckedGoesWithTheFolderWhole) {
    const std::wstring name = L"RemainsDeleteAll";
    Installed sample(name);
    std::vector<ScanNode> keys = ScanRegistry(name);
    std::optional<ScanNode> tree = ScanInstallFolder(sample->installDir);
    ASSERT_EQ(keys.size(), 3u);
    ASSERT_TRUE(tree);
    // Something the scan did not list goes with the folder too.
    WriteFileBytes(sample->installDir + L".keep", "x");
    std::vector<ScanNode> files = {*tree};

    Cleaner cleaner;
    const CleanupResult result = cleaner.Clean(keys, files, name);
    EXPECT_TRUE(result.ran);
    EXPECT_TRUE(result.AllGone());
    EXPECT_TRUE(keys.empty());
    EXPECT_TRUE(files.empty());
    EXPECT_TRUE(OutcomeOf(result.fileOutcomes, sample->installDir + L".keep"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\" + name));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\" + name));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\" + sample.publisher() + L"\\" + name));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\" + sample.publisher()));
    EXPECT_FALSE(DirectoryExists(ExcludeTrailingBackslash(sample->installDir)));
    // Set aside, not destroyed.
    const std::wstring stored = result.backupFolder + CleanupBackup::StoredFor(sample->installDir + L".keep");
    EXPECT_EQ(ReadFileBytes(stored), "x");
}

TEST(RemainsDelete, UncheckedKeysValuesFoldersAndFilesStay) {
    const std::wstring name = L"RemainsDeleteSome";
    Installed sample(name);
    const std::wstring dir = sample->installDir;
    const std::wstring user = L"HKEY_CURRENT_USER\\SOFTWARE\\" + name;
    const std::wstring machine = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\" + name;
    // A default value, a value name with a backslash, and a matched key with no values.
    SetString(HKEY_CURRENT_USER, L"Software\\" + name, L"", L"default");
    SetString(HKEY_CURRENT_USER, L"Software\\" + name, L"Dir\\Last", L"x");
    {
        UniqueHKey empty;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\" + name + L"\\Nested\\" + name).c_str(), 0, nullptr,
                                  0, KEY_ALL_ACCESS, nullptr, empty.put(), nullptr),
                  ERROR_SUCCESS);
    }
    ASSERT_TRUE(ForceDirectories(dir + L"empty"));
    WriteFileBytes(dir + L"data\\more.txt", "x");

    std::vector<ScanNode> keys = ScanRegistry(name);
    std::optional<ScanNode> tree = ScanInstallFolder(dir);
    ASSERT_TRUE(tree);
    std::vector<ScanNode> files = {*tree};
    ASSERT_TRUE(FindNode(keys, user + L"\\"));
    ASSERT_TRUE(FindNode(keys, user + L"\\Dir\\Last"));
    ASSERT_TRUE(FindNode(keys, user + L"\\Nested\\" + name));
    Untick(keys, user + L"\\Version");
    Untick(keys, user + L"\\Language");
    Untick(keys, machine);
    Untick(files, dir + L"config.ini");
    Untick(files, dir + L"data\\sub\\cache.bin");
    Untick(files, dir + L"data\\more.txt");
    ASSERT_EQ(FindNode(files, dir + L"data")->state, kPartlyChecked);

    Cleaner cleaner;
    EXPECT_TRUE(cleaner.Clean(keys, files, name).AllGone());
    // The partly checked key stays with its unchecked values; the checked ones are gone.
    const std::wstring userPath = L"Software\\" + name;
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, userPath, L"Version"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, userPath, L"Language"));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, userPath, L"InstallDir"));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, userPath, L"FirstRun"));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, userPath, L""));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, userPath, L"Dir\\Last"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, userPath + L"\\Nested\\" + name));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, userPath + L"\\Settings"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, L"Software\\" + name, L"InstallDir"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\" + sample.publisher() + L"\\" + name));
    // Files: the checked ones and the checked empty folder go, the rest stays.
    EXPECT_TRUE(FileExists(dir + L"config.ini"));
    EXPECT_FALSE(FileExists(dir + L"data\\settings.dat"));
    EXPECT_TRUE(FileExists(dir + L"data\\sub\\cache.bin"));
    EXPECT_TRUE(FileExists(dir + L"data\\more.txt"));
    EXPECT_FALSE(DirectoryExists(dir + L"empty"));

    // The trees keep exactly what was not removed, with marks the user can act on.
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].text, user);
    EXPECT_EQ(keys[0].children.size(), 2u);
    EXPECT_EQ(keys[1].text, machine);
    EXPECT_EQ(CountNodes(files), 6u);  // folder, config.ini, data, more.txt, sub, cache.bin
    RefreshChecks(keys);
    RefreshChecks(files);
    EXPECT_EQ(keys[0].state, kUnchecked);
    EXPECT_EQ(files[0].state, kUnchecked);
    EXPECT_EQ(FindNode(files, dir + L"data")->state, kUnchecked);
}

TEST(RemainsDelete, RegistryFindingsAloneAreSavedAndDeleted) {
    const std::wstring name = L"RemainsDeleteKeysOnly";
    SetString(HKEY_CURRENT_USER, L"Software\\RemainsDeleteVendor\\" + name, L"A", L"x");
    std::vector<ScanNode> keys = ScanRegistryKey(HKEY_CURRENT_USER, L"SOFTWARE", name);
    std::vector<ScanNode> files;
    ASSERT_EQ(keys.size(), 1u);
    Cleaner cleaner;
    const CleanupResult result = cleaner.Clean(keys, files, name);
    EXPECT_TRUE(result.AllGone());
    ASSERT_EQ(result.keyOutcomes.size(), 1u);
    EXPECT_TRUE(keys.empty());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\RemainsDeleteVendor\\" + name));
    EXPECT_TRUE(FileExists(result.backupFolder + kManifestFile));
    EXPECT_TRUE(FileExists(result.backupFolder + L"remains.reg"));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\RemainsDeleteVendor");
}

TEST(RemainsDelete, SharedKeysAndFoldersSurviveForgedTrees) {
    // Trees built by hand, as a stale or tampered window might hold them: every node stays, and
    // says why.
    SetString(HKEY_CURRENT_USER, L"Software\\Policies\\RemainsDeleteGuard", L"A", L"x");
    std::vector<ScanNode> keys = KeyFindings({{L"HKEY_CURRENT_USER\\SOFTWARE\\Policies", kChecked, {}},
                                              {L"HKEY_CURRENT_USER\\Software", kChecked, {}},
                                              {L"hkey_current_user\\Software\\Policies\\RemainsDeleteGuard", kChecked, {}}});
    const std::vector<ItemOutcome> outcomes = DeleteCheckedKeys(keys);
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].reason, Reason::Protected);
    EXPECT_EQ(outcomes[1].reason, Reason::Protected);
    EXPECT_FALSE(outcomes[2].done);  // no such root name
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Policies\\RemainsDeleteGuard"));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Policies\\RemainsDeleteGuard");

    wchar_t data[MAX_PATH] = {};
    ExpandEnvironmentStringsW(L"%ProgramData%", data, MAX_PATH);
    const std::wstring shared = data;
    ASSERT_TRUE(ForceDirectories(shared + L"\\RemainsDeleteGuard"));
    WriteFileBytes(shared + L"\\RemainsDeleteGuard\\keep.txt", "x");
    Cleaner cleaner;
    std::vector<ScanNode> none;
    std::vector<ScanNode> whole = FileFindings({{shared, kChecked, {{shared + L"\\RemainsDeleteGuard", kChecked, {}}}}});
    CleanupResult result = cleaner.Clean(none, whole);
    ASSERT_EQ(result.fileOutcomes.size(), 1u);
    EXPECT_EQ(result.fileOutcomes[0].reason, Reason::Protected);
    EXPECT_EQ(whole.size(), 1u);
    std::vector<ScanNode> parts = FileFindings({{shared, kUnchecked,
                                                 {{shared + L"\\RemainsDeleteGuard", kChecked, {}},
                                                  {shared + L"\\RemainsDeleteGuard\\keep.txt", kChecked, {}}}}});
    result = cleaner.Clean(none, parts);
    EXPECT_FALSE(result.AllGone());
    EXPECT_TRUE(FileExists(shared + L"\\RemainsDeleteGuard\\keep.txt"));
    EXPECT_TRUE(result.backupFolder.empty());  // nothing was set aside

    // Below an ordinary install folder, a node pointing outside it is not followed.
    ScratchFolder scratch(L"remainsdelete");
    ASSERT_TRUE(ForceDirectories(scratch.path() + L"App"));
    std::vector<ScanNode> outside = FileFindings({{scratch.path() + L"App", kUnchecked,
                                                   {{scratch.path() + L"App\\..\\..\\..", kChecked, {}},
                                                    {shared + L"\\RemainsDeleteGuard\\keep.txt", kChecked, {}}}}});
    result = cleaner.Clean(none, outside);
    ASSERT_EQ(result.fileOutcomes.size(), 2u);
    EXPECT_EQ(result.fileOutcomes[0].reason, Reason::OutsideFolder);
    EXPECT_EQ(result.fileOutcomes[1].reason, Reason::OutsideFolder);
    EXPECT_EQ(outside[0].children.size(), 2u);  // both stayed, still checked
    EXPECT_TRUE(FileExists(shared + L"\\RemainsDeleteGuard\\keep.txt"));
    EXPECT_TRUE(DirectoryExists(scratch.path() + L"App"));
    RemoveTree(shared + L"\\RemainsDeleteGuard");
}

TEST(RemainsDelete, RegistryTextsSplitAtTheFirstAndLastBackslash) {
    struct Row {
        std::wstring text;
        HKEY root;
        std::wstring parent, last;
    };
    const Row rows[] = {
        {L"HKEY_CURRENT_USER\\SOFTWARE\\Vendor", HKEY_CURRENT_USER, L"SOFTWARE\\", L"Vendor"},
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B\\Name", HKEY_LOCAL_MACHINE, L"SOFTWARE\\A\\B\\", L"Name"},
        {L"HKEY_CLASSES_ROOT\\Installer\\Products\\X\\", HKEY_CLASSES_ROOT, L"Installer\\Products\\X\\", L""},
        {L"HKEY_LOCAL_MACHINE\\Vendor", HKEY_LOCAL_MACHINE, L"", L"Vendor"},
        {L"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE, L"", L""},
        {L"HKEY_LOCAL_MACHINE", nullptr, L"", L""},
        {L"hkey_local_machine\\SOFTWARE\\Vendor", nullptr, L"", L""},
        {L"HKEY_USERS\\.DEFAULT\\Software", nullptr, L"", L""},
        {L"HKLM\\SOFTWARE\\Vendor", nullptr, L"", L""},
        {L"", nullptr, L"", L""},
    };
    for (const Row& row : rows) {
        std::optional<RegistryTarget> target = SplitRegistryText(row.text);
        ASSERT_EQ(target.has_value(), row.root != nullptr) << ToUtf8(row.text);
        if (!target) continue;
        EXPECT_EQ(target->root, row.root) << ToUtf8(row.text);
        EXPECT_EQ(target->parentPath, row.parent) << ToUtf8(row.text);
        EXPECT_EQ(target->lastName, row.last) << ToUtf8(row.text);
    }
}

TEST(RemainsDelete, PathsLeadingOutOfTheInstallFolderAreNotFollowed) {
    ScratchFolder scratch(L"remainsdelete-out");
    const std::wstring app = scratch.path() + L"App";
    const std::wstring other = scratch.path() + L"Other";
    ASSERT_TRUE(ForceDirectories(app + L"\\x"));
    ASSERT_TRUE(ForceDirectories(other + L"\\Folder"));
    WriteFileBytes(other + L"\\file.txt", "x");
    WriteFileBytes(app + L"\\mine.txt", "x");
    // Text that begins with the install folder's but climbs out of it with forward slashes.
    std::vector<ScanNode> files = FileFindings({{app, kUnchecked,
                                                 {{app + L"\\x/../../Other/Folder", kChecked, {}},
                                                  {app + L"\\x/../../Other/file.txt", kChecked, {}},
                                                  {app + L"\\mine.txt", kChecked, {}}}}});
    Cleaner cleaner;
    std::vector<ScanNode> none;
    const CleanupResult result = cleaner.Clean(none, files);
    EXPECT_TRUE(DirectoryExists(other + L"\\Folder"));
    EXPECT_TRUE(FileExists(other + L"\\file.txt"));
    EXPECT_FALSE(FileExists(app + L"\\mine.txt"));
    ASSERT_EQ(result.fileOutcomes.size(), 3u);
    EXPECT_EQ(result.fileOutcomes[0].reason, Reason::OutsideFolder);
    EXPECT_EQ(result.fileOutcomes[1].reason, Reason::OutsideFolder);
    EXPECT_TRUE(result.fileOutcomes[2].done);
    EXPECT_EQ(files[0].children.size(), 2u);
}

// A match inside another is a finding of its own; when its parent is deleted it goes too, whatever
// its own mark, and is reported gone rather than left in the tree as if it stayed.
TEST(RemainsDelete, AMatchInsideADeletedKeyIsReportedGoneWithIt) {
    const std::wstring outer = L"Software\\RemainsDeleteNested", inner = outer + L"\\Profiles\\RemainsDeleteNested";
    SetString(HKEY_CURRENT_USER, outer, L"A", L"x");
    SetString(HKEY_CURRENT_USER, inner, L"Marker", L"y");
    std::vector<ScanNode> keys = KeyFindings({
        {L"HKEY_CURRENT_USER\\" + outer, kChecked, {{L"HKEY_CURRENT_USER\\" + outer + L"\\A", kChecked, {}}}},
        {L"HKEY_CURRENT_USER\\" + inner, kUnchecked, {{L"HKEY_CURRENT_USER\\" + inner + L"\\Marker", kUnchecked, {}}}}});
    std::vector<ScanNode> files;
    Cleaner cleaner;
    const CleanupResult result = cleaner.Clean(keys, files);
    EXPECT_TRUE(result.AllGone());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, outer));
    const ItemOutcome* nested = OutcomeOf(result.keyOutcomes, L"HKEY_CURRENT_USER\\" + inner);
    ASSERT_NE(nested, nullptr);
    EXPECT_TRUE(nested->done);
    EXPECT_TRUE(keys.empty()) << "nothing that went stays in the tree";
    RegDeleteTreeW(HKEY_CURRENT_USER, outer.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, outer.c_str());
}

TEST(RemainsDelete, SharedNamesInTheThirtyTwoBitViewSurvive) {
    // The 32-bit view of SOFTWARE holds the same shared keys as SOFTWARE itself.
    const std::wstring view = L"Software\\Wow6432Node\\";
    const bool hadPolicies = KeyExists(HKEY_LOCAL_MACHINE, view + L"Policies");
    SetString(HKEY_LOCAL_MACHINE, view + L"Policies\\RemainsDeleteGuard", L"A", L"x");
    SetString(HKEY_LOCAL_MACHINE, view + L"RemainsDeleteWow\\Policies", L"A", L"x");
    std::vector<ScanNode> keys = KeyFindings({{L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Policies", kChecked, {}},
                                              {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\RemainsDeleteWow\\Policies", kChecked, {}}});
    const std::vector<ItemOutcome> outcomes = DeleteCheckedKeys(keys);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].reason, Reason::Protected);
    EXPECT_TRUE(outcomes[1].done);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, view + L"Policies\\RemainsDeleteGuard"));
    // Deeper down the same name is one program's key.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, view + L"RemainsDeleteWow\\Policies"));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (view + L"RemainsDeleteWow").c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (view + L"RemainsDeleteWow").c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (view + L"Policies\\RemainsDeleteGuard").c_str());
    if (!hadPolicies) RegDeleteKeyW(HKEY_LOCAL_MACHINE, (view + L"Policies").c_str());
}

TEST(RemainsDelete, ReadOnlyAndHiddenFilesAreSetAsideWithTheirAttributes) {
    ScratchFolder scratch(L"remainsdelete-ro");
    const std::wstring app = scratch.path() + L"App";
    ASSERT_TRUE(ForceDirectories(app));
    WriteFileBytes(app + L"\\locked.txt", "locked");
    WriteFileBytes(app + L"\\hidden.txt", "hidden");
    ASSERT_TRUE(SetFileAttributesW((app + L"\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesW((app + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    std::optional<ScanNode> tree = ScanInstallFolder(app);
    ASSERT_TRUE(tree);
    std::vector<ScanNode> files = {*tree};
    files[0].state = kPartlyChecked;  // the install folder itself is kept
    Cleaner cleaner;
    std::vector<ScanNode> none;
    const CleanupResult result = cleaner.Clean(none, files);
    EXPECT_TRUE(result.AllGone());
    EXPECT_FALSE(FileExists(app + L"\\locked.txt"));
    EXPECT_FALSE(FileExists(app + L"\\hidden.txt"));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].children.empty());
    const std::wstring locked = result.backupFolder + CleanupBackup::StoredFor(app + L"\\locked.txt");
    const std::wstring hidden = result.backupFolder + CleanupBackup::StoredFor(app + L"\\hidden.txt");
    EXPECT_EQ(ReadFileBytes(locked), "locked");
    EXPECT_EQ(GetFileAttributesW(locked.c_str()) & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesW(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

TEST(RemainsDelete, MarksAfterADeleteComeFromWhatIsLeft) {
    // Each row: the marks before, then after a refresh of what a delete left behind.
    ScanNode keptFile{L"", kUnchecked, {}};
    struct Row {
        const char* what;
        std::vector<ScanNode> roots;
        std::vector<int> states;  // top, then its first child, in order
    };
    const Row rows[] = {
        {"a partly checked folder left with one unchecked file", {{L"", kPartlyChecked, {keptFile}}},
         {kUnchecked, kUnchecked}},
        {"a partly checked folder left with nothing", {{L"", kPartlyChecked, {}}}, {kUnchecked}},
        {"a stale checked mark above an unchecked file", {{L"", kChecked, {keptFile}}}, {kUnchecked, kUnchecked}},
        {"a stale unchecked mark above a checked leaf", {{L"", kUnchecked, {{L"", kChecked, {}}}}},
         {kChecked, kChecked}},
        {"a checked leaf keeps its mark, not flipped", {{L"", kChecked, {}}}, {kChecked}},
        {"partly checked all the way up",
         {{L"", kChecked, {{L"", kChecked, {{L"", kChecked, {}}, keptFile}}}}},
         {kPartlyChecked, kPartlyChecked}},
    };
    for (const Row& row : rows) {
        std::vector<ScanNode> roots = row.roots;
        RefreshChecks(roots);
        std::vector<int> states = {roots[0].state};
        if (!roots[0].children.empty()) states.push_back(roots[0].children[0].state);
        EXPECT_EQ(states, row.states) << row.what;
    }
}

TEST(RemainsDelete, AFolderHoldingAProtectedOneIsNotDeletedWhole) {
    wchar_t roaming[MAX_PATH] = {};
    ExpandEnvironmentStringsW(L"%APPDATA%", roaming, MAX_PATH);
    const std::wstring shared = std::wstring(roaming) + L"\\Microsoft";
    const std::wstring guard = shared + L"\\RemainsDeleteGuard.txt";
    ASSERT_TRUE(ForceDirectories(shared));
    WriteFileBytes(guard, "x");
    std::vector<ScanNode> files = FileFindings({{shared, kChecked, {{guard, kChecked, {}}}}});
    std::vector<ScanNode> none;
    Cleaner cleaner;
    const CleanupResult result = cleaner.Clean(none, files);
    ASSERT_EQ(result.fileOutcomes.size(), 1u);
    EXPECT_EQ(result.fileOutcomes[0].reason, Reason::Protected);
    EXPECT_EQ(files.size(), 1u);
    EXPECT_TRUE(FileExists(guard));
    DeleteFileW(guard.c_str());
}

// A value's text is its key's text, a backslash and its name, so texts alone cannot tell a value
// named "Sub\Inner" from the value "Inner" of the subkey "Sub", nor see that a key's name holds a
// character that only looks like a backslash. Each finding goes by its target: exactly the one
// value checked goes, whatever its name, and the unnamed value is not the value named two quotes.
TEST(RemainsDelete, EachValueGoesByItsOwnNameAndKey) {
    const std::wstring name = Format(L"RemainsTarget%lu\uff3cWide", GetCurrentProcessId());
    const std::wstring path = L"Software\\" + name, sub = path + L"\\Sub";
    struct Row {
        const wchar_t* checked;  // the one value left checked
        const wchar_t* label;
    };
    const Row rows[] = {{L"", L"the unnamed value"},
                        {L"\"\"", L"a value named two quotes"},
                        {L"Sub\\Inner", L"a value whose name holds a backslash"},
                        {L"Inner", L"a plain name the subkey's value shares"}};
    for (const Row& row : rows) {
        for (const Row& value : rows) SetString(HKEY_CURRENT_USER, path, value.checked, L"x");
        SetString(HKEY_CURRENT_USER, sub, L"Inner", L"kept");
        std::vector<ScanNode> keys = ScanRegistryKey(HKEY_CURRENT_USER, L"Software", name);
        ASSERT_EQ(keys.size(), 1u) << ToUtf8(row.label);
        EXPECT_EQ(keys[0].text, L"HKEY_CURRENT_USER\\Software\\" + name);
        EXPECT_EQ(keys[0].target.key.Name(), name);
        keys[0].state = kPartlyChecked;
        for (ScanNode& value : keys[0].children)
            value.state = value.target.valueName == row.checked ? kChecked : kUnchecked;
        Cleaner cleaner;
        std::vector<ScanNode> files;
        EXPECT_TRUE(cleaner.Clean(keys, files).AllGone()) << ToUtf8(row.label);
        for (const Row& value : rows)
            EXPECT_EQ(ValueExists(HKEY_CURRENT_USER, path, value.checked), &value != &row)
                << ToUtf8(row.label) << ": " << ToUtf8(value.label);
        EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, sub, L"Inner")) << ToUtf8(row.label);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
}
