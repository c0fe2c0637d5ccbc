// Deleting a screen saver on real files in the system folder: the saver goes into the backup
// folder under a name no older backup has, the cache copy goes only once the saver is safe, and
// nothing at all is deleted when it cannot be backed up.
#include <gtest/gtest.h>

#include "uninstall/screenSaver.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "tests/support/testSupport.h"
#include "tools/samples/sampleCatalog.h"

using namespace purgeon;
using namespace purgeon::uninstall;
using namespace purgeon::test;
namespace samples = purgeon::samples;

namespace {

class ScreenSaverDelete : public ::testing::Test {
protected:
    void SetUp() override {
        saverPath_ = samples::InstallScreenSaver(BinDir());
        saverBytes_ = ReadFileBytes(saverPath_);
        ASSERT_FALSE(saverBytes_.empty());
        files_ = ScreenSaverFilesOf(ExtractFilePath(saverPath_), samples::kSaverFile);
        backupDir_ = scratch_.path() + L"Back up\\scr\\";
    }
    void TearDown() override {
        samples::RemoveScreenSaver();
        DeleteFileW(files_.cachePath.c_str());
        RemoveDirectoryW(ExtractFilePath(files_.cachePath).c_str());
    }
    void PutCacheCopy() {
        CreateDirectoryW(ExtractFilePath(files_.cachePath).c_str(), nullptr);
        WriteFileBytes(files_.cachePath, saverBytes_);
    }

    ScratchFolder scratch_{L"screensaver"};
    std::wstring saverPath_, backupDir_;
    std::string saverBytes_;
    ScreenSaverFiles files_;
};

TEST_F(ScreenSaverDelete, MovesTheSaverIntoANewBackupFolderAndDeletesTheCacheCopy) {
    EXPECT_EQ(files_.path, saverPath_);
    EXPECT_EQ(files_.cachePath, IncludeTrailingBackslash(SystemDirectory()) + L"dllcache\\" + samples::kSaverFile);
    ASSERT_FALSE(DirectoryExists(backupDir_));
    PutCacheCopy();

    ScreenSaverDeletion deletion = DeleteScreenSaver(files_, backupDir_);
    EXPECT_TRUE(deletion.backedUp);
    EXPECT_EQ(deletion.backupPath, backupDir_ + samples::kSaverFile);
    EXPECT_EQ(ReadFileBytes(deletion.backupPath), saverBytes_);
    EXPECT_FALSE(FileExists(saverPath_));
    EXPECT_FALSE(FileExists(files_.cachePath));
}

TEST_F(ScreenSaverDelete, WithoutACacheCopyOnlyTheMoveHappens) {
    ScreenSaverDeletion deletion = DeleteScreenSaver(files_, backupDir_);
    EXPECT_TRUE(deletion.backedUp);
    EXPECT_EQ(ReadFileBytes(deletion.backupPath), saverBytes_);
    EXPECT_FALSE(FileExists(saverPath_));
}

TEST_F(ScreenSaverDelete, OlderBackupsOfTheSameNameAreKeptAndTheSaverGetsAFreeName) {
    ASSERT_TRUE(ForceDirectories(backupDir_));
    WriteFileBytes(backupDir_ + L"SampleSaver.scr", "first");
    WriteFileBytes(backupDir_ + L"SampleSaver (2).scr", "second");

    ScreenSaverDeletion deletion = DeleteScreenSaver(files_, backupDir_);
    ASSERT_TRUE(deletion.backedUp);
    EXPECT_EQ(deletion.backupPath, backupDir_ + L"SampleSaver (3).scr");
    EXPECT_EQ(ReadFileBytes(deletion.backupPath), saverBytes_);
    EXPECT_EQ(ReadFileBytes(backupDir_ + L"SampleSaver.scr"), "first");
    EXPECT_EQ(ReadFileBytes(backupDir_ + L"SampleSaver (2).scr"), "second");
    EXPECT_FALSE(FileExists(saverPath_));
}

TEST_F(ScreenSaverDelete, NothingIsDeletedWhenTheSaverCannotBeBackedUp) {
    PutCacheCopy();
    // A file where the backup folder should be.
    const std::wstring blocked = scratch_.path() + L"Back up";
    WriteFileBytes(blocked, "not a folder");
    ScreenSaverDeletion deletion = DeleteScreenSaver(files_, blocked + L"\\scr\\");
    EXPECT_FALSE(deletion.backedUp);
    EXPECT_NE(deletion.error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ReadFileBytes(saverPath_), saverBytes_);
    EXPECT_TRUE(FileExists(files_.cachePath));

    // Held open without leave to delete: the move is refused and both files stay.
    UniqueHandle held(CreateFileW(saverPath_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(static_cast<bool>(held));
    deletion = DeleteScreenSaver(files_, backupDir_);
    EXPECT_FALSE(deletion.backedUp);
    EXPECT_TRUE(FileExists(saverPath_));
    EXPECT_TRUE(FileExists(files_.cachePath));
    EXPECT_FALSE(FileExists(backupDir_ + samples::kSaverFile));
}

TEST_F(ScreenSaverDelete, WhatStayedIsNamedWithItsReason) {
    // Backed up, but the cache copy is held open without sharing: the user is told.
    PutCacheCopy();
    {
        UniqueHandle held(CreateFileW(files_.cachePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(static_cast<bool>(held));
        ScreenSaverDeletion deletion = DeleteScreenSaver(files_, backupDir_);
        EXPECT_TRUE(deletion.backedUp);
        EXPECT_EQ(deletion.cacheError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        const std::wstring message = ScreenSaverMessage(files_, deletion);
        EXPECT_EQ(message, Format(LangText(IDS_MESSAGEBOX_WARNING_ScrLeft).c_str(), files_.cachePath.c_str(),
                                  SystemErrorText(ERROR_SHARING_VIOLATION).c_str()));
    }
    EXPECT_TRUE(FileExists(files_.cachePath));

    // Nothing to back up: nothing deleted, and the message says which file and why.
    ScreenSaverDeletion missing = DeleteScreenSaver(files_, backupDir_);
    EXPECT_FALSE(missing.backedUp);
    EXPECT_EQ(ScreenSaverMessage(files_, missing),
              Format(LangText(IDS_MESSAGEBOX_WARNING_ScrNotDeleted).c_str(), files_.path.c_str(),
                     SystemErrorText(ERROR_FILE_NOT_FOUND).c_str()));
    // Everything gone: nothing to say.
    EXPECT_EQ(ScreenSaverMessage(files_, ScreenSaverDeletion{true, backupDir_, ERROR_SUCCESS}), L"");
}

TEST(ScreenSaverNames, OnlyBareFileNamesArePlacedAndBackupNamesCount) {
    EXPECT_EQ(ScreenSaverFilesOf(L"C:\\windows\\system32", L"a.scr").path, L"C:\\windows\\system32\\a.scr");
    EXPECT_EQ(ScreenSaverFilesOf(L"C:\\windows\\system32\\", L"a.scr").path, L"C:\\windows\\system32\\a.scr");
    for (const wchar_t* name : {L"", L"..", L"..\\a.scr", L"sub/a.scr", L"C:a.scr"})
        EXPECT_TRUE(ScreenSaverFilesOf(L"C:\\windows\\system32\\", name).path.empty()) << ToUtf8(name);
    EXPECT_TRUE(ScreenSaverFilesOf(L"", L"a.scr").path.empty());

    EXPECT_EQ(BackupCandidate(L"C:\\b", L"a.scr", 1), L"C:\\b\\a.scr");
    EXPECT_EQ(BackupCandidate(L"C:\\b\\", L"a.b.scr", 2), L"C:\\b\\a.b (2).scr");
    EXPECT_EQ(BackupCandidate(L"C:\\b\\", L"saver", 3), L"C:\\b\\saver (3)");
    EXPECT_EQ(BackupCandidate(L"C:\\b\\", L".scr", 2), L"C:\\b\\.scr (2)");
}

}  // namespace
