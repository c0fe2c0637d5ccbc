// Undoing clean-ups: the registry comes back byte for byte as the registry editor exports it, files
// come back byte for byte, nothing that is there again is overwritten, every clean-up has a
// folder of its own, and a backup is deleted without following a link out of it.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <algorithm>

#include "cleanup/cleanupBackup.h"
#include "cleanup/cleanupReport.h"
#include "cleanup/cleanupUndo.h"
#include "cleanup/remainsDelete.h"
#include "i18n/multiLangs.h"
#include "tests/cleanupTestSupport.h"

using namespace purgeon;
using namespace purgeon::cleanup;
using namespace purgeon::remains;
using namespace purgeon::test;

namespace {

bool AllDone(const std::vector<ItemOutcome>& outcomes) {
    return std::all_of(outcomes.begin(), outcomes.end(), [](const ItemOutcome& o) { return o.done; });
}

const ItemOutcome* OutcomeOf(const std::vector<ItemOutcome>& outcomes, const std::wstring& path) {
    for (const ItemOutcome& outcome : outcomes)
        if (EqualsNoCase(outcome.path, path)) return &outcome;
    return nullptr;
}

ScanNode* NodeOf(std::vector<ScanNode>& nodes, const std::wstring& text) {
    for (ScanNode& node : nodes) {
        if (EqualsNoCase(node.text, text)) return &node;
        if (ScanNode* inner = NodeOf(node.children, text)) return inner;
    }
    return nullptr;
}

bool KeyThere(const std::wstring& path) {
    UniqueHKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(p, p + size);
}

// Every kind of value the registry keeps, in a key with subkeys, and a second key of the same
// program of which the user keeps one value.
void SeedRegistry(const ScratchProgram& program, const std::wstring& keptKey) {
    program.Value(L"", L"", REG_SZ, TextBytes(L"default text"));
    program.Value(L"", L"Path", REG_SZ, TextBytes(L"C:\\Program Files\\App \"quoted\""));
    program.Value(L"", L"Unicode \u00e9\u4e2d", REG_SZ, TextBytes(L"\u00fcber \u65e5\u672c"));
    program.Value(L"", L"Tab\tand\r\nbreak", REG_SZ, TextBytes(L"one\r\ntwo"));
    program.Value(L"", L"Unterminated", REG_SZ, TextBytes(L"abc", false));
    std::vector<BYTE> odd = TextBytes(L"abc", false);
    odd.push_back(0x64);
    program.Value(L"", L"Odd length", REG_SZ, odd);
    program.Value(L"", L"Expand", REG_EXPAND_SZ, TextBytes(L"%ProgramFiles%\\App"));
    const wchar_t multi[] = L"first\0second\0";
    program.Value(L"", L"Multi", REG_MULTI_SZ, Bytes(multi, sizeof multi));
    std::vector<BYTE> binary(300);
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<BYTE>(i * 7);
    program.Value(L"", L"Binary", REG_BINARY, binary);
    program.Value(L"", L"Nothing", REG_BINARY, {});
    const DWORD dword = 0xabcd0042;
    program.Value(L"", L"Dword", REG_DWORD, Bytes(&dword, sizeof dword));
    const ULONGLONG qword = 0x0123456789abcdefULL;
    program.Value(L"Sub\\Deeper", L"Qword", REG_QWORD, Bytes(&qword, sizeof qword));
    program.Value(L"Sub\\Empty", L"None", REG_NONE, {1, 2, 3});
    UniqueHKey kept;
    RegCreateKeyExW(HKEY_CURRENT_USER, keptKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, kept.put(), nullptr);
    RegSetValueExW(kept.get(), L"Taken", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), sizeof dword);
    const std::vector<BYTE> text = TextBytes(L"stays");
    RegSetValueExW(kept.get(), L"Kept", 0, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

class CleanupRestore : public ::testing::Test {
protected:
    void SetUp() override {
        vendorPath_ = L"Software\\PurgeonRestoreVendor" + std::to_wstring(GetCurrentProcessId());
        keptPath_ = vendorPath_ + L"\\" + program_.name;
        SeedRegistry(program_, keptPath_);
        program_.File(L"app.exe", std::string("MZ\0\1binary", 10));
        program_.File(L"data\\settings.dat", "settings");
        program_.File(L"data\\logs\\today.log", "log");
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, vendorPath_.c_str()); RegDeleteKeyW(HKEY_CURRENT_USER, vendorPath_.c_str()); }

    // The scan of the program, the kept key partly checked.
    CleanupResult Clean() {
        std::vector<ScanNode> keys = ScanRegistryKey(HKEY_CURRENT_USER, L"SOFTWARE", program_.name);
        EXPECT_EQ(keys.size(), 2u);
        ScanNode* kept = NodeOf(keys, L"HKEY_CURRENT_USER\\SOFTWARE\\" + keptPath_.substr(9) + L"\\Kept");
        EXPECT_TRUE(kept);
        if (kept) kept->state = kUnchecked;
        ScanNode* parent = NodeOf(keys, L"HKEY_CURRENT_USER\\SOFTWARE\\" + keptPath_.substr(9));
        if (parent) parent->state = kPartlyChecked;
        std::vector<ScanNode> files;
        if (auto tree = ScanInstallFolder(program_.folder)) files.push_back(std::move(*tree));
        return CleanRemains(keys, files, {backups_.path(), program_.name, program_.folder});
    }

    std::string Export(const std::wstring& path, const wchar_t* name) {
        return ExportWithRegedit(L"HKEY_CURRENT_USER\\" + path, exports_.path() + name);
    }

    ScratchProgram program_{L"Restore"};
    std::wstring vendorPath_, keptPath_;
    ScratchFolder backups_{L"restore-backups"};
    ScratchFolder exports_{L"restore-exports"};
};

}  // namespace

TEST_F(CleanupRestore, RegistryAndFilesComeBackByteForByte) {
    const std::string keyBefore = Export(program_.keyPath, L"key-before.reg");
    const std::string keptBefore = Export(keptPath_, L"kept-before.reg");
    ASSERT_GT(keyBefore.size(), 1000u);
    const TreeImage filesBefore = ImageOf(program_.folder);
    // The editor's exports cannot tell a string's missing terminator or odd last byte: raw bytes can.
    auto rawImage = [&] {
        RegistryImage image;
        UniqueHKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, program_.keyPath.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
            AddImage(image, key.get(), program_.keyPath);
        return image;
    };
    const RegistryImage rawBefore = rawImage();

    const CleanupResult result = Clean();
    ASSERT_TRUE(result.AllGone());
    ASSERT_FALSE(result.backupFolder.empty());
    EXPECT_FALSE(KeyThere(program_.keyPath));
    EXPECT_NE(Export(keptPath_, L"kept-between.reg"), keptBefore);  // it lost a value
    EXPECT_FALSE(DirectoryExists(program_.folder));
    std::optional<Manifest> manifest = ReadManifest(result.backupFolder);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->program, program_.name);
    EXPECT_EQ(manifest->location, program_.folder);
    // Each file and folder is named once on disk, the program's folder too, however the scan's
    // tree nests them.
    const std::string lines = "\n" + ReadFileBytes(result.backupFolder + kManifestFile);
    size_t named = 0;
    for (const char* record : {"\nfile\t", "\nfolder\t"})
        for (size_t at = lines.find(record); at != std::string::npos; at = lines.find(record, at + 1)) ++named;
    EXPECT_EQ(named, filesBefore.size() + 1);
    EXPECT_TRUE(FileExists(result.backupFolder + L"remains.reg"));

    const std::vector<ItemOutcome> restored = RestoreCleanup(result.backupFolder);
    EXPECT_TRUE(AllDone(restored));
    EXPECT_EQ(Export(program_.keyPath, L"key-after.reg"), keyBefore);
    EXPECT_EQ(rawImage(), rawBefore);
    EXPECT_EQ(Export(keptPath_, L"kept-after.reg"), keptBefore);
    EXPECT_EQ(ImageOf(program_.folder), filesBefore);
    EXPECT_FALSE(DirectoryExists(result.backupFolder));
    EXPECT_EQ(RestoreMessage(restored), LangText(IDS_MESSAGEBOX_MESSAGE_RestoreSucceed));
}

// What stands at a path again is never overwritten; once it is out of the way, a second restore
// brings back the rest.
TEST_F(CleanupRestore, AnOccupiedPathOrAChangedValueIsNeverOverwritten) {
    const CleanupResult result = Clean();
    ASSERT_TRUE(result.AllGone());
    program_.File(L"data\\settings.dat", "made since");
    program_.Value(L"", L"Dword", REG_SZ, TextBytes(L"other data"));

    std::vector<ItemOutcome> restored = RestoreCleanup(result.backupFolder);
    const ItemOutcome* file = OutcomeOf(restored, program_.Path(L"data\\settings.dat"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->reason, Reason::Occupied);
    EXPECT_EQ(ReadFileBytes(program_.Path(L"data\\settings.dat")), "made since");
    const ItemOutcome* key = OutcomeOf(restored, program_.KeyText());
    ASSERT_TRUE(key);
    EXPECT_EQ(key->reason, Reason::DataDiffers);
    EXPECT_EQ(ReadFileBytes(program_.Path(L"app.exe")), std::string("MZ\0\1binary", 10));
    EXPECT_EQ(ReadFileBytes(program_.Path(L"data\\logs\\today.log")), "log");
    const std::wstring message = RestoreMessage(restored);
    EXPECT_EQ(message.rfind(Format(LangText(IDS_MESSAGEBOX_WARNING_RestorePartly).c_str(), 2), 0), 0u) << ToUtf8(message);
    EXPECT_NE(message.find(program_.Path(L"data\\settings.dat") + L": " + LangText(IDS_MESSAGEBOX_REASON_Occupied)),
              std::wstring::npos);

    // Still listed, with what is left to give back.
    std::vector<CleanupSummary> listed = ListCleanups(backups_.path());
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].files, 1);
    EXPECT_EQ(listed[0].keys, 1);

    DeleteFileW(program_.Path(L"data\\settings.dat").c_str());
    UniqueHKey key2;
    RegOpenKeyExW(HKEY_CURRENT_USER, program_.keyPath.c_str(), 0, KEY_SET_VALUE, key2.put());
    RegDeleteValueW(key2.get(), L"Dword");
    restored = RestoreCleanup(result.backupFolder);
    EXPECT_TRUE(AllDone(restored));
    EXPECT_EQ(restored.size(), 2u) << "only what was left is given back";
    EXPECT_EQ(ReadFileBytes(program_.Path(L"data\\settings.dat")), "settings");
    EXPECT_TRUE(ListCleanups(backups_.path()).empty());
}

// A clean-up cut short: listed as such; what it never moved is reported in place, what it moved
// comes back, and the backup goes. A backup holding a file no manifest line names keeps it (an
// older version recorded each file only after moving it, so a kill could leave one unnamed).
TEST_F(CleanupRestore, ACleanupCutShortComesBackAndAFileNoRecordNamesIsKept) {
    const TreeImage filesBefore = ImageOf(program_.folder);
    CleanupResult result = Clean();
    ASSERT_TRUE(result.AllGone());
    // The log file "never moved": back in its place, its outcome not written.
    const std::wstring log = program_.Path(L"data\\logs\\today.log");
    ASSERT_TRUE(ForceDirectories(ExcludeTrailingBackslash(ExtractFilePath(log))));  // it never moved, nor did its folder
    ASSERT_TRUE(MoveFileW((result.backupFolder + CleanupBackup::StoredFor(log)).c_str(), log.c_str()));
    CutShort(result.backupFolder, {log});
    std::vector<CleanupSummary> listed = ListCleanups(backups_.path());
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_TRUE(listed[0].interrupted);
    EXPECT_EQ(UnansweredInterruptedCleanups(backups_.path()).size(), 1u);

    std::vector<ItemOutcome> restored = RestoreCleanup(result.backupFolder);
    EXPECT_TRUE(AllDone(restored));
    const ItemOutcome* inPlace = OutcomeOf(restored, log);
    ASSERT_TRUE(inPlace);
    EXPECT_TRUE(inPlace->inPlace);
    EXPECT_EQ(RowLine(OutcomeRow(*inPlace, true)), L"inplace\t" + log + L"\n");
    EXPECT_FALSE(OutcomeOf(restored, program_.Path(L"app.exe"))->inPlace);
    EXPECT_EQ(ImageOf(program_.folder), filesBefore);
    EXPECT_FALSE(DirectoryExists(result.backupFolder));

    // The same clean-up in the first format, with a file in the backup its manifest never named.
    result = Clean();
    ASSERT_FALSE(result.backupFolder.empty());
    const std::wstring manifest = result.backupFolder + kManifestFile;
    std::string v1;
    const std::string bytes = ReadFileBytes(manifest);
    for (size_t start = 0; start < bytes.size();) {
        const size_t end = bytes.find('\n', start);
        std::string line = bytes.substr(start, end - start + 1);
        start = end + 1;
        if (line.rfind("purgeon-cleanup\t", 0) == 0) line = "purgeon-cleanup\t1\n";
        if (line.rfind("taken\t", 0) == 0 || line.rfind("left\t", 0) == 0 || line == "finished\n") continue;
        v1 += line;
    }
    WriteFileBytes(manifest, v1);
    const std::wstring unnamed = result.backupFolder + CleanupBackup::StoredFor(program_.Path(L"data\\unnamed.txt"));
    WriteFileBytes(unnamed, "moved, never recorded");
    listed = ListCleanups(backups_.path());
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_FALSE(listed[0].interrupted);
    restored = RestoreCleanup(result.backupFolder);
    EXPECT_EQ(ImageOf(program_.folder), filesBefore);
    const ItemOutcome* left = OutcomeOf(restored, unnamed);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->reason, Reason::LeftInBackup);
    EXPECT_EQ(OwnFailures(restored).size(), 1u);
    EXPECT_EQ(ReadFileBytes(unnamed), "moved, never recorded");
}

// Folder names come from the second; two clean-ups begun in it still get a folder each.
TEST_F(CleanupRestore, TwoCleanupsInTheSameSecondNeverShareAFolder) {
    std::vector<std::wstring> folders;
    for (int attempt = 0; attempt < 20; ++attempt) {
        DWORD error = 0;
        std::optional<CleanupBackup> first = CleanupBackup::Begin(backups_.path(), L"first", L"", &error);
        std::optional<CleanupBackup> second = CleanupBackup::Begin(backups_.path(), L"second", L"", &error);
        ASSERT_TRUE(first && second) << error;
        folders = {first->Folder(), second->Folder()};
        const std::wstring a = ExtractFileName(ExcludeTrailingBackslash(folders[0]));
        const std::wstring b = ExtractFileName(ExcludeTrailingBackslash(folders[1]));
        if (a.substr(0, 19) == b.substr(0, 19)) break;  // the same second
    }
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_NE(folders[0], folders[1]);
    EXPECT_NE(folders[1].find(L" ("), std::wstring::npos) << ToUtf8(folders[1]);
    EXPECT_EQ(ReadManifest(folders[0])->program, L"first");
    EXPECT_EQ(ReadManifest(folders[1])->program, L"second");

    // Two whole clean-ups, one right after the other, are two entries to undo.
    const CleanupResult one = Clean();
    program_.File(L"again.txt", "again");
    std::vector<ScanNode> keys, files;
    if (auto tree = ScanInstallFolder(program_.folder)) files.push_back(std::move(*tree));
    const CleanupResult two = CleanRemains(keys, files, {backups_.path(), program_.name, program_.folder});
    ASSERT_FALSE(one.backupFolder.empty());
    ASSERT_FALSE(two.backupFolder.empty());
    EXPECT_NE(one.backupFolder, two.backupFolder);
    const std::vector<CleanupSummary> listed = ListCleanups(backups_.path());
    ASSERT_EQ(listed.size(), 2u);  // the two empty ones above hold nothing to give back
    EXPECT_EQ(listed[0].folder, two.backupFolder);  // newest first
    EXPECT_EQ(listed[0].files, 1);
    EXPECT_EQ(listed[1].files, 3);
    EXPECT_EQ(listed[1].keys, 2);
    EXPECT_GT(listed[1].size, 0u);
}

// Deleting a backup removes it whole, but never goes through a link someone left in it.
TEST_F(CleanupRestore, DeletingABackupNeverFollowsALinkOutOfIt) {
    const CleanupResult result = Clean();
    ASSERT_FALSE(result.backupFolder.empty());
    ScratchFolder outside(L"restore-outside");
    WriteFileBytes(outside.path() + L"precious.txt", "precious");
    const TreeImage before = ImageOf(outside.path());
    {
        UnixLink link(outside.path(), result.backupFolder + L"files\\link");
        std::vector<ItemOutcome> stayed = DeleteCleanupBackup(result.backupFolder);
        const ItemOutcome* outcome = OutcomeOf(stayed, result.backupFolder + L"files\\link");
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->reason, Reason::LinkNotFollowed);
        EXPECT_EQ(ImageOf(outside.path()), before);
        EXPECT_TRUE(FileExists(result.backupFolder + kManifestFile)) << "the manifest goes last";
        EXPECT_NE(DeleteBackupMessage(stayed).find(LangText(IDS_MESSAGEBOX_REASON_LinkNotFollowed)), std::wstring::npos);
    }
    EXPECT_TRUE(DeleteCleanupBackup(result.backupFolder).empty());
    EXPECT_FALSE(DirectoryExists(result.backupFolder));
    EXPECT_EQ(ImageOf(outside.path()), before);
    // A folder that is not a clean-up's is never touched.
    EXPECT_EQ(DeleteCleanupBackup(outside.path()).at(0).reason, Reason::NotACleanup);
    EXPECT_TRUE(FileExists(outside.path() + L"precious.txt"));
}

// A key the user may read but not delete is listed, stays, says why and stays checked.
TEST_F(CleanupRestore, AKeyThatMayNotBeDeletedStaysWithItsReason) {
    const std::wstring locked = program_.keyPath + L"\\Locked\\" + program_.name;
    program_.Value(L"Locked\\" + program_.name, L"Value", REG_SZ, TextBytes(L"x"));
    // Everyone may read it, nobody may delete it.
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof everyone;
    ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize));
    EXPLICIT_ACCESS_W read{};
    read.grfAccessPermissions = KEY_READ | WRITE_DAC;
    read.grfAccessMode = SET_ACCESS;
    read.grfInheritance = NO_INHERITANCE;
    read.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    read.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    read.Trustee.ptstrName = reinterpret_cast<wchar_t*>(everyone);
    UniqueLocal<ACL> acl;
    ASSERT_EQ(SetEntriesInAclW(1, &read, nullptr, acl.put()), static_cast<DWORD>(ERROR_SUCCESS));
    {
        UniqueHKey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, locked.c_str(), 0, WRITE_DAC, key.put()), ERROR_SUCCESS);
        ASSERT_EQ(SetSecurityInfo(key.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, acl.get(), nullptr),
                  static_cast<DWORD>(ERROR_SUCCESS));
    }
    acl.reset();

    std::vector<ScanNode> keys = ScanRegistryKey(HKEY_CURRENT_USER, L"SOFTWARE", program_.name);
    const std::wstring lockedText = L"HKEY_CURRENT_USER\\SOFTWARE\\" + program_.name + L"\\Locked\\" + program_.name;
    ASSERT_TRUE(NodeOf(keys, lockedText)) << "a key that may only be read is still offered";
    NodeOf(keys, program_.KeyText())->state = kUnchecked;  // only the locked one
    for (ScanNode& value : NodeOf(keys, program_.KeyText())->children) value.state = kUnchecked;
    std::vector<ScanNode> files;
    const CleanupResult result = CleanRemains(keys, files, {backups_.path(), program_.name, L""});
    const ItemOutcome* outcome = OutcomeOf(result.keyOutcomes, lockedText);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->done);
    EXPECT_EQ(outcome->reason, Reason::AccessDenied);
    EXPECT_TRUE(KeyThere(locked));
    ScanNode* node = NodeOf(keys, lockedText);
    ASSERT_TRUE(node);
    EXPECT_EQ(node->state, kChecked);
    EXPECT_EQ(node->children.size(), 1u);
    EXPECT_NE(CleanupMessage(result.Outcomes()).find(lockedText + L": " + LangText(IDS_MESSAGEBOX_REASON_AccessDenied)),
              std::wstring::npos);

    // Open again for everyone, so the scratch key can go.
    UniqueHKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, locked.c_str(), 0, WRITE_DAC, key.put()), ERROR_SUCCESS);
    SetSecurityInfo(key.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr);
}
