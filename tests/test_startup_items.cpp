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
            for (const wchar_t* path : kStartupKeys)
                for (std::wstring sub : {std::wstring(path), std::wstring(path) + L"\\" + kRunDisableKey}) {
                    UniqueHKey key;
                    if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) continue;
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

}  // namespace
