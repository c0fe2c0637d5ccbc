// The batch window driven in-process through its buttons, over sample programs whose own
// uninstallers run quietly: the rows as the batch goes, the registry afterwards, Stop, and the
// one remains scan of the programs it removed, each under its own node with its own clean-up.
// Pictures of the window mid-run and of the combined scan are left in the build folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <functional>

#include "cleanup/cleanupBackup.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "tests/support/batchSamples.h"
#include "tests/support/testSupport.h"
#include "tests/support/treeItems.h"
#include "tools/samples/sampleCatalog.h"
#include "ui/frmBatch.h"
#include "ui/frmScanRemains.h"
#include "ui/uiCommon.h"

using namespace purgeon;
using namespace purgeon::test;
namespace samples = purgeon::samples;
using samples::UninstallBehaviour;

namespace {

enum Column { kProgram, kInstaller, kQuiet, kState, kDetail };

std::wstring PicturePath(const wchar_t* name) { return ExtractFilePath(ExcludeTrailingBackslash(BinDir())) + name; }

void Picture(HWND window, const wchar_t* name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    EXPECT_TRUE(SaveWindowPicture(window, PicturePath(name))) << ToUtf8(name);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms = 60000) {
    return WaitUntil(
        [&] {
            Pump();
            return done();
        },
        ms);
}

void Click(HWND button) {
    ASSERT_TRUE(IsWindowEnabled(button));
    SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
}

// The batch of these samples as the main window puts it together: each by its key.
std::vector<uninstall::BatchProgram> BatchOf(const std::vector<const samples::InstalledSample*>& samples) {
    std::vector<uninstall::BatchProgram> programs;
    for (const samples::InstalledSample* sample : samples) {
        std::vector<std::wstring> others;
        for (const samples::InstalledSample* other : samples)
            if (other != sample) others.push_back(other->installDir);
        programs.push_back(uninstall::BatchProgramOf(
            L"HKEY_LOCAL_MACHINE\\" + samples::UninstallKeyPath(sample->keyName), sample->keyName, sample->keyName,
            sample->installDir, sample->keyName + L" Works", sample->uninstallString, std::move(others)));
    }
    return programs;
}

class BatchForm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ResetLanguageTable();
        com_ = new ComApartment();
    }
    static void TearDownTestSuite() { delete com_; }
    void SetUp() override {
        owner_ = CreateHiddenOwner();
        ASSERT_TRUE(owner_);
    }
    void TearDown() override {
        for (const std::wstring& name : installed_) {
            try {
                samples::RemoveSample(name);
            } catch (const samples::SampleError&) {
                // Its uninstaller took it away already.
            }
        }
    }
    const samples::InstalledSample& Install(const wchar_t* name, UninstallBehaviour behaviour, DWORD exitCode) {
        installed_.push_back(name);
        samples_.push_back(QuietSample(name, behaviour, exitCode));
        return samples_.back();
    }
    bool Create(TBatchForm& form, std::vector<uninstall::BatchProgram> programs) {
        form.RecordDir = records_.path();
        if (!form.Create(owner_.get(), GetModuleHandleW(nullptr), std::move(programs))) return false;
        SetWindowPos(form.Handle(), HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        Pump();
        return true;
    }

    static ComApartment* com_;
    UniqueWindow owner_;
    ScratchFolder records_{L"batch-records"};
    ScratchFolder backups_{L"batch-backups"};
    std::vector<std::wstring> installed_;
    std::deque<samples::InstalledSample> samples_;
};

ComApartment* BatchForm::com_ = nullptr;

}  // namespace

TEST_F(BatchForm, ThreeProgramsGoQuietlyAndTheRemovedOnesAreScannedTogether) {
    const auto& slow = Install(L"PurgeonBatchWinSlow", UninstallBehaviour::Slow, 0);
    const auto& restart = Install(L"PurgeonBatchWinRestart", UninstallBehaviour::Remains, 3010);
    const auto& cancel = Install(L"PurgeonBatchWinCancel", UninstallBehaviour::Nothing, 1602);
    TBatchForm form;
    ASSERT_TRUE(Create(form, BatchOf({&slow, &restart, &cancel})));
    HWND list = form.ProgramList();

    // Before the start: every program waits, each with its kind and a quiet form, Quiet on.
    ASSERT_EQ(3, ListView_GetItemCount(list));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(list, row, kInstaller), L"Its own quiet command");
        EXPECT_EQ(Cell(list, row, kQuiet), L"Known");
        EXPECT_EQ(Cell(list, row, kState), L"Waiting");
    }
    EXPECT_EQ(BST_CHECKED, SendMessageW(form.QuietBox(), BM_GETCHECK, 0, 0));
    EXPECT_FALSE(IsWindowEnabled(form.StopButton()));
    EXPECT_FALSE(IsWindowEnabled(form.ScanButton()));

    Click(form.StartButton());
    EXPECT_FALSE(IsWindowEnabled(form.QuietBox()));
    EXPECT_TRUE(IsWindowEnabled(form.StopButton()));
    // Mid-run: the slow one still runs while the quick one has come to its end.
    ASSERT_TRUE(PumpUntil([&] { return Cell(list, 0, kState) == L"Running" && Cell(list, 1, kState) != L"Running" &&
                                       Cell(list, 1, kState) != L"Waiting"; }));
    Picture(form.Handle(), L"batch-window.bmp");
    ASSERT_TRUE(PumpUntil([&] { return form.Finished(); }));

    struct Row {
        const samples::InstalledSample& sample;
        const wchar_t* state;
        const wchar_t* detail;
        bool entryLeft;
    } rows[] = {{slow, L"Removed", L"Exit code 0", false},
                {restart, L"Removed (restart needed)", L"Exit code 3010 (restart needed)", false},
                {cancel, L"Still installed", L"Exit code 1602 (cancelled)", true}};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(list, row, kProgram), rows[row].sample.keyName);
        EXPECT_EQ(Cell(list, row, kState), rows[row].state) << row;
        EXPECT_EQ(Cell(list, row, kDetail), rows[row].detail) << row;
        EXPECT_EQ(EntryExists(rows[row].sample.keyName), rows[row].entryLeft) << row;
        // Each program's terms were recorded before its uninstaller started.
        EXPECT_TRUE(uninstall::ReadUninstallRecord(records_.path(), rows[row].sample.keyName)) << row;
    }
    EXPECT_EQ(3, SendMessageW(form.ProgressBar(), PBM_GETPOS, 0, 0));
    EXPECT_EQ(WindowText(form.ProgressLabel()), L"3 of 3 done");
    EXPECT_FALSE(IsWindowEnabled(form.StopButton()));

    Click(form.ScanButton());
    EXPECT_TRUE(form.ScanRequested());
    EXPECT_TRUE(form.Closed());
    std::vector<RemainsScanPart> parts = RemainsPartsOf(form.Programs(), form.Results());
    ASSERT_EQ(2u, parts.size()) << "the program still installed is not scanned";

    // One scan: each removed program's findings under its own node, with its own marks.
    TScanForm scan;
    std::vector<std::wstring> messages;
    scan.ShowMessage = [&](HWND, const std::wstring& text) { messages.push_back(text); };
    scan.BackupDir = backups_.path();
    ASSERT_TRUE(scan.Create(owner_.get(), GetModuleHandleW(nullptr), parts));
    SetWindowPos(scan.Handle(), HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    scan.StartScan();
    ASSERT_TRUE(scan.Scanned());
    for (HWND tree : {scan.RegTree(), scan.FileTree()}) {
        const std::vector<HTREEITEM> groups = ChildItems(tree, nullptr);
        ASSERT_EQ(2u, groups.size());
        for (size_t i = 0; i < 2; ++i) {
            const samples::InstalledSample& sample = rows[i].sample;
            EXPECT_EQ(ItemText(tree, groups[i]), sample.keyName);
            const std::vector<HTREEITEM> findings = ChildItems(tree, groups[i]);
            ASSERT_FALSE(findings.empty()) << ToUtf8(sample.keyName);
            for (HTREEITEM finding : findings) {
                const std::wstring text = ItemText(tree, finding);
                if (tree == scan.FileTree()) {
                    EXPECT_EQ(text, sample.installDir);
                    EXPECT_EQ(ItemState(tree, finding), 2) << ToUtf8(text);
                } else {
                    // Its own key name, none of the other's; its vendor keys under SOFTWARE checked.
                    EXPECT_NE(text.find(L"\\" + sample.keyName), std::wstring::npos) << ToUtf8(text);
                    if (EqualsNoCase(text, L"HKEY_CURRENT_USER\\SOFTWARE\\" + sample.keyName)) {
                        EXPECT_EQ(ItemState(tree, finding), 2);
                    }
                }
            }
        }
    }
    Picture(scan.Handle(), L"batch-scan-window.bmp");

    // Delete: one clean-up per program, each backup naming its own program.
    Click(scan.DeleteButton());
    ASSERT_EQ(2u, scan.LastCleanups().size());
    for (size_t i = 0; i < 2; ++i) {
        const cleanup::CleanupResult& result = scan.LastCleanups()[i];
        ASSERT_TRUE(result.ran) << ToUtf8(result.error);
        const std::optional<cleanup::Manifest> manifest = cleanup::ReadManifest(result.backupFolder);
        ASSERT_TRUE(manifest);
        EXPECT_EQ(manifest->program, rows[i].sample.keyName);
        EXPECT_FALSE(DirectoryExists(ExcludeTrailingBackslash(rows[i].sample.installDir)));
    }
    EXPECT_NE(scan.LastCleanups()[0].backupFolder, scan.LastCleanups()[1].backupFolder);
    EXPECT_TRUE(DirectoryExists(ExcludeTrailingBackslash(cancel.installDir))) << "still installed: untouched";
    EXPECT_TRUE(EntryExists(cancel.keyName));
    EXPECT_EQ(std::vector<std::wstring>{LangText(IDS_MESSAGEBOX_WARNING_CleanSuccess)}, messages);
}

// Stop starts nothing more and waits for what runs; without a quiet form, Quiet starts off and a
// quiet batch skips that program.
TEST_F(BatchForm, StopLetsTheRunningEndAndSkipsTheRest) {
    const auto& first = Install(L"PurgeonBatchWinFirst", UninstallBehaviour::Slow, 0);
    const auto& second = Install(L"PurgeonBatchWinSecond", UninstallBehaviour::Slow, 0);
    const auto& third = Install(L"PurgeonBatchWinThird", UninstallBehaviour::RemoveAll, 0);
    samples::SampleSpec plainSpec;
    plainSpec.name = L"PurgeonBatchWinPlain";
    plainSpec.publisher = L"Plain Works";
    installed_.push_back(plainSpec.name);
    samples_.push_back(samples::InstallSample(plainSpec, BinDir()));
    const auto& plain = samples_.back();  // no quiet form of any kind

    TBatchForm form;
    ASSERT_TRUE(Create(form, BatchOf({&first, &second, &third, &plain})));
    HWND list = form.ProgramList();
    EXPECT_EQ(Cell(list, 3, kQuiet), L"None");
    EXPECT_EQ(Cell(list, 3, kInstaller), L"Unknown");
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(form.QuietBox(), BM_GETCHECK, 0, 0)) << "one would be skipped";
    SendMessageW(form.QuietBox(), BM_CLICK, 0, 0);
    Click(form.StartButton());
    ASSERT_TRUE(PumpUntil([&] { return Cell(list, 0, kState) == L"Running" && Cell(list, 1, kState) == L"Running"; }));
    Click(form.StopButton());
    EXPECT_NE(WindowText(form.ProgressLabel()).find(L"Stopping"), std::wstring::npos);
    ASSERT_TRUE(PumpUntil([&] { return form.Finished(); }));
    const wchar_t* states[][2] = {{L"Removed", L"Exit code 0"},
                                  {L"Removed", L"Exit code 0"},
                                  {L"Skipped", L"The batch was stopped before it started"},
                                  {L"Skipped", L"No quiet form is known for its uninstaller"}};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(Cell(list, row, kState), states[row][0]) << row;
        EXPECT_EQ(Cell(list, row, kDetail), states[row][1]) << row;
    }
    EXPECT_TRUE(EntryExists(third.keyName));
    EXPECT_TRUE(EntryExists(plain.keyName));
    Click(form.CloseButton());
    EXPECT_TRUE(form.Closed());
    EXPECT_FALSE(form.ScanRequested());
}
