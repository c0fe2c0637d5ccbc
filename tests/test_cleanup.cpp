// Clean-ups on real files and keys of the test prefix: links are never followed, whatever the
// depth; files in use stay and are named; read-only, hidden and empty items go into the backup
// with their attributes and times; the file operations the clean-up is made of.
#include <gtest/gtest.h>

#include <algorithm>

#include "cleanup/cleanupBackup.h"
#include "cleanup/cleanupReport.h"
#include "cleanup/cleanupUndo.h"
#include "cleanup/remainsDelete.h"
#include "cleanup/safeFiles.h"
#include "i18n/multiLangs.h"
#include "tests/support/findings.h"
#include "tests/cleanupTestSupport.h"

using namespace purgeon;
using namespace purgeon::cleanup;
using namespace purgeon::remains;
using namespace purgeon::test;

namespace {

const ItemOutcome* OutcomeOf(const std::vector<ItemOutcome>& outcomes, const std::wstring& path) {
    for (const ItemOutcome& outcome : outcomes)
        if (EqualsNoCase(outcome.path, path)) return &outcome;
    return nullptr;
}

const ScanNode* NodeOf(const std::vector<ScanNode>& nodes, const std::wstring& text) {
    for (const ScanNode& node : nodes) {
        if (EqualsNoCase(node.text, text)) return &node;
        if (const ScanNode* inner = NodeOf(node.children, text)) return inner;
    }
    return nullptr;
}

std::vector<ScanNode> FolderTree(const std::wstring& folder) {
    std::vector<ScanNode> files;
    if (std::optional<ScanNode> tree = ScanInstallFolder(folder)) files.push_back(std::move(*tree));
    return files;
}

FILETIME Time(ULONGLONG value) { return {static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)}; }

void SetTimes(const std::wstring& path, ULONGLONG created, ULONGLONG written) {
    UniqueHandle handle = AdoptFileHandle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const FILETIME create = Time(created), write = Time(written);
    SetFileTime(handle.get(), &create, &write, &write);
}

struct Stamp {
    DWORD attributes;
    ULONGLONG created, written;
    bool operator==(const Stamp& other) const {
        return attributes == other.attributes && created == other.created && written == other.written;
    }
};
Stamp StampOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return {INVALID_FILE_ATTRIBUTES, 0, 0};
    auto value = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return {data.dwFileAttributes, value(data.ftCreationTime), value(data.ftLastWriteTime)};
}

class CleanupFiles : public ::testing::Test {
protected:
    CleanupResult Clean(std::vector<ScanNode>& files) {
        std::vector<ScanNode> keys;
        return CleanRemains(keys, files, {backups_.path(), program_.name, program_.folder});
    }
    ScratchProgram program_{L"Files"};
    ScratchFolder backups_{L"cleanup-backups"};
    ScratchFolder outside_{L"cleanup-outside"};
};

}  // namespace

// Links to folders and to files, directly in the install folder and deeper down: each stays where
// it is with its reason, what it points to is untouched, and what really lies in the folder goes.
TEST_F(CleanupFiles, NothingALinkPointsToIsTouchedAtAnyDepth) {
    const std::wstring out = outside_.path();
    WriteFileBytes(out + L"target.txt", "file target");
    ASSERT_TRUE(ForceDirectories(out + L"Folder\\Deep"));
    WriteFileBytes(out + L"Folder\\inside.txt", "inside");
    WriteFileBytes(out + L"Folder\\Deep\\deeper.bin", std::string("\0\1\2", 3));
    SetFileAttributesW((out + L"Folder\\inside.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(ForceDirectories(out + L"Other"));
    WriteFileBytes(out + L"Other\\other.dat", "other");
    const TreeImage before = ImageOf(out);

    program_.File(L"readme.txt", "readme");
    program_.File(L"data\\keep.bin", "keep");
    program_.File(L"data\\nested\\x.txt", "x");
    {
        UnixLink topFolder(out + L"Folder", program_.Path(L"dlink"));
        UnixLink topFile(out + L"target.txt", program_.Path(L"flink.txt"));
        UnixLink nestedFolder(out + L"Other", program_.Path(L"data\\nested\\dlink2"));
        UnixLink nestedFile(out + L"Other\\other.dat", program_.Path(L"data\\flink2.dat"));

        std::vector<ScanNode> files = FolderTree(program_.folder);
        ASSERT_EQ(files.size(), 1u);
        // Listed, not entered; a link to a file looks like a plain file.
        const ScanNode* listed = NodeOf(files, program_.Path(L"dlink"));
        ASSERT_TRUE(listed);
        EXPECT_TRUE(listed->children.empty());
        ASSERT_TRUE(NodeOf(files, program_.Path(L"flink.txt")));
        ASSERT_TRUE(NodeOf(files, program_.Path(L"data\\nested\\dlink2")));
        // A node below a link, as a forged or stale tree might hold it.
        files[0].children.push_back(test::FileFinding({program_.Path(L"dlink\\inside.txt"), kChecked, {}}));

        const CleanupResult result = Clean(files);
        ASSERT_TRUE(result.ran);
        EXPECT_FALSE(result.AllGone());
        for (const wchar_t* link : {L"dlink", L"flink.txt", L"data\\nested\\dlink2", L"data\\flink2.dat",
                                    L"dlink\\inside.txt"}) {
            const ItemOutcome* outcome = OutcomeOf(result.fileOutcomes, program_.Path(link));
            ASSERT_TRUE(outcome) << ToUtf8(link);
            EXPECT_FALSE(outcome->done) << ToUtf8(link);
            EXPECT_EQ(outcome->reason, Reason::LinkNotFollowed) << ToUtf8(link);
        }
        for (const wchar_t* gone : {L"readme.txt", L"data\\keep.bin", L"data\\nested\\x.txt"}) {
            const ItemOutcome* outcome = OutcomeOf(result.fileOutcomes, program_.Path(gone));
            ASSERT_TRUE(outcome) << ToUtf8(gone);
            EXPECT_TRUE(outcome->done) << ToUtf8(gone);
            EXPECT_FALSE(FileExists(program_.Path(gone))) << ToUtf8(gone);
        }
        EXPECT_EQ(OutcomeOf(result.fileOutcomes, program_.folder)->reason, Reason::ContentsStayed);
        // What the links point to is exactly as it was, and the links are still there.
        EXPECT_EQ(ImageOf(out), before);
        EXPECT_EQ(ReadFileBytes(program_.Path(L"flink.txt")), "file target");
        EXPECT_EQ(ReadFileBytes(program_.Path(L"dlink\\inside.txt")), "inside");

        // The tree keeps exactly what stayed, still checked: the links and the folders holding them.
        EXPECT_EQ(files[0].state, kChecked);
        for (const wchar_t* kept : {L"dlink", L"flink.txt", L"data", L"data\\nested", L"data\\nested\\dlink2",
                                    L"data\\flink2.dat", L"dlink\\inside.txt"}) {
            const ScanNode* node = NodeOf(files, program_.Path(kept));
            ASSERT_TRUE(node) << ToUtf8(kept);
            EXPECT_EQ(node->state, kChecked) << ToUtf8(kept);
        }
        EXPECT_FALSE(NodeOf(files, program_.Path(L"readme.txt")));
        EXPECT_FALSE(NodeOf(files, program_.Path(L"data\\nested\\x.txt")));

        // The message counts the five links, not the folders that stayed around them.
        const std::wstring message = CleanupMessage(result.Outcomes());
        EXPECT_EQ(message.rfind(Format(LangText(IDS_MESSAGEBOX_WARNING_CleanPartly).c_str(), 5), 0), 0u)
            << ToUtf8(message);
        EXPECT_NE(message.find(program_.Path(L"flink.txt") + L": " + LangText(IDS_MESSAGEBOX_REASON_LinkNotFollowed)),
                  std::wstring::npos);

        // Given back, the files return beside the links, which were never moved.
        const std::vector<ItemOutcome> restored = RestoreCleanup(result.backupFolder);
        EXPECT_TRUE(std::all_of(restored.begin(), restored.end(), [](const ItemOutcome& o) { return o.done; }));
        EXPECT_EQ(ReadFileBytes(program_.Path(L"data\\nested\\x.txt")), "x");
        EXPECT_EQ(ImageOf(out), before);
    }
    EXPECT_EQ(ImageOf(out), before);
}

// A file another program holds open without sharing stays where it is and is named with the
// reason; the command line says so, exits 2, and what could go went into the backup.
TEST_F(CleanupFiles, AFileInUseStaysAndTheCommandLineNamesIt) {
    program_.Value(L"", L"Version", REG_SZ, TextBytes(L"1.0"));
    program_.File(L"app.exe", "running program");
    program_.File(L"notes.txt", "notes");
    HeldFile held(program_.Path(L"app.exe"));
    ASSERT_TRUE(held.held());

    DWORD exitCode = 0;
    const std::string output = CaptureOutput(BinDir() + L"Purgeon.exe",
                                             L"/clean " + program_.name + L" \"" + program_.folder + L"\"", &exitCode);
    EXPECT_EQ(exitCode, 2u) << output;
    const std::wstring text = FromUtf8(output);
    EXPECT_NE(text.find(L"deleted\t" + program_.KeyText() + L"\n"), std::wstring::npos) << output;
    EXPECT_NE(text.find(L"deleted\t" + program_.Path(L"notes.txt") + L"\n"), std::wstring::npos) << output;
    EXPECT_NE(text.find(L"stayed\t" + program_.Path(L"app.exe") + L"\t" + LangText(IDS_MESSAGEBOX_REASON_InUse) + L"\n"),
              std::wstring::npos)
        << output;
    EXPECT_NE(text.find(L"stayed\t" + program_.folder + L"\t"), std::wstring::npos) << output;
    const size_t backupLine = text.find(L"backup\t");
    ASSERT_NE(backupLine, std::wstring::npos) << output;
    const std::wstring folder = Trim(text.substr(backupLine + 7, text.find(L'\n', backupLine) - backupLine - 7));
    EXPECT_EQ(ReadFileBytes(IncludeTrailingBackslash(folder) + CleanupBackup::StoredFor(program_.Path(L"notes.txt"))),
              "notes");
    held.Release();
    EXPECT_EQ(ReadFileBytes(program_.Path(L"app.exe")), "running program");

    // And back, from the command line too.
    const std::string back = CaptureOutput(BinDir() + L"Purgeon.exe", L"/restore \"" + folder + L"\"", &exitCode);
    EXPECT_EQ(exitCode, 0u) << back;
    EXPECT_NE(FromUtf8(back).find(L"restored\t" + program_.Path(L"notes.txt") + L"\n"), std::wstring::npos) << back;
    EXPECT_EQ(ReadFileBytes(program_.Path(L"notes.txt")), "notes");
    EXPECT_FALSE(DirectoryExists(folder)) << "a clean-up given back whole leaves no backup";
}

TEST_F(CleanupFiles, CommandLineRefusesBadArgumentsAndAnUnwritableBackup) {
    DWORD exitCode = 0;
    CaptureOutput(BinDir() + L"Purgeon.exe", L"/clean", &exitCode);
    EXPECT_EQ(exitCode, 1u);
    CaptureOutput(BinDir() + L"Purgeon.exe", L"/clean \"\" \"C:\\\"", &exitCode);
    EXPECT_EQ(exitCode, 1u);
    // A folder that holds no clean-up: nothing to give back, so nothing was done.
    const std::string output = CaptureOutput(BinDir() + L"Purgeon.exe", L"/restore \"" + outside_.path() + L"\"", &exitCode);
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(FromUtf8(output).rfind(L"failed\t", 0), 0u) << output;

    // No backup, no clean-up: nothing is touched.
    program_.File(L"a.txt", "a");
    std::vector<ScanNode> keys, files = FolderTree(program_.folder);
    WriteFileBytes(outside_.path() + L"blocker", "x");
    const CleanupResult result = CleanRemains(keys, files, {outside_.path() + L"blocker\\Clean-ups", L"x", L""});
    EXPECT_FALSE(result.ran);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(ReadFileBytes(program_.Path(L"a.txt")), "a");
    EXPECT_EQ(files.size(), 1u);
}

// Read-only and hidden files and empty folders are set aside like the others, keep their
// attributes and times in the backup, and come back with them.
TEST_F(CleanupFiles, ReadOnlyHiddenAndEmptyItemsKeepAttributesAndTimesBothWays) {
    program_.File(L"locked.txt", "read only");
    program_.File(L"secret.ini", "hidden");
    program_.File(L"Sub\\plain.dat", "plain");
    ASSERT_TRUE(ForceDirectories(program_.Path(L"Empty")));
    SetTimes(program_.Path(L"locked.txt"), 130000000000000000ULL, 131000000000000000ULL);
    SetTimes(program_.Path(L"secret.ini"), 130500000000000000ULL, 131500000000000000ULL);
    SetTimes(program_.Path(L"Sub\\plain.dat"), 129000000000000000ULL, 129500000000000000ULL);
    SetFileAttributesW(program_.Path(L"locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(program_.Path(L"secret.ini").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetTimes(program_.Path(L"Empty"), 128000000000000000ULL, 128500000000000000ULL);
    SetTimes(program_.Path(L"Sub"), 127000000000000000ULL, 127500000000000000ULL);
    const wchar_t* items[] = {L"locked.txt", L"secret.ini", L"Sub\\plain.dat", L"Empty", L"Sub"};
    std::map<std::wstring, Stamp> stamps;
    for (const wchar_t* item : items) stamps[item] = StampOf(program_.Path(item));

    std::vector<ScanNode> files = FolderTree(program_.folder);
    const CleanupResult result = Clean(files);
    ASSERT_TRUE(result.AllGone());
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(DirectoryExists(program_.folder));
    for (const wchar_t* item : items)
        EXPECT_EQ(StampOf(result.backupFolder + CleanupBackup::StoredFor(program_.Path(item))), stamps[item])
            << ToUtf8(item);
    EXPECT_EQ(ReadFileBytes(result.backupFolder + CleanupBackup::StoredFor(program_.Path(L"locked.txt"))), "read only");

    const std::vector<ItemOutcome> restored = RestoreCleanup(result.backupFolder);
    EXPECT_TRUE(std::all_of(restored.begin(), restored.end(), [](const ItemOutcome& o) { return o.done; }));
    for (const wchar_t* item : items) EXPECT_EQ(StampOf(program_.Path(item)), stamps[item]) << ToUtf8(item);
    EXPECT_EQ(ReadFileBytes(program_.Path(L"secret.ini")), "hidden");
    SetFileAttributesW(program_.Path(L"locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A program folder that holds the clean-ups' backups (uninstalling this program from its own
// folder): earlier backups stay where the undo window finds them, and the new backup is never
// walked into itself.
TEST_F(CleanupFiles, TheCleanupsOwnBackupsInsideTheFolderStay) {
    program_.File(L"app.exe", "program");
    program_.File(L"Back up\\Clean-ups\\2026-01-01 10-00-00\\manifest.txt", "an earlier clean-up");
    std::vector<ScanNode> keys, files = FolderTree(program_.folder);
    const CleanupResult result = CleanRemains(keys, files, {program_.Path(L"Back up\\Clean-ups"), program_.name, program_.folder});
    ASSERT_TRUE(result.ran) << ToUtf8(result.error);
    EXPECT_FALSE(FileExists(program_.Path(L"app.exe")));
    EXPECT_EQ(ReadFileBytes(program_.Path(L"Back up\\Clean-ups\\2026-01-01 10-00-00\\manifest.txt")), "an earlier clean-up");
    EXPECT_TRUE(FileExists(result.backupFolder + CleanupBackup::StoredFor(program_.Path(L"app.exe"))));
    bool ownStayed = false;
    for (const ItemOutcome& outcome : result.fileOutcomes)
        if (!outcome.done && outcome.reason == Reason::OwnBackups) ownStayed = true;
    EXPECT_TRUE(ownStayed);
    EXPECT_FALSE(result.AllGone());
}

// Across volumes a move is a copy, checked, then the original's deletion; it never replaces.
TEST_F(CleanupFiles, CopyVerifyAndDeleteKeepsBytesAttributesAndTimesAndNeverReplaces) {
    const std::wstring source = outside_.path() + L"source.bin";
    std::string bytes(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 % 251);
    WriteFileBytes(source, bytes);
    SetTimes(source, 130000000000000000ULL, 131000000000000000ULL);
    SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const Stamp stamp = StampOf(source);

    const std::wstring taken = outside_.path() + L"taken.bin";
    WriteFileBytes(taken, "already here");
    {
        CheckedItem item = OpenChecked(source, FullPathOf(source),
                                       GENERIC_READ | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
        ASSERT_TRUE(item.handle);
        EXPECT_NE(CopyVerifyAndDelete(item.handle.get(), taken), static_cast<DWORD>(ERROR_SUCCESS));
    }
    EXPECT_EQ(ReadFileBytes(taken), "already here");
    EXPECT_EQ(StampOf(source), stamp);

    const std::wstring target = outside_.path() + L"copy.bin";
    {
        CheckedItem item = OpenChecked(source, FullPathOf(source),
                                       GENERIC_READ | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
        ASSERT_TRUE(item.handle);
        EXPECT_EQ(CopyVerifyAndDelete(item.handle.get(), target), static_cast<DWORD>(ERROR_SUCCESS));
    }
    EXPECT_EQ(GetFileAttributesW(source.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileBytes(target), bytes);
    EXPECT_EQ(StampOf(target), stamp);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CleanupPaths, PlacesInsideAFolderAndTheirPlaceInTheBackup) {
    struct Row {
        const wchar_t* path;
        const wchar_t* folder;
        const wchar_t* relative;  // null: not inside
    };
    const Row rows[] = {
        {L"C:\\App\\a.txt", L"C:\\App", L"a.txt"},
        {L"c:\\app\\Sub\\b", L"C:\\App\\", L"Sub\\b"},
        {L"C:\\App", L"C:\\App", L""},
        {L"C:\\Apple\\a.txt", L"C:\\App", nullptr},
        {L"C:\\", L"C:\\App", nullptr},
        {L"D:\\App\\a.txt", L"C:\\App", nullptr},
    };
    for (const Row& row : rows) {
        std::optional<std::wstring> relative = RelativeInside(row.path, row.folder);
        ASSERT_EQ(relative.has_value(), row.relative != nullptr) << ToUtf8(row.path);
        if (relative) {
            EXPECT_EQ(*relative, row.relative) << ToUtf8(row.path);
        }
    }
    EXPECT_EQ(FullPathOf(L"C:\\App\\x/../y\\"), L"C:\\App\\y");
    EXPECT_EQ(FullPathOf(L"\\\\?\\C:\\App"), L"C:\\App");
    EXPECT_EQ(ExtendedPath(L"C:\\App"), L"\\\\?\\C:\\App");
    EXPECT_EQ(ExtendedPath(L"\\\\server\\share\\x"), L"\\\\?\\UNC\\server\\share\\x");
    EXPECT_EQ(PlainPath(L"\\\\?\\UNC\\server\\share"), L"\\\\server\\share");
    EXPECT_EQ(CleanupBackup::StoredFor(L"c:\\Program Files\\App\\a.txt"), L"files\\C\\Program Files\\App\\a.txt");
    EXPECT_EQ(CleanupBackup::StoredFor(L"\\\\server\\share\\App"), L"files\\UNC\\server\\share\\App");
    EXPECT_EQ(CleanupBackup::StoredFor(L"\\\\?\\D:\\x\\"), L"files\\D\\x");
}

TEST(CleanupManifest, FieldsSurviveTabsLineBreaksAndPercentSigns) {
    const std::vector<std::wstring> fields = {L"value", L"HKEY_CURRENT_USER\\SOFTWARE\\A\tB",
                                              L"name\r\nwith %09 and % and \u00e9\u4e2d", L"1", L""};
    const std::string line = ManifestLine(fields);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 4);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(ManifestFields(line.substr(0, line.size() - 1)), fields);
    EXPECT_EQ(UnescapeField(L"%2"), L"%2");
    EXPECT_EQ(UnescapeField(L"%41"), L"%41");  // only the four codes are ours
    EXPECT_EQ(EscapeField(L"%\t\r\n"), L"%25%09%0D%0A");
}
