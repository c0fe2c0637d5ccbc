// What a remains scan checks before the user looks: only what surely belongs to the program.
#include <gtest/gtest.h>

#include <tuple>

#include <map>

#include "remains/defaultMarks.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/findings.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using namespace purgeon::remains;

namespace {

using R = UncheckedReason;

constexpr wchar_t kUninstall[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

ScanNode Key(const std::wstring& path) {
    return test::KeyFindings({ScanNode{path, kChecked, {{path + L"\\Value", kChecked, {}}, {path + L"\\", kChecked, {}}}}})[0];
}

struct Expected {
    int state;
    R reason;
};

// Marks every key and checks each against what is expected of it; values follow their key.
void ExpectKeyMarks(const ScanRequest& request, const std::map<std::wstring, Expected>& keys) {
    std::vector<ScanNode> nodes;
    for (const auto& [path, expected] : keys) nodes.push_back(Key(path));
    SetDefaultKeyMarks(nodes, request);
    for (const ScanNode& node : nodes) {
        const Expected& expected = keys.at(node.text);
        EXPECT_EQ(node.state, expected.state) << ToUtf8(node.text);
        EXPECT_EQ(node.reason, expected.reason) << ToUtf8(node.text);
        for (const ScanNode& value : node.children) EXPECT_EQ(value.state, expected.state) << ToUtf8(value.text);
    }
}

const Expected kOn{kChecked, R::None};

}  // namespace

TEST(DefaultMarks, OnlyThePlacesAProgramKeepsItsKeysAreChecked) {
    const ScanRequest request{L"PurgeonMarks", L"C:\\Program Files\\Contoso\\PurgeonMarks\\",
                              std::wstring(kUninstall) + L"PurgeonMarks", L"Fabrikam, Inc."};
    ExpectKeyMarks(request, {
        {std::wstring(kUninstall) + L"PurgeonMarks", kOn},
        {L"HKEY_CURRENT_USER\\SOFTWARE\\PurgeonMarks", kOn},
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\PurgeonMarks", kOn},
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\PurgeonMarks", kOn},  // the 32-bit view
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Fabrikam, Inc.\\PurgeonMarks", kOn},  // below its publisher
        {L"HKEY_CURRENT_USER\\SOFTWARE\\Contoso\\PurgeonMarks", kOn},  // below its folder's vendor
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Fabrikam, Inc.\\PurgeonMarks", kOn},
        {L"HKEY_CLASSES_ROOT\\Installer\\Products\\PurgeonMarks", kOn},
        // Deeper, or under another vendor: listed, not checked.
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Other Vendor\\PurgeonMarks", {kUnchecked, R::OtherPlace}},
        {L"HKEY_CURRENT_USER\\SOFTWARE\\Fabrikam, Inc.\\Plugins\\PurgeonMarks", {kUnchecked, R::OtherPlace}},
        // Windows' own subtree, in either view: only the program's own entry may be checked there.
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\PurgeonMarks",
         {kUnchecked, R::WindowsKeys}},
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PurgeonMarks",
         {kUnchecked, R::WindowsKeys}},
    });
}

TEST(DefaultMarks, AGenericNameChecksOnlyTheUninstallKey) {
    for (const wchar_t* name : {L"1", L"Settings", L"options", L"2024", L"App", L"UPDATE"}) {
        const ScanRequest request{name, L"", std::wstring(kUninstall) + name, L"Publisher"};
        ExpectKeyMarks(request, {
            {std::wstring(kUninstall) + name, kOn},
            {L"HKEY_CURRENT_USER\\SOFTWARE\\" + std::wstring(name), {kUnchecked, R::CommonName}},
            {L"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\" +
                 std::wstring(name),
             {kUnchecked, R::CommonName}},
            {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\Database Engine\\" + std::wstring(name),
             {kUnchecked, R::CommonName}},
        });
    }
    for (const wchar_t* name : {L"Settings2", L"PurgeonSettings", L"Zone"})
        EXPECT_FALSE(IsGenericKeyName(name)) << ToUtf8(name);
}

TEST(DefaultMarks, AStillInstalledProgramHasNothingChecked) {
    ScanRequest request{L"PurgeonMarks", L"", std::wstring(kUninstall) + L"PurgeonMarks"};
    request.checkNothing = true;
    ExpectKeyMarks(request, {
        {std::wstring(kUninstall) + L"PurgeonMarks", {kUnchecked, R::StillInstalled}},
        {L"HKEY_CURRENT_USER\\SOFTWARE\\PurgeonMarks", {kUnchecked, R::StillInstalled}},
    });
    ScanNode folder = test::FileFinding({L"C:\\App", kChecked, {{L"C:\\App\\a.txt", kChecked, {}}}});
    SetDefaultFileMarks(folder, request);
    EXPECT_EQ(folder.state, kUnchecked);
    EXPECT_EQ(folder.children[0].state, kUnchecked);
    EXPECT_EQ(folder.reason, R::StillInstalled);
}

// A program installed in "Vendor" beside another in "Vendor\ProductB": ProductB's folder is the
// other program's and stays unchecked with all in it; "Vendor" itself then stays.
TEST(DefaultMarks, AnotherProgramsFolderInsideThisOneStaysUnchecked) {
    auto tree = [] {
        return test::FileFinding({L"C:\\Program Files\\Vendor", kChecked,
                        {{L"C:\\Program Files\\Vendor\\ProductB", kChecked,
                          {{L"C:\\Program Files\\Vendor\\ProductB\\b.exe", kChecked, {}},
                           {L"C:\\Program Files\\Vendor\\ProductB\\data", kChecked,
                            {{L"C:\\Program Files\\Vendor\\ProductB\\data\\x.dat", kChecked, {}}}}}},
                         {L"C:\\Program Files\\Vendor\\own.txt", kChecked, {}},
                         {L"C:\\Program Files\\Vendor\\ProductBeta", kChecked, {}}}});  // only alike in name
    };
    ScanRequest request{L"VendorSuite", L"C:\\Program Files\\Vendor"};
    // The other program's location as registries hold them: quoted, with a trailing slash, any case.
    for (const wchar_t* other : {L"C:\\Program Files\\Vendor\\ProductB", L"\"c:\\program files\\vendor\\productb\\\"",
                                 L"C:/Program Files/Vendor/ProductB/"}) {
        request.otherInstallLocations = {other, L"C:\\Program Files", L""};  // a shared folder is no program's own
        ScanNode folder = tree();
        SetDefaultFileMarks(folder, request);
        EXPECT_EQ(folder.state, kPartlyChecked) << ToUtf8(other);
        const ScanNode& productB = folder.children[0];
        EXPECT_EQ(productB.state, kUnchecked);
        EXPECT_EQ(productB.reason, R::OtherProgram);
        EXPECT_EQ(productB.children[1].children[0].state, kUnchecked);
        EXPECT_EQ(folder.children[1].state, kChecked);
        EXPECT_EQ(folder.children[2].state, kChecked);
    }
    // This program's folder inside another's: nothing of it is checked.
    request.otherInstallLocations = {L"C:\\Program Files"};
    request.installLocation = L"C:\\Program Files\\Vendor\\ProductB";
    request.otherInstallLocations.push_back(L"C:\\Program Files\\Vendor");
    ScanNode inside = tree().children[0];
    SetDefaultFileMarks(inside, request);
    EXPECT_EQ(inside.state, kUnchecked);
    EXPECT_EQ(inside.reason, R::OtherProgram);
    // No other program near: everything stays checked.
    request.otherInstallLocations = {L"D:\\Elsewhere"};
    ScanNode alone = tree();
    SetDefaultFileMarks(alone, request);
    EXPECT_EQ(alone.state, kChecked);
}

// Another program's folder written with short names ("C:\PROGRA~1\...") is still that folder, and
// so is this program's folder written that way.
TEST(DefaultMarks, ShortNamesOfAFolderAreThatFolder) {
    wchar_t programFiles[MAX_PATH];
    ExpandEnvironmentStringsW(L"%ProgramFiles%", programFiles, MAX_PATH);
    const std::wstring vendor = std::wstring(programFiles) + L"\\Purgeon Short Vendor";
    const std::wstring productB = vendor + L"\\Product Number B";
    ForceDirectories(productB);
    auto shortOf = [](const std::wstring& path) {
        wchar_t buffer[MAX_PATH] = {};
        GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
        return std::wstring(buffer);
    };
    const std::wstring shortVendor = shortOf(vendor), shortProductB = shortOf(productB);
    ASSERT_FALSE(shortProductB.empty());
    ASSERT_NE(ToLower(shortProductB), ToLower(productB)) << "no short names on this volume";
    auto tree = [](const std::wstring& top, const std::wstring& other) {
        return test::FileFinding(
            {top, kChecked, {{other, kChecked, {{other + L"\\b.exe", kChecked, {}}}}, {top + L"\\own.txt", kChecked, {}}}});
    };
    for (const auto& [top, listedOther, givenOther] :
         {std::tuple{vendor, productB, shortProductB}, std::tuple{shortVendor, shortVendor + L"\\Product Number B", productB}}) {
        ScanRequest request{L"ShortVendorSuite", top};
        request.otherInstallLocations = {givenOther};
        ScanNode folder = tree(top, listedOther);
        SetDefaultFileMarks(folder, request);
        EXPECT_EQ(folder.children[0].reason, R::OtherProgram) << ToUtf8(top) << " / " << ToUtf8(givenOther);
        EXPECT_EQ(folder.children[0].children[0].state, kUnchecked);
        EXPECT_EQ(folder.children[1].state, kChecked);
    }
    test::RemoveTree(vendor);
}

// Against the real registry: an entry installed for the current user only is found in that
// user's Uninstall key and checked as the program's own, with its keys under SOFTWARE.
TEST(DefaultMarks, APerUserProgramsEntryIsFoundAndChecked) {
    const std::wstring name = Format(L"PurgeonUserMarks%lu", GetCurrentProcessId());
    const std::wstring entryPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    UniqueHKey entry, settings;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, entryPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, entry.put(),
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(entry.get(), L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\" + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              settings.put(), nullptr),
              ERROR_SUCCESS);
    ScanRequest request{name, L"", L"HKEY_CURRENT_USER\\" + entryPath};
    const ScanFindings findings = ScanRemains(request);
    std::map<std::wstring, int> states;
    for (const ScanNode& key : findings.keys) states[ToLower(key.text)] = key.state;
    EXPECT_EQ(states[ToLower(request.uninstallKeyPath)], kChecked);
    EXPECT_EQ(states[ToLower(L"HKEY_CURRENT_USER\\SOFTWARE\\" + name)], kChecked);
    EXPECT_EQ(states.size(), 2u);
    entry.reset();
    settings.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, entryPath.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + name).c_str());
}
