// Adding startup entries to the real Run keys and Startup folders of the test prefix.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>

#include "common/funUtils.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "startup/addItem.h"
#include "startup/itemInfo.h"
#include "startup/startupItems.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using namespace purgeon::test;

namespace {

constexpr wchar_t kValueName[] = L"purgeon add \u00e9t\u00e9";

std::optional<StartupRow> FindRow(const std::vector<StartupRow>& rows, const std::wstring& name) {
    auto it = std::find_if(rows.begin(), rows.end(), [&](const StartupRow& r) { return r.name == name; });
    if (it == rows.end()) return std::nullopt;
    return *it;
}

std::wstring WorkingDirectoryOf(const std::wstring& linkPath) {
    ComApartment apartment;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    wchar_t dir[MAX_PATH + 1] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || FAILED(file->Load(linkPath.c_str(), STGM_READ)) ||
        FAILED(link->GetWorkingDirectory(dir, MAX_PATH)))
        return L"<unreadable>";
    return dir;
}

void SetText(HKEY root, const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ) {
    UniqueHKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
}

std::optional<RegValue> RunValue(HKEY root, const std::wstring& name) {
    UniqueHKey key;
    if (RegOpenKeyExW(root, kRunKeyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    return ReadRegValue(key.get(), name.c_str());
}

// Targets in a folder with a blank in its name, and whatever a test adds removed afterwards.
class AddItemPlaces : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ForceDirectories(dir_.path() + L"Tools dir"));
        WriteFileBytes(app_, "MZ not really");
        WriteFileBytes(bare_, "no extension");
    }
    void TearDown() override {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            UniqueHKey key;
            if (RegOpenKeyExW(root, kRunKeyPath, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) continue;
            for (const wchar_t* name : {kValueName, L"tool"}) RegDeleteValueW(key.get(), name);
        }
        for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP}) {
            const std::wstring folder = IncludeTrailingBackslash(GetSpecialFolderPath(csidl));
            for (const std::wstring& name : {std::wstring(kValueName) + L".lnk", std::wstring(L"tool.lnk")})
                DeleteFileW((folder + name).c_str());
        }
    }

    ScratchFolder dir_{L"additem"};
    const std::wstring app_ = dir_.path() + L"Tools dir\\" + kValueName + L".exe";
    const std::wstring bare_ = dir_.path() + L"Tools dir\\tool";
};

TEST(AddItemNames, FileNameWithoutExtension) {
    EXPECT_EQ(RunValueNameFor(L"C:\\Tools\\app.exe"), L"app");
    EXPECT_EQ(ShortcutNameFor(L"C:\\Tools\\app.exe"), L"app.lnk");
    EXPECT_EQ(RunValueNameFor(L"C:\\Tools\\tool"), L"tool");
    EXPECT_EQ(ShortcutNameFor(L"C:\\Tools\\tool"), L"tool.lnk");
    EXPECT_EQ(RunValueNameFor(L"C:\\v1.2\\tool"), L"tool");  // a dot in the folder is no extension
    EXPECT_EQ(RunValueNameFor(L"C:\\x\\my.app.exe"), L"my.app");
    EXPECT_EQ(RunValueNameFor(L""), L"");
}

TEST_F(AddItemPlaces, RunKeysGetAValueNamedAfterTheFile) {
    for (auto [section, root, abbreviation] : {std::tuple{AddItemSection::CurrentUserRun, HKEY_CURRENT_USER, L"HKCU"},
                                               std::tuple{AddItemSection::MachineRun, HKEY_LOCAL_MACHINE, L"HKLM"}}) {
        ASSERT_EQ(AddItemResult::Added, AddStartupItem({app_, section}).result);
        auto value = RunValue(root, kValueName);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
        // Quoted, as its folder has a blank: unquoted, Windows would first try "...\Tools.exe".
        EXPECT_EQ(RegBytesToString(value->data), L"\"" + app_ + L"\"");

        // The startup list reads it back, and finds the file inside the quotes.
        auto row = FindRow(LoadRunKeyItems(root), kValueName);
        ASSERT_TRUE(row.has_value()) << ToUtf8(abbreviation);
        EXPECT_TRUE(row->enabled);
        EXPECT_EQ(row->command, L"\"" + app_ + L"\"");
        EXPECT_EQ(ProgramPathOfCommand(row->command), app_);
        EXPECT_TRUE(EqualsNoCase(row->location, std::wstring(abbreviation) + L"\\" + kRunKeyPath)) << ToUtf8(row->location);
        EXPECT_EQ(ShortcutPathFor({app_, section}), L"");
    }
}

TEST_F(AddItemPlaces, AnExistingValueIsOverwritten) {
    SetText(HKEY_CURRENT_USER, L"tool", L"%TEMP%\\old.exe -x", REG_EXPAND_SZ);
    ASSERT_EQ(AddItemResult::Added, AddStartupItem({bare_, AddItemSection::CurrentUserRun}).result);
    auto value = RunValue(HKEY_CURRENT_USER, L"tool");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RegBytesToString(value->data), L"\"" + bare_ + L"\"");
    // A path without a blank is stored as it is; an unquoted one already there still reads.
    EXPECT_EQ(RunCommandFor(L"C:\\Tools\\app.exe"), L"C:\\Tools\\app.exe");
    SetText(HKEY_CURRENT_USER, L"tool", bare_);
    auto row = FindRow(LoadRunKeyItems(HKEY_CURRENT_USER), L"tool");
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->command, bare_);
}

TEST_F(AddItemPlaces, StartupFoldersGetAShortcut) {
    for (auto [section, csidl] : {std::pair{AddItemSection::CurrentUserFolder, CSIDL_STARTUP},
                                  std::pair{AddItemSection::AllUsersFolder, CSIDL_COMMON_STARTUP}}) {
        ASSERT_EQ(AddItemResult::Added, AddStartupItem({app_, section}).result);
        const std::wstring folder = IncludeTrailingBackslash(GetSpecialFolderPath(csidl));
        const std::wstring link = folder + kValueName + L".lnk";
        EXPECT_EQ(ShortcutPathFor({app_, section}), link);
        ASSERT_TRUE(FileExists(link)) << ToUtf8(link);
        EXPECT_TRUE(EqualsNoCase(ShortcutTarget(link), app_)) << ToUtf8(ShortcutTarget(link));
        EXPECT_TRUE(EqualsNoCase(IncludeTrailingBackslash(WorkingDirectoryOf(link)), dir_.path() + L"Tools dir\\"))
            << ToUtf8(WorkingDirectoryOf(link));

        auto row = FindRow(LoadStartupFolderItems({folder}), std::wstring(kValueName) + L".lnk");
        ASSERT_TRUE(row.has_value());
        EXPECT_TRUE(row->enabled);
        EXPECT_TRUE(EqualsNoCase(row->command, link));
    }
}

TEST_F(AddItemPlaces, ATargetWithoutExtensionAndAnExistingShortcut) {
    const std::wstring folder = IncludeTrailingBackslash(GetSpecialFolderPath(CSIDL_STARTUP));
    ASSERT_TRUE(CreateShortcut(app_, folder + L"tool.lnk"));  // an older entry of that name
    ASSERT_EQ(AddItemResult::Added, AddStartupItem({bare_, AddItemSection::CurrentUserFolder}).result);
    EXPECT_TRUE(EqualsNoCase(ShortcutTarget(folder + L"tool.lnk"), bare_)) << ToUtf8(ShortcutTarget(folder + L"tool.lnk"));
}

TEST_F(AddItemPlaces, ShortcutsAlwaysEndInLnk) {
    const std::wstring asked = dir_.path() + L"named.txt";
    ASSERT_TRUE(CreateShortcut(app_, asked));
    EXPECT_FALSE(FileExists(asked));
    EXPECT_TRUE(EqualsNoCase(ShortcutTarget(dir_.path() + L"named.lnk"), app_));
    EXPECT_FALSE(CreateShortcut(app_, dir_.path() + L"no such folder\\x.lnk"));
}

TEST_F(AddItemPlaces, AMissingTargetWritesNothing) {
    const std::wstring gone = dir_.path() + L"Tools dir\\gone.exe";
    for (const std::wstring& target : {gone, std::wstring(), app_ + L" -x", L"\"" + app_ + L"\"", dir_.path() + L"Tools dir"}) {
        for (int section = 0; section < kAddItemSectionCount; ++section)
            EXPECT_EQ(AddItemResult::TargetMissing, AddStartupItem({target, static_cast<AddItemSection>(section)}).result)
                << ToUtf8(target) << " " << section;
    }
    EXPECT_FALSE(RunValue(HKEY_CURRENT_USER, L"gone").has_value());
    EXPECT_FALSE(RunValue(HKEY_CURRENT_USER, L"Tools dir").has_value());
    EXPECT_FALSE(FileExists(IncludeTrailingBackslash(GetSpecialFolderPath(CSIDL_STARTUP)) + L"gone.lnk"));
}

TEST_F(AddItemPlaces, AMissingRunKeyIsNotCreated) {
    // The prefix is the test's own: the user's Run key may go for a moment.
    std::vector<RegValue> saved;
    {
        UniqueHKey run;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_READ, run.put()));
        saved = ReadRegValues(run.get());
    }
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, kRunKeyPath));
    RegDeleteKeyW(HKEY_CURRENT_USER, kRunKeyPath);
    // Not written, and the user is told where and why.
    const AddItemRequest request{app_, AddItemSection::CurrentUserRun};
    const AddItemOutcome outcome = AddStartupItem(request);
    EXPECT_EQ(AddItemResult::NotWritten, outcome.result);
    EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    const std::wstring message = AddItemFailureMessage(request, outcome);
    EXPECT_NE(message.find(LangText(IDS_ADDITEMFORM_COMBOBOX_Items3)), std::wstring::npos) << ToUtf8(message);
    EXPECT_NE(message.find(SystemErrorText(ERROR_FILE_NOT_FOUND)), std::wstring::npos) << ToUtf8(message);
    EXPECT_EQ(AddItemFailureMessage(request, {AddItemResult::Added, ERROR_SUCCESS}), L"");
    UniqueHKey key;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_READ, key.put()));
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    for (const RegValue& value : saved)
        RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
}

}  // namespace
