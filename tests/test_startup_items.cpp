// Startup items against the real registry and Startup folders of the test prefix, and the version
// reader against real executables.
#include <gtest/gtest.h>

#include "common/funUtils.h"
#include "startup/fileInfo.h"
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

}  // namespace
