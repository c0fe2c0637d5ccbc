// `Purgeon.exe /list`: the catalogue printed through the real component, as UTF-8 lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using namespace purgeon::test;

namespace {

constexpr wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// An entry of the machine's Uninstall key, of its 32-bit view (KEY_WOW64_32KEY) or of the
// current user's (HKEY_CURRENT_USER).
struct SeededEntry {
    explicit SeededEntry(const std::wstring& keyName, HKEY root = HKEY_LOCAL_MACHINE, REGSAM view = KEY_WOW64_64KEY)
        : path(kUninstall + keyName), root(root), view(view) {
        RegDeleteKeyExW(root, path.c_str(), view, 0);
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, key.put(), nullptr);
    }
    ~SeededEntry() {
        key.reset();
        RegDeleteKeyExW(root, path.c_str(), view, 0);
    }
    SeededEntry& Set(const wchar_t* name, const std::wstring& text) {
        RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        return *this;
    }
    std::wstring path;
    HKEY root;
    REGSAM view;
    UniqueHKey key;
};

std::vector<std::vector<std::string>> ParseLines(const std::string& output) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream stream(output);
    std::string line;
    while (std::getline(stream, line)) {
        std::vector<std::string> fields;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        fields.push_back(line.substr(start));
        lines.push_back(fields);
    }
    return lines;
}

const std::vector<std::string>* FindByKey(const std::vector<std::vector<std::string>>& lines, const std::string& key) {
    for (const auto& fields : lines)
        if (fields.size() == 8 && fields[3] == key) return &fields;
    return nullptr;
}

}  // namespace

TEST(ListCommand, PrintsEveryProgramOnOneUtf8LineWithItsFields) {
    SeededEntry plain(L"PurgeonListPlain");
    plain.Set(L"DisplayName", L"Plain Program").Set(L"Publisher", L"Acme\tWorks")
        .Set(L"InstallLocation", L"C:\\Program Files\\Plain\\").Set(L"UninstallString", L"\"C:\\Program Files\\Plain\\unins.exe\" /x");
    SeededEntry patch(L"KB4012345");
    patch.Set(L"DisplayName", L"Security Update for Plain").Set(L"ParentKeyName", L"PurgeonListPlain");
    SeededEntry unicode(L"PurgeonList\u4e2d\u6587");
    unicode.Set(L"DisplayName", L"Caf\u00e9 \u4e2d\u6587 \U0001F600");
    SeededEntry nameless(L"PurgeonListNameless");

    DWORD exitCode = 1;
    auto lines = ParseLines(CaptureOutput(BinDir() + L"Purgeon.exe", L"/list", &exitCode));
    EXPECT_EQ(exitCode, 0u);

    const auto* fields = FindByKey(lines, "PurgeonListPlain");
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ((*fields)[1], "0");
    EXPECT_EQ((*fields)[2], "Plain Program");
    EXPECT_EQ((*fields)[4], "Acme Works");  // a tab inside a field would break the line apart
    EXPECT_EQ((*fields)[5], "C:\\Program Files\\Plain\\");
    EXPECT_EQ((*fields)[6], "\"C:\\Program Files\\Plain\\unins.exe\" /x");
    EXPECT_EQ((*fields)[7], "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PurgeonListPlain");

    fields = FindByKey(lines, "KB4012345");
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ((*fields)[1], "1");

    fields = FindByKey(lines, ToUtf8(L"PurgeonList\u4e2d\u6587"));
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ((*fields)[2], ToUtf8(L"Caf\u00e9 \u4e2d\u6587 \U0001F600"));

    fields = FindByKey(lines, "PurgeonListNameless");  // listed, with an empty name
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ((*fields)[2], "");

    // Program lines come first, numbered by their place in the enumeration.
    int expected = 0;
    for (const auto& line : lines) {
        if (line[0].rfind("scr", 0) == 0) break;
        EXPECT_EQ(line[0], std::to_string(expected++));
    }
}

// Every program Wine's own uninstaller lists, from the machine's key, its 32-bit view and the
// user's key, is listed too, with the key it lives in; one name in two sources is two programs.
TEST(ListCommand, ListsEveryUninstallSourceWineOwnListShows) {
    const std::pair<HKEY, REGSAM> machine{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, machine32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
        user{HKEY_CURRENT_USER, 0};
    struct Seed {
        const wchar_t* name;
        std::pair<HKEY, REGSAM> where;
        const char* keyPath;
    } seeds[] = {
        {L"PurgeonSrcMachine", machine, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PurgeonSrcMachine"},
        {L"PurgeonSrc32", machine32, "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PurgeonSrc32"},
        {L"PurgeonSrcUser", user, "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PurgeonSrcUser"},
        {L"PurgeonSrcTwice", machine32, "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PurgeonSrcTwice"},
        {L"PurgeonSrcTwice", user, "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PurgeonSrcTwice"},
    };
    std::vector<std::unique_ptr<SeededEntry>> entries;
    for (const Seed& seed : seeds) {
        entries.push_back(std::make_unique<SeededEntry>(seed.name, seed.where.first, seed.where.second));
        entries.back()->Set(L"DisplayName", std::wstring(L"Display ") + seed.name).Set(L"UninstallString", L"unins.exe");
    }
    DWORD exitCode = 1;
    auto lines = ParseLines(CaptureOutput(BinDir() + L"Purgeon.exe", L"/list", &exitCode));
    EXPECT_EQ(exitCode, 0u);
    std::vector<std::string> listed;  // key paths, in listing order
    for (const auto& fields : lines)
        if (fields.size() == 8 && fields[3].rfind("PurgeonSrc", 0) == 0) listed.push_back(fields[7]);
    std::vector<std::string> expected;
    for (const Seed& seed : seeds) expected.push_back(seed.keyPath);
    // Source by source (the machine's key, its 32-bit view, the user's), each in registry order.
    std::vector<std::string> inOrder = {expected[0], expected[1], expected[3], expected[4], expected[2]};
    EXPECT_EQ(listed, inOrder);

    // Wine's own list: "SubKey|||DisplayName" per program it shows.
    std::string wineList = CaptureOutput(SystemDirectory() + L"\\uninstaller.exe", L"--list");
    std::istringstream stream(wineList);
    size_t wineCount = 0;
    for (std::string line; std::getline(stream, line);) {
        if (line.rfind("PurgeonSrc", 0) != 0) continue;
        ++wineCount;
        const std::string subKey = line.substr(0, line.find("|||"));
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const auto& f) { return f.size() == 8 && f[3] == subKey; }))
            << line;
    }
    EXPECT_EQ(wineCount, listed.size());
}

TEST(StartupCommand, PrintsEachStartupEntryAndChangesNothing) {
    constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    UniqueHKey run;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRun, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, run.put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring command = L"\"C:\\Tools\\caf\u00e9.exe\" /tray";
    RegSetValueExW(run.get(), L"PurgeonListStartup", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));

    DWORD exitCode = 1;
    auto lines = ParseLines(CaptureOutput(BinDir() + L"Purgeon.exe", L"/startup", &exitCode));
    EXPECT_EQ(exitCode, 0u);
    auto found = std::find_if(lines.begin(), lines.end(), [](const std::vector<std::string>& fields) {
        return fields.size() == 4 && fields[1] == "PurgeonListStartup";
    });
    ASSERT_NE(found, lines.end());
    EXPECT_EQ((*found)[0], "1");
    EXPECT_EQ((*found)[2], ToUtf8(command));
    EXPECT_NE((*found)[3].find("CurrentVersion\\Run"), std::string::npos) << (*found)[3];

    // Listing changed nothing: the value keeps its type.
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(run.get(), L"PurgeonListStartup", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    RegDeleteValueW(run.get(), L"PurgeonListStartup");
}

TEST(ScanCommand, PrintsWhatTheScanWouldOfferAndDeletesNothing) {
    const std::wstring name = Format(L"PurgeonScanCli%lu", GetCurrentProcessId());
    UniqueHKey vendor;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\" + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, vendor.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(vendor.get(), L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 2 * sizeof(wchar_t));
    wchar_t programFiles[MAX_PATH];
    ExpandEnvironmentStringsW(L"%ProgramFiles%", programFiles, MAX_PATH);
    const std::wstring folder = std::wstring(programFiles) + L"\\" + name + L"\\";
    ForceDirectories(folder + L"data");
    WriteFileBytes(folder + L"data\\left.txt", "left behind");

    auto run = [&](const std::wstring& location) {
        DWORD exitCode = 1;
        std::string out =
            CaptureOutput(BinDir() + L"Purgeon.exe", L"/scan " + name + L" \"" + location + L"\"", &exitCode);
        EXPECT_EQ(exitCode, 0u);
        return ToLower(FromUtf8(out));
    };
    // Quoted without its trailing backslash, which would escape the closing quote.
    std::wstring out = run(ExcludeTrailingBackslash(folder));
    EXPECT_NE(out.find(ToLower(L"HKEY_CURRENT_USER\\SOFTWARE\\" + name + L"\n")), std::wstring::npos) << ToUtf8(out);
    EXPECT_NE(out.find(ToLower(L"\\" + name + L"\\Path\n")), std::wstring::npos);
    EXPECT_NE(out.find(ToLower(folder + L"data\\left.txt")), std::wstring::npos);
    // Registry nodes come before file nodes.
    EXPECT_LT(out.find(L"hkey_current_user"), out.find(ToLower(folder)));
    EXPECT_TRUE(FileExists(folder + L"data\\left.txt"));
    EXPECT_TRUE(ReadRegString(vendor.get(), L"Path").has_value());

    // With its trailing backslash the closing quote reaches the program as part of the text, and
    // escaped quotes reach it as quotes around the folder: the same folder either way.
    for (const std::wstring& quoted : {folder, L"\\\"" + ExcludeTrailingBackslash(folder) + L"\\\""})
        EXPECT_NE(run(quoted).find(ToLower(folder + L"data\\left.txt")), std::wstring::npos) << ToUtf8(quoted);

    // A shared folder is never offered.
    EXPECT_EQ(run(programFiles).find(L"left.txt"), std::wstring::npos);

    vendor.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + name).c_str());
    RemoveTree(folder);
}

// One key name under two sources is two programs: a command takes the one its install location or
// its key path names, never the other's entry, and stops when neither tells them apart.
TEST(CleanCommand, OneKeyNameInTwoSourcesTakesOnlyTheEntryMeant) {
    const std::wstring name = Format(L"PurgeonCleanTwice%lu", GetCurrentProcessId());
    wchar_t programFiles[MAX_PATH];
    ExpandEnvironmentStringsW(L"%ProgramFiles%", programFiles, MAX_PATH);
    const std::wstring folder32 = std::wstring(programFiles) + L"\\" + name + L" 32";
    const std::wstring folderUser = std::wstring(programFiles) + L"\\" + name + L" user";
    for (const std::wstring& folder : {folder32, folderUser}) {
        ForceDirectories(folder);
        WriteFileBytes(folder + L"\\left.txt", "left behind");
    }
    SeededEntry machine32(name, HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY), user(name, HKEY_CURRENT_USER, 0);
    machine32.Set(L"DisplayName", L"Twice 32").Set(L"InstallLocation", folder32);
    user.Set(L"DisplayName", L"Twice user").Set(L"InstallLocation", folderUser);
    auto run = [&](const std::wstring& arguments, DWORD* exitCode) {
        return FromUtf8(CaptureOutput(BinDir() + L"Purgeon.exe", arguments, exitCode));
    };
    auto entryThere = [](const SeededEntry& entry) {
        UniqueHKey key;
        return RegOpenKeyExW(entry.root, entry.path.c_str(), 0, KEY_READ | entry.view, key.put()) == ERROR_SUCCESS;
    };

    DWORD exitCode = 0;
    std::wstring out = run(L"/clean " + name + L" \"C:\\Elsewhere\"", &exitCode);
    EXPECT_EQ(exitCode, 1u) << ToUtf8(out);
    EXPECT_NE(out.find(L"WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name), std::wstring::npos);
    EXPECT_NE(out.find(L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name),
              std::wstring::npos);
    EXPECT_TRUE(entryThere(machine32));
    EXPECT_TRUE(entryThere(user));

    // The per-user program, named by its folder: the 32-bit one keeps its entry and its files.
    out = run(L"/clean " + name + L" \"" + folderUser + L"\"", &exitCode);
    EXPECT_NE(exitCode, 1u) << ToUtf8(out);
    EXPECT_FALSE(entryThere(user)) << ToUtf8(out);
    EXPECT_TRUE(entryThere(machine32)) << ToUtf8(out);
    EXPECT_TRUE(FileExists(folder32 + L"\\left.txt"));
    EXPECT_FALSE(FileExists(folderUser + L"\\left.txt"));

    // A full key path names one entry whatever the location says.
    out = run(L"/scan \"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                  name + L"\" \"" + folder32 + L"\"",
              &exitCode);
    EXPECT_EQ(exitCode, 0u) << ToUtf8(out);
    EXPECT_NE(out.find(folder32 + L"\\left.txt"), std::wstring::npos) << ToUtf8(out);
    RemoveTree(folder32);
    RemoveTree(folderUser);
}

// Every mode refuses arguments that do not fit with its usage line and exit code 1, changing
// nothing; "/?" prints the usage of every mode, the same lines, and exits 0.
TEST(CommandLineModes, BadArgumentsExitOneWithTheModesUsageAndQuestionMarkListsThemAll) {
    DWORD exitCode = 99;
    const std::string all = CaptureOutput(BinDir() + L"Purgeon.exe", L"/?", &exitCode);
    EXPECT_EQ(exitCode, 0u);
    const struct {
        const wchar_t* arguments;
        const char* output;  // exactly what is printed
    } cases[] = {
        {L"/list extra", "usage: Purgeon.exe /list [/json]\n"},
        {L"/scan", "usage: Purgeon.exe /scan KEYNAME [LOCATION] [/json]\n"},
        {L"-scan \"\" C:\\", "usage: Purgeon.exe /scan KEYNAME [LOCATION] [/json]\n"},
        {L"/scan a b c", "usage: Purgeon.exe /scan KEYNAME [LOCATION] [/json]\n"},
        {L"/clean", "usage: Purgeon.exe /clean KEYNAME [LOCATION] [/json]\n"},
        {L"/clean a b c", "usage: Purgeon.exe /clean KEYNAME [LOCATION] [/json]\n"},
        {L"/restore", "usage: Purgeon.exe /restore FOLDER [/json]\n"},
        {L"/RESTORE a b", "usage: Purgeon.exe /restore FOLDER [/json]\n"},
        {L"/backup a b", "usage: Purgeon.exe /backup [FOLDER]\n"},
        {L"/backup /json", "usage: Purgeon.exe /backup [FOLDER]\n"},  // it has no JSON form
        {L"/report", "usage: Purgeon.exe /report FILE.txt|FILE.csv|FILE.html\n"},
        {L"/report list.pdf", "usage: Purgeon.exe /report FILE.txt|FILE.csv|FILE.html\n"},
        {L"/startup now", "usage: Purgeon.exe /startup [/json]\n"},
        {L"/? more", "usage: Purgeon.exe /?\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.arguments));
        exitCode = 99;
        EXPECT_EQ(CaptureOutput(BinDir() + L"Purgeon.exe", c.arguments, &exitCode), c.output);
        EXPECT_EQ(exitCode, 1u);
        EXPECT_NE(all.find(c.output), std::string::npos) << all;
    }
    EXPECT_FALSE(FileExists(L"list.pdf"));
    // A switch naming no mode is refused too, with every usage, rather than opening the window.
    const std::string unknown = CaptureOutput(BinDir() + L"Purgeon.exe", L"/lsit", &exitCode);
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(unknown, "unknown mode /lsit\n" + all);
}
