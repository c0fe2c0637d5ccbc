// The leftovers of programs that are gone, on a seeded machine: two installed sample programs
// (one beside a removed sibling in the same vendor folder), the sibling removed by its own
// uninstaller with its keys in both views, its AppData and Start Menu folders left, a second gone
// program nobody recorded, and traps: Common Files, a portable program, user data in Documents,
// the installed programs' vendor folders and keys, and whatever the Wine prefix holds itself.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <knownfolders.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "cleanup/cleanup.h"
#include "remains/leftovers.h"
#include "uninstall/uninstall.h"
#include "catalogue/ProgramList.h"
#include "catalogue/componentRegistration.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/cleanupTestSupport.h"
#include "tests/support/installedSample.h"
#include "tests/support/jsonReader.h"
#include "tests/support/treeItems.h"
#include "tools/samples/sampleCatalog.h"
#include "ui/frmScanRemains.h"
#include "i18n/multiLangs.h"
#include <commctrl.h>

using namespace purgeon;
using namespace purgeon::test;

namespace {

constexpr wchar_t kVendor[] = L"Purgeon Leftover Co";
constexpr wchar_t kKept[] = L"PurgeonLeftKept";
constexpr wchar_t kGone[] = L"PurgeonLeftGone";
constexpr wchar_t kGoneDisplay[] = L"Purgeon Left Gone";
constexpr wchar_t kOther[] = L"PurgeonLeftOther";
constexpr wchar_t kOtherDisplay[] = L"Purgeon Left Other";
constexpr wchar_t kLost[] = L"PurgeonLeftLost";
constexpr wchar_t kHklm[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\";
constexpr wchar_t kHkcu[] = L"HKEY_CURRENT_USER\\SOFTWARE\\";

std::wstring Known(REFKNOWNFOLDERID id) {
    UniqueCoTaskMem<wchar_t> path;
    if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, path.put())) || !path) return L"";
    return ExcludeTrailingBackslash(path.get());
}

void SetKey(HKEY root, const std::wstring& path, const std::wstring& value) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.get(), L"Seed", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void DropKey(HKEY root, const std::wstring& path) {
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyExW(root, path.c_str(), KEY_WOW64_64KEY, 0);
}

void SeedFile(const std::wstring& path, const std::string& bytes) {
    ForceDirectories(ExtractFilePath(path));
    WriteFileBytes(path, bytes);
}

// Gives a folder and all in it write times three days old: what a program that is gone left.
void Age(const std::wstring& path) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER old{};
    old.LowPart = now.dwLowDateTime;
    old.HighPart = now.dwHighDateTime;
    old.QuadPart -= 3ull * 24 * 60 * 60 * 10000000;
    const FILETIME then{old.LowPart, old.HighPart};
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileW((path + L"\\*").c_str(), &found));
    if (find) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") Age(path + L"\\" + name);
        } while (FindNextFileW(find.get(), &found));
    }
    UniqueHandle item = AdoptFileHandle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (item) SetFileTime(item.get(), &then, &then, &then);
}

samples::SampleSpec Spec(const std::wstring& name, const std::wstring& publisher, const std::wstring& display = L"") {
    samples::SampleSpec spec;
    spec.name = name;
    spec.publisher = publisher;
    spec.displayName = display;
    spec.behaviour = samples::UninstallBehaviour::Remains;
    return spec;
}

struct Finding {
    bool checked = false;
    std::wstring reason;
};
using Findings = std::map<std::wstring, Finding>;  // by FoldCase of the path

Findings FromLeftovers(const std::vector<remains::Leftover>& leftovers) {
    Findings out;
    for (const remains::Leftover& l : leftovers) out[FoldCase(l.text)] = {l.checked, uninstall::LeftoverReasonText(l)};
    return out;
}

Findings FromLines(const std::string& output) {
    Findings out;
    size_t at = 0;
    const std::wstring text = FromUtf8(output);
    while (at < text.size()) {
        size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(at, end - at);
        at = end + 1;
        const size_t tab = line.find(L'\t'), tab2 = line.find(L'\t', tab + 1);
        EXPECT_TRUE(tab != std::wstring::npos && tab2 != std::wstring::npos) << ToUtf8(line);
        if (tab == std::wstring::npos || tab2 == std::wstring::npos) continue;
        const std::wstring kind = line.substr(0, tab);
        EXPECT_TRUE(kind == L"checked" || kind == L"unchecked") << ToUtf8(line);
        out[FoldCase(line.substr(tab + 1, tab2 - tab - 1))] = {kind == L"checked", line.substr(tab2 + 1)};
    }
    return out;
}

bool SameOrBelow(const std::wstring& path, const std::wstring& top) {
    const std::wstring p = FoldCase(path), t = FoldCase(top);
    return p == t || (p.size() > t.size() && p.compare(0, t.size(), t) == 0 && p[t.size()] == L'\\');
}

class SeededMachine : public ::testing::Test {
protected:
    static void SetUpTestSuite() { machine_ = new Machine(); }
    static void TearDownTestSuite() {
        delete machine_;
        machine_ = nullptr;
    }

    struct Machine {
        Machine() {
            programFiles = ExcludeTrailingBackslash(samples::ProgramFilesDir());
            roaming = Known(FOLDERID_RoamingAppData);
            local = Known(FOLDERID_LocalAppData);
            startMenu = Known(FOLDERID_Programs);
            documents = Known(FOLDERID_Documents);
            // A copy of the program of its own, so the only uninstall records are this test's.
            for (const wchar_t* file : {L"Purgeon.exe", L"Doffkit.dll"})
                CopyFileW((BinDir() + file).c_str(), (home.path() + file).c_str(), FALSE);

            kept = std::make_unique<Installed>(Spec(kKept, kVendor));
            other = std::make_unique<Installed>(Spec(kOther, L"Purgeon Other Works", kOtherDisplay));
            gone = std::make_unique<Installed>(Spec(kGone, kVendor, kGoneDisplay));
            goneFolder = ExcludeTrailingBackslash(gone->get().installDir);
            uninstall::BatchProgram record;
            record.keyName = kGone;
            record.displayName = kGoneDisplay;
            record.publisher = kVendor;
            record.installLocation = gone->get().installDir;
            record.keyPath = L"HKEY_LOCAL_MACHINE\\" + samples::UninstallKeyPath(kGone);
            EXPECT_FALSE(uninstall::WriteUninstallRecord(uninstall::UninstallRecordsFolderOf(home.path()), record).empty());
            // Its own uninstaller takes the entry and some files; the rest stays.
            samples::RunUninstallWork(kGone, samples::UninstallBehaviour::Remains);

            SetKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\" + std::wstring(kGone), L"32-bit");
            SeedFile(roaming + L"\\" + kGone + L"\\settings.ini", "[gone]\r\nTheme=Dark\r\n");
            SeedFile(startMenu + L"\\" + kGoneDisplay + L"\\" + kGoneDisplay + L".lnk", "not a real link");
            // Gone, and recorded by nobody.
            ForceDirectories(startMenu + L"\\Purgeon Left Lost");
            SetKey(HKEY_CURRENT_USER, L"Software\\" + std::wstring(kLost), L"lost");
            SeedFile(local + L"\\" + kLost + L"\\cache.dat", "cache");
            // Traps.
            SeedFile(programFiles + L"\\Common Files\\PurgeonLeftShared\\shared.dll", "MZ shared");
            SeedFile(programFiles + L"\\PurgeonLeftPortable\\Portable.exe", "MZ portable");
            SeedFile(documents + L"\\" + kGone + L"\\notes.txt", "my own notes");
            SeedFile(roaming + L"\\" + kKept + L"\\user.ini", "[kept]");
            ForceDirectories(startMenu + L"\\" + kOtherDisplay);

            for (const std::wstring& folder :
                 {goneFolder, roaming + L"\\" + kGone, startMenu + L"\\" + kGoneDisplay, startMenu + L"\\Purgeon Left Lost",
                  local + L"\\" + kLost, programFiles + L"\\PurgeonLeftPortable", roaming + L"\\" + kKept,
                  startMenu + L"\\" + kOtherDisplay, ExcludeTrailingBackslash(kept->get().installDir)})
                Age(folder);

            const std::wstring menu = startMenu + L"\\";
            seeded = {{goneFolder, true},
                      {kHklm + std::wstring(kGone), true},
                      {kHkcu + std::wstring(kGone), true},
                      {kHklm + std::wstring(kVendor) + L"\\" + kGone, true},
                      {kHklm + std::wstring(L"WOW6432Node\\") + kGone, true},
                      {roaming + L"\\" + kGone, true},
                      {menu + kGoneDisplay, true},
                      {menu + L"Purgeon Left Lost", true},  // an empty Start Menu folder
                      {kHkcu + std::wstring(kLost), false},
                      {local + L"\\" + kLost, false}};
            // Never offered (what lies inside them neither); the vendors only themselves.
            traps = {programFiles + L"\\Common Files",
                     documents,
                     roaming + L"\\" + kKept,
                     menu + kOtherDisplay,
                     ExcludeTrailingBackslash(kept->get().installDir),
                     ExcludeTrailingBackslash(other->get().installDir),
                     kHklm + std::wstring(kKept),
                     kHkcu + std::wstring(kKept),
                     kHklm + std::wstring(kOther),
                     kHkcu + std::wstring(kOther),
                     kHklm + std::wstring(kVendor) + L"\\" + kKept,
                     kHklm + std::wstring(L"Purgeon Other Works")};
            vendors = {programFiles + L"\\" + kVendor, kHklm + std::wstring(kVendor)};
        }
        ~Machine() {
            for (const std::wstring& folder :
                 {roaming + L"\\" + kGone, startMenu + L"\\" + kGoneDisplay, startMenu + L"\\Purgeon Left Lost",
                  local + L"\\" + kLost, programFiles + L"\\Common Files\\PurgeonLeftShared",
                  programFiles + L"\\PurgeonLeftPortable", documents + L"\\" + kGone, roaming + L"\\" + kKept,
                  startMenu + L"\\" + kOtherDisplay})
                RemoveTree(folder);
            DropKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\" + std::wstring(kGone));
            DropKey(HKEY_CURRENT_USER, L"Software\\" + std::wstring(kLost));
        }

        // The search as the command line makes it, with the time moved on a day: keys cannot be
        // given old write times here, and everything seeded was written just now.
        std::vector<remains::Leftover> FindADayLater() const { return remains::FindLeftovers(SearchADayLater()); }
        remains::LeftoverSearch SearchADayLater() const {
            ComApartment com;
            TProgramList programs;
            const std::vector<ProgramRow> rows = ReadProgramRows(ConnectCatalogue(programs), RowIcons::Skip);
            remains::LeftoverSearch search = uninstall::MachineLeftoverSearch(rows, home.path());
            ULARGE_INTEGER now{};
            now.LowPart = search.now.dwLowDateTime;
            now.HighPart = search.now.dwHighDateTime;
            now.QuadPart += 25ull * 60 * 60 * 10000000;
            search.now = {now.LowPart, now.HighPart};
            return search;
        }

        ScratchFolder home{L"leftovers-home"};
        std::wstring programFiles, roaming, local, startMenu, documents, goneFolder;
        std::unique_ptr<Installed> kept, other, gone;
        std::map<std::wstring, bool> seeded;  // path -> checked when sure
        std::vector<std::wstring> traps, vendors;
    };

    // Nothing checked that was not seeded, nothing of the traps, of the installed programs or of
    // the prefix itself; the seeded leftovers found. Returns how many were found and checked.
    static std::pair<size_t, size_t> Judge(const Findings& found, const char* how) {
        size_t foundSeeded = 0, checkedSeeded = 0;
        std::set<std::wstring> seededKeys;
        for (const auto& [path, sure] : machine_->seeded) {
            seededKeys.insert(FoldCase(path));
            const auto at = found.find(FoldCase(path));
            EXPECT_NE(at, found.end()) << how << ": not found: " << ToUtf8(path);
            if (at == found.end()) continue;
            ++foundSeeded;
            if (at->second.checked) ++checkedSeeded;
            if (!sure) {
                EXPECT_FALSE(at->second.checked) << how << ": " << ToUtf8(path);
            }
        }
        for (const auto& [path, finding] : found) {
            if (!seededKeys.count(path)) {
                EXPECT_FALSE(finding.checked) << how << ": checked but not seeded: " << ToUtf8(path) << " ("
                                              << ToUtf8(finding.reason) << ")";
                printf("  %s, not seeded: %s\t%s\t%s\n", how, finding.checked ? "checked" : "unchecked", ToUtf8(path).c_str(),
                       ToUtf8(finding.reason).c_str());
            }
            for (const std::wstring& trap : machine_->traps)
                EXPECT_FALSE(SameOrBelow(path, trap)) << how << ": offered " << ToUtf8(path);
            for (const std::wstring& vendor : machine_->vendors)
                EXPECT_NE(path, FoldCase(vendor)) << how << ": offered an installed program's vendor";
            const std::wstring name = ExtractFileName(path);
            for (const wchar_t* own : {L"Wine", L"Microsoft", L"Common Files", L"Internet Explorer", L"Windows NT",
                                       L"Windows Media Player", L"Administrative Tools", L"StartUp", L"Borland",
                                       L"Khronos", L"Classes", L"Clients", L"Policies", L"Registered Applications",
                                       L"Wow6432Node", L"Temp"})
                EXPECT_FALSE(EqualsNoCase(name, own)) << how << ": offered the system's " << ToUtf8(path);
        }
        const auto portable = found.find(FoldCase(machine_->programFiles + L"\\PurgeonLeftPortable"));
        if (portable != found.end()) {
            EXPECT_FALSE(portable->second.checked);
        }
        printf("  %s: %zu findings; of %zu seeded leftovers %zu found, %zu checked (%zu sure)\n", how, found.size(),
               machine_->seeded.size(), foundSeeded, checkedSeeded,
               static_cast<size_t>(std::count_if(machine_->seeded.begin(), machine_->seeded.end(),
                                                 [](const auto& s) { return s.second; })));
        return {foundSeeded, checkedSeeded};
    }

    static Machine* machine_;
};

SeededMachine::Machine* SeededMachine::machine_ = nullptr;

TEST_F(SeededMachine, FindsTheSeededLeftoversAndChecksOnlyTheSureOnes) {
    const auto [found, checked] = Judge(FromLeftovers(machine_->FindADayLater()), "a day later");
    EXPECT_GE(found * 5, machine_->seeded.size() * 4);  // at least four fifths
    EXPECT_EQ(checked, 8u);                            // every sure one
}

TEST_F(SeededMachine, TheCommandLineListsThemAndChecksNothingWrittenToday) {
    DWORD exitCode = STILL_ACTIVE;
    const std::string output = CaptureOutput(machine_->home.path() + L"Purgeon.exe", L"/leftovers", &exitCode);
    EXPECT_EQ(exitCode, 0u) << output;
    const Findings found = FromLines(output);
    const auto [seen, checked] = Judge(found, "now");
    EXPECT_GE(seen * 5, machine_->seeded.size() * 4);
    // The keys were written today, so they wait; the aged folders do not.
    EXPECT_FALSE(found.at(FoldCase(std::wstring(kHklm) + kGone)).checked);
    EXPECT_TRUE(found.at(FoldCase(machine_->goneFolder)).checked);
    EXPECT_EQ(checked, 4u);

    CaptureOutput(machine_->home.path() + L"Purgeon.exe", L"/leftovers /nonsense", &exitCode);
    EXPECT_EQ(exitCode, 1u);
}

// What a clean-up and its undo must leave as it was: every seeded folder's files and the keys.
struct MachineImage {
    std::map<std::wstring, TreeImage> folders;
    RegistryImage keys;
    bool operator==(const MachineImage& other) const { return folders == other.folders && keys == other.keys; }
};

MachineImage ImageOfSeeds(const std::map<std::wstring, bool>& seeded) {
    MachineImage image;
    for (const auto& [path, sure] : seeded) {
        if (const std::optional<RegistryTarget> key = SplitRegistryText(path)) {
            UniqueHKey there;
            const bool exists = RegOpenKeyExW(key->root, (key->parentPath + key->lastName).c_str(), 0, KEY_READ,
                                              there.put()) == ERROR_SUCCESS;
            if (exists) AddImage(image.keys, there.get(), path);
            image.keys[L"(exists)|" + path] = {exists ? 1u : 0u, {}};
        } else {
            image.folders[path] = ImageOf(path);
            image.folders[path][L"(exists)"] = DirectoryExists(path) ? "yes" : "no";
        }
    }
    return image;
}

TEST_F(SeededMachine, CleanThenRestoreGivesEverythingBackByteForByte) {
    const MachineImage before = ImageOfSeeds(machine_->seeded);
    DWORD exitCode = STILL_ACTIVE;
    // In the form scripts read: the clean-up's rows as JSON.
    const std::string cleaned = CaptureOutput(machine_->home.path() + L"Purgeon.exe", L"/leftovers /clean /json", &exitCode);
    EXPECT_EQ(exitCode, 0u) << cleaned;
    const std::optional<std::vector<JsonRow>> rows = ReadJsonRows(cleaned);
    ASSERT_TRUE(rows) << cleaned;
    // Exactly the checked findings went, with what they held; each has its row.
    const std::vector<std::wstring> checked = {machine_->goneFolder, machine_->roaming + L"\\" + kGone,
                                               machine_->startMenu + L"\\" + kGoneDisplay,
                                               machine_->startMenu + L"\\Purgeon Left Lost"};
    std::wstring backup;
    std::set<std::wstring> deleted;
    for (const JsonRow& row : *rows) {
        if (row.at(L"result") == L"backup") {
            backup = row.at(L"folder");
            continue;
        }
        ASSERT_EQ(row.at(L"result"), L"deleted");
        const std::wstring path = row.at(L"path");
        EXPECT_TRUE(std::any_of(checked.begin(), checked.end(), [&](const std::wstring& top) { return SameOrBelow(path, top); }))
            << ToUtf8(path);
        deleted.insert(FoldCase(path));
    }
    for (const std::wstring& top : checked) EXPECT_TRUE(deleted.count(FoldCase(top))) << ToUtf8(top);
    EXPECT_FALSE(DirectoryExists(machine_->goneFolder));
    EXPECT_TRUE(DirectoryExists(machine_->programFiles + L"\\" + kVendor + L"\\" + kKept));
    ASSERT_FALSE(backup.empty()) << cleaned;
    const std::string restored =
        CaptureOutput(machine_->home.path() + L"Purgeon.exe", L"/restore /json \"" + backup + L"\"", &exitCode);
    EXPECT_EQ(exitCode, 0u) << restored;
    const std::optional<std::vector<JsonRow>> back = ReadJsonRows(restored);
    ASSERT_TRUE(back) << restored;
    EXPECT_EQ(back->size(), rows->size() - 1);  // one "restored" row for each "deleted" one
    EXPECT_TRUE(before == ImageOfSeeds(machine_->seeded));

    // The keys too, a day later, through the same clean-up the command runs.
    const std::vector<remains::Leftover> later = machine_->FindADayLater();
    std::wstring laterBackup;
    std::vector<std::wstring> lines;
    const auto collect = [&](const OutputRow& row) { lines.push_back(RowLine(row)); };
    EXPECT_EQ(uninstall::RunLeftoversCommand(later, true, cleanup::CleanupsFolderOf(machine_->home.path()), collect), 0);
    for (const std::wstring& line : lines)
        if (line.rfind(L"backup\t", 0) == 0) laterBackup = line.substr(7, line.size() - 8);
    size_t keysDeleted = 0;
    for (const std::wstring& line : lines) keysDeleted += line.rfind(L"deleted\tHKEY_", 0) == 0;
    EXPECT_EQ(keysDeleted, 4u);  // the gone program's four keys
    UniqueHKey probe;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\" + std::wstring(kGone)).c_str(), 0, KEY_READ, probe.put()),
              ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(laterBackup.empty());
    EXPECT_EQ(cleanup::RunRestoreCommand(laterBackup, [](const OutputRow&) {}), 0);
    EXPECT_TRUE(before == ImageOfSeeds(machine_->seeded));
}

// Every top node's text with its children's.
std::map<std::wstring, std::vector<std::wstring>> Groups(HWND tree) {
    std::map<std::wstring, std::vector<std::wstring>> groups;
    for (HTREEITEM top = TreeView_GetRoot(tree); top; top = TreeView_GetNextSibling(tree, top)) {
        std::vector<std::wstring>& children = groups[ItemText(tree, top)];
        for (HTREEITEM child = TreeView_GetChild(tree, top); child; child = TreeView_GetNextSibling(tree, child))
            children.push_back(ItemText(tree, child));
    }
    return groups;
}

// The window groups the findings by program, with their reasons, and Delete takes the checked.
TEST_F(SeededMachine, TheWindowGroupsThemByProgramWithTheirReasons) {
    const MachineImage before = ImageOfSeeds(machine_->seeded);
    const remains::LeftoverSearch search = machine_->SearchADayLater();
    ScratchFolder backups(L"leftovers-window");
    TScanForm form;
    std::vector<std::wstring> messages;
    form.ShowMessage = [&](HWND, const std::wstring& text) { messages.push_back(text); };
    form.BackupDir = backups.path();
    ASSERT_TRUE(form.CreateLeftovers(nullptr, GetModuleHandleW(nullptr), [search](const remains::ScanProgress& progress) {
        return remains::FindLeftovers(search, progress);
    }));
    HWND window = form.Handle();
    SetWindowPos(window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Pump();
    form.StartScan();
    ASSERT_TRUE(form.Scanned());
    EXPECT_EQ(WindowText(window), LangText(IDS_SCANFORM_LeftoversTitle));

    const std::wstring gone = std::wstring(kGoneDisplay) + L" (" + kVendor + L")";
    const std::wstring recorded = L"    ([95] " + Format(LangText(IDS_LEFTOVERS_REASON_Recorded).c_str(), kGoneDisplay) + L")";
    const auto keys = Groups(form.RegTree());
    ASSERT_TRUE(keys.count(gone));
    EXPECT_EQ(keys.at(gone).size(), 4u);
    for (const std::wstring& key : keys.at(gone)) EXPECT_NE(key.find(recorded), std::wstring::npos) << ToUtf8(key);
    const auto files = Groups(form.FileTree());
    ASSERT_TRUE(files.count(gone));
    EXPECT_EQ(files.at(gone), (std::vector<std::wstring>{machine_->goneFolder + recorded,
                                                         machine_->roaming + L"\\" + kGone + recorded,
                                                         machine_->startMenu + L"\\" + kGoneDisplay + recorded}));
    ASSERT_TRUE(files.count(kLost));
    EXPECT_EQ(files.at(kLost).size(), 2u);  // its Start Menu folder and its AppData folder

    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    const std::wstring picture = ExtractFilePath(ExcludeTrailingBackslash(BinDir())) + L"leftovers-window.bmp";
    EXPECT_TRUE(SaveWindowPicture(window, picture));
    printf("leftovers window picture: %s\n", ToUtf8(picture).c_str());

    form.PressDelete();
    ASSERT_TRUE(form.LastCleanup().ran);
    EXPECT_TRUE(form.LastCleanup().AllGone());
    EXPECT_FALSE(DirectoryExists(machine_->goneFolder));
    // What stayed unchecked is still there, under its program.
    const auto left = Groups(form.FileTree());
    EXPECT_FALSE(left.count(gone));
    ASSERT_TRUE(left.count(kLost));
    EXPECT_EQ(left.at(kLost).size(), 1u);
    ShowWindow(window, SW_HIDE);
    EXPECT_EQ(cleanup::RunRestoreCommand(ExcludeTrailingBackslash(form.LastCleanup().backupFolder), [](const OutputRow&) {}), 0);
    EXPECT_TRUE(before == ImageOfSeeds(machine_->seeded));
}

}  // namespace
