// Saving checked registry remains into a .reg file and loading it back with the system's own
// registry editor: every value type must come back byte for byte, keys with all below them.
#include <gtest/gtest.h>

#include <map>

#include "cleanup/cleanupBackup.h"
#include "cleanup/regBackup.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/findings.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using namespace purgeon::cleanup;
using namespace purgeon::remains;
using namespace purgeon::test;

namespace {

const std::wstring kScratch = L"Software\\PurgeonRegBackupTest";
const std::wstring kScratchText = L"HKEY_CURRENT_USER\\" + kScratch;

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(p, p + size);
}
std::vector<BYTE> StringBytes(const std::wstring& text, bool terminated = true) {
    return Bytes(text.c_str(), (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

void SetValue(const std::wstring& path, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS)
        << name;
}

// Every key below path (relative to it) with its values' types and bytes.
using Snapshot = std::map<std::wstring, std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>>;
void TakeSnapshot(const std::wstring& path, const std::wstring& relative, Snapshot& out) {
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    auto& values = out[relative];
    for (const RegValue& value : ReadRegValues(key.get())) values[value.name] = {value.type, value.data};
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        TakeSnapshot(path + L"\\" + name, relative + L"\\" + name, out);
    }
}
Snapshot TakeSnapshot(const std::wstring& path) {
    Snapshot out;
    TakeSnapshot(path, L"", out);
    return out;
}

class RegBackup : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
        const std::wstring app = kScratch + L"\\App";
        SetValue(app, L"", REG_SZ, StringBytes(L"default text"));
        SetValue(app, L"Plain", REG_SZ, StringBytes(L"C:\\Program Files\\App \"quoted\""));
        SetValue(app, L"Empty", REG_SZ, StringBytes(L""));
        SetValue(app, L"Unicode \u00e9\u4e2d", REG_SZ, StringBytes(L"\u00fcber \u65e5\u672c"));
        SetValue(app, L"Two\r\nLines", REG_SZ, StringBytes(L"one\r\ntwo"));
        SetValue(app, L"Unterminated", REG_SZ, StringBytes(L"abc", false));
        SetValue(app, L"Name \"with\" \\ marks", REG_SZ, StringBytes(L"x"));
        SetValue(app, L"Expand", REG_EXPAND_SZ, StringBytes(L"%ProgramFiles%\\App"));
        const wchar_t multi[] = L"first\0second\0\u00e9\0";
        SetValue(app, L"Multi", REG_MULTI_SZ, Bytes(multi, sizeof multi));
        std::vector<BYTE> longBinary(300);
        for (size_t i = 0; i < longBinary.size(); ++i) longBinary[i] = static_cast<BYTE>(i * 7);
        SetValue(app, L"Binary", REG_BINARY, longBinary);
        SetValue(app, L"NoBytes", REG_BINARY, {});
        const DWORD dword = 0xabcd0042;
        SetValue(app, L"Dword", REG_DWORD, Bytes(&dword, sizeof dword));
        const ULONGLONG qword = 0x0123456789abcdefULL;
        SetValue(app, L"Qword", REG_QWORD, Bytes(&qword, sizeof qword));
        SetValue(app, L"None", REG_NONE, {1, 2, 3});
        SetValue(app + L"\\Sub\\Deeper", L"Level", REG_DWORD, Bytes(&dword, sizeof dword));
        UniqueHKey empty;
        RegCreateKeyExW(HKEY_CURRENT_USER, (app + L"\\EmptySub").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        empty.put(), nullptr);
        SetValue(kScratch + L"\\Kept", L"Saved", REG_SZ, StringBytes(L"saved"));
        SetValue(kScratch + L"\\Kept", L"Unsaved", REG_SZ, StringBytes(L"unsaved"));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()); }

    // As the scan offers them: App checked whole, Kept partly checked with one value checked.
    std::vector<ScanNode> Findings() const {
        ScanNode app{kScratchText + L"\\App", kChecked, {}};
        ScanNode kept{kScratchText + L"\\Kept", kPartlyChecked, {}};
        kept.children.push_back({kScratchText + L"\\Kept\\Saved", kChecked, {}});
        kept.children.push_back({kScratchText + L"\\Kept\\Unsaved", kUnchecked, {}});
        return KeyFindings({app, kept});
    }

    // The registry part of a clean-up's backup made under `root`, as a clean-up makes it: the
    // editor's file, an empty path when nothing checked was there to save, nothing on failure.
    static std::optional<std::wstring> SaveRemainsBackup(const std::wstring& root, const std::vector<ScanNode>& keys) {
        DWORD error = ERROR_SUCCESS;
        std::optional<CleanupBackup> backup = CleanupBackup::Begin(root, L"RegBackup", L"", &error);
        if (!backup || !backup->SaveRegistry(SnapshotRegistry(keys), keys)) return std::nullopt;
        const std::wstring file = backup->Folder() + kRemainsBackupFile;
        return FileExists(file) ? file : std::wstring();
    }

    ScratchFolder backups_{L"regbackup"};
};

TEST_F(RegBackup, CheckedKeysAndValuesComeBackByteForByte) {
    const Snapshot before = TakeSnapshot(kScratch + L"\\App");
    ASSERT_GE(before.size(), 4u);
    ASSERT_EQ(before.at(L"").size(), 14u);

    std::optional<std::wstring> file = SaveRemainsBackup(backups_.path(), Findings());
    ASSERT_TRUE(file && !file->empty());
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()), ERROR_SUCCESS);

    ASSERT_TRUE(LoadWithRegedit(*file));
    EXPECT_EQ(TakeSnapshot(kScratch + L"\\App"), before);
    Snapshot kept = TakeSnapshot(kScratch + L"\\Kept");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[L""].count(L"Saved"), 1u);
    EXPECT_EQ(kept[L""].count(L"Unsaved"), 0u) << "an unchecked value was saved";
}

TEST_F(RegBackup, FileIsInTheEditorsOwnFormUnderADatedFolder) {
    std::optional<std::wstring> file = SaveRemainsBackup(backups_.path(), Findings());
    ASSERT_TRUE(file && !file->empty());
    EXPECT_EQ(ExtractFileName(*file), kRemainsBackupFile);
    const std::wstring folder = ExtractFileName(ExcludeTrailingBackslash(ExtractFilePath(*file)));
    ASSERT_EQ(folder.size(), 19u) << folder;  // yyyy-mm-dd hh-mm-ss
    EXPECT_EQ(folder[4], L'-');
    EXPECT_EQ(folder[10], L' ');
    EXPECT_EQ(ExtractFilePath(ExcludeTrailingBackslash(ExtractFilePath(*file))), backups_.path());

    const std::string bytes = ReadFileBytes(*file);
    ASSERT_GE(bytes.size(), 2u);
    ASSERT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE"));
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    EXPECT_EQ(text.rfind(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\", 0), 0u);
    EXPECT_NE(text.find(L"\"Dword\"=dword:abcd0042\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"@=\"default text\"\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"Plain\"=\"C:\\\\Program Files\\\\App \\\"quoted\\\"\"\r\n"), std::wstring::npos);
    // Keys before their subkeys; no line longer than the editor writes them.
    EXPECT_LT(text.find(L"\\App]"), text.find(L"\\App\\Sub]"));
    EXPECT_LT(text.find(L"\\App\\Sub]"), text.find(L"\\App\\Sub\\Deeper]"));
    size_t start = 0, longest = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        longest = std::max(longest, end - start);
    EXPECT_LE(longest, 80u);
    EXPECT_EQ(text.substr(text.size() - 4), L"\r\n\r\n");
}

TEST_F(RegBackup, NothingCheckedOrNothingLeftWritesNoFile) {
    std::vector<ScanNode> findings = Findings();
    findings[0].state = kUnchecked;
    findings[1].children[0].state = kUnchecked;
    std::optional<std::wstring> file = SaveRemainsBackup(backups_.path(), findings);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->empty());

    std::vector<ScanNode> gone = KeyFindings({{kScratchText + L"\\NoSuchKey", kChecked, {}}});
    file = SaveRemainsBackup(backups_.path(), gone);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->empty());
}

TEST_F(RegBackup, AnUnwritableBackupFolderIsAFailure) {
    const std::wstring blocker = backups_.path() + L"file";
    WriteFileBytes(blocker, "x");
    EXPECT_FALSE(SaveRemainsBackup(blocker, Findings()));
}

TEST(RegFormat, ValueLines) {
    EXPECT_EQ(EscapeRegString(L"a\\b\"c"), L"a\\\\b\\\"c");
    const DWORD dword = 42;
    EXPECT_EQ(FormatRegValue({L"", REG_DWORD, Bytes(&dword, 4)}), L"@=dword:0000002a\r\n");
    EXPECT_EQ(FormatRegValue({L"e", REG_EXPAND_SZ, StringBytes(L"%A%")}),
              L"\"e\"=hex(2):25,00,41,00,25,00,00,00\r\n");
    EXPECT_EQ(FormatRegValue({L"b", REG_BINARY, {}}), L"\"b\"=hex:\r\n");
    // Line breaks are escaped, as the editor writes and reads them.
    EXPECT_EQ(FormatRegValue({L"s\r", REG_SZ, StringBytes(L"a\nb")}), L"\"s\\r\"=\"a\\nb\"\r\n");
    EXPECT_EQ(FormatRegValue({L"s", REG_SZ, StringBytes(L"ab", false)}), L"\"s\"=hex(1):61,00,62,00\r\n");
    const std::wstring wrapped = FormatRegValue({L"long", REG_BINARY, std::vector<BYTE>(40, 0xab)});
    EXPECT_EQ(wrapped.substr(0, 12), L"\"long\"=hex:a");
    EXPECT_NE(wrapped.find(L",\\\r\n  ab,"), std::wstring::npos);
}

}  // namespace
