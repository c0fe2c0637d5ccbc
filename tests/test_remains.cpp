// The remains scan against a real sample program: installed into the test prefix, its
// uninstaller run, then the registry and its folder searched for what was left.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "cleanup/remainsDelete.h"
#include "remains/remainsScan.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/installedSample.h"
#include "tests/support/findings.h"
#include "tests/support/testSupport.h"
#include "tools/samples/sampleCatalog.h"

using namespace purgeon;
using namespace purgeon::cleanup;
using namespace purgeon::remains;
using namespace purgeon::samples;
using namespace purgeon::test;

namespace {

constexpr wchar_t kHkcuSoftware[] = L"HKEY_CURRENT_USER\\SOFTWARE\\";
constexpr wchar_t kHklmSoftware[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\";

SampleSpec Spec(const std::wstring& name, UninstallBehaviour behaviour) {
    SampleSpec spec;
    spec.name = name;
    spec.publisher = L"Remains Test Works " + name;
    spec.behaviour = behaviour;
    return spec;
}

// Runs the UninstallString as the program does and waits for it.
DWORD RunUninstaller(const std::wstring& commandLine) {
    std::wstring command = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return GetLastError();
    UniqueHandle process(info.hProcess), thread(info.hThread);
    if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

// A scratch key with one value, removed at the end.
class TestKey {
public:
    TestKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
        UniqueHKey key;
        EXPECT_EQ(RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        const wchar_t data[] = L"x";
        RegSetValueExW(key.get(), L"Marker", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data);
    }
    ~TestKey() { RegDeleteTreeW(root_, path_.c_str()); RegDeleteKeyW(root_, path_.c_str()); }

private:
    HKEY root_;
    std::wstring path_;
};

std::vector<std::wstring> Texts(const std::vector<ScanNode>& nodes) {
    std::vector<std::wstring> texts;
    for (const ScanNode& node : nodes) texts.push_back(node.text);
    return texts;
}

const ScanNode* Find(const std::vector<ScanNode>& nodes, const std::wstring& text) {
    for (const ScanNode& node : nodes)
        if (node.text == text) return &node;
    return nullptr;
}

std::set<std::wstring> ValueNamesOf(const ScanNode& node) {
    std::set<std::wstring> names;
    for (const ScanNode& child : node.children) {
        EXPECT_EQ(child.text.rfind(node.text + L'\\', 0), 0u) << ToUtf8(child.text);
        EXPECT_EQ(child.state, kChecked);
        EXPECT_TRUE(child.children.empty());
        names.insert(child.text.substr(node.text.size() + 1));
    }
    return names;
}

size_t IndexOf(const std::vector<ScanNode>& nodes, const std::wstring& text) {
    for (size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].text == text) return i;
    return nodes.size();
}

std::wstring Expand(const std::wstring& text) {
    wchar_t buffer[MAX_PATH * 2] = {};
    ExpandEnvironmentStringsW(text.c_str(), buffer, MAX_PATH * 2);
    return buffer;
}

// Every file below a scan node, relative to the top, and every folder with a trailing backslash.
void Collect(const ScanNode& node, size_t topLength, std::set<std::wstring>* out) {
    for (const ScanNode& child : node.children) {
        EXPECT_EQ(child.state, kChecked);
        std::wstring relative = child.text.substr(topLength);
        out->insert(child.children.empty() ? relative : relative + L'\\');
        Collect(child, topLength, out);
    }
}

}  // namespace

// --- registry ----------------------------------------------------------------------------

TEST(RemainsRegistry, FindsVendorKeysLeftByTheUninstallerWithTheirValues) {
    const std::wstring name = L"RemainsScanVendor";
    Installed sample(Spec(name, UninstallBehaviour::Remains));
    ASSERT_EQ(RunUninstaller(sample->uninstallString), 0u);
    // A key of the same name inside a finding is a finding of its own.
    TestKey nested(HKEY_CURRENT_USER, L"Software\\" + name + L"\\Profiles\\" + name);

    std::vector<ScanNode> found = ScanRegistry(name);
    const std::wstring user = kHkcuSoftware + name;
    const std::wstring machine = kHklmSoftware + name;
    const std::wstring vendor = std::wstring(kHklmSoftware) + L"Remains Test Works " + name + L"\\" + name;
    const std::wstring inner = user + L"\\Profiles\\" + name;
    std::vector<std::wstring> texts = Texts(found);
    ASSERT_EQ(std::set<std::wstring>(texts.begin(), texts.end()), (std::set<std::wstring>{user, inner, machine, vendor}));
    ASSERT_EQ(texts.size(), 4u);
    // Walk order: the outer key before the one inside it, the user's keys before the machine's.
    EXPECT_LT(IndexOf(found, user), IndexOf(found, inner));
    EXPECT_LT(IndexOf(found, inner), IndexOf(found, machine));
    EXPECT_LT(IndexOf(found, inner), IndexOf(found, vendor));
    for (const ScanNode& node : found) EXPECT_EQ(node.state, kChecked);

    EXPECT_EQ(ValueNamesOf(*Find(found, user)),
              (std::set<std::wstring>{L"InstallDir", L"Version", L"Language", L"FirstRun"}));
    EXPECT_EQ(ValueNamesOf(*Find(found, inner)), (std::set<std::wstring>{L"Marker"}));
    EXPECT_EQ(ValueNamesOf(*Find(found, machine)), (std::set<std::wstring>{L"InstallDir", L"Version", L"Publisher"}));
    EXPECT_EQ(ValueNamesOf(*Find(found, vendor)), (std::set<std::wstring>{L"Path", L"Edition"}));
}

TEST(RemainsRegistry, FindsAnUninstallEntryThatOutlivedItsUninstaller) {
    const std::wstring name = L"RemainsScanOrphan";
    Installed sample(Spec(name, UninstallBehaviour::Missing));
    ASSERT_NE(RunUninstaller(sample->uninstallString), 0u);  // nothing there to run

    std::vector<ScanNode> found = ScanRegistry(name);
    const size_t entry = IndexOf(found, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name);
    ASSERT_LT(entry, found.size()) << "found " << found.size();
    std::set<std::wstring> values = ValueNamesOf(found[entry]);
    EXPECT_TRUE(values.count(L"UninstallString"));
    EXPECT_TRUE(values.count(L"DisplayName"));
    // Walk order: the current user's software, the machine's, then the machine's Windows part.
    EXPECT_EQ(entry, found.size() - 1);
    EXPECT_LT(IndexOf(found, kHkcuSoftware + name), IndexOf(found, kHklmSoftware + name));
}

TEST(RemainsRegistry, NamesMatchWholeAndWithTheirLetterCase) {
    const std::wstring name = L"RemainsScanCase";
    TestKey exact(HKEY_CURRENT_USER, L"Software\\RemainsCaseVendor\\" + name);
    TestKey otherCase(HKEY_CURRENT_USER, L"Software\\RemainsCaseOther\\remainsscancase");
    TestKey longer(HKEY_CURRENT_USER, L"Software\\RemainsCaseOther\\" + name + L" 2");
    TestKey shorter(HKEY_CURRENT_USER, L"Software\\RemainsCaseShort\\RemainsScan");

    EXPECT_EQ(Texts(ScanRegistryKey(HKEY_CURRENT_USER, L"SOFTWARE", name)),
              (std::vector<std::wstring>{kHkcuSoftware + std::wstring(L"RemainsCaseVendor\\") + name}));
    EXPECT_TRUE(ScanRegistryKey(HKEY_CURRENT_USER, L"SOFTWARE", L"").empty());
}

TEST(RemainsRegistry, SharedSubtreesAreComparedButNotEntered) {
    const std::wstring name = L"RemainsScanShared";
    TestKey inClasses(HKEY_CURRENT_USER, L"Software\\Classes\\" + name);
    TestKey inMicrosoft(HKEY_CURRENT_USER, L"Software\\Microsoft\\" + name);
    TestKey elsewhere(HKEY_CURRENT_USER, L"Software\\RemainsSharedVendor\\" + name);
    EXPECT_EQ(Texts(ScanRegistryKey(HKEY_CURRENT_USER, L"SOFTWARE", name)),
              (std::vector<std::wstring>{kHkcuSoftware + std::wstring(L"RemainsSharedVendor\\") + name}));

    // The same names deeper down are ordinary keys and are walked.
    TestKey deeper(HKEY_CURRENT_USER, L"Software\\RemainsSharedVendor\\Classes\\" + name);
    EXPECT_EQ(ScanRegistryKey(HKEY_CURRENT_USER, L"SOFTWARE", name).size(), 2u);
}

TEST(RemainsRegistry, SharedNamesDirectlyUnderSoftwareAreNeverOffered) {
    // A program registered as "Policies" or "Clients" must not take the shared key with it.
    TestKey policies(HKEY_CURRENT_USER, L"Software\\Policies\\RemainsPolicyVendor");
    TestKey deeper(HKEY_CURRENT_USER, L"Software\\RemainsPolicyVendor\\Policies");
    EXPECT_EQ(Texts(ScanRegistryKey(HKEY_CURRENT_USER, L"SOFTWARE", L"Policies")),
              (std::vector<std::wstring>{kHkcuSoftware + std::wstring(L"RemainsPolicyVendor\\Policies")}));
    for (const wchar_t* shared : {L"Microsoft", L"Clients", L"Classes", L"Wow6432Node", L"Windows"}) {
        for (const ScanNode& node : ScanRegistry(shared)) {
            const std::wstring parent = node.text.substr(0, node.text.rfind(L'\\'));
            EXPECT_FALSE(EqualsNoCase(parent, L"HKEY_CURRENT_USER\\SOFTWARE") ||
                             EqualsNoCase(parent, L"HKEY_LOCAL_MACHINE\\SOFTWARE"))
                    << ToUtf8(node.text);
        }
    }
    EXPECT_TRUE(ScanRegistryKey(HKEY_CURRENT_USER, L"Software\\RemainsNoSuchKey", L"Policies").empty());
}

TEST(RemainsRegistry, ProgressIsReportedNoMoreThanEveryThirtyMilliseconds) {
    std::vector<ULONGLONG> ticks;
    std::vector<std::wstring> paths;
    const ULONGLONG start = GetTickCount64();
    ScanRegistry(L"RemainsScanNothing", [&](const std::wstring& path) {
        ticks.push_back(GetTickCount64());
        paths.push_back(path);
    });
    const ULONGLONG elapsed = GetTickCount64() - start;
    ASSERT_FALSE(ticks.empty());
    // Tick resolution under Wine is fine-grained enough for a couple of milliseconds of slack.
    // The last report, where the scan ended, comes whenever the scan ends.
    for (size_t i = 1; i + 1 < ticks.size(); ++i) EXPECT_GE(ticks[i] - ticks[i - 1] + 2, kProgressIntervalMs);
    EXPECT_LE(ticks.size(), (elapsed + kProgressIntervalMs) / kProgressIntervalMs * 4 + 4);
    for (const std::wstring& path : paths) EXPECT_EQ(path.rfind(L"HKEY_", 0), 0u) << ToUtf8(path);
}

// --- the install folder ----------------------------------------------------------------------

TEST(RemainsFiles, ListsWhatTheUninstallerLeftInFileSystemOrder) {
    Installed sample(Spec(L"RemainsScanFiles", UninstallBehaviour::Remains));
    ASSERT_EQ(RunUninstaller(sample->uninstallString), 0u);
    const std::wstring dir = sample->installDir;
    WriteFileBytes(dir + L".hidden", "dot files are not offered");
    ASSERT_TRUE(ForceDirectories(dir + L".cache"));
    WriteFileBytes(dir + L".cache\\blob", "nor their contents");

    std::optional<ScanNode> tree = ScanInstallFolder(dir);
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->text, dir);
    EXPECT_EQ(tree->state, kChecked);
    std::set<std::wstring> listed;
    Collect(*tree, dir.size(), &listed);
    std::set<std::wstring> expected = {L"data\\", L"data\\sub\\"};
    for (const std::wstring& file : RemainingFiles()) expected.insert(file);
    EXPECT_EQ(listed, expected);

    // Children come in the order the folder enumerates, each under its own folder.
    std::vector<std::wstring> order;
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(FindFirstFileW((dir + L"*").c_str(), &entry));
    ASSERT_TRUE(find);
    do {
        if (entry.cFileName[0] != L'.') order.push_back(dir + entry.cFileName);
    } while (FindNextFileW(find.get(), &entry));
    std::vector<std::wstring> top;
    for (const ScanNode& child : tree->children) top.push_back(child.text);
    EXPECT_EQ(top, order);
    for (const ScanNode& child : tree->children)
        if (child.text == dir + L"data") {
            ASSERT_EQ(child.children.size(), 2u);
            for (const ScanNode& inner : child.children) EXPECT_EQ(inner.text.rfind(dir + L"data\\", 0), 0u);
        }

    // Stored with quotes, or without the trailing backslash: the same folder.
    std::optional<ScanNode> quoted = ScanInstallFolder(L"\"" + ExcludeTrailingBackslash(dir) + L"\"");
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->text, ExcludeTrailingBackslash(dir));
    std::set<std::wstring> listedQuoted;
    Collect(*quoted, quoted->text.size() + 1, &listedQuoted);
    EXPECT_EQ(listedQuoted, expected);
    // A quote at one end only, as a command line leaves "C:\App\" and as some installers write it.
    for (const std::wstring& halfQuoted : {L"\"" + dir, dir + L"\"", L" \"" + ExcludeTrailingBackslash(dir) + L" "}) {
        std::optional<ScanNode> found = ScanInstallFolder(halfQuoted);
        ASSERT_TRUE(found) << ToUtf8(halfQuoted);
        EXPECT_EQ(ExcludeTrailingBackslash(found->text), ExcludeTrailingBackslash(dir));
    }
}

TEST(RemainsFiles, NoTreeForAMissingEmptyOrWindowsLikeLocation) {
    ScratchFolder scratch(L"remains");
    EXPECT_FALSE(ScanInstallFolder(L""));
    EXPECT_FALSE(ScanInstallFolder(L"\"\""));
    EXPECT_FALSE(ScanInstallFolder(scratch.path() + L"NotThere\\"));
    // A folder named Windows anywhere on the way, whatever its letter case.
    ASSERT_TRUE(ForceDirectories(scratch.path() + L"wInDoWs\\App"));
    WriteFileBytes(scratch.path() + L"wInDoWs\\App\\app.exe", "x");
    EXPECT_FALSE(ScanInstallFolder(scratch.path() + L"wInDoWs\\App"));
    // Named so only at the end, it is an ordinary folder.
    ASSERT_TRUE(ForceDirectories(scratch.path() + L"My Windows"));
    EXPECT_TRUE(ScanInstallFolder(scratch.path() + L"My Windows"));
    // An empty folder is a tree of one node.
    std::optional<ScanNode> empty = ScanInstallFolder(scratch.path() + L"My Windows");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->children.empty());
}

TEST(RemainsFiles, SharedFoldersGiveNoTreeEvenThoughTheyExist) {
    for (const std::wstring& location :
         {ProgramFilesDir(), Expand(L"%ProgramFiles%"), Expand(L"\"%CommonProgramFiles%\""), Expand(L"%ProgramData%"),
          Expand(L"%USERPROFILE%\\"), Expand(L"%APPDATA%"), std::wstring(L"C:\\"), Expand(L"%SystemRoot%")}) {
        ASSERT_TRUE(DirectoryExists(ExcludeTrailingBackslash(CleanInstallLocation(location)))) << ToUtf8(location);
        EXPECT_FALSE(ScanInstallFolder(location)) << ToUtf8(location);
    }
}

TEST(RemainsFiles, ProtectedFolderTable) {
    const std::wstring profile = Expand(L"%USERPROFILE%");
    const std::wstring users = ExcludeTrailingBackslash(ExtractFilePath(profile));
    const std::wstring startMenu = Expand(L"%APPDATA%\\Microsoft\\Windows\\Start Menu");
    struct Row {
        std::wstring path;
        bool isProtected;
    };
    const Row rows[] = {
        {L"", true},
        {L"   ", true},
        {L"C:\\", true},
        {L"C:", true},
        {L"c:/", true},
        {L"\"C:\\\"", true},
        {L"D:\\", true},
        {L"C:\\Program Files\\..", true},
        {Expand(L"%SystemRoot%"), true},
        {Expand(L"%SystemRoot%\\"), true},
        {L"C:\\WINDOWS\\system32", true},
        {L"c:\\windows\\Temp\\Setup", true},
        {L"C:/windows/fonts", true},
        {Expand(L"%ProgramFiles%"), true},
        {Expand(L"%ProgramFiles%\\"), true},
        {Expand(L"\"%ProgramFiles%\\\""), true},
        {Expand(L"%ProgramFiles(x86)%"), true},
        {Expand(L"%CommonProgramFiles%"), true},
        {Expand(L"%ProgramData%"), true},
        {users, true},
        {users + L"\\", true},
        {profile, true},
        {profile + L"\\Desktop", true},
        {profile + L"\\Documents", true},
        {profile + L"\\Downloads", true},
        {profile + L"\\AppData", true},
        {Expand(L"%APPDATA%"), true},
        {Expand(L"%LOCALAPPDATA%"), true},
        {profile + L"\\AppData\\LocalLow", true},
        {startMenu, true},
        {startMenu + L"\\Programs", true},
        {startMenu + L"\\Programs\\Startup", true},
        {users + L"\\SomeoneElse", true},
        {users + L"\\SomeoneElse\\AppData\\Roaming", true},
        {users + L"\\Public", true},
        {L"Program Files\\Vendor", true},
        {L"\\Program Files\\Vendor", true},
        {L"..\\Vendor", true},
        {L"\\\\server\\share", true},
        {L"\\\\server\\share\\", true},
        {L"\\\\server", true},
        {L"\\\\server\\share\\Vendor\\..", true},
        // Folders of one program.
        {Expand(L"%ProgramFiles%\\Vendor\\App"), false},
        {Expand(L"\"%ProgramFiles%\\Vendor\\App\\\""), false},
        {Expand(L"%CommonProgramFiles%\\Vendor"), false},
        {Expand(L"%ProgramData%\\Vendor"), false},
        {Expand(L"%APPDATA%\\Vendor"), false},
        {Expand(L"%LOCALAPPDATA%\\Programs\\App"), false},
        {startMenu + L"\\Programs\\Vendor", false},
        {profile + L"\\Desktop\\Tool", false},
        {users + L"\\SomeoneElse\\AppData\\Roaming\\Vendor", false},
        {L"D:\\Games\\Thing", false},
        {L"C:\\My Windows\\App", false},
        {L"C:\\Windows.old\\App", false},
        {L"\\\\server\\share\\Vendor", false},
        {L"C:\\Program Files\\Vendor\\\u00c4pp \u65e5\u672c", false},
    };
    for (const Row& row : rows) EXPECT_EQ(IsProtectedFolder(row.path), row.isProtected) << ToUtf8(row.path);
}

// --- more of the walks -------------------------------------------------------------------------

namespace {

// Creates a key and everything missing above it; removes at the end only what it created.
class CreatedKey {
public:
    CreatedKey(HKEY root, const std::wstring& path) : root_(root) {
        std::wstring at;
        for (size_t start = 0; start <= path.size();) {
            size_t end = path.find(L'\\', start);
            if (end == std::wstring::npos) end = path.size();
            at += (at.empty() ? L"" : L"\\") + path.substr(start, end - start);
            UniqueHKey key;
            DWORD disposition = 0;
            EXPECT_EQ(RegCreateKeyExW(root_, at.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                      &disposition),
                      ERROR_SUCCESS)
                << ToUtf8(at);
            if (disposition == REG_CREATED_NEW_KEY && created_.empty()) created_ = at;
            if (end == path.size()) {
                const wchar_t data[] = L"x";
                RegSetValueExW(key.get(), L"Marker", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data);
            }
            start = end + 1;
        }
    }
    ~CreatedKey() {
        if (created_.empty()) return;
        RegDeleteTreeW(root_, created_.c_str());
        RegDeleteKeyW(root_, created_.c_str());
    }

private:
    HKEY root_;
    std::wstring created_;  // the highest key this one made
};

bool KeyThere(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace

TEST(RemainsRegistry, InstallerProductsOfTheClassesRootAreTheFirstWalk) {
    const std::wstring name = L"RemainsScanProduct";
    CreatedKey product(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Installer\\Products\\" + name);
    CreatedKey user(HKEY_CURRENT_USER, L"Software\\RemainsProductVendor\\" + name);

    std::vector<ScanNode> found = ScanRegistry(name);
    const std::wstring classes = L"HKEY_CLASSES_ROOT\\Installer\\Products\\" + name;
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].text, classes);
    EXPECT_EQ(ValueNamesOf(found[0]), (std::set<std::wstring>{L"Marker"}));
    EXPECT_EQ(found[1].text, kHkcuSoftware + std::wstring(L"RemainsProductVendor\\") + name);

    // The node's text leads the deletion back to the same key.
    std::vector<ScanNode> keys = {found[0]};
    DeleteCheckedKeys(keys);
    EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, L"Installer\\Products\\" + name));
    EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, L"Software\\RemainsProductVendor\\" + name));
}

TEST(RemainsRegistry, TheMachinesWindowsPartIsWalkedWithoutItsTwoHeavySubtrees) {
    const std::wstring name = L"RemainsScanWindowsPart";
    const std::wstring current = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
    CreatedKey walked(HKEY_LOCAL_MACHINE, current + L"RemainsWindowsVendor\\" + name);
    CreatedKey sideBySide(HKEY_LOCAL_MACHINE, current + L"SideBySide\\RemainsAssembly\\" + name);
    CreatedKey components(HKEY_LOCAL_MACHINE,
                          current + L"Installer\\UserData\\S-1-5-18\\Components\\RemainsComponent\\" + name);
    // Their neighbours are walked: only the exact paths are left out.
    CreatedKey userData(HKEY_LOCAL_MACHINE, current + L"Installer\\UserData\\S-1-5-18\\Products\\" + name);
    // The rest of SOFTWARE\Microsoft is not walked at all.
    CreatedKey otherMicrosoft(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\RemainsNotWalked\\" + name);

    std::vector<std::wstring> texts = Texts(ScanRegistry(name));
    EXPECT_EQ(std::set<std::wstring>(texts.begin(), texts.end()),
              (std::set<std::wstring>{
                  L"HKEY_LOCAL_MACHINE\\" + current + L"RemainsWindowsVendor\\" + name,
                  L"HKEY_LOCAL_MACHINE\\" + current + L"Installer\\UserData\\S-1-5-18\\Products\\" + name}));
    EXPECT_EQ(texts.size(), 2u);
}

TEST(RemainsRegistry, RegisteredApplicationsDirectlyUnderSoftwareIsNotOffered) {
    CreatedKey shared(HKEY_CURRENT_USER, L"Software\\RegisteredApplications");
    CreatedKey deeper(HKEY_CURRENT_USER, L"Software\\RemainsRegisteredVendor\\RegisteredApplications");
    EXPECT_EQ(Texts(ScanRegistryKey(HKEY_CURRENT_USER, L"SOFTWARE", L"RegisteredApplications")),
              (std::vector<std::wstring>{kHkcuSoftware +
                                         std::wstring(L"RemainsRegisteredVendor\\RegisteredApplications")}));
    EXPECT_TRUE(IsProtectedRegistryKey(L"SOFTWARE\\", L"registeredapplications"));
    EXPECT_FALSE(IsProtectedRegistryKey(L"SOFTWARE\\Vendor\\", L"RegisteredApplications"));
}

// The walks skip the 32-bit view's Microsoft part however the registry spells the view's key
// (Windows: WOW6432Node), or its uninstall entries would be offered twice.
TEST(RemainsRegistry, SkippedPathsIgnoreLetterCase) {
    EXPECT_TRUE(IsSkippedScanPath(L"SOFTWARE\\Wow6432Node\\Microsoft"));
    EXPECT_TRUE(IsSkippedScanPath(L"SOFTWARE\\WOW6432Node\\Microsoft"));
    EXPECT_TRUE(IsSkippedScanPath(L"SOFTWARE\\WOW6432Node\\Classes"));
    EXPECT_FALSE(IsSkippedScanPath(L"SOFTWARE\\WOW6432Node\\Vendor"));
}

// Windows' own keys (Run, Policies, Uninstall, ...) lie directly under Microsoft\Windows and its
// CurrentVersion; a program named like one must not take it. The 32-bit view is walked like the
// 64-bit one: its vendors and its uninstall entries, not the rest of its Microsoft part.
TEST(RemainsRegistry, WindowsOwnKeysAndTheThirtyTwoBitViewFollowTheSameRules) {
    const std::wstring name = L"RemainsScanSystemNamed";
    const std::wstring windows = L"SOFTWARE\\Microsoft\\Windows\\";
    const std::wstring windows32 = L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\";
    CreatedKey underWindows(HKEY_LOCAL_MACHINE, windows + name);
    CreatedKey underCurrent(HKEY_LOCAL_MACHINE, windows + L"CurrentVersion\\" + name);
    CreatedKey uninstall(HKEY_LOCAL_MACHINE, windows + L"CurrentVersion\\Uninstall\\" + name);
    CreatedKey underCurrent32(HKEY_LOCAL_MACHINE, windows32 + L"CurrentVersion\\" + name);
    CreatedKey uninstall32(HKEY_LOCAL_MACHINE, windows32 + L"CurrentVersion\\Uninstall\\" + name);
    CreatedKey otherMicrosoft32(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Microsoft\\RemainsNotWalked\\" + name);
    CreatedKey vendor32(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\RemainsVendor32\\" + name);

    const std::vector<std::wstring> texts = Texts(ScanRegistry(name));
    const std::wstring machine = L"HKEY_LOCAL_MACHINE\\";
    EXPECT_EQ(std::set<std::wstring>(texts.begin(), texts.end()),
              (std::set<std::wstring>{machine + windows + L"CurrentVersion\\Uninstall\\" + name,
                                      machine + windows32 + L"CurrentVersion\\Uninstall\\" + name,
                                      machine + L"SOFTWARE\\Wow6432Node\\RemainsVendor32\\" + name}));
    EXPECT_EQ(texts.size(), 3u);  // each once

    // Shared names directly under the 32-bit SOFTWARE are kept like those under SOFTWARE.
    for (const wchar_t* shared : {L"Policies", L"Microsoft", L"Classes"})
        for (const ScanNode& node : ScanRegistry(shared)) {
            const std::wstring parent = node.text.substr(0, node.text.rfind(L'\\'));
            EXPECT_FALSE(EqualsNoCase(parent, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node") ||
                         EqualsNoCase(parent, machine + windows + L"CurrentVersion"))
                << ToUtf8(node.text);
        }

    // A forged node naming Windows' own key is not deleted either.
    std::vector<ScanNode> forged = KeyFindings({{machine + windows + L"CurrentVersion\\" + name, kChecked, {}},
                                                {machine + windows32 + L"CurrentVersion\\" + name, kChecked, {}}});
    DeleteCheckedKeys(forged);
    EXPECT_TRUE(KeyThere(HKEY_LOCAL_MACHINE, windows + L"CurrentVersion\\" + name));
    EXPECT_TRUE(KeyThere(HKEY_LOCAL_MACHINE, windows32 + L"CurrentVersion\\" + name));
    EXPECT_FALSE(IsProtectedRegistryKey(windows + L"CurrentVersion\\Uninstall", name));
}

TEST(RemainsFiles, EveryFolderListsItsEntriesInFileSystemOrder) {
    ScratchFolder scratch(L"remains-order");
    const std::wstring top = scratch.path() + L"App";
    // Created out of name order, with folders and files mixed at each level.
    for (const wchar_t* folder : {L"zeta", L"alpha", L"zeta\\mid", L"zeta\\mid\\deep", L"alpha\\inner"})
        ASSERT_TRUE(ForceDirectories(top + L"\\" + folder));
    for (const wchar_t* file : {L"m.txt", L"b.dat", L"zeta\\y.txt", L"zeta\\c.txt", L"zeta\\mid\\k.bin",
                                L"zeta\\mid\\deep\\last.txt", L"alpha\\inner\\q.txt", L"alpha\\a.txt"})
        WriteFileBytes(top + L"\\" + file, "x");

    std::wstring shown;  // what the scan window's label would show at the end
    std::optional<ScanNode> tree = ScanInstallFolder(top, [&](const std::wstring& path) { shown = path; });
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->text, top);  // as given: no separator added
    size_t nodes = 0;
    std::wstring lastFile;
    std::function<void(const ScanNode&)> check = [&](const ScanNode& node) {
        std::vector<std::wstring> order;
        WIN32_FIND_DATAW entry{};
        UniqueFindHandle find(FindFirstFileW((IncludeTrailingBackslash(node.text) + L"*.*").c_str(), &entry));
        ASSERT_TRUE(find) << ToUtf8(node.text);
        do {
            if (entry.cFileName[0] != L'.') order.push_back(IncludeTrailingBackslash(node.text) + entry.cFileName);
        } while (FindNextFileW(find.get(), &entry));
        EXPECT_EQ(Texts(node.children), order) << ToUtf8(node.text);
        for (const ScanNode& child : node.children) {
            ++nodes;
            EXPECT_EQ(child.state, kChecked);
            if (DirectoryExists(child.text)) {
                check(child);
            } else {
                EXPECT_TRUE(child.children.empty());
                lastFile = child.text;
            }
        }
    };
    check(*tree);
    EXPECT_EQ(nodes, 13u);
    EXPECT_EQ(shown, lastFile);  // the last file examined, not one from up to 30 ms before
}

TEST(RemainsFiles, ProtectedFoldersUnderOtherSpellingsAndTheFoldersHoldingThem) {
    const std::wstring windows = Expand(L"%SystemRoot%");
    const std::wstring programFiles = Expand(L"%ProgramFiles%");
    const std::wstring roaming = Expand(L"%APPDATA%");
    const std::wstring users = ExcludeTrailingBackslash(ExtractFilePath(Expand(L"%USERPROFILE%")));
    std::vector<std::wstring> paths = {
        // The same folders through the long-path and device prefixes.
        L"\\\\?\\" + windows,
        L"\\\\?\\" + windows + L"\\System32",
        L"\\\\.\\" + windows,
        L"\\\\?\\" + programFiles,
        L"\\\\?\\C:\\",
        L"\\\\?\\UNC\\server\\share",
        // Folders that hold a protected one: removing them would remove it too.
        roaming + L"\\Microsoft",
        roaming + L"\\Microsoft\\Windows",
        Expand(L"%ProgramData%\\Microsoft"),
        users + L"\\SomeoneElse\\AppData\\Roaming\\Microsoft\\Windows",
    };
    // Short 8.3 names, where the file system has them.
    for (const std::wstring& folder : {windows, programFiles, Expand(L"%ProgramData%"), roaming}) {
        wchar_t shortName[MAX_PATH] = {};
        const DWORD length = GetShortPathNameW(folder.c_str(), shortName, MAX_PATH);
        if (length > 0 && length < MAX_PATH && !EqualsNoCase(shortName, folder)) paths.push_back(shortName);
    }
    for (const std::wstring& path : paths) {
        EXPECT_TRUE(IsProtectedFolder(path)) << ToUtf8(path);
        EXPECT_FALSE(ScanInstallFolder(path)) << ToUtf8(path);
    }
    // One program's folders stay offered through those spellings.
    ScratchFolder scratch(L"remains-spelling");
    ASSERT_TRUE(ForceDirectories(scratch.path() + L"Vendor App"));
    EXPECT_FALSE(IsProtectedFolder(L"\\\\?\\" + scratch.path() + L"Vendor App"));
    EXPECT_FALSE(IsProtectedFolder(roaming + L"\\Microsoft Games Vendor"));
    EXPECT_FALSE(IsProtectedFolder(roaming + L"\\Vendor\\Windows"));
    EXPECT_FALSE(IsProtectedFolder(programFiles + L"\\Vendor\\App"));
}
