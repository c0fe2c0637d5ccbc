// Startup items against the real registry and Startup folders of the test prefix, and the version
// reader against real executables.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <iterator>
#include <map>
#include <optional>
#include <tuple>

#include "common/funUtils.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "startup/fileInfo.h"
#include "startup/startupItems.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using namespace purgeon::test;

namespace {

std::wstring SelfPath() { return ModuleFileName(nullptr); }

// --- version reader ------------------------------------------------------------

TEST(FileVersionInfo, EnglishTableOfTheProgram) {
    TFileInfo info;
    ASSERT_TRUE(ReadFileVersionInfo(BinDir() + L"Purgeon.exe", info, L"ProductName"));
    EXPECT_EQ(info.CompanyName, L"Purgeon");
    EXPECT_EQ(info.FileDescription, L"Purgeon uninstall manager");
    EXPECT_EQ(info.FileVersion, L"1.0.0.0");
    EXPECT_EQ(info.Extra, L"Purgeon");
    EXPECT_EQ(info.FixedInfo.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info.FixedInfo.dwFileVersionMS, 0x00010000u);
}

TEST(FileVersionInfo, FirstDeclaredTranslationWinsOverEnglish) {
    // Its resource declares German first and carries an English table as well.
    TFileInfo info;
    ASSERT_TRUE(ReadFileVersionInfo(BinDir() + L"test_programRows.exe", info));
    EXPECT_EQ(info.CompanyName, L"Purgeon Pr\u00fcfstand GmbH");
    EXPECT_EQ(info.FileDescription, L"Purgeon Testschoner");
}

TEST(FileVersionInfo, AFrenchOnlyTableIsReadThroughItsTranslation) {
    TFileInfo info;
    ASSERT_TRUE(ReadFileVersionInfo(BinDir() + L"test_startup_page.exe", info, L"Comments"));
    EXPECT_EQ(info.CompanyName, L"\u00c9ditions Purgeon");
    EXPECT_EQ(info.FileDescription, L"Banc d'essai de la page de d\u00e9marrage");
    EXPECT_EQ(info.FileVersion, L"2.5.0.1");
    EXPECT_EQ(info.Comments, L"Aucune table anglaise");
    EXPECT_EQ(info.Extra, L"Aucune table anglaise");
    EXPECT_EQ(info.ProductName, L"");
    EXPECT_EQ(info.FixedInfo.dwFileVersionMS, 0x00020005u);
    EXPECT_EQ(info.FixedInfo.dwFileVersionLS, 0x00000001u);
}

TEST(FileVersionInfo, DeclaredTableMissingFallsBackToEnglish) {
    TFileInfo info;
    info.Comments = L"stale";
    ASSERT_TRUE(ReadFileVersionInfo(SelfPath(), info, L"PrivateBuild"));
    EXPECT_EQ(info.CompanyName, L"Purgeon Startup Bench");
    EXPECT_EQ(info.FileDescription, L"Startup items t\u00e9st");
    EXPECT_EQ(info.Extra, L"bench build");
    EXPECT_EQ(info.Comments, L"");  // absent from the table: emptied, not left over
    EXPECT_EQ(info.FixedInfo.dwFileVersionMS, 0x00030001u);
    EXPECT_EQ(info.FixedInfo.dwFileVersionLS, 0x0004000Fu);
    EXPECT_EQ(info.FixedInfo.dwProductVersionMS, 0x00020007u);
}

TEST(FileVersionInfo, NoResourceOrNoFileLeavesTheRecordAlone) {
    ScratchFolder dir(L"verinfo");
    WriteFileBytes(dir.path() + L"plain.txt", "just text\r\n");
    for (const std::wstring& path : {dir.path() + L"plain.txt", dir.path() + L"missing.exe", std::wstring()}) {
        TFileInfo info;
        info.CompanyName = L"kept";
        EXPECT_FALSE(ReadFileVersionInfo(path, info, L"Comments")) << ToUtf8(path);
        EXPECT_EQ(info.CompanyName, L"kept");
        EXPECT_EQ(info.FixedInfo.dwSignature, 0u);
    }
}

TEST(FileVersionInfo, TablePrefixIsUpperCaseHex) {
    EXPECT_EQ(StringTablePrefix(0x0409, 0x04B0), L"\\StringFileInfo\\040904B0\\");
    EXPECT_EQ(StringTablePrefix(0x0c0a, 0x04e4), L"\\StringFileInfo\\0C0A04E4\\");
}

// --- startup rows --------------------------------------------------------------

const std::wstring kRun = kStartupKeys[0];

std::vector<BYTE> Bytes(const std::wstring& text) {  // as stored: the terminator included
    const BYTE* raw = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(raw, raw + (text.size() + 1) * sizeof(wchar_t));
}

void SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
              const std::vector<BYTE>& data) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

std::optional<RegValue> GetValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    UniqueHKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    return ReadRegValue(key.get(), name.c_str());
}

// Every value below the startup keys of both roots, their subkeys included, to compare before
// and after.
RegistryImage StartupImage() {
    RegistryImage image;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        for (const wchar_t* path : kStartupKeys) {
            UniqueHKey key;
            if (RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS)
                AddImage(image, key.get(), (root == HKEY_CURRENT_USER ? L"HKCU\\" : L"HKLM\\") + std::wstring(path));
        }
    return image;
}

// Values this test writes into the real startup keys carry a unique prefix and go at the end.
class StartupKeys : public ::testing::Test {
protected:
    std::wstring Name(const wchar_t* label) { return prefix_ + label; }
    std::vector<StartupRow> Ours(std::vector<StartupRow> rows) {
        std::vector<StartupRow> ours;
        for (StartupRow& row : rows)
            if (StartsWithNoCase(row.name, prefix_)) ours.push_back(std::move(row));
        return ours;
    }
    void TearDown() override {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
            for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
            for (const wchar_t* path : kStartupKeys)
                for (std::wstring sub : {std::wstring(path), std::wstring(path) + L"\\" + kRunDisableKey}) {
                    UniqueHKey key;
                    if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_ALL_ACCESS | view, key.put()) != ERROR_SUCCESS)
                        continue;
                    for (const RegValue& value : ReadRegValues(key.get()))
                        if (StartsWithNoCase(value.name, prefix_)) RegDeleteValueW(key.get(), value.name.c_str());
                    RegDeleteTreeW(key.get(), (prefix_ + L"Sub").c_str());
                }
    }
    std::wstring prefix_ = Format(L"PurgeonStartupTest%lu_", GetCurrentProcessId());
};

TEST_F(StartupKeys, ListingFollowsRootsKeysAndDisabledSubkeys) {
    const std::wstring runOnceEx = kStartupKeys[5], runServices = kStartupKeys[2], setup = kStartupKeys[4];
    // Written out of order, so the listing order is the code's, not the writing's.
    SetValue(HKEY_LOCAL_MACHINE, runServices, Name(L"e"), REG_SZ, Bytes(L"e.exe"));
    SetValue(HKEY_LOCAL_MACHINE, kRun, Name(L"d"), REG_SZ, Bytes(L"d.exe"));
    SetValue(HKEY_CURRENT_USER, runOnceEx, Name(L"c"), REG_SZ, Bytes(L"c.exe"));
    SetValue(HKEY_CURRENT_USER, setup, Name(L"s"), REG_SZ, Bytes(L"s.exe"));
    SetValue(HKEY_CURRENT_USER, kRun + L"\\" + kRunDisableKey, Name(L"b"), REG_SZ, Bytes(L"b.exe"));
    SetValue(HKEY_CURRENT_USER, kRun, Name(L"a"), REG_SZ, Bytes(L"a.exe"));
    // Subkeys of a startup key hold no rows of that key.
    SetValue(HKEY_CURRENT_USER, runOnceEx + L"\\" + Name(L"Sub"), Name(L"x"), REG_SZ, Bytes(L"x.exe"));

    auto rows = Ours(LoadStartupItems());
    struct Expected { const wchar_t *label, *command; std::wstring location; bool enabled; };
    const Expected expected[] = {{L"a", L"a.exe", L"HKCU\\" + kRun, true},
                                 {L"b", L"b.exe", L"HKCU\\" + kRun, false},
                                 {L"s", L"s.exe", L"HKCU\\" + setup, true},
                                 {L"c", L"c.exe", L"HKCU\\" + runOnceEx, true},
                                 {L"d", L"d.exe", L"HKLM\\" + kRun, true},
                                 {L"e", L"e.exe", L"HKLM\\" + runServices, true}};
    ASSERT_EQ(rows.size(), std::size(expected));
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].name, Name(expected[i].label));
        EXPECT_EQ(rows[i].command, expected[i].command);
        EXPECT_EQ(rows[i].location, expected[i].location);
        EXPECT_EQ(rows[i].enabled, expected[i].enabled);
    }
}

// Every source in its place: six keys of each root, then the current user's and the all-users
// Startup folder. A number in the user's Run key hides nothing that follows it.
TEST_F(StartupKeys, EverySourceInListingOrder) {
    const DWORD number = 7;
    const std::vector<BYTE> dword(reinterpret_cast<const BYTE*>(&number), reinterpret_cast<const BYTE*>(&number + 1));
    // Written from the last source to the first, so the order is the listing's own.
    std::vector<std::wstring> folders;
    for (int csidl : {CSIDL_COMMON_STARTUP, CSIDL_STARTUP}) {
        const std::wstring folder = IncludeTrailingBackslash(GetSpecialFolderPath(csidl));
        ASSERT_TRUE(ForceDirectories(folder));
        folders.insert(folders.begin(), folder);
        WriteFileBytes(folder + Name(csidl == CSIDL_STARTUP ? L"u.lnk" : L"v.lnk"), "link");
    }
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        for (int key = 5; key >= 0; --key)
            SetValue(root, kStartupKeys[key], Name((std::wstring(root == HKEY_CURRENT_USER ? L"c" : L"m") + std::to_wstring(key)).c_str()),
                     REG_SZ, Bytes(Format(L"%d.exe", key)));
    SetValue(HKEY_CURRENT_USER, kRun, Name(L"c0number"), REG_DWORD, dword);

    auto rows = Ours(LoadStartupItems());
    for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP}) {
        const std::wstring folder = IncludeTrailingBackslash(GetSpecialFolderPath(csidl));
        DeleteFileW((folder + Name(csidl == CSIDL_STARTUP ? L"u.lnk" : L"v.lnk")).c_str());
    }
    std::vector<std::wstring> names, locations;
    for (const StartupRow& row : rows) {
        names.push_back(row.name.substr(prefix_.size()));
        locations.push_back(row.location);
    }
    const std::vector<std::wstring> expectedNames = {L"c0",    L"c0number", L"c1", L"c2", L"c3", L"c4", L"c5", L"m0",
                                                     L"m1",    L"m2",       L"m3", L"m4", L"m5", L"u.lnk", L"v.lnk"};
    ASSERT_EQ(names, expectedNames);
    for (size_t i = 0; i < 13; ++i) {
        const int key = names[i][1] - L'0';
        EXPECT_EQ(locations[i], (names[i][0] == L'c' ? L"HKCU\\" : L"HKLM\\") + std::wstring(kStartupKeys[key]));
    }
    EXPECT_EQ(rows[1].command, L"0x00000007 (7)");
    EXPECT_EQ(locations[13], folders[0]);
    EXPECT_EQ(locations[14], folders[1]);
    EXPECT_EQ(rows[13].command, folders[0] + Name(L"u.lnk"));
}

// What a 32-bit installer writes goes to the 32-bit view; Windows starts it too, so it is listed
// after the machine's own keys and moves within that view.
TEST_F(StartupKeys, ThirtyTwoBitProgramsEntriesAreListedAndMovedInTheirView) {
    const auto set32 = [](const std::wstring& path, const std::wstring& name, const std::vector<BYTE>& data) {
        UniqueHKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, REG_EXPAND_SZ, data.data(), static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    };
    const auto get32 = [](const std::wstring& path, const std::wstring& name) -> std::optional<RegValue> {
        UniqueHKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, key.put()) != ERROR_SUCCESS)
            return std::nullopt;
        return ReadRegValue(key.get(), name.c_str());
    };
    const std::vector<BYTE> command = Bytes(L"%ProgramFiles(x86)%\\Old\\old.exe /tray");
    set32(kRun, Name(L"w"), command);
    SetValue(HKEY_LOCAL_MACHINE, kRun, Name(L"m"), REG_SZ, Bytes(L"m.exe"));

    auto rows = Ours(LoadStartupItems());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, Name(L"m"));
    EXPECT_EQ(rows[1].name, Name(L"w"));
    const std::wstring location32 = L"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
    EXPECT_EQ(rows[1].location, location32);
    EXPECT_EQ(rows[1].command, L"%ProgramFiles(x86)%\\Old\\old.exe /tray");

    rows[1].enabled = false;
    EXPECT_EQ(ApplyStartupRows(rows).changed, 1);
    EXPECT_FALSE(get32(kRun, Name(L"w")));
    auto parked = get32(kRun + L"\\" + kRunDisableKey, Name(L"w"));
    ASSERT_TRUE(parked);
    EXPECT_EQ(parked->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(parked->data, command);
    EXPECT_TRUE(GetValue(HKEY_LOCAL_MACHINE, kRun, Name(L"m")));  // the machine's own entry is untouched

    rows = Ours(LoadStartupItems());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows[1].enabled);
    EXPECT_EQ(rows[1].location, location32);
    rows[1].enabled = true;
    EXPECT_EQ(ApplyStartupRows(rows).changed, 1);
    auto back = get32(kRun, Name(L"w"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(back->data, command);
}

TEST_F(StartupKeys, OtherTypesAreListedAndMovedByteForByte) {
    const std::wstring disabledKey = kRun + L"\\" + kRunDisableKey;
    const DWORD answer = 42;
    const std::vector<BYTE> dword(reinterpret_cast<const BYTE*>(&answer), reinterpret_cast<const BYTE*>(&answer + 1));
    const std::vector<BYTE> expand = Bytes(L"%ProgramFiles%\\Tool\\tool.exe");
    std::vector<BYTE> tail = Bytes(L"first.exe");  // text after a NUL must survive the moves too
    for (BYTE b : Bytes(L"after")) tail.push_back(b);
    SetValue(HKEY_CURRENT_USER, kRun, Name(L"1expand"), REG_EXPAND_SZ, expand);
    SetValue(HKEY_CURRENT_USER, kRun, Name(L"2dword"), REG_DWORD, dword);
    SetValue(HKEY_CURRENT_USER, kRun, Name(L"3tail"), REG_SZ, tail);
    SetValue(HKEY_CURRENT_USER, kRun, Name(L"4empty"), REG_SZ, {});

    auto rows = Ours(LoadRunKeyItems(HKEY_CURRENT_USER));
    ASSERT_EQ(rows.size(), 4u);  // the number does not hide what follows it
    EXPECT_EQ(rows[0].command, L"%ProgramFiles%\\Tool\\tool.exe");
    EXPECT_EQ(rows[1].command, L"0x0000002a (42)");
    EXPECT_EQ(rows[2].command, L"first.exe");
    EXPECT_EQ(rows[3].command, L"");

    SetAllStartupRowsEnabled(rows, false);
    EXPECT_EQ(ApplyStartupRows(rows).changed, 4);
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRun, Name(L"1expand")));
    auto parked = GetValue(HKEY_CURRENT_USER, disabledKey, Name(L"1expand"));
    ASSERT_TRUE(parked);
    EXPECT_EQ(parked->type, DWORD(REG_EXPAND_SZ));
    EXPECT_EQ(parked->data, expand);

    auto listed = Ours(LoadRunKeyItems(HKEY_CURRENT_USER));
    ASSERT_EQ(listed.size(), 4u);
    for (const StartupRow& row : listed) {
        EXPECT_FALSE(row.enabled);
        EXPECT_EQ(row.location, L"HKCU\\" + kRun);  // the startup key's, not the subkey's
    }
    SetAllStartupRowsEnabled(listed, true);
    EXPECT_EQ(ApplyStartupRows(listed).changed, 4);
    for (auto [label, type, data] : {std::tuple{L"1expand", DWORD(REG_EXPAND_SZ), expand},
                                     std::tuple{L"2dword", DWORD(REG_DWORD), dword},
                                     std::tuple{L"3tail", DWORD(REG_SZ), tail},
                                     std::tuple{L"4empty", DWORD(REG_SZ), std::vector<BYTE>()}}) {
        SCOPED_TRACE(ToUtf8(label));
        auto back = GetValue(HKEY_CURRENT_USER, kRun, Name(label));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->type, type);
        EXPECT_EQ(back->data, data);
        EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, disabledKey, Name(label)));
    }
    UniqueHKey left;  // the emptied subkey stays
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, disabledKey.c_str(), 0, KEY_READ, left.put()), ERROR_SUCCESS);
}

TEST_F(StartupKeys, ApplyWithoutChangesLeavesTheRegistryAlone) {
    SetValue(HKEY_CURRENT_USER, kRun, Name(L"same"), REG_EXPAND_SZ, Bytes(L"%windir%\\enabled.exe"));
    SetValue(HKEY_CURRENT_USER, kRun + L"\\" + kRunDisableKey, Name(L"same"), REG_SZ, Bytes(L"disabled.exe"));
    SetValue(HKEY_LOCAL_MACHINE, kStartupKeys[3], Name(L"dw"), REG_DWORD, {1, 0, 0, 0});
    const RegistryImage before = StartupImage();
    auto rows = LoadRunKeyItems(HKEY_CURRENT_USER);
    auto machine = LoadRunKeyItems(HKEY_LOCAL_MACHINE);
    rows.insert(rows.end(), machine.begin(), machine.end());
    auto result = ApplyStartupRows(rows);
    EXPECT_EQ(result.changed, 0);
    EXPECT_EQ(result.failed, 0);
    EXPECT_TRUE(StartupImage() == before);
}

// Enabling a parked value whose name is enabled already loses neither command: the very same
// command is one entry, another one is enabled beside it under a name of its own, and said so.
TEST_F(StartupKeys, EnablingAParkedValueWhoseNameIsEnabledKeepsBothCommands) {
    const std::wstring disabledKey = kRun + L"\\" + kRunDisableKey;
    const struct {
        const wchar_t* parked;
        std::vector<std::pair<std::wstring, std::wstring>> enabledAfter;  // name label, command
    } cases[] = {
        {L"disabled.exe", {{L"twice", L"enabled.exe"}, {L"twice (2)", L"disabled.exe"}}},
        {L"enabled.exe", {{L"twice", L"enabled.exe"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.parked));
        SetValue(HKEY_CURRENT_USER, kRun, Name(L"twice"), REG_SZ, Bytes(L"enabled.exe"));
        SetValue(HKEY_CURRENT_USER, disabledKey, Name(L"twice"), REG_SZ, Bytes(c.parked));
        auto rows = Ours(LoadRunKeyItems(HKEY_CURRENT_USER));
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_TRUE(rows[0].enabled);
        EXPECT_FALSE(rows[1].enabled);
        EXPECT_EQ(rows[0].location, rows[1].location);

        rows[1].enabled = true;  // "Enable All" over such a pair
        const StartupApplyResult result = ApplyStartupRows(rows);
        EXPECT_EQ(result.changed, 1);
        EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, disabledKey, Name(L"twice")));
        auto after = Ours(LoadRunKeyItems(HKEY_CURRENT_USER));
        ASSERT_EQ(after.size(), c.enabledAfter.size());
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i].name, Name(c.enabledAfter[i].first.c_str()));
            EXPECT_EQ(after[i].command, c.enabledAfter[i].second);
            EXPECT_TRUE(after[i].enabled);
        }
        if (c.enabledAfter.size() == 2) {
            EXPECT_EQ(rows[1].name, Name(L"twice (2)")) << "the row follows its entry";
            ASSERT_EQ(result.renamed.size(), 1u);
            EXPECT_EQ(StartupRenameMessage(result.renamed),
                      Format(LangText(IDS_MESSAGEBOX_MESSAGE_StartupRenamed).c_str(), 1) + L"\r\n" + Name(L"twice") +
                          L" \u2192 " + Name(L"twice (2)") + L" (" + rows[1].location + L")");
        } else {
            EXPECT_TRUE(result.renamed.empty());
        }
        EXPECT_EQ(ApplyStartupRows(rows).changed, 0);
        TearDown();
    }
}

// A name both enabled and disabled is two rows: deleting one leaves the other's value.
TEST_F(StartupKeys, DeleteRemovesOnlyTheChosenRowsValue) {
    const std::wstring disabledKey = kRun + L"\\" + kRunDisableKey;
    for (int fromDisabled = 0; fromDisabled < 2; ++fromDisabled) {
        SCOPED_TRACE(fromDisabled);
        SetValue(HKEY_CURRENT_USER, kRun, Name(L"twin"), REG_SZ, Bytes(L"a.exe"));
        SetValue(HKEY_CURRENT_USER, disabledKey, Name(L"twin"), REG_SZ, Bytes(L"b.exe"));
        SetValue(HKEY_CURRENT_USER, kRun, Name(L"stays"), REG_SZ, Bytes(L"c.exe"));
        auto rows = Ours(LoadRunKeyItems(HKEY_CURRENT_USER));
        ASSERT_EQ(rows.size(), 3u);
        auto chosen = std::find_if(rows.begin(), rows.end(), [&](const StartupRow& row) {
            return row.name == Name(L"twin") && row.enabled == (fromDisabled == 0);
        });
        ASSERT_NE(chosen, rows.end());
        EXPECT_EQ(DeleteStartupRows({*chosen}).deleted, 1);
        EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, Name(L"twin")).has_value(), fromDisabled == 1);
        EXPECT_EQ(GetValue(HKEY_CURRENT_USER, disabledKey, Name(L"twin")).has_value(), fromDisabled == 0);
        EXPECT_TRUE(GetValue(HKEY_CURRENT_USER, kRun, Name(L"stays")));
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRun.c_str(), Name(L"twin").c_str());
        RegDeleteKeyValueW(HKEY_CURRENT_USER, disabledKey.c_str(), Name(L"twin").c_str());
    }
}

// A root of our own shows what the shared keys cannot: the unnamed default value.
TEST(StartupScratchRoot, DefaultValueIsARowWithAnEmptyName) {
    const std::wstring rootPath = Format(L"Software\\PurgeonStartupRoot%lu", GetCurrentProcessId());
    UniqueHKey root;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, rootPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, root.put(),
                              nullptr),
              ERROR_SUCCESS);
    SetValue(root.get(), kStartupKeys[3], L"", REG_SZ, Bytes(L"default.exe"));
    auto rows = LoadRunKeyItems(root.get(), L"HKCU");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, L"");
    EXPECT_EQ(rows[0].command, L"default.exe");
    EXPECT_EQ(rows[0].location, L"HKCU\\" + std::wstring(kStartupKeys[3]));

    rows[0].enabled = false;
    EXPECT_EQ(ApplyStartupRows(rows).changed, 1);
    auto parked = GetValue(root.get(), kStartupKeys[3] + std::wstring(L"\\") + kRunDisableKey, L"");
    ASSERT_TRUE(parked);
    EXPECT_EQ(RegBytesToString(parked->data), L"default.exe");
    EXPECT_FALSE(GetValue(root.get(), kStartupKeys[3], L""));
    auto listed = LoadRunKeyItems(root.get(), L"HKCU");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_FALSE(listed[0].enabled);
    EXPECT_EQ(DeleteStartupRows(listed).deleted, 1);
    EXPECT_TRUE(LoadRunKeyItems(root.get(), L"HKCU").empty());
    root.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, rootPath.c_str());
}

// A key the user may not read is skipped, its Run_Disable subkey with it; the keys after it are
// still listed.
TEST(StartupScratchRoot, UnreadableKeysAreSkipped) {
    const std::wstring rootPath = Format(L"Software\\PurgeonStartupLocked%lu", GetCurrentProcessId());
    UniqueHKey root;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, rootPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, root.put(),
                              nullptr),
              ERROR_SUCCESS);
    for (int key = 0; key < 6; ++key) SetValue(root.get(), kStartupKeys[key], Format(L"k%d", key), REG_SZ, Bytes(L"x.exe"));
    SetValue(root.get(), kStartupKeys[2] + std::wstring(L"\\") + kRunDisableKey, L"k2off", REG_SZ, Bytes(L"y.exe"));
    // An empty access list: nobody may open the key, not even to read it.
    SECURITY_DESCRIPTOR locked;
    ASSERT_TRUE(InitializeSecurityDescriptor(&locked, SECURITY_DESCRIPTOR_REVISION));
    ACL emptyAcl;
    ASSERT_TRUE(InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&locked, TRUE, &emptyAcl, FALSE));
    {
        UniqueHKey key;
        ASSERT_EQ(RegOpenKeyExW(root.get(), kStartupKeys[2], 0, WRITE_DAC, key.put()), ERROR_SUCCESS);
        ASSERT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &locked), ERROR_SUCCESS);
    }
    UniqueHKey probe;
    const LONG opened = RegOpenKeyExW(root.get(), kStartupKeys[2], 0, KEY_READ, probe.put());
    probe.reset();

    auto rows = LoadRunKeyItems(root.get(), L"HKCU");
    std::vector<std::wstring> names;
    for (const StartupRow& row : rows) names.push_back(row.name);

    {  // the owner may always give itself back its rights
        SECURITY_DESCRIPTOR open;
        InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
        UniqueHKey key;
        if (RegOpenKeyExW(root.get(), kStartupKeys[2], 0, WRITE_DAC, key.put()) == ERROR_SUCCESS)
            RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &open);
    }
    root.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, rootPath.c_str());

    ASSERT_EQ(opened, ERROR_ACCESS_DENIED) << "the registry does not enforce the access list";
    EXPECT_EQ(names, (std::vector<std::wstring>{L"k0", L"k1", L"k3", L"k4", L"k5"}));
}

// --- Startup folders -----------------------------------------------------------

void MakeHidden(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_HIDDEN);
}

TEST(StartupFolders, HiddenEntriesSkippedVisibleSubfoldersListed) {
    ScratchFolder dir(L"startupfolder");
    WriteFileBytes(dir.path() + L"Tool.lnk", "link");
    WriteFileBytes(dir.path() + L"desktop.ini", "[.ShellClassInfo]\r\n");
    MakeHidden(dir.path() + L"desktop.ini");
    WriteFileBytes(dir.path() + L".dotfile", "x");
    ASSERT_TRUE(CreateDirectoryW((dir.path() + L"Helpers").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((dir.path() + L"Secret").c_str(), nullptr));
    MakeHidden(dir.path() + L"Secret");

    // The path as given without its backslash still gives Locations ending in one.
    auto rows = LoadStartupFolderItems({ExcludeTrailingBackslash(dir.path()), L""});
    std::map<std::wstring, StartupRow> byName;
    for (const StartupRow& row : rows) byName[row.name] = row;
    ASSERT_EQ(byName.size(), 2u);
    ASSERT_TRUE(byName.count(L"Tool.lnk"));
    ASSERT_TRUE(byName.count(L"Helpers"));
    EXPECT_EQ(byName[L"Tool.lnk"].command, dir.path() + L"Tool.lnk");
    EXPECT_EQ(byName[L"Helpers"].command, dir.path() + L"Helpers");
    for (const StartupRow& row : rows) {
        EXPECT_EQ(row.location, dir.path());
        EXPECT_TRUE(row.enabled);
    }
}

TEST(StartupFolders, ShellKnowsBothStartupFolders) {
    EXPECT_FALSE(GetSpecialFolderPath(CSIDL_STARTUP).empty());
    EXPECT_FALSE(GetSpecialFolderPath(CSIDL_COMMON_STARTUP).empty());
    EXPECT_EQ(GetSpecialFolderPath(-1), L"");
}

// In the current user's real Startup folder: disable, list, enable, then delete in either form.
TEST(StartupFolders, DisableEnableAndDeleteRoundTrip) {
    std::wstring folder = GetSpecialFolderPath(CSIDL_STARTUP);
    ASSERT_FALSE(folder.empty());
    folder = IncludeTrailingBackslash(folder);
    ASSERT_TRUE(ForceDirectories(folder));
    const std::wstring name = Format(L"PurgeonStartupTest%lu.lnk", GetCurrentProcessId());
    const std::wstring parkedFolder = folder + kDisabledFolderName + L"\\";
    auto ours = [&] {
        std::vector<StartupRow> found;
        for (StartupRow& row : LoadStartupFolderItems({folder}))
            if (row.name == name) found.push_back(row);
        return found;
    };
    WriteFileBytes(folder + name, "link bytes");

    auto rows = ours();
    ASSERT_EQ(rows.size(), 1u);
    rows[0].enabled = false;
    EXPECT_EQ(ApplyStartupRows(rows).changed, 1);
    EXPECT_FALSE(FileExists(folder + name));
    EXPECT_EQ(ReadFileBytes(parkedFolder + name), "link bytes");
    EXPECT_TRUE(GetFileAttributesW(parkedFolder.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ApplyStartupRows(rows).changed, 0);  // the row follows the file

    auto listed = ours();
    ASSERT_EQ(listed.size(), 1u);  // the hidden folder itself is no row
    EXPECT_FALSE(listed[0].enabled);
    EXPECT_EQ(listed[0].location, folder);
    EXPECT_EQ(listed[0].command, parkedFolder + name);

    listed[0].enabled = true;
    EXPECT_EQ(ApplyStartupRows(listed).changed, 1);
    EXPECT_EQ(ReadFileBytes(folder + name), "link bytes");
    EXPECT_FALSE(FileExists(parkedFolder + name));

    // One enabled and one disabled copy: deleting each row removes its own file.
    WriteFileBytes(parkedFolder + name, "parked");
    auto both = ours();
    ASSERT_EQ(both.size(), 2u);
    EXPECT_TRUE(both[0].enabled);
    EXPECT_FALSE(both[1].enabled);
    both[1].enabled = true;  // its name is taken: it is enabled beside the other, as "name (2).lnk"
    auto result = ApplyStartupRows(both);
    EXPECT_EQ(result.failed, 0);
    const std::wstring second = Format(L"PurgeonStartupTest%lu (2).lnk", GetCurrentProcessId());
    ASSERT_EQ(result.renamed.size(), 1u);
    EXPECT_EQ(result.renamed[0].newName, second);
    EXPECT_EQ(both[1].name, second);
    EXPECT_EQ(ReadFileBytes(folder + name), "link bytes");
    EXPECT_EQ(ReadFileBytes(folder + second), "parked");
    EXPECT_FALSE(FileExists(parkedFolder + name));
    EXPECT_EQ(DeleteStartupRows(both).deleted, 2);
    EXPECT_FALSE(FileExists(folder + name));
    EXPECT_FALSE(FileExists(folder + second));
    EXPECT_TRUE(ours().empty());
}

TEST(StartupListing, OneTabSeparatedLinePerRow) {
    std::vector<StartupRow> rows(2);
    rows[0].name = L"Tab\there";
    rows[0].command = L"\"C:\\Program Files\\x.exe\" /min";
    rows[0].location = L"HKCU\\Run";
    rows[1].name = L"\u65e5\u672c.lnk";
    rows[1].command = L"C:\\Startup\\\u65e5\u672c.lnk";
    rows[1].location = L"C:\\Startup\\";
    rows[1].enabled = false;
    EXPECT_EQ(RowLine(StartupListingRow(rows[0])) + RowLine(StartupListingRow(rows[1])),
              L"1\tTab here\t\"C:\\Program Files\\x.exe\" /min\tHKCU\\Run\n"
              L"0\t\u65e5\u672c.lnk\tC:\\Startup\\\u65e5\u672c.lnk\tC:\\Startup\\\n");
}


// Gives everyone read access to a key and nothing more (or, with `open`, everything back).
void LimitToReading(HKEY root, const std::wstring& path, bool open) {
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size));
    const DWORD access = open ? KEY_ALL_ACCESS : KEY_READ | WRITE_DAC;
    std::vector<BYTE> buffer(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + size);
    auto* acl = reinterpret_cast<ACL*>(buffer.data());
    ASSERT_TRUE(InitializeAcl(acl, static_cast<DWORD>(buffer.size()), ACL_REVISION));
    ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, access, everyone));
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    UniqueHKey key;
    ASSERT_EQ(RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC, key.put()), ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
}

// Apply and Delete Entry on a key the user may read but not write: nothing changes, and each
// failed entry is named with the system's reason.
TEST(StartupScratchRoot, ApplyAndDeleteNameTheEntriesTheyCouldNotChange) {
    const std::wstring rootPath = Format(L"Software\\PurgeonStartupReadOnly%lu", GetCurrentProcessId());
    UniqueHKey root;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, rootPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, root.put(),
                              nullptr),
              ERROR_SUCCESS);
    SetValue(root.get(), kStartupKeys[0], L"locked app", REG_SZ, Bytes(L"app.exe"));
    SetValue(root.get(), kStartupKeys[3], L"free app", REG_SZ, Bytes(L"free.exe"));
    LimitToReading(root.get(), kStartupKeys[0], false);

    auto rows = LoadRunKeyItems(root.get(), L"HKCU");
    ASSERT_EQ(rows.size(), 2u);
    SetAllStartupRowsEnabled(rows, false);
    const StartupApplyResult applied = ApplyStartupRows(rows);
    EXPECT_EQ(applied.changed, 1);
    EXPECT_EQ(applied.failed, 1);
    ASSERT_EQ(applied.failures.size(), 1u);
    EXPECT_EQ(applied.failures[0].name, L"locked app");
    EXPECT_EQ(applied.failures[0].location, L"HKCU\\" + std::wstring(kStartupKeys[0]));
    EXPECT_EQ(applied.failures[0].error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(GetValue(root.get(), kStartupKeys[0], L"locked app"));
    EXPECT_TRUE(rows[0].wasEnabled) << "a row that stayed keeps what was read";
    const std::wstring message = StartupFailureMessage(applied.failures);
    EXPECT_EQ(message.rfind(Format(LangText(IDS_MESSAGEBOX_WARNING_StartupFailed).c_str(), 1), 0), 0u) << ToUtf8(message);
    EXPECT_NE(message.find(L"locked app (HKCU\\" + std::wstring(kStartupKeys[0]) + L"): " +
                           SystemErrorText(ERROR_ACCESS_DENIED)),
              std::wstring::npos)
        << ToUtf8(message);

    const StartupDeleteResult deleted = DeleteStartupRows(rows);
    EXPECT_EQ(deleted.deleted, 1);
    ASSERT_EQ(deleted.failures.size(), 1u);
    EXPECT_EQ(deleted.failures[0].name, L"locked app");
    EXPECT_EQ(deleted.failures[0].error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(GetValue(root.get(), kStartupKeys[0], L"locked app"));
    EXPECT_FALSE(GetValue(root.get(), kStartupKeys[3] + std::wstring(L"\\") + kRunDisableKey, L"free app"));
    EXPECT_EQ(StartupFailureMessage({}), L"");

    LimitToReading(root.get(), kStartupKeys[0], true);
    root.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, rootPath.c_str());
}

}  // namespace

namespace {

const std::wstring kApproved = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";

std::vector<BYTE> Record(BYTE first) {
    std::vector<BYTE> record(12, 0);
    record[0] = first;
    record[4] = 0x5a;  // Task Manager keeps when it disabled the entry behind the first four bytes
    return record;
}

// Values and files this test writes outside the startup keys, gone afterwards whatever happens.
struct ApprovalCleanup {
    std::wstring prefix;
    std::vector<std::wstring> files;
    ~ApprovalCleanup() {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
            for (const wchar_t* place : {L"Run", L"Run32", L"StartupFolder"})
                for (const wchar_t* path : {kStartupKeys[0], L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"})
                    for (std::wstring key : {kApproved + place, std::wstring(path) + L"\\" + kAutorunsDisabled}) {
                        UniqueHKey open;
                        if (RegOpenKeyExW(root, key.c_str(), 0, KEY_ALL_ACCESS, open.put()) != ERROR_SUCCESS) continue;
                        for (const RegValue& value : ReadRegValues(open.get()))
                            if (StartsWithNoCase(value.name, prefix)) RegDeleteValueW(open.get(), value.name.c_str());
                    }
        for (const std::wstring& file : files) DeleteFileW(file.c_str());
    }
};

}  // namespace

// Task Manager leaves a disabled entry in its Run key and records the state under
// StartupApproved: an odd first byte disables, an even one (or none) enables. Every root, the
// 32-bit Run key (Run32) and the Startup folders (StartupFolder) are read so.
TEST_F(StartupKeys, TaskManagersRecordsDecideWhatIsEnabled) {
    ApprovalCleanup cleanup{prefix_};
    const std::wstring run32 = L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
    struct Seed {
        HKEY root;
        std::wstring runKey, approvedKey, name;
        std::optional<BYTE> first;
        bool enabled;
    } seeds[] = {
        {HKEY_CURRENT_USER, kRun, kApproved + L"Run", Name(L"u3"), 0x03, false},
        {HKEY_CURRENT_USER, kRun, kApproved + L"Run", Name(L"u7"), 0x07, false},
        {HKEY_CURRENT_USER, kRun, kApproved + L"Run", Name(L"u2"), 0x02, true},
        {HKEY_CURRENT_USER, kRun, kApproved + L"Run", Name(L"u6"), 0x06, true},
        {HKEY_CURRENT_USER, kRun, kApproved + L"Run", Name(L"uNone"), std::nullopt, true},
        {HKEY_LOCAL_MACHINE, kRun, kApproved + L"Run", Name(L"m3"), 0x03, false},
        {HKEY_LOCAL_MACHINE, run32, kApproved + L"Run32", Name(L"w3"), 0x03, false},
        {HKEY_LOCAL_MACHINE, run32, kApproved + L"Run32", Name(L"w2"), 0x02, true},
    };
    for (const Seed& seed : seeds) {
        SetValue(seed.root, seed.runKey, seed.name, REG_SZ, Bytes(L"C:\\Tools\\" + seed.name + L".exe"));
        if (seed.first) SetValue(seed.root, seed.approvedKey, seed.name, REG_BINARY, Record(*seed.first));
    }
    // A record in the machine's Run list does not touch the user's entry of the same name.
    SetValue(HKEY_CURRENT_USER, kRun, Name(L"m3"), REG_SZ, Bytes(L"user.exe"));

    std::map<std::wstring, StartupRow> byKey;
    for (StartupRow& row : Ours(LoadStartupItems())) byKey[row.location + L"|" + row.name] = row;
    for (const Seed& seed : seeds) {
        const std::wstring location = (seed.root == HKEY_CURRENT_USER ? L"HKCU\\" : L"HKLM\\") + seed.runKey;
        ASSERT_TRUE(byKey.count(location + L"|" + seed.name)) << ToUtf8(seed.name);
        const StartupRow& row = byKey[location + L"|" + seed.name];
        EXPECT_EQ(row.enabled, seed.enabled) << ToUtf8(seed.name);
        EXPECT_EQ(row.disabledBy, seed.enabled ? DisabledBy::None : DisabledBy::TaskManager) << ToUtf8(seed.name);
    }
    EXPECT_TRUE(byKey[L"HKCU\\" + kRun + L"|" + Name(L"m3")].enabled);

    // Enabling writes the record Task Manager writes, and leaves the entry where it is.
    std::vector<StartupRow> rows = {byKey[L"HKCU\\" + kRun + L"|" + Name(L"u3")]};
    rows[0].enabled = true;
    EXPECT_EQ(ApplyStartupRows(rows).changed, 1);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kApproved + L"Run", Name(L"u3"))->data, EnabledRecord());
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kRun, Name(L"u3"))->data, Bytes(L"C:\\Tools\\" + Name(L"u3") + L".exe"));
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRun + L"\\" + kRunDisableKey, Name(L"u3")));
    // ... which reads back as enabled, as Task Manager would read it.
    for (const StartupRow& row : Ours(LoadStartupItems()))
        if (row.name == Name(L"u3")) {
            EXPECT_TRUE(row.enabled);
        }

    // Disabling keeps our own way: the value moves into Run_Disable.
    rows = {byKey[L"HKCU\\" + kRun + L"|" + Name(L"u2")]};
    rows[0].enabled = false;
    EXPECT_EQ(ApplyStartupRows(rows).changed, 1);
    EXPECT_TRUE(GetValue(HKEY_CURRENT_USER, kRun + L"\\" + kRunDisableKey, Name(L"u2")));
    EXPECT_EQ(rows[0].disabledBy, DisabledBy::Purgeon);

    // Delete Entry takes the record with the entry.
    EXPECT_TRUE(DeleteStartupRows({byKey[L"HKLM\\" + run32 + L"|" + Name(L"w3")]}).failures.empty());
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, run32, Name(L"w3")));
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, kApproved + L"Run32", Name(L"w3")));
}

// Autoruns moves a disabled entry into an "AutorunsDisabled" subkey or subfolder: read as
// disabled, enabled by moving it back; and a Startup folder's file Task Manager disabled.
TEST_F(StartupKeys, AutorunsDisabledKeysAndFoldersAndTaskManagersFolderRecords) {
    ApprovalCleanup cleanup{prefix_};
    SetValue(HKEY_CURRENT_USER, kRun + L"\\" + kAutorunsDisabled, Name(L"ar"), REG_EXPAND_SZ, Bytes(L"%TEMP%\\ar.exe"));
    const std::wstring folder = IncludeTrailingBackslash(GetSpecialFolderPath(CSIDL_STARTUP));
    ASSERT_TRUE(ForceDirectories(folder + kAutorunsDisabled));
    const std::wstring parked = folder + kAutorunsDisabled + L"\\" + Name(L"ar.lnk");
    const std::wstring approvedFile = folder + Name(L"tm.lnk");
    // The machine's Startup folder has its records under the machine's key.
    const std::wstring common = IncludeTrailingBackslash(GetSpecialFolderPath(CSIDL_COMMON_STARTUP));
    const std::wstring machineFile = common + Name(L"tm-all.lnk");
    ASSERT_TRUE(ForceDirectories(common));
    cleanup.files = {parked, folder + Name(L"ar.lnk"), approvedFile, machineFile};
    WriteFileBytes(parked, "autoruns");
    WriteFileBytes(approvedFile, "task manager");
    WriteFileBytes(machineFile, "for everyone");
    SetValue(HKEY_CURRENT_USER, kApproved + L"StartupFolder", Name(L"tm.lnk"), REG_BINARY, Record(0x03));
    SetValue(HKEY_LOCAL_MACHINE, kApproved + L"StartupFolder", Name(L"tm-all.lnk"), REG_BINARY, Record(0x03));

    std::map<std::wstring, StartupRow> byName;
    for (StartupRow& row : Ours(LoadStartupItems())) byName[row.name] = row;
    ASSERT_TRUE(byName.count(Name(L"ar")) && byName.count(Name(L"ar.lnk")) && byName.count(Name(L"tm.lnk")));
    for (const wchar_t* label : {L"ar", L"ar.lnk"}) {
        EXPECT_FALSE(byName[Name(label)].enabled) << ToUtf8(label);
        EXPECT_EQ(byName[Name(label)].disabledBy, DisabledBy::Autoruns) << ToUtf8(label);
    }
    EXPECT_EQ(byName[Name(L"ar")].location, L"HKCU\\" + kRun);
    EXPECT_EQ(byName[Name(L"ar.lnk")].location, folder);
    EXPECT_FALSE(byName[Name(L"tm.lnk")].enabled);
    EXPECT_EQ(byName[Name(L"tm.lnk")].disabledBy, DisabledBy::TaskManager);
    ASSERT_TRUE(byName.count(Name(L"tm-all.lnk")));
    EXPECT_FALSE(byName[Name(L"tm-all.lnk")].enabled);
    EXPECT_EQ(byName[Name(L"tm-all.lnk")].disabledBy, DisabledBy::TaskManager);
    EXPECT_EQ(byName[Name(L"tm-all.lnk")].location, common);

    std::vector<StartupRow> rows = {byName[Name(L"ar")], byName[Name(L"ar.lnk")], byName[Name(L"tm.lnk")]};
    for (StartupRow& row : rows) row.enabled = true;
    EXPECT_EQ(ApplyStartupRows(rows).changed, 3);
    const std::optional<RegValue> back = GetValue(HKEY_CURRENT_USER, kRun, Name(L"ar"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRun + L"\\" + kAutorunsDisabled, Name(L"ar")));
    EXPECT_EQ(ReadFileBytes(folder + Name(L"ar.lnk")), "autoruns");
    EXPECT_FALSE(FileExists(parked));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kApproved + L"StartupFolder", Name(L"tm.lnk"))->data, EnabledRecord());
    EXPECT_EQ(ReadFileBytes(approvedFile), "task manager");
}

// Task Manager's record is the entry's in the Run key: deleting a parked entry of that name keeps
// it, and bringing a parked entry back clears a record that would keep it from starting.
TEST_F(StartupKeys, TaskManagersRecordStaysWithTheEntryItNames) {
    ApprovalCleanup cleanup{prefix_};
    SetValue(HKEY_CURRENT_USER, kRun, Name(L"seen"), REG_SZ, Bytes(L"seen.exe"));
    SetValue(HKEY_CURRENT_USER, kApproved + L"Run", Name(L"seen"), REG_BINARY, Record(0x03));
    SetValue(HKEY_CURRENT_USER, kRun + L"\\" + kAutorunsDisabled, Name(L"seen"), REG_SZ, Bytes(L"other.exe"));
    SetValue(HKEY_CURRENT_USER, kRun + L"\\" + kAutorunsDisabled, Name(L"back"), REG_SZ, Bytes(L"back.exe"));
    SetValue(HKEY_CURRENT_USER, kApproved + L"Run", Name(L"back"), REG_BINARY, Record(0x03));

    std::map<std::pair<std::wstring, DisabledBy>, StartupRow> rows;
    for (StartupRow& row : Ours(LoadRunKeyItems(HKEY_CURRENT_USER))) rows[{row.name, row.disabledBy}] = row;
    ASSERT_TRUE(rows.count({Name(L"seen"), DisabledBy::TaskManager}));
    ASSERT_TRUE(rows.count({Name(L"seen"), DisabledBy::Autoruns}));
    EXPECT_TRUE(DeleteStartupRows({rows[{Name(L"seen"), DisabledBy::Autoruns}]}).failures.empty());
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kApproved + L"Run", Name(L"seen"))->data, Record(0x03));
    EXPECT_TRUE(GetValue(HKEY_CURRENT_USER, kRun, Name(L"seen")));
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, kRun + L"\\" + kAutorunsDisabled, Name(L"seen")));

    std::vector<StartupRow> back = {rows[{Name(L"back"), DisabledBy::Autoruns}]};
    back[0].enabled = true;
    EXPECT_EQ(ApplyStartupRows(back).changed, 1);
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, kApproved + L"Run", Name(L"back"))->data, EnabledRecord());
    for (const StartupRow& row : Ours(LoadRunKeyItems(HKEY_CURRENT_USER)))
        if (row.name == Name(L"back")) {
            EXPECT_TRUE(row.enabled);
        }
}
