// Start-up folders and Config.ini, against real files.
#include <gtest/gtest.h>

#include "config/config.h"
#include "common/funUtils.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using purgeon::test::ReadFileBytes;
using purgeon::test::ScratchFolder;
using purgeon::test::WriteFileBytes;

namespace {

struct Recorder {
    std::vector<std::wstring> shown;
    ErrorBox box() {
        return [this](const std::wstring& text) { shown.push_back(text); };
    }
};

std::wstring ReadKey(const std::wstring& file, const wchar_t* key, const wchar_t* fallback = L"<none>") {
    wchar_t buffer[2048];
    GetPrivateProfileStringW(L"config", key, fallback, buffer, 2048, file.c_str());
    return buffer;
}

}  // namespace

TEST(InitEnvironment, FreshFolderGetsDefaultConfigAndFoldersButNoBackupFolders) {
    ScratchFolder dir(L"fresh");
    AppPathsRecord paths;
    Recorder errors;
    ASSERT_TRUE(InitEnvironment(dir.path() + L"Purgeon.exe", paths, errors.box()));
    EXPECT_TRUE(errors.shown.empty());

    EXPECT_EQ(ReadFileBytes(dir.path() + L"Config.ini"),
              "[config]\r\nSkinFile=Default.ini\r\nLanguageFile=English.ini\r\nHideScreenSaver=1\r\nHideSysPatch=0\r\n");
    EXPECT_EQ(paths.ProgramDir, dir.path());
    EXPECT_EQ(paths.ConfigPath, dir.path() + L"Config.ini");
    EXPECT_EQ(paths.LangDir, dir.path() + L"Langs\\");
    EXPECT_EQ(paths.HelpPath, dir.path() + L"Langs\\Help.Chm");
    EXPECT_EQ(paths.LangPath, dir.path() + L"Langs\\English.ini");
    EXPECT_EQ(paths.SkinDir, dir.path() + L"Skins\\");
    EXPECT_EQ(paths.SkinPath, dir.path() + L"Skins\\Default.ini");
    EXPECT_EQ(paths.RegBackupDir, dir.path() + L"Back up\\reg\\");
    EXPECT_EQ(paths.ScrBackupDir, dir.path() + L"Back up\\scr\\");
    EXPECT_TRUE(DirectoryExists(dir.path() + L"Langs"));
    EXPECT_TRUE(DirectoryExists(dir.path() + L"Skins"));
    EXPECT_FALSE(DirectoryExists(dir.path() + L"Back up"));
}

TEST(InitEnvironment, ExistingConfigIsReadAndNeverAmended) {
    ScratchFolder dir(L"existing");
    const std::string original = "[config]\r\nLanguageFile=Deutsch.ini\r\n[other]\r\nkeep=me\r\n";
    WriteFileBytes(dir.path() + L"Config.ini", original);
    AppPathsRecord paths;
    Recorder errors;
    ASSERT_TRUE(InitEnvironment(dir.path() + L"Purgeon.exe", paths, errors.box()));
    EXPECT_EQ(paths.LangPath, dir.path() + L"Langs\\Deutsch.ini");
    EXPECT_EQ(paths.SkinPath, dir.path() + L"Skins\\Default.ini");  // absent key: the default, not written
    EXPECT_EQ(ReadFileBytes(dir.path() + L"Config.ini"), original);
}

TEST(InitEnvironment, UnwritableConfigReportsOnceWithFullPathAndStops) {
    ScratchFolder dir(L"unwritable");
    // A folder where the file should be: no file exists, and none can be written there.
    ASSERT_TRUE(CreateDirectoryW((dir.path() + L"Config.ini").c_str(), nullptr));
    AppPathsRecord paths;
    Recorder errors;
    EXPECT_FALSE(InitEnvironment(dir.path() + L"Purgeon.exe", paths, errors.box()));
    ASSERT_EQ(errors.shown.size(), 1u);
    EXPECT_EQ(errors.shown[0], L"Save file " + dir.path() + L"Config.ini failed!");
    EXPECT_FALSE(DirectoryExists(dir.path() + L"Langs"));
}

TEST(InitEnvironment, FolderCreationFailureStopsSilently) {
    ScratchFolder dir(L"blocked");
    // A file named like the language folder blocks its creation.
    WriteFileBytes(dir.path() + L"Langs", "not a folder");
    AppPathsRecord paths;
    Recorder errors;
    EXPECT_FALSE(InitEnvironment(dir.path() + L"Purgeon.exe", paths, errors.box()));
    EXPECT_TRUE(errors.shown.empty());
}

TEST(ConfigWriters, WriteOnlyTheirKeysAndKeepEverythingElse) {
    ScratchFolder dir(L"writers");
    const std::wstring config = dir.path() + L"Config.ini";
    ASSERT_TRUE(WriteDefaultConfig(config));
    WritePrivateProfileStringW(L"mine", L"note", L"untouched", config.c_str());

    WriteLanguageFileName(config, L"Chinese.ini");
    EXPECT_EQ(ReadKey(config, L"LanguageFile"), L"Chinese.ini");
    EXPECT_EQ(ReadKey(config, L"SkinFile"), L"Default.ini");

    WriteHideOption(config, kKeyHideSysPatch, true);
    EXPECT_EQ(ReadKey(config, L"HideSysPatch"), L"1");
    WriteExitOptions(config, false, false);
    EXPECT_EQ(ReadKey(config, L"HideSysPatch"), L"0");
    EXPECT_EQ(ReadKey(config, L"HideScreenSaver"), L"0");

    wchar_t note[64];
    GetPrivateProfileStringW(L"mine", L"note", L"", note, 64, config.c_str());
    EXPECT_STREQ(note, L"untouched");
}

TEST(ConfigWriters, FailedWriteRaisesUnableToWrite) {
    ScratchFolder dir(L"writefail");
    const std::wstring config = dir.path() + L"Config.ini";
    ASSERT_TRUE(CreateDirectoryW(config.c_str(), nullptr));
    try {
        WriteExitOptions(config, true, true);
        FAIL() << "no error raised";
    } catch (const UserError& error) {
        EXPECT_EQ(error.message(), L"Unable to write to " + config);
    }
    EXPECT_FALSE(WriteDefaultConfig(config));
}

TEST(StoredOptions, OnlyZeroOrOneOverrideTheStartValue) {
    ScratchFolder dir(L"options");
    const std::wstring config = dir.path() + L"Config.ini";
    WriteFileBytes(config, "[config]\r\nHideSysPatch=1\r\nHideScreenSaver=0\r\n");
    EXPECT_TRUE(ReadStoredOption(config, kKeyHideSysPatch, false));
    EXPECT_FALSE(ReadStoredOption(config, kKeyHideScreenSaver, true));

    WriteFileBytes(config, "[config]\r\nHideSysPatch=yes\r\nHideScreenSaver=\r\n");
    EXPECT_FALSE(ReadStoredOption(config, kKeyHideSysPatch, false));
    EXPECT_TRUE(ReadStoredOption(config, kKeyHideScreenSaver, true));
    EXPECT_TRUE(ReadStoredOption(dir.path() + L"missing.ini", kKeyHideScreenSaver, true));
}
