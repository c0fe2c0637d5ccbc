// Uninstall entries as a broken or hostile installer writes them (tests/support/hostileEntries.h),
// through every command-line mode and the main window: nothing crashes or hangs, memory stays
// bounded, the sound entries beside them are shown intact and sizes are exact.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "catalogue/ProgramList.h"
#include "catalogue/componentRegistration.h"
#include "catalogue/programRows.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "config/config.h"
#include "i18n/multiLangs.h"
#include "tests/support/hostileEntries.h"
#include "tests/support/jsonReader.h"
#include "tests/support/testSupport.h"
#include "ui/frmMain.h"

using namespace purgeon;
using namespace purgeon::test;

// Error reports and questions are recorded, not shown: a message box would wait for a click.
std::vector<std::wstring> g_reports;
void purgeon::ShowErrorReport(HWND, const std::wstring& text) { g_reports.push_back(text); }
bool purgeon::AskQuestion(HWND, const std::wstring& text, DefaultAnswer) {
    g_reports.push_back(L"question: " + text);
    return false;
}

namespace {

// Longest any mode may take on the seeded set before it counts as hung, and the most memory.
constexpr DWORD kHangMilliseconds = 120000;
constexpr SIZE_T kMaxPeakBytes = 512u << 20;

struct ModeRun {
    DWORD exitCode = STILL_ACTIVE;
    std::string output;
    double seconds = 0;
    SIZE_T peakBytes = 0;  // 0 when the system did not say
};

// Runs Purgeon.exe with its output in a file (a pipe may be held open by Wine's services).
ModeRun RunMode(const std::wstring& arguments, const ScratchFolder& scratch) {
    ModeRun run;
    const std::wstring outPath = scratch.path() + L"mode-output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueHandle out = AdoptFileHandle(
        CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::wstring exe = BinDir() + L"Purgeon.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = out.get();
    PROCESS_INFORMATION info{};
    ULONGLONG started = GetTickCount64();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return run;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    out.reset();
    if (WaitForSingleObject(process.get(), kHangMilliseconds) != WAIT_OBJECT_0) TerminateProcess(process.get(), 99);
    run.seconds = (GetTickCount64() - started) / 1000.0;
    GetExitCodeProcess(process.get(), &run.exitCode);
    PROCESS_MEMORY_COUNTERS memory{sizeof memory};
    if (GetProcessMemoryInfo(process.get(), &memory, sizeof memory)) run.peakBytes = memory.PeakPagefileUsage;
    run.output = ReadFileBytes(outPath);
    printf("  %s: exit %lu, %.2f s, peak %.1f MB\n", ToUtf8(arguments).c_str(), run.exitCode, run.seconds,
           run.peakBytes / 1048576.0);
    return run;
}

std::vector<std::vector<std::wstring>> Lines(const std::string& output) {
    std::vector<std::vector<std::wstring>> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::wstring> fields;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(FromUtf8(line.substr(start, tab - start)));
        fields.push_back(FromUtf8(line.substr(start)));
        lines.push_back(std::move(fields));
    }
    return lines;
}

// A key name as /list prints it: tabs and line breaks as blanks.
std::wstring Printed(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
    return text;
}

class Hostile : public ::testing::Test {
protected:
    static void SetUpTestSuite() { seeded_ = new HostileEntries(); }
    static void TearDownTestSuite() {
        delete seeded_;
        seeded_ = nullptr;
    }
    void TearDown() override {
        EXPECT_TRUE(g_reports.empty()) << ToUtf8(g_reports.front());
        g_reports.clear();
    }
    // Every mode ends, in time, of itself, within the memory bound.
    static void ExpectSane(const ModeRun& run, DWORD exitCode = 0) {
        EXPECT_EQ(run.exitCode, exitCode) << run.output.substr(0, 2000);
        EXPECT_LT(run.peakBytes, kMaxPeakBytes);
    }
    // /list's program lines.
    std::vector<std::vector<std::wstring>> ListedPrograms() {
        const ModeRun run = RunMode(L"/list", scratch_);
        ExpectSane(run);
        std::vector<std::vector<std::wstring>> programs;
        for (auto& line : Lines(run.output))
            if (line.size() == 8 && line[0].rfind(L"scr", 0) != 0) programs.push_back(std::move(line));
        return programs;
    }

    static HostileEntries* seeded_;
    ScratchFolder scratch_{L"hostile"};
};

HostileEntries* Hostile::seeded_ = nullptr;

}  // namespace

TEST_F(Hostile, ListPrintsEveryEntryAndTheSoundOnesIntact) {
    const auto programs = ListedPrograms();
    std::set<std::wstring> keys;
    for (const auto& line : programs) {
        keys.insert(line[3]);
        for (const std::wstring& field : line) EXPECT_LE(field.size(), 32767u + 2) << ToUtf8(line[3]);
    }
    for (const std::wstring& name : seeded_->keyNames()) EXPECT_TRUE(keys.count(Printed(name))) << ToUtf8(name);
    for (const SoundEntry& sound : seeded_->sound()) {
        auto line = std::find_if(programs.begin(), programs.end(), [&](const auto& l) { return l[3] == sound.keyName; });
        ASSERT_NE(line, programs.end());
        EXPECT_EQ((*line)[2], sound.displayName);
        EXPECT_EQ((*line)[4], sound.publisher);
        EXPECT_EQ((*line)[5], sound.installLocation);
        EXPECT_EQ((*line)[6], sound.uninstallString);
    }
    // A value of the wrong type is absent, a text without its terminator whole, an over-long one cut.
    const struct {
        const wchar_t* key;
        size_t field;
        std::wstring expected;
    } cases[] = {
        {L"PurgeonHostileWrongTypes", 2, L""},
        {L"PurgeonHostileWrongTypes", 4, L""},
        {L"PurgeonHostileWrongTypes", 5, L""},
        {L"PurgeonHostileWrongTypes", 6, L""},
        {L"PurgeonHostileUnterminated", 2, L"Hostile Unterminated"},
        {L"PurgeonHostileUnterminated", 4, L"Odd"},
        {L"PurgeonHostileUnterminated", 6, L"C:\\Hostile\\unins.exe"},
        {L"PurgeonHostileMegabytes", 2, std::wstring(2048, L'N')},
        {L"PurgeonHostileMegabytes", 5, L""},  // a path longer than any path is none
        {L"PurgeonHostileMegabytes", 6, L""},
    };
    for (const auto& c : cases) {
        auto line = std::find_if(programs.begin(), programs.end(), [&](const auto& l) { return l[3] == c.key; });
        ASSERT_NE(line, programs.end()) << ToUtf8(c.key);
        EXPECT_EQ((*line)[c.field], c.expected) << ToUtf8(c.key) << " field " << c.field;
    }
}

TEST_F(Hostile, ReportsInEveryFormatWithExactSizes) {
    for (const wchar_t* name : {L"report.txt", L"report.csv", L"report.html"}) {
        const std::wstring path = scratch_.path() + name;
        ExpectSane(RunMode(L"/report \"" + path + L"\"", scratch_));
        const std::wstring text = FromUtf8(ReadFileBytes(path));
        ASSERT_FALSE(text.empty()) << ToUtf8(name);
        for (const SoundEntry& sound : seeded_->sound())
            EXPECT_NE(text.find(sound.displayName), std::wstring::npos) << ToUtf8(name);
        if (std::wstring(name) == L"report.txt") continue;
        EXPECT_NE(text.find(L"4398046510080"), std::wstring::npos) << "0xFFFFFFFF KB in " << ToUtf8(name);
        EXPECT_NE(text.find(L"126419751936"), std::wstring::npos) << "123456789 KB in " << ToUtf8(name);
        EXPECT_EQ(text.find(L"4398046511104"), std::wstring::npos) << "a size through a float in " << ToUtf8(name);
    }
}

TEST_F(Hostile, ScanBackupAndStartupEndOfThemselves) {
    const SoundEntry& sound = seeded_->sound().front();
    ExpectSane(RunMode(L"/scan " + sound.keyName + L" \"" + sound.installLocation + L"\"", scratch_));
    ExpectSane(RunMode(std::wstring(L"/scan ") + HostileEntries::kEvilIconKey + L" \"C:\\PurgeonHostile\"", scratch_));

    const std::wstring folder = scratch_.path() + L"backup";
    const ModeRun backup = RunMode(L"/backup \"" + folder + L"\"", scratch_);
    ExpectSane(backup);
    std::set<std::wstring> saved;
    for (const auto& line : Lines(backup.output))
        if (line.size() == 3 && line[0] == L"saved") saved.insert(line[1]);
    for (const std::wstring& name : seeded_->keyNames()) EXPECT_TRUE(saved.count(Printed(name)) || saved.count(name)) << ToUtf8(name);

    const ModeRun startup = RunMode(L"/startup", scratch_);
    ExpectSane(startup);
    bool soundListed = false;
    for (const auto& line : Lines(startup.output))
        soundListed |= line.size() >= 3 && line[1] == HostileEntries::kSoundRunName &&
                       line[2] == L"C:\\windows\\notepad.exe /hostile-neighbour";
    EXPECT_TRUE(soundListed) << startup.output.substr(0, 2000);
}

// Every mode that speaks JSON prints one document a strict reader takes, row for row what its
// tab-separated form prints, with every text whole where the lines must blank tabs and breaks.
TEST_F(Hostile, EveryModeSpeaksJsonRowForRowWithItsTextsWhole) {
    const SoundEntry& sound = seeded_->sound().front();
    const struct {
        std::wstring arguments;
        DWORD exitCode;
    } modes[] = {
        {L"/list", 0},
        {L"/startup", 0},
        {L"/scan " + sound.keyName + L" \"" + sound.installLocation + L"\"", 0},
        {L"/leftovers", 0},
        {L"/uninstall PurgeonHostileNoSuchKey", 1},
        {L"/clean PurgeonHostileNoSuchKey", 1},
        {L"/restore \"" + ExcludeTrailingBackslash(scratch_.path()) + L"\"", 1},
    };
    for (const auto& mode : modes) {
        const auto lines = Lines(RunMode(mode.arguments, scratch_).output);
        const ModeRun json = RunMode(mode.arguments + L" /json", scratch_);
        ExpectSane(json, mode.exitCode);
        std::string error;
        const std::optional<std::vector<JsonRow>> rows = ReadJsonRows(json.output, &error);
        ASSERT_TRUE(rows) << ToUtf8(mode.arguments) << ": " << error << "\n" << json.output.substr(0, 2000);
        ASSERT_EQ(rows->size(), lines.size()) << ToUtf8(mode.arguments);
        for (size_t i = 0; i < rows->size(); ++i) {
            if ((*rows)[i].fields.front().second == L"error") continue;  // the line is the bare message
            // The lines blank tabs and breaks, and UTF-8 has no lone surrogate: it reads as U+FFFD.
            std::vector<std::wstring> printed;
            for (const auto& field : (*rows)[i].fields) {
                printed.push_back(Printed(field.second));
                std::replace(printed.back().begin(), printed.back().end(), L'\xD800', L'\xFFFD');
            }
            EXPECT_EQ(printed, lines[i]) << ToUtf8(mode.arguments) << " row " << i;
        }
        if (mode.arguments != L"/list") continue;
        std::map<std::wstring, std::wstring> displayNames;
        for (const JsonRow& row : *rows) displayNames[row.at(L"keyName")] = row.at(L"displayName");
        EXPECT_TRUE(displayNames.count(L"PurgeonHostile\tTab\tName"));
        EXPECT_EQ(displayNames[L"PurgeonHostile\tTab\tName"], L"Hostile\tTabbed\r\nName");
        const std::wstring& escaped = displayNames[HostileEntries::kJsonKey];
        for (const wchar_t* part : {L"Quote \" back \\ slash /", L"smile \U0001F600 lone", L"\xD800 end"})
            EXPECT_NE(escaped.find(part), std::wstring::npos) << ToUtf8(part);
    }
}

// The window lists every program /list prints, refreshes, and gives every row its tip and details.
TEST_F(Hostile, TheWindowListsEveryProgramAndEveryRowHasItsTipAndDetails) {
    const size_t listed = ListedPrograms().size();
    ComApartment com;
    ScratchFolder home(L"hostile-window");
    ASSERT_TRUE(InitEnvironment(home.path() + L"Purgeon.exe", AppPaths, [](const std::wstring&) {}));
    HideSysPatch = false;
    HideScreenSaver = true;
    ResetLanguageTable();
    LoadLanguage();
    ASSERT_FALSE(RegisterCatalogueComponent().has_value());
    const ULONGLONG started = GetTickCount64();
    TMainForm form(GetModuleHandleW(nullptr));
    ASSERT_TRUE(form.Create());
    form.Show();
    Pump();
    HWND list = FindDescendant(form.Handle(), IDC_PROGRAM_LIST);
    EXPECT_EQ(static_cast<size_t>(ListView_GetItemCount(list)), listed);
    EXPECT_FALSE(WindowText(FindDescendant(form.Handle(), IDC_LBL_COUNTS)).empty());
    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(ActionRefresh, 0), 0);
    Pump();
    EXPECT_EQ(static_cast<size_t>(ListView_GetItemCount(list)), listed);
    for (const SoundEntry& sound : seeded_->sound()) {
        const int row = RowOf(list, sound.displayName);
        ASSERT_GE(row, 0) << ToUtf8(sound.displayName);
        EXPECT_EQ(Cell(list, row, 1), sound.publisher);
        EXPECT_EQ(Cell(list, row, 2), sound.installLocation);
    }
    printf("  window: filled and refreshed in %.2f s\n", (GetTickCount64() - started) / 1000.0);

    TProgramList programs;
    IProgramList* catalogue = ConnectCatalogue(programs);
    ProgramListFill fill;
    ReadProgramListFill(catalogue, false, true, fill);
    ASSERT_TRUE(fill.complete);
    EXPECT_EQ(fill.rows.size(), listed);
    for (const ListRow& row : fill.rows) {
        const std::optional<std::wstring> tip = BuildInfoTip(catalogue, row);
        ASSERT_TRUE(tip) << ToUtf8(row.caption.substr(0, 80));
        EXPECT_LT(tip->size(), 64u * 1024);
        const std::optional<ProgramDetails> details = ReadProgramDetails(catalogue, row.keyPath);
        ASSERT_TRUE(details && details->loaded) << ToUtf8(row.caption.substr(0, 80));
        for (const DetailsRow& value : details->registry) EXPECT_LE(value.value.size(), 2048u);
        if (row.caption == L"Hostile Evil Icon") {
            EXPECT_NE(tip->find(L"4194304.00"), std::wstring::npos) << ToUtf8(*tip);
            SHFILEINFOW generic{};
            SHGetFileInfoW(L"program.exe", FILE_ATTRIBUTE_NORMAL, &generic, sizeof generic,
                           SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
            EXPECT_EQ(row.image, generic.iIcon) << "the icon file was never the shell's to read";
        }
        if (row.caption == L"Hostile Many Values") {
            EXPECT_GE(details->registry.size(), 10001u);
        }
    }
    PROCESS_MEMORY_COUNTERS memory{sizeof memory};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    printf("  window and readers: peak %.1f MB\n", memory.PeakPagefileUsage / 1048576.0);
    EXPECT_LT(memory.PeakPagefileUsage, kMaxPeakBytes);
    DestroyWindow(form.Handle());
    Pump();
}

// What the registry editor makes of a backup's hex(1): lines: the text comes back, and a string
// whose terminator was missing gets one (as on Windows); of an odd length, its last byte is lost. Purgeon's own restore of a clean-up gives
// such values back byte for byte (test_cleanup).
TEST_F(Hostile, TheRegistryEditorLoadsHexStringsBackWithTheirText) {
    const std::wstring key = L"Software\\PurgeonHostileRegedit";
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    const struct {
        const wchar_t* name;
        const wchar_t* hex;
        std::vector<BYTE> loaded;  // what comes back, or how it begins when shorter than the hex
    } cases[] = {
        {L"Terminated", L"61,00,62,00,00,00", {0x61, 0, 0x62, 0, 0, 0}},
        {L"Unterminated", L"61,00,62,00", {0x61, 0, 0x62, 0, 0, 0}},
        {L"Odd", L"61,00,62", {0x61, 0}},  // Wine's editor then drops the odd byte's character
    };
    std::wstring file = L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + key + L"]\r\n";
    for (const auto& c : cases) file += L"\"" + std::wstring(c.name) + L"\"=hex(1):" + c.hex + L"\r\n";
    const std::wstring path = scratch_.path() + L"strings.reg";
    WriteFileBytes(path, Utf16Bytes(file + L"\r\n"));
    ASSERT_TRUE(LoadWithRegedit(path));
    UniqueHKey loaded;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, loaded.put()), ERROR_SUCCESS);
    for (const auto& c : cases) {
        const std::optional<RegValue> value = ReadRegValue(loaded.get(), c.name);
        ASSERT_TRUE(value) << ToUtf8(c.name);
        std::string bytes;
        for (BYTE b : value->data) bytes += ToUtf8(Format(L"%02x ", b));
        printf("  regedit loaded %s as %s\n", ToUtf8(c.name).c_str(), bytes.c_str());
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
        const bool exact = c.loaded.size() * 3 - 1 >= wcslen(c.hex);
        const size_t begins = exact ? value->data.size() : std::min(value->data.size(), c.loaded.size());
        EXPECT_EQ(std::vector<BYTE>(value->data.begin(), value->data.begin() + begins), c.loaded) << ToUtf8(c.name);
    }
    loaded.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}
