// Item information of startup rows against real files, shortcuts and command lines under Wine.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include "common/funUtils.h"
#include "common/handles.h"
#include "startup/itemInfo.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using namespace purgeon::test;

namespace {

// --- command -> program path ----------------------------------------------------

struct CutCase {
    const wchar_t* command;
    const wchar_t* path;
};

TEST(ProgramPathOfCommand, CutsArgumentsAndQuotes) {
    const CutCase cases[] = {
        {L"", L""},
        {L"   ", L""},
        {L"C:\\Tools\\app.exe", L"C:\\Tools\\app.exe"},
        // The blank before a "/" argument does not belong to the path.
        {L"\"C:\\Tools\\app.exe\" /min", L"C:\\Tools\\app.exe"},
        {L"C:\\Tools\\tool.bat /q", L"C:\\Tools\\tool.bat"},
        {L"C:\\Tools\\tool.bat    /q /r", L"C:\\Tools\\tool.bat"},
        // Quoted program, arguments of any kind.
        {L"\"C:\\Program Files\\App\\app.exe\" -tray", L"C:\\Program Files\\App\\app.exe"},
        {L"\"C:\\Program Files\\App\\app.exe\" --start \"C:\\a b\\x.cfg\"", L"C:\\Program Files\\App\\app.exe"},
        {L"\"C:\\Program Files\\App\\app.cmd\"", L"C:\\Program Files\\App\\app.cmd"},
        {L"  \"C:\\x\\app.exe\"", L"C:\\x\\app.exe"},
        {L"\"C:\\x\\unterminated.exe -a", L"C:\\x\\unterminated.exe"},
        {L"\"C:\\x\\open.bat /a", L"C:\\x\\open.bat"},
        // Unquoted paths with blanks, understood up to ".exe".
        {L"C:\\Program Files\\App\\app.exe", L"C:\\Program Files\\App\\app.exe"},
        {L"C:\\Program Files\\App\\app.exe -tray", L"C:\\Program Files\\App\\app.exe"},
        {L"C:\\Program Files\\App\\APP.EXE/background", L"C:\\Program Files\\App\\APP.EXE"},
        {L"C:\\My.exe Tools\\run.exe -x", L"C:\\My.exe"},
        {L"C:\\exelent\\a.exelike.exe arg", L"C:\\exelent\\a.exelike.exe"},
        {L"rundll32.exe shell32.dll,Control_RunDLL", L"rundll32.exe"},
        {L"%ProgramFiles%\\App\\app.exe -q", L"%ProgramFiles%\\App\\app.exe"},
        {L"C:\\\u65e5\u672c\\\u30a2\u30d7\u30ea.exe -x", L"C:\\\u65e5\u672c\\\u30a2\u30d7\u30ea.exe"},
        // Neither quoted nor ".exe" nor "/": taken whole.
        {L"C:\\Tools\\script.cmd -x", L"C:\\Tools\\script.cmd -x"},
    };
    for (const CutCase& c : cases) EXPECT_EQ(ProgramPathOfCommand(c.command), c.path) << ToUtf8(c.command);
}

// --- real files -------------------------------------------------------------------

class ItemInfoFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ForceDirectories(dir_.path() + L"My Apps"));
        ASSERT_TRUE(CopyFileW(program_.c_str(), copy_.c_str(), FALSE));
    }
    static void ExpectPurgeon(const std::optional<StartupItemInfo>& info, const std::wstring& what) {
        ASSERT_TRUE(info.has_value()) << ToUtf8(what);
        EXPECT_EQ(info->publisher, L"Purgeon");
        EXPECT_EQ(info->version, L"1.0.0.0");
        EXPECT_EQ(info->description, L"Purgeon uninstall manager");
    }

    ScratchFolder dir_{L"iteminfo"};
    const std::wstring program_ = BinDir() + L"Purgeon.exe";
    const std::wstring copy_ = dir_.path() + L"My Apps\\Purgeon.exe";
};

TEST_F(ItemInfoFiles, RegistryCommandsFindTheirProgram) {
    for (const std::wstring& command : {
             program_,
             L"\"" + copy_ + L"\" /min",
             L"\"" + copy_ + L"\" -tray --x=1",
             copy_ + L" -tray",
             copy_ + L"/background",
         }) {
        ExpectPurgeon(ReadStartupItemInfo(command, StartupSource::Registry), command);
        ExpectPurgeon(ReadStartupItemInfo(command, L"HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"), command);
    }
}

TEST_F(ItemInfoFiles, EnvironmentAndSearchPathAreResolved) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"PURGEON_ITEMINFO_DIR", ExcludeTrailingBackslash(dir_.path()).c_str()));
    ExpectPurgeon(ReadStartupItemInfo(L"%PURGEON_ITEMINFO_DIR%\\My Apps\\Purgeon.exe -x", StartupSource::Registry),
                  L"environment");
    const std::wstring rundll = StartupItemProgram(L"rundll32.exe shell32.dll,Control_RunDLL", StartupSource::Registry);
    EXPECT_TRUE(FileExists(rundll)) << ToUtf8(rundll);
    EXPECT_TRUE(EqualsNoCase(ExtractFileName(rundll), L"rundll32.exe")) << ToUtf8(rundll);
}

TEST_F(ItemInfoFiles, FolderRowsUseTheFileOrTheShortcutTarget) {
    const std::wstring link = dir_.path() + L"My Apps\\Purgeon app.lnk";
    ComApartment apartment;
    ASSERT_HRESULT_SUCCEEDED(MakeLink(copy_, link));
    EXPECT_TRUE(EqualsNoCase(ShortcutTarget(link), copy_)) << ToUtf8(ShortcutTarget(link));

    ExpectPurgeon(ReadStartupItemInfo(link, dir_.path()), L"shortcut by location");
    StartupRow row;
    row.source = StartupSource::Folder;
    row.command = link;
    ExpectPurgeon(ReadStartupItemInfo(row), L"shortcut row");
    // A program lying in the folder itself: its path has a blank and must not be cut.
    ExpectPurgeon(ReadStartupItemInfo(copy_, StartupSource::Folder), L"program in folder");
}

TEST_F(ItemInfoFiles, NothingWithoutAVersionResource) {
    const std::wstring text = dir_.path() + L"notes.txt";
    WriteFileBytes(text, "plain\r\n");
    const std::wstring broken = dir_.path() + L"broken.lnk";
    WriteFileBytes(broken, "not a shell link");
    const std::wstring toText = dir_.path() + L"to text.lnk";
    ComApartment apartment;
    ASSERT_HRESULT_SUCCEEDED(MakeLink(text, toText));

    EXPECT_FALSE(ReadStartupItemInfo(text, StartupSource::Folder).has_value());
    EXPECT_FALSE(ReadStartupItemInfo(broken, StartupSource::Folder).has_value());
    EXPECT_EQ(ShortcutTarget(broken), L"");
    EXPECT_FALSE(ReadStartupItemInfo(toText, StartupSource::Folder).has_value());
    EXPECT_FALSE(ReadStartupItemInfo(dir_.path() + L"gone.exe -x", StartupSource::Registry).has_value());
    EXPECT_FALSE(ReadStartupItemInfo(L"", StartupSource::Registry).has_value());
    EXPECT_FALSE(ReadStartupItemInfo(L"", L"").has_value());
}

}  // namespace
