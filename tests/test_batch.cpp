// A batch uninstall's rules: which quiet form a program has, and which programs may run side by side.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/funUtils.h"
#include "tests/support/testSupport.h"
#include "uninstall/uninstall.h"

using namespace purgeon;
using namespace purgeon::uninstall;
using purgeon::test::ScratchFolder;
using purgeon::test::BinDir;
using purgeon::test::WriteFileBytes;

namespace {

const wchar_t kProduct[] = L"{12345678-1234-1234-1234-123456789ABC}";

}  // namespace

TEST(BatchQuietForms, EntryAndFileDecideInTheirOrder) {
    const std::wstring msi = std::wstring(L"MsiExec.exe /X") + kProduct;
    struct Case {
        const char* what;
        EntryFacts entry;
        UninstallerFacts file;
        InstallerKind kind;
        const wchar_t* quiet;  // null: none known
    } cases[] = {
        {"own quiet command first", {kProduct, msi, L"C:\\A\\un.exe -q", true, true}, {true, true},
         InstallerKind::OwnQuietCommand, L"C:\\A\\un.exe -q"},
        {"product by its code", {kProduct, msi, L"", true, false}, {}, InstallerKind::WindowsInstaller,
         L"MsiExec.exe /X{12345678-1234-1234-1234-123456789ABC} /qn REBOOT=ReallySuppress /norestart"},
        {"WindowsInstaller = 1 without a product code runs as stored", {L"App", L"C:\\A\\setup.exe /remove", L"", true, false},
         {}, InstallerKind::Unknown, nullptr},
        {"Inno Setup by its value", {L"App_is1", L"\"C:\\Program Files\\A\\unins000.exe\"", L"", false, true}, {},
         InstallerKind::InnoSetup, L"\"C:\\Program Files\\A\\unins000.exe\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART"},
        {"Inno Setup by its layout", {L"App", L"C:\\A\\unins001.exe", L"", false, false}, {true, false},
         InstallerKind::InnoSetup, L"\"C:\\A\\unins001.exe\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART"},
        {"NSIS by its mark", {L"App", L"\"C:\\A\\uninst.exe\" _?=C:\\A", L"", false, false}, {false, true},
         InstallerKind::Nsis, L"\"C:\\A\\uninst.exe\" /S"},
        {"blank quiet command is none", {L"App", L"C:\\A\\remove.exe", L"  ", false, false}, {},
         InstallerKind::Unknown, nullptr},
    };
    for (const Case& c : cases) {
        const QuietForm form = QuietFormOf(c.entry, c.file);
        EXPECT_EQ(c.kind, form.kind) << c.what;
        EXPECT_EQ(c.quiet != nullptr, form.quietCommand.has_value()) << c.what;
        if (c.quiet && form.quietCommand) {
            EXPECT_EQ(c.quiet, *form.quietCommand) << c.what;
        }
    }
    for (auto [name, inno] : {std::pair{L"unins000.exe", true}, {L"UNINS123.EXE", true}, {L"unins00.exe", false},
                              {L"unins0000.exe", false}, {L"uninsabc.exe", false}, {L"unins000.dat", false}})
        EXPECT_EQ(inno, IsInnoUninstallerName(name)) << ToUtf8(name);
}

TEST(BatchQuietForms, TheUninstallersFileShowsItsKind) {
    ScratchFolder folder(L"batch-files");
    const std::wstring dir = folder.path();
    WriteFileBytes(dir + L"unins000.exe", "MZ inno");
    WriteFileBytes(dir + L"unins000.dat", "inno log");
    WriteFileBytes(dir + L"unins001.exe", "MZ without its log");
    // The mark straddles the reader's 64 KiB blocks.
    WriteFileBytes(dir + L"uninst.exe", std::string(64 * 1024 - 3, 'x') + "Nullsoft Install System");
    WriteFileBytes(dir + L"other.exe", std::string(200 * 1024, 'y'));
    struct Case {
        std::wstring command;
        bool inno, nullsoft;
    } cases[] = {{L"\"" + dir + L"unins000.exe\"", true, false},
                 {dir + L"unins001.exe", false, false},
                 {L"\"" + dir + L"uninst.exe\" _?=" + dir, false, true},
                 {dir + L"other.exe /x", false, false},
                 {dir + L"missing.exe", false, false},
                 {BinDir() + L"testdata\\PurgeonNsisSample-setup.exe", false, true}};
    for (const Case& c : cases) {
        const UninstallerFacts facts = ReadUninstallerFacts(c.command);
        EXPECT_EQ(c.inno, facts.innoLayout) << ToUtf8(c.command);
        EXPECT_EQ(c.nullsoft, facts.nullsoft) << ToUtf8(c.command);
    }
}

TEST(BatchPlan, RulesKeepUninstallersApart) {
    auto quiet = [](const wchar_t* folder, const wchar_t* publisher, bool msi = false) {
        return BatchItem{folder, publisher, msi, true};
    };
    auto asking = [](const wchar_t* folder, const wchar_t* publisher) { return BatchItem{folder, publisher, false, false}; };
    struct Case {
        const char* what;
        std::vector<BatchItem> items;
        std::vector<size_t> waiting, running, start;
    } cases[] = {
        {"two quiet ones side by side", {quiet(L"C:\\A", L"Ann"), quiet(L"C:\\B", L"Bob")}, {0, 1}, {}, {0, 1}},
        {"no more than the side-by-side limit",
         {quiet(L"C:\\A", L"Ann"), quiet(L"C:\\B", L"Bob"), quiet(L"C:\\C", L"Cy")}, {0, 1, 2}, {}, {0, 1}},
        {"one Windows Installer job at a time",
         {quiet(L"C:\\A", L"Ann", true), quiet(L"C:\\B", L"Bob", true), quiet(L"C:\\C", L"Cy")}, {1, 2}, {0}, {2}},
        {"nested folders wait", {quiet(L"C:\\Suite", L"Ann"), quiet(L"\"c:/suite/Tool/\"", L"Bob")}, {1}, {0}, {}},
        {"a folder whose name begins alike does not nest", {quiet(L"C:\\App", L"Ann"), quiet(L"C:\\App2", L"Bob")}, {1},
         {0}, {1}},
        {"same publisher waits", {quiet(L"C:\\A", L"Zeta Soft"), quiet(L"C:\\B", L"zeta  soft")}, {1}, {0}, {}},
        {"empty publishers and folders are nobody's", {quiet(L"", L""), quiet(L"", L"")}, {0, 1}, {}, {0, 1}},
        {"one interactive at a time", {asking(L"C:\\A", L"Ann"), asking(L"C:\\B", L"Bob")}, {0, 1}, {}, {0}},
        {"a held-back one does not hold back the next",
         {quiet(L"C:\\A", L"Ann"), asking(L"C:\\B", L"Bob"), asking(L"C:\\C", L"Cy"), quiet(L"C:\\D", L"Dee")},
         {2, 3}, {1}, {3}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.start, StartableNow(c.items, c.waiting, c.running, 2)) << c.what;
}
