// `Purgeon.exe /list`: the catalogue printed through the real component, as UTF-8 lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using namespace purgeon::test;

namespace {

constexpr wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct SeededEntry {
    explicit SeededEntry(const std::wstring& keyName) : path(kUninstall + keyName) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                        key.put(), nullptr);
    }
    ~SeededEntry() {
        key.reset();
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
    }
    SeededEntry& Set(const wchar_t* name, const std::wstring& text) {
        RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        return *this;
    }
    std::wstring path;
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
        if (fields.size() == 7 && fields[3] == key) return &fields;
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

    // A shared folder is never offered.
    EXPECT_EQ(run(programFiles).find(L"left.txt"), std::wstring::npos);

    vendor.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + name).c_str());
    RemoveTree(folder);
}
