// The registry files of the backups against what Wine's own registry editor writes for the same
// key, and the full backup of Uninstall keys on the real registry and files of the test prefix.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <algorithm>
#include <set>

#include "backup/fullBackup.h"
#include "backup/regFile.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using namespace purgeon::backup;
using namespace purgeon::test;

namespace {

const std::wstring kScratch = L"Software\\PurgeonBackupTest";

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(p, p + size);
}
std::vector<BYTE> StringBytes(const std::wstring& text, bool terminated = true) {
    return Bytes(text.c_str(), (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

void MakeKey(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS)
        << path;
}

void SetValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS)
        << name;
}

// What `regedit /e` writes for a key; empty when it wrote nothing.
std::string EditorExport(const std::wstring& keyText, const std::wstring& file) {
    DeleteFileW(file.c_str());
    std::wstring quoted;  // a quote inside the argument is escaped as the command-line rules say
    for (wchar_t c : keyText) quoted += c == L'"' ? std::wstring(L"\\\"") : std::wstring(1, c);
    std::wstring command = L"regedit.exe /e \"" + file + L"\" \"" + quoted + L"\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return {};
    UniqueHandle process(info.hProcess), thread(info.hThread);
    WaitForSingleObject(process.get(), 30000);
    return ReadFileBytes(file);
}


// The first line naming a key in a .reg file.
std::wstring FirstKeyLine(const std::wstring& text) {
    const size_t open = text.find(L"\r\n[");
    if (open == std::wstring::npos) return L"";
    return text.substr(open + 2, text.find(L"\r\n", open + 2) - open - 2);
}

// Reports where two byte strings first differ, as text around it.
std::string FirstDifference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    if (i == a.size() && i == b.size()) return "";
    auto around = [&](const std::string& s) {
        const size_t from = i > 80 ? (i - 80) & ~size_t{1} : 0;
        std::wstring part(reinterpret_cast<const wchar_t*>(s.data() + from), (std::min(s.size(), from + 200) - from) / 2);
        return ToUtf8(part);
    };
    return "at byte " + std::to_string(i) + "\n--- ours:\n" + around(a) + "\n--- editor's:\n" + around(b);
}

class RegFile : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()); }

    void ExpectSameAsEditor(const std::wstring& path) {
        const std::wstring keyText = L"HKEY_CURRENT_USER\\" + path;
        const std::string theirs = EditorExport(keyText, files_.path() + L"editor.reg");
        ASSERT_FALSE(theirs.empty()) << "the editor wrote nothing for " << ToUtf8(keyText);
        LSTATUS error = ERROR_SUCCESS;
        std::optional<std::wstring> ours = RegFileText(HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", path, &error);
        ASSERT_TRUE(ours) << error;
        const std::string mine = Utf16Bytes(*ours);
        EXPECT_EQ(mine.size(), theirs.size());
        EXPECT_TRUE(mine == theirs) << FirstDifference(mine, theirs);
    }

    ScratchFolder files_{L"regfile"};
};

TEST_F(RegFile, EveryValueTypeAndAwkwardNamesAsTheEditorWritesThem) {
    const std::wstring app = kScratch + L"\\App";
    SetValue(HKEY_CURRENT_USER, app, L"", REG_SZ, StringBytes(L"default text"));
    SetValue(HKEY_CURRENT_USER, app, L"Plain", REG_SZ, StringBytes(L"C:\\Program Files\\App \"quoted\""));
    SetValue(HKEY_CURRENT_USER, app, L"Empty", REG_SZ, StringBytes(L""));
    SetValue(HKEY_CURRENT_USER, app, L"Unicode \u00e9\u4e2d", REG_SZ, StringBytes(L"\u00fcber \u65e5\u672c"));
    SetValue(HKEY_CURRENT_USER, app, L"Two\r\nLines", REG_SZ, StringBytes(L"one\r\ntwo\nthree\r"));
    SetValue(HKEY_CURRENT_USER, app, L"Name \"with\" \\ marks = [and] @", REG_SZ, StringBytes(L"x=y"));
    SetValue(HKEY_CURRENT_USER, app, L"=", REG_SZ, StringBytes(L"="));
    SetValue(HKEY_CURRENT_USER, app, L"Expand", REG_EXPAND_SZ, StringBytes(L"%ProgramFiles%\\App"));
    SetValue(HKEY_CURRENT_USER, app, L"ExpandEmpty", REG_EXPAND_SZ, {});
    const wchar_t multi[] = L"first\0second\0\u00e9\0";
    SetValue(HKEY_CURRENT_USER, app, L"Multi", REG_MULTI_SZ, Bytes(multi, sizeof multi));
    std::vector<BYTE> longBinary(300);
    for (size_t i = 0; i < longBinary.size(); ++i) longBinary[i] = static_cast<BYTE>(i * 7);
    SetValue(HKEY_CURRENT_USER, app, L"Binary", REG_BINARY, longBinary);
    SetValue(HKEY_CURRENT_USER, app, L"NoBytes", REG_BINARY, {});
    const DWORD dword = 0xabcd0042;
    SetValue(HKEY_CURRENT_USER, app, L"Dword", REG_DWORD, Bytes(&dword, sizeof dword));
    SetValue(HKEY_CURRENT_USER, app, L"BigEndian", REG_DWORD_BIG_ENDIAN, Bytes(&dword, sizeof dword));
    const ULONGLONG qword = 0x0123456789abcdefULL;
    SetValue(HKEY_CURRENT_USER, app, L"Qword", REG_QWORD, Bytes(&qword, sizeof qword));
    SetValue(HKEY_CURRENT_USER, app, L"None", REG_NONE, {1, 2, 3});
    SetValue(HKEY_CURRENT_USER, app, L"NoneEmpty", REG_NONE, {});
    SetValue(HKEY_CURRENT_USER, app, L"Link", REG_LINK, StringBytes(L"\\Registry\\Machine"));
    SetValue(HKEY_CURRENT_USER, app, L"OddType", 0x12345, {0xff, 0});
    // Hex lines wrap at a column that depends on the name's length: every length around it.
    for (int length = 1; length <= 40; ++length)
        SetValue(HKEY_CURRENT_USER, app, std::wstring(static_cast<size_t>(length), L'w'), REG_BINARY,
                 std::vector<BYTE>(static_cast<size_t>(30 + length), static_cast<BYTE>(length)));
    SetValue(HKEY_CURRENT_USER, app + L"\\Sub\\Deeper", L"Level", REG_DWORD, Bytes(&dword, sizeof dword));
    MakeKey(HKEY_CURRENT_USER, app + L"\\EmptySub");
    MakeKey(HKEY_CURRENT_USER, app + L"\\Sub\\Empty too");
    SetValue(HKEY_CURRENT_USER, app + L"\\Key \"quoted\" [x] = \u00e9\u4e2d", L"In", REG_SZ, StringBytes(L"odd key"));
    SetValue(HKEY_CURRENT_USER, app + L"\\{8A69D345-D564-463C-AFF1-A69D9E530F96}", L"", REG_SZ, StringBytes(L"guid"));
    ExpectSameAsEditor(app);
}

TEST_F(RegFile, AnEmptyKeyAndAKeyWithOnlyADefaultValue) {
    MakeKey(HKEY_CURRENT_USER, kScratch + L"\\Bare");
    ExpectSameAsEditor(kScratch + L"\\Bare");
    SetValue(HKEY_CURRENT_USER, kScratch + L"\\Default", L"", REG_SZ, StringBytes(L""));
    ExpectSameAsEditor(kScratch + L"\\Default");
}

TEST_F(RegFile, StringsTheEditorWouldCutShortAreKeptWholeAndLoadBack) {
    const std::wstring path = kScratch + L"\\Broken";
    SetValue(HKEY_CURRENT_USER, path, L"Unterminated", REG_SZ, StringBytes(L"abc", false));
    const wchar_t inner[] = L"a\0b";
    SetValue(HKEY_CURRENT_USER, path, L"InnerNul", REG_SZ, Bytes(inner, sizeof inner));
    SetValue(HKEY_CURRENT_USER, path, L"ShortDword", REG_DWORD, {1, 2});
    RegistryImage before;
    {
        UniqueHKey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
        AddImage(before, key.get(), L"");
    }
    std::optional<std::wstring> text = RegFileText(HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", path);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find(L"\"InnerNul\"=hex(1):61,00,00,00,62,00,00,00\r\n"), std::wstring::npos) << ToUtf8(*text);
    EXPECT_NE(text->find(L"\"ShortDword\"=hex(4):01,02\r\n"), std::wstring::npos);
    const std::wstring file = files_.path() + L"broken.reg";
    ASSERT_EQ(WriteUtf16File(file, *text), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()), ERROR_SUCCESS);
    ASSERT_TRUE(LoadWithRegedit(file));
    RegistryImage after;
    UniqueHKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
    AddImage(after, key.get(), L"");
    EXPECT_EQ(after, before);
}

TEST_F(RegFile, AMissingKeyGivesItsError) {
    LSTATUS error = ERROR_SUCCESS;
    EXPECT_FALSE(RegFileText(HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", kScratch + L"\\Nothing", &error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

TEST(SafeFileNames, NamesThatCanBeFilesStayAndTheOthersGetOneSafeUniqueName) {
    const std::vector<std::wstring> keys = {
        L"App1", L"{8A69D345-D564-463C-AFF1-A69D9E530F96}", L"A:B", L"A%3AB", L"a%3Ab", L"CON", L"con.txt",
        L"Com1", L"LPT9.log", L"NUL .txt", L"CONSOLE", L"Trailing.", L"Trailing ", L"Trailing%2E", L"Q?\"<>|*/",
        L"Tab\there", L"\u00dcn\u00ef \u4e2d\u6587", L"COM\u00b9", L"...", std::wstring(255, L'x'),
        std::wstring(250, L'x') + L"yyyyy",
        // Escapes make these longer than any file name: cut after escaping, never inside one.
        std::wstring(200, L'*'), std::wstring(81, L'a') + std::wstring(100, L'?'),
        std::wstring(230, L'b') + std::wstring(40, L'.'), std::wstring(239, L'c') + L"." + std::wstring(10, L'*')};
    const std::vector<std::wstring> names = SafeFileNames(keys);
    ASSERT_EQ(names.size(), keys.size());
    EXPECT_EQ(names[0], L"App1");
    EXPECT_EQ(names[1], keys[1]);
    EXPECT_EQ(names[2], L"A%3AB (2)") << "A%3AB is a real key's own name";
    EXPECT_EQ(names[3], L"A%3AB");
    EXPECT_EQ(names[5], L"CO%4E");
    EXPECT_EQ(names[6], L"co%6E.txt");
    EXPECT_EQ(names[7], L"Com%31");
    EXPECT_EQ(names[8], L"LPT%39.log");
    EXPECT_EQ(names[9], L"NU%4C .txt");
    EXPECT_EQ(names[10], L"CONSOLE");
    EXPECT_EQ(names[11], L"Trailing%2E (2)");
    EXPECT_EQ(names[12], L"Trailing%20");
    EXPECT_EQ(names[14], L"Q%3F%22%3C%3E%7C%2A%2F");
    EXPECT_EQ(names[15], L"Tab%09here");
    EXPECT_EQ(names[16], keys[16]);
    EXPECT_EQ(names[17], L"COM%B9");
    EXPECT_EQ(names[18], L"%2E%2E%2E");
    EXPECT_EQ(names[21], L"%2A" + std::wstring(names[21].substr(3)));
    EXPECT_EQ(names[21].size(), 240u - 240u % 3) << "whole escapes only";
    EXPECT_EQ(names[22].substr(0, 84), std::wstring(81, L'a') + L"%3F");
    EXPECT_EQ(names[23], std::wstring(230, L'b') + L"%2E%2E%2E");
    EXPECT_EQ(names[24], std::wstring(239, L'c')) << "no trailing dot once cut";
    std::set<std::wstring> folded;
    for (const std::wstring& name : names) {
        EXPECT_TRUE(IsUsableFileName(name)) << ToUtf8(name);
        std::wstring upper = name;
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
        EXPECT_TRUE(folded.insert(upper).second) << "two keys share " << ToUtf8(name);
        EXPECT_LE(name.size() + 4, 255u);
    }
}

// Three scratch Uninstall keys standing for the three sources.
class FullBackup : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()); }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
    }
    UninstallSource Source(const std::wstring& name, const std::wstring& folder = L"") {
        return {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", kScratch + L"\\" + name, folder};
    }
    void AddProgram(const std::wstring& source, const std::wstring& key) {
        SetValue(HKEY_CURRENT_USER, kScratch + L"\\" + source + L"\\" + key, L"DisplayName", REG_SZ,
                 StringBytes(L"Program " + key));
        SetValue(HKEY_CURRENT_USER, kScratch + L"\\" + source + L"\\" + key, L"UninstallString", REG_SZ,
                 StringBytes(L"C:\\x\\uninst.exe /S"));
    }
    std::vector<std::wstring> FilesIn(const std::wstring& folder) {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        UniqueFindHandle find(FindFirstFileW((folder + L"*.reg").c_str(), &found));
        if (!find) return names;
        do names.push_back(found.cFileName);
        while (FindNextFileW(find.get(), &found));
        std::sort(names.begin(), names.end());
        return names;
    }

    ScratchFolder dir_{L"fullbackup"};
};

TEST_F(FullBackup, ThreeKeysOneKeyNoKey) {
    for (const wchar_t* key : {L"App1", L"App2", L"App3"}) AddProgram(L"Three", key);
    AddProgram(L"One", L"Only");
    MakeKey(HKEY_CURRENT_USER, kScratch + L"\\None");

    std::vector<std::pair<size_t, size_t>> steps;
    auto progress = [&](size_t done, size_t total) {
        steps.emplace_back(done, total);
        return true;
    };
    BackupResult three = BackUpUninstallKeys({Source(L"Three")}, dir_.path() + L"three", progress);
    EXPECT_TRUE(three.AllSaved());
    EXPECT_EQ(three.folder, dir_.path() + L"three\\");
    ASSERT_EQ(three.keys.size(), 3u);
    EXPECT_EQ(steps, (std::vector<std::pair<size_t, size_t>>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(FilesIn(three.folder), (std::vector<std::wstring>{L"App1.reg", L"App2.reg", L"App3.reg"}));
    for (const KeyBackup& key : three.keys) {
        EXPECT_EQ(key.file, three.folder + key.keyName + L".reg");
        EXPECT_EQ(FirstKeyLine(ReadUtf16File(key.file)), L"[HKEY_CURRENT_USER\\" + kScratch + L"\\Three\\" + key.keyName + L"]");
    }
    EXPECT_EQ(BackupOutcomeText(three), L"Backup registry info successfully");

    steps.clear();
    BackupResult one = BackUpUninstallKeys({Source(L"One")}, dir_.path() + L"one", progress);
    EXPECT_TRUE(one.AllSaved());
    EXPECT_EQ(steps, (std::vector<std::pair<size_t, size_t>>{{1, 1}}));
    EXPECT_EQ(FilesIn(one.folder), std::vector<std::wstring>{L"Only.reg"});

    steps.clear();
    BackupResult none = BackUpUninstallKeys({Source(L"None"), Source(L"Missing")}, dir_.path() + L"none", progress);
    EXPECT_TRUE(none.keys.empty());
    EXPECT_TRUE(steps.empty());
    EXPECT_NE(BackupOutcomeText(none), L"Backup registry info successfully");
}

TEST_F(FullBackup, EachSourceInItsFolderAndAMissingFolderIsCreated) {
    AddProgram(L"Machine", L"Same");
    AddProgram(L"Wow", L"Same");
    AddProgram(L"User", L"Same");
    AddProgram(L"User", L"Own");
    const std::wstring folder = dir_.path() + L"not\\there\\yet\\";
    BackupResult result = BackUpUninstallKeys(
        {Source(L"Machine"), Source(L"Wow", L"WOW6432Node"), Source(L"User", L"HKEY_CURRENT_USER")}, folder);
    ASSERT_TRUE(result.AllSaved());
    ASSERT_EQ(result.keys.size(), 4u);
    EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{L"Same.reg"});
    EXPECT_EQ(FilesIn(folder + L"WOW6432Node\\"), std::vector<std::wstring>{L"Same.reg"});
    EXPECT_EQ(FilesIn(folder + L"HKEY_CURRENT_USER\\"), (std::vector<std::wstring>{L"Own.reg", L"Same.reg"}));
    EXPECT_EQ(FirstKeyLine(ReadUtf16File(folder + L"WOW6432Node\\Same.reg")),
              L"[HKEY_CURRENT_USER\\" + kScratch + L"\\Wow\\Same]");
}

TEST_F(FullBackup, AwkwardKeyNamesGetOneFileEachAndTheEditorsContent) {
    const std::vector<std::wstring> keys = {L"A:B", L"A%3AB", L"CON", L"con.txt", L"Trailing.", L"Trailing ",
                                            L"Q?\"<>|*/", L"\u00dcn\u00ef \u4e2d\u6587", std::wstring(255, L'x')};
    for (const std::wstring& key : keys) AddProgram(L"Odd", key);
    BackupResult result = BackUpUninstallKeys({Source(L"Odd")}, dir_.path());
    ASSERT_TRUE(result.AllSaved()) << ToUtf8(BackupOutcomeText(result));
    ASSERT_EQ(result.keys.size(), keys.size());
    EXPECT_EQ(FilesIn(dir_.path()).size(), keys.size());
    std::set<std::wstring> files;
    for (const KeyBackup& key : result.keys) {
        EXPECT_TRUE(files.insert(key.file).second);
        const std::wstring keyText = L"HKEY_CURRENT_USER\\" + kScratch + L"\\Odd\\" + key.keyName;
        const std::string ours = ReadFileBytes(key.file.size() >= MAX_PATH ? L"\\\\?\\" + key.file : key.file);
        ASSERT_FALSE(ours.empty()) << ToUtf8(key.file);
        const std::string theirs = EditorExport(keyText, dir_.path() + L"editor.out");
        EXPECT_TRUE(ours == theirs) << ToUtf8(key.keyName) << " " << FirstDifference(ours, theirs);
    }
}

// A key whose security lets nobody read it.
void LockKey(const std::wstring& path) {
    UniqueHKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, key.put()), ERROR_SUCCESS);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    EXPLICIT_ACCESSW deny{};
    deny.grfAccessPermissions = KEY_READ;
    deny.grfAccessMode = DENY_ACCESS;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    UniqueLocal<ACL> acl;
    ASSERT_EQ(SetEntriesInAclW(1, &deny, nullptr, acl.put()), ERROR_SUCCESS);
    SECURITY_DESCRIPTOR descriptor{};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl.get(), FALSE);
    EXPECT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    FreeSid(everyone);
}

void UnlockKey(const std::wstring& path) {
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, key.put()) != ERROR_SUCCESS) return;
    SECURITY_DESCRIPTOR descriptor{};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);  // everyone may do everything
    RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor);
}

TEST_F(FullBackup, AKeyThatCannotBeReadFailsWithItsReasonAndTheOthersAreSaved) {
    for (const wchar_t* key : {L"Before", L"Locked", L"After"}) AddProgram(L"Some", key);
    const std::wstring locked = kScratch + L"\\Some\\Locked";
    LockKey(locked);
    UniqueHKey probe;
    const LSTATUS denied = RegOpenKeyExW(HKEY_CURRENT_USER, locked.c_str(), 0, KEY_READ, probe.put());
    probe.reset();
    if (denied == ERROR_SUCCESS) {
        UnlockKey(locked);
        GTEST_SKIP() << "this system lets the key be read despite its security";
    }
    BackupResult result = BackUpUninstallKeys({Source(L"Some")}, dir_.path());
    UnlockKey(locked);
    EXPECT_FALSE(result.AllSaved());
    ASSERT_EQ(result.keys.size(), 3u);
    EXPECT_EQ(result.SavedCount(), 2u);
    for (const KeyBackup& key : result.keys) {
        if (key.keyName != L"Locked") {
            EXPECT_TRUE(key.saved);
            EXPECT_TRUE(FileExists(key.file));
            continue;
        }
        EXPECT_FALSE(key.saved);
        EXPECT_EQ(key.reason, SystemErrorText(static_cast<DWORD>(denied)));
        EXPECT_FALSE(FileExists(dir_.path() + L"Locked.reg"));
    }
    const std::wstring message = BackupOutcomeText(result);
    EXPECT_NE(message.find(L"\\Some\\Locked: " + SystemErrorText(static_cast<DWORD>(denied))), std::wstring::npos)
        << ToUtf8(message);
}

TEST_F(FullBackup, AFileThatCannotBeWrittenFailsWithItsReason) {
    AddProgram(L"Some", L"Blocked");
    AddProgram(L"Some", L"Fine");
    ASSERT_TRUE(CreateDirectoryW((dir_.path() + L"Blocked.reg").c_str(), nullptr));
    BackupResult result = BackUpUninstallKeys({Source(L"Some")}, dir_.path());
    ASSERT_EQ(result.keys.size(), 2u);
    EXPECT_FALSE(result.AllSaved());
    EXPECT_EQ(result.SavedCount(), 1u);
    for (const KeyBackup& key : result.keys)
        if (key.keyName == L"Blocked") {
            EXPECT_FALSE(key.reason.empty());
        }
}

TEST_F(FullBackup, StoppingAfterAFileKeepsWhatWasWrittenAndIsNoSuccess) {
    for (int i = 0; i < 30; ++i) AddProgram(L"Many", Format(L"App%02d", i));
    BackupResult result =
        BackUpUninstallKeys({Source(L"Many")}, dir_.path(), [](size_t done, size_t) { return done < 1; });
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.AllSaved());
    // The files already on their way are finished; the rest are not begun.
    EXPECT_GE(result.keys.size(), 1u);
    EXPECT_LE(result.keys.size(), 8u);
}

// The command line, against the machine's real Uninstall key of the test prefix.
class BackupCommand : public ::testing::Test {
protected:
    static constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    void SetUp() override {
        for (const std::wstring& key : keys_) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kUninstall + key).c_str());
            SetValue(HKEY_LOCAL_MACHINE, kUninstall + key, L"DisplayName", REG_SZ, StringBytes(L"Backup test " + key));
        }
    }
    void TearDown() override {
        for (const std::wstring& key : keys_) RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kUninstall + key).c_str());
    }
    std::vector<std::wstring> keys_ = {L"PurgeonBackupCli1", L"PurgeonBackupCli:2"};
    ScratchFolder dir_{L"backupcli"};
};

std::vector<std::vector<std::wstring>> Records(const std::string& output) {
    std::vector<std::vector<std::wstring>> records;
    const std::wstring text = FromUtf8(output);
    size_t start = 0;
    for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        std::vector<std::wstring> fields;
        const std::wstring line = text.substr(start, end - start);
        size_t from = 0;
        for (size_t tab; (tab = line.find(L'\t', from)) != std::wstring::npos; from = tab + 1)
            fields.push_back(line.substr(from, tab - from));
        fields.push_back(line.substr(from));
        records.push_back(fields);
    }
    return records;
}

TEST_F(BackupCommand, PrintsEveryKeySavedWithItsFileAndExitsZero) {
    DWORD code = 99;
    const std::wstring folder = dir_.path() + L"out";
    const std::string output = CaptureOutput(BinDir() + L"Purgeon.exe", L"/backup \"" + folder + L"\"", &code);
    EXPECT_EQ(code, 0u) << output;
    std::set<std::wstring> seen;
    for (const auto& record : Records(output)) {
        ASSERT_EQ(record.size(), 3u) << output;
        EXPECT_EQ(record[0], L"saved");
        EXPECT_EQ(record[2].rfind(folder + L"\\", 0), 0u) << ToUtf8(record[2]);
        EXPECT_TRUE(FileExists(record[2])) << ToUtf8(record[2]);
        seen.insert(record[1]);
    }
    for (const std::wstring& key : keys_) EXPECT_EQ(seen.count(key), 1u) << ToUtf8(key);
    EXPECT_TRUE(FileExists(folder + L"\\PurgeonBackupCli1.reg"));
    EXPECT_TRUE(FileExists(folder + L"\\PurgeonBackupCli%3A2.reg"));
    EXPECT_EQ(FirstKeyLine(ReadUtf16File(folder + L"\\PurgeonBackupCli%3A2.reg")),
              L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PurgeonBackupCli:2]");
}

TEST_F(BackupCommand, AKeyNotSavedIsPrintedWithItsReasonAndExitsTwo) {
    const std::wstring folder = dir_.path() + L"out\\";
    ForceDirectories(folder);
    ASSERT_TRUE(CreateDirectoryW((folder + L"PurgeonBackupCli1.reg").c_str(), nullptr));
    DWORD code = 99;
    const std::string output = CaptureOutput(BinDir() + L"Purgeon.exe", L"/backup \"" + folder + L".\"", &code);
    EXPECT_EQ(code, 2u) << output;
    bool failed = false;
    for (const auto& record : Records(output)) {
        ASSERT_EQ(record.size(), 3u);
        if (record[1] != L"PurgeonBackupCli1") continue;
        failed = true;
        EXPECT_EQ(record[0], L"failed");
        EXPECT_FALSE(record[2].empty());
    }
    EXPECT_TRUE(failed) << output;
}

}  // namespace
