// A batch uninstall's rules: which quiet form a program has, and which programs may run side by side.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <optional>

#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/batchSamples.h"
#include "tests/support/jsonReader.h"
#include "tests/support/testSupport.h"
#include "tools/samples/sampleCatalog.h"
#include "uninstall/uninstall.h"

using namespace purgeon;
using namespace purgeon::uninstall;
using purgeon::test::ScratchFolder;
using purgeon::test::BinDir;
using purgeon::test::CaptureOutput;
using purgeon::test::WriteFileBytes;
using purgeon::test::EntryExists;
using purgeon::test::QuietSample;
using purgeon::test::SetEntryText;

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

namespace {

const std::wstring kNsisKey = L"PurgeonNsisSample";
const std::wstring kMsiKey = L"{6D1C3E2A-8B47-4F5A-9C13-2E7B9A4D5F60}";

// The rows of "/uninstall /json" by the key name at the end of their key path, each row's
// texts in their order (result, key path, detail or reason).
std::map<std::wstring, std::vector<std::wstring>> RowsByKey(const std::string& out) {
    std::map<std::wstring, std::vector<std::wstring>> rows;
    std::string error;
    const std::optional<std::vector<test::JsonRow>> document = test::ReadJsonRows(out, &error);
    EXPECT_TRUE(document) << error << "\n" << out;
    for (const test::JsonRow& row : document.value_or(std::vector<test::JsonRow>{})) {
        std::vector<std::wstring>& texts = rows[row.at(L"keyPath").substr(row.at(L"keyPath").rfind(L'\\') + 1)];
        for (const auto& field : row.fields) texts.push_back(field.second);
    }
    return rows;
}

}  // namespace

// Real installers and stand-ins of the other kinds, in one quiet batch: each gets its truthful
// line, and no uninstaller asks anything.
TEST(BatchCommand, MixedKindsGoQuietlyWithTheirTruthfulOutcomes) {
    DWORD exitCode = 1;
    CaptureOutput(BinDir() + L"testdata\\PurgeonNsisSample-setup.exe", L"/S", &exitCode);
    ASSERT_EQ(0u, exitCode);
    CaptureOutput(SystemDirectory() + L"\\msiexec.exe", L"/i \"" + BinDir() + L"testdata\\PurgeonMsiSample.msi\" /qn",
                  &exitCode);
    ASSERT_EQ(0u, exitCode);
    const auto quiet = QuietSample(L"PurgeonBatchQuiet", samples::UninstallBehaviour::RemoveAll, 0);
    const auto cancelled = QuietSample(L"PurgeonBatchCancel", samples::UninstallBehaviour::Nothing, 1602);
    const auto restart = QuietSample(L"PurgeonBatchRestart", samples::UninstallBehaviour::RemoveAll, 3010);
    const auto leftover = QuietSample(L"PurgeonBatchLeftover", samples::UninstallBehaviour::Remains, 0);
    // Inno Setup's layout: unins000.exe with its log beside it, which says what to do.
    samples::SampleSpec innoSpec;
    innoSpec.name = L"PurgeonBatchInno";
    innoSpec.publisher = L"Inno Works";
    const samples::InstalledSample inno = samples::InstallSample(innoSpec, BinDir());
    ASSERT_TRUE(CopyFileW(inno.uninstallerPath.c_str(), (inno.installDir + L"unins000.exe").c_str(), FALSE));
    WriteFileBytes(inno.installDir + L"unins000.dat", "/behaviour=removeall /key=PurgeonBatchInno");
    SetEntryText(inno.keyName, L"UninstallString", L"\"" + inno.installDir + L"unins000.exe\"");
    samples::SampleSpec plainSpec;
    plainSpec.name = L"PurgeonBatchPlain";
    plainSpec.publisher = L"Plain Works";
    const samples::InstalledSample plain = samples::InstallSample(plainSpec, BinDir());

    const std::string out = CaptureOutput(BinDir() + L"Purgeon.exe",
                                          L"/uninstall /quiet /timeout=60 PurgeonNsisSample " + kMsiKey +
                                              L" PurgeonBatchQuiet PurgeonBatchCancel PurgeonBatchRestart "
                                              L"PurgeonBatchInno PurgeonBatchPlain PurgeonBatchLeftover /json",
                                          &exitCode);
    EXPECT_EQ(2u, exitCode) << out;
    auto lines = RowsByKey(out);
    struct Case {
        std::wstring key;
        const wchar_t* kind;
        const wchar_t* detail;
        bool entryLeft;
    } cases[] = {{kNsisKey, L"removed", L"exit code 0", false},
                 {kMsiKey, L"removed", L"exit code 0", false},
                 {L"PurgeonBatchQuiet", L"removed", L"exit code 0", false},
                 {L"PurgeonBatchCancel", L"stayed", L"exit code 1602 (cancelled)", true},
                 {L"PurgeonBatchRestart", L"removed", L"exit code 3010 (restart needed); restart needed", false},
                 {L"PurgeonBatchInno", L"removed", L"exit code 0", false},
                 {L"PurgeonBatchPlain", L"skipped", L"no quiet form is known for its uninstaller", true},
                 {L"PurgeonBatchLeftover", L"removed", L"exit code 0", false}};
    for (const Case& c : cases) {
        ASSERT_EQ(1u, lines.count(c.key)) << ToUtf8(c.key) << "\n" << out;
        const std::vector<std::wstring>& fields = lines[c.key];
        ASSERT_EQ(3u, fields.size()) << out;
        EXPECT_EQ(c.kind, fields[0]) << ToUtf8(c.key);
        EXPECT_EQ(c.detail, fields[2]) << ToUtf8(c.key);
        EXPECT_EQ(c.entryLeft, EntryExists(c.key)) << ToUtf8(c.key);
        EXPECT_TRUE(StartsWithNoCase(fields[1], L"HKEY_LOCAL_MACHINE\\SOFTWARE\\")) << ToUtf8(fields[1]);
    }
    // Each program's terms were recorded before its uninstaller started.
    const std::wstring records = uninstall::UninstallRecordsFolderOf(BinDir());
    const std::optional<uninstall::BatchProgram> record = uninstall::ReadUninstallRecord(records, L"PurgeonBatchQuiet");
    ASSERT_TRUE(record);
    EXPECT_EQ(ExcludeTrailingBackslash(quiet.installDir), ExcludeTrailingBackslash(record->installLocation));
    EXPECT_EQ(L"PurgeonBatchQuiet Works", record->publisher);
    // Its entry gone, a clean-up without a folder takes the recorded terms and finds the leftovers.
    ASSERT_TRUE(DirectoryExists(ExcludeTrailingBackslash(leftover.installDir)));
    const std::string cleaned = CaptureOutput(BinDir() + L"Purgeon.exe", L"/clean PurgeonBatchLeftover", &exitCode);
    EXPECT_EQ(0u, exitCode) << cleaned;
    EXPECT_NE(std::string::npos, cleaned.find("deleted\t" + ToUtf8(ExcludeTrailingBackslash(leftover.installDir)))) << cleaned;
    EXPECT_FALSE(DirectoryExists(ExcludeTrailingBackslash(leftover.installDir)));
    CaptureOutput(BinDir() + L"Purgeon.exe", L"/clean PurgeonBatchNeverRecorded", &exitCode);
    EXPECT_EQ(1u, exitCode) << "neither installed nor recorded: nothing to go by";

    for (const wchar_t* name : {L"PurgeonBatchQuiet", L"PurgeonBatchCancel", L"PurgeonBatchRestart",
                                L"PurgeonBatchInno", L"PurgeonBatchPlain", L"PurgeonBatchLeftover"})
        samples::RemoveSample(std::wstring(name));
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, samples::UninstallKeyPath(kNsisKey).c_str(), KEY_WOW64_64KEY, 0);
    (void)restart;
    (void)cancelled;
}

TEST(BatchCommand, NothingStartsForBadArgumentsOrKeysThatNameNoProgram) {
    samples::SampleSpec spec;
    spec.name = L"PurgeonBatchKept";
    samples::InstallSample(spec, BinDir());
    for (const wchar_t* arguments : {L"/uninstall", L"/uninstall /quiet", L"/uninstall /timeout=0 PurgeonBatchKept",
                                     L"/uninstall /bogus PurgeonBatchKept", L"/uninstall PurgeonBatchKept NoSuchKey"}) {
        DWORD exitCode = 0;
        const std::string out = CaptureOutput(BinDir() + L"Purgeon.exe", arguments, &exitCode);
        EXPECT_EQ(1u, exitCode) << ToUtf8(arguments) << "\n" << out;
        EXPECT_TRUE(EntryExists(L"PurgeonBatchKept")) << ToUtf8(arguments);
    }
    samples::RemoveSample(std::wstring(L"PurgeonBatchKept"));
}
