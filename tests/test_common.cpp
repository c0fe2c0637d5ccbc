// Path, string and registry helpers shared by every part of the program.
#include <gtest/gtest.h>

#include <map>

#include "common/funUtils.h"
#include "common/handles.h"

using namespace purgeon;

TEST(Paths, SplitAndJoin) {
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
        const wchar_t* name;
    } cases[] = {
        {L"C:\\a\\b.exe", L"C:\\a\\", L"b.exe"},
        {L"C:\\b.exe", L"C:\\", L"b.exe"},
        {L"b.exe", L"", L"b.exe"},
        {L"C:\\a\\", L"C:\\a\\", L""},
        {L"", L"", L""},
        {L"\\\\server\\share\\x", L"\\\\server\\share\\", L"x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.path), c.folder) << c.path;
        EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    }
    EXPECT_EQ(IncludeTrailingBackslash(L"C:\\a"), L"C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash(L"C:\\a\\"), L"C:\\a\\");
    EXPECT_EQ(ExcludeTrailingBackslash(L"C:\\a\\\\"), L"C:\\a");
}

TEST(Strings, CaseAndTrimAndUtf8) {
    EXPECT_TRUE(EqualsNoCase(L"English.INI", L"english.ini"));
    EXPECT_FALSE(EqualsNoCase(L"English.ini", L"English.in"));
    EXPECT_TRUE(StartsWithNoCase(L"HKEY_LOCAL_MACHINE\\x", L"hkey_local"));
    EXPECT_EQ(Trim(L" \t x y \r\n"), L"x y");
    EXPECT_EQ(Trim(L"   "), L"");
    const std::wstring mixed = L"Caf\u00e9 \u4e2d\u6587 \U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(mixed)), mixed);
    EXPECT_EQ(ToUtf8(L"\u00e9"), "\xc3\xa9");
    EXPECT_EQ(Format(L"%s=%d", L"n", 42), L"n=42");
    EXPECT_EQ(Format(L"%s", std::wstring(5000, L'x').c_str()).size(), 5000u);
}

TEST(Folders, ForceDirectoriesCreatesAllParents) {
    std::wstring root = TempDirectory() + Format(L"purgeon-force-%lu", GetCurrentProcessId());
    std::wstring deep = root + L"\\one\\two\\three\\";
    ASSERT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_FALSE(FileExists(deep));
    EXPECT_TRUE(ForceDirectories(deep));  // already there
    RemoveDirectoryW((root + L"\\one\\two\\three").c_str());
    RemoveDirectoryW((root + L"\\one\\two").c_str());
    RemoveDirectoryW((root + L"\\one").c_str());
    RemoveDirectoryW(root.c_str());
}

class RegistryValues : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    }
    void Set(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    static constexpr wchar_t kKey[] = L"Software\\PurgeonTests\\Values";
    UniqueHKey key;
};

TEST_F(RegistryValues, RenderedAsTheRegistryEditorShowsThem) {
    const wchar_t text[] = L"plain";
    const wchar_t expand[] = L"%SystemRoot%\\x";
    const wchar_t multi[] = L"one\0two\0";
    DWORD dword = 0x1234;
    ULONGLONG qword = 0x100000000ULL;
    BYTE binary[] = {0x00, 0xab, 0x10};
    Set(L"sz", REG_SZ, text, sizeof text);
    Set(L"expand", REG_EXPAND_SZ, expand, sizeof expand);
    Set(L"multi", REG_MULTI_SZ, multi, sizeof multi);
    Set(L"dword", REG_DWORD, &dword, sizeof dword);
    Set(L"qword", REG_QWORD, &qword, sizeof qword);
    Set(L"binary", REG_BINARY, binary, sizeof binary);

    std::map<std::wstring, std::wstring> rendered;
    for (const RegValue& value : ReadRegValues(key.get())) rendered[value.name] = RenderRegValue(value);
    EXPECT_EQ(rendered, (std::map<std::wstring, std::wstring>{
                            {L"sz", L"plain"},
                            {L"expand", L"%SystemRoot%\\x"},  // not expanded
                            {L"multi", L"one two"},
                            {L"dword", L"0x00001234 (4660)"},
                            {L"qword", L"0x0000000100000000 (4294967296)"},
                            {L"binary", L"00 ab 10"},
                        }));
}

TEST_F(RegistryValues, StringsOfAnyLengthAndOnlyOfStringTypes) {
    std::wstring longText(5000, L'x');
    longText += L"\u4e2d";
    Set(L"long", REG_SZ, longText.c_str(), static_cast<DWORD>((longText.size() + 1) * sizeof(wchar_t)));
    DWORD number = 7;
    Set(L"number", REG_DWORD, &number, sizeof number);
    // Stored without its terminating NUL, as careless writers do.
    Set(L"unterminated", REG_SZ, L"abc", 3 * sizeof(wchar_t));

    EXPECT_EQ(ReadRegString(key.get(), L"long"), longText);
    EXPECT_FALSE(ReadRegString(key.get(), L"number").has_value());
    EXPECT_FALSE(ReadRegString(key.get(), L"absent").has_value());
    EXPECT_EQ(ReadRegString(key.get(), L"unterminated"), L"abc");
}
