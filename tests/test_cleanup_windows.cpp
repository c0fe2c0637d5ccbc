// The scan window after a clean-up that left things behind, and the undo window, driven
// in-process on real files, with pictures left in the build folder for a look.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "cleanup/cleanupBackup.h"
#include "cleanup/cleanupReport.h"
#include "cleanup/cleanupUndo.h"
#include "cleanup/remainsDelete.h"
#include "i18n/multiLangs.h"
#include "tests/cleanupTestSupport.h"
#include "tests/support/treeItems.h"
#include "ui/frmScanRemains.h"
#include "ui/frmUndo.h"
#include "ui/uiCommon.h"

using namespace purgeon;
using namespace purgeon::test;

namespace {



// Every item's text with its mark, depth first.
void Collect(HWND tree, HTREEITEM first, std::vector<std::pair<std::wstring, int>>& out) {
    for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item)) {
        out.emplace_back(ItemText(tree, item), ItemState(tree, item));
        Collect(tree, TreeView_GetChild(tree, item), out);
    }
}

std::wstring PicturePath(const wchar_t* name) {
    return ExtractFilePath(ExcludeTrailingBackslash(BinDir())) + name;
}

void ShowAndPicture(HWND window, const wchar_t* name) {
    SetWindowPos(window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    const std::wstring path = PicturePath(name);
    EXPECT_TRUE(SaveWindowPicture(window, path));
    printf("picture: %s\n", ToUtf8(path).c_str());
}

}  // namespace

// A program still running from its folder, with a link to a folder elsewhere: Delete takes the
// rest, says how many items stayed and why, and the trees keep exactly those, still checked.
TEST(CleanupWindows, ScanWindowAfterAPartialCleanUpKeepsWhatStayedChecked) {
    ScratchProgram program(L"Window");
    ScratchFolder outside(L"window-outside");
    ScratchFolder backups(L"window-backups");
    WriteFileBytes(outside.path() + L"shared.dat", "shared");
    program.Value(L"", L"InstallDir", REG_SZ, TextBytes(program.folder));
    program.File(L"program.exe", "running");
    program.File(L"readme.txt", "readme");
    program.File(L"data\\cache.bin", "cache");
    UnixLink link(outside.path(), program.Path(L"shared"));
    HeldFile held(program.Path(L"program.exe"));
    ASSERT_TRUE(held.held());

    TScanForm form;
    std::vector<std::wstring> messages;
    form.ShowMessage = [&](HWND, const std::wstring& text) { messages.push_back(text); };
    form.BackupDir = backups.path();
    ASSERT_TRUE(form.Create(nullptr, GetModuleHandleW(nullptr), program.name, program.folder));
    form.StartScan();
    ASSERT_TRUE(form.Scanned());
    form.PressDelete();

    ASSERT_EQ(messages.size(), 1u);
    const std::wstring& message = messages[0];
    EXPECT_EQ(message, cleanup::CleanupMessage(form.LastCleanup().Outcomes()));
    EXPECT_EQ(message.rfind(Format(LangText(IDS_MESSAGEBOX_WARNING_CleanPartly).c_str(), 2), 0), 0u) << ToUtf8(message);
    EXPECT_NE(message.find(program.Path(L"program.exe") + L": " + LangText(IDS_MESSAGEBOX_REASON_InUse)),
              std::wstring::npos)
        << ToUtf8(message);
    EXPECT_NE(message.find(program.Path(L"shared") + L": " + LangText(IDS_MESSAGEBOX_REASON_LinkNotFollowed)),
              std::wstring::npos)
        << ToUtf8(message);
    EXPECT_EQ(message.find(LangText(IDS_MESSAGEBOX_WARNING_CleanSuccess)), std::wstring::npos);

    // The registry key went; the file tree holds the folder, the program and the link, all checked.
    EXPECT_EQ(TreeView_GetRoot(form.RegTree()), nullptr);
    std::vector<std::pair<std::wstring, int>> items;
    Collect(form.FileTree(), TreeView_GetRoot(form.FileTree()), items);
    std::sort(items.begin() + 1, items.end());
    EXPECT_EQ(items, (std::vector<std::pair<std::wstring, int>>{
                         {program.folder, remains::kChecked},
                         {program.Path(L"program.exe"), remains::kChecked},
                         {program.Path(L"shared"), remains::kChecked}}));
    EXPECT_EQ(ReadFileBytes(outside.path() + L"shared.dat"), "shared");
    EXPECT_FALSE(FileExists(program.Path(L"readme.txt")));
    EXPECT_TRUE(IsWindowEnabled(form.DeleteButton()));
    ShowAndPicture(form.Handle(), L"scan-window-partial.bmp");

    // Once the program has ended, another Delete takes it; the link still stays.
    held.Release();
    messages.clear();
    form.PressDelete();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind(Format(LangText(IDS_MESSAGEBOX_WARNING_CleanPartly).c_str(), 1), 0), 0u)
        << ToUtf8(messages[0]);
    EXPECT_FALSE(FileExists(program.Path(L"program.exe")));
    ShowWindow(form.Handle(), SW_HIDE);
}

// Two clean-ups listed newest first; Delete asks and only Yes deletes; Restore gives one back.
TEST(CleanupWindows, UndoWindowListsRestoresAndDeletesAfterAsking) {
    ScratchFolder backups(L"undo-backups");
    ScratchProgram first(L"UndoFirst");
    ScratchProgram second(L"UndoSecond");
    first.Value(L"", L"A", REG_SZ, TextBytes(L"a"));
    first.File(L"one.txt", "one");
    first.File(L"two\\two.txt", std::string(5000, 't'));
    second.File(L"three.txt", "three");
    auto clean = [&](const ScratchProgram& program) {
        std::vector<remains::ScanNode> keys = remains::ScanRegistryKey(HKEY_CURRENT_USER, L"SOFTWARE", program.name);
        std::vector<remains::ScanNode> files;
        if (auto tree = remains::ScanInstallFolder(program.folder)) files.push_back(std::move(*tree));
        return cleanup::CleanRemains(keys, files, {backups.path(), program.name, program.folder});
    };
    const cleanup::CleanupResult older = clean(first);
    const cleanup::CleanupResult newer = clean(second);
    ASSERT_TRUE(older.AllGone() && newer.AllGone());

    TUndoForm form;
    std::vector<std::wstring> messages, questions;
    bool answer = false;
    form.ShowMessage = [&](HWND, const std::wstring& text) { messages.push_back(text); };
    form.Ask = [&](HWND, const std::wstring& text) {
        questions.push_back(text);
        return answer;
    };
    ASSERT_TRUE(form.Create(nullptr, GetModuleHandleW(nullptr), backups.path()));
    EXPECT_EQ(WindowText(form.Handle()), LangText(IDS_UNDOFORM_Title));
    HWND list = form.List();
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    EXPECT_EQ(Cell(list, 0, 1), second.name);
    EXPECT_EQ(Cell(list, 1, 1), first.name);
    EXPECT_EQ(Cell(list, 1, 2), L"1");  // keys
    EXPECT_EQ(Cell(list, 1, 3), L"2");  // files
    EXPECT_FALSE(Cell(list, 1, 4).empty());
    EXPECT_EQ(Cell(list, 0, 0).size(), 19u);  // yyyy-mm-dd hh:mm:ss
    EXPECT_FALSE(IsWindowEnabled(form.RestoreButton()));
    EXPECT_FALSE(IsWindowEnabled(form.DeleteButton()));
    form.SelectRow(1);
    EXPECT_TRUE(IsWindowEnabled(form.RestoreButton()));
    ShowAndPicture(form.Handle(), L"undo-window.bmp");

    // No keeps the backup; Yes deletes it.
    form.SelectRow(0);
    form.PressDelete();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], LangText(IDS_MESSAGEBOX_WARNING_DeleteCleanup));
    EXPECT_TRUE(DirectoryExists(newer.backupFolder));
    EXPECT_EQ(ListView_GetItemCount(list), 2);
    answer = true;
    form.PressDelete();
    EXPECT_FALSE(DirectoryExists(newer.backupFolder));
    ASSERT_EQ(ListView_GetItemCount(list), 1);
    EXPECT_TRUE(messages.empty());

    // Restore gives the first program back and empties the list.
    form.SelectRow(0);
    form.PressRestore();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], LangText(IDS_MESSAGEBOX_MESSAGE_RestoreSucceed));
    EXPECT_EQ(ReadFileBytes(first.Path(L"one.txt")), "one");
    EXPECT_EQ(ReadFileBytes(first.Path(L"two\\two.txt")), std::string(5000, 't'));
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    EXPECT_FALSE(IsWindowEnabled(form.RestoreButton()));
    ShowWindow(form.Handle(), SW_HIDE);
}

// At start-up a clean-up cut short is offered back: Yes restores it; No keeps what was done and is
// not asked again, and the undo window still lists it as interrupted.
TEST(CleanupWindows, AnInterruptedCleanupIsOfferedAtStartAndMarkedInTheUndoWindow) {
    ScratchFolder backups(L"offer-backups");
    ScratchProgram program(L"Offer");
    std::vector<std::wstring> questions, messages;
    bool answer = true;
    cleanup::CleanupResult result;
    auto cleanAndCut = [&] {
        program.File(L"one.txt", "one");
        std::vector<remains::ScanNode> keys, files;
        if (auto tree = remains::ScanInstallFolder(program.folder)) files.push_back(std::move(*tree));
        result = cleanup::CleanRemains(keys, files, {backups.path(), program.name, program.folder});
        ASSERT_FALSE(result.backupFolder.empty());
        CutShort(result.backupFolder);
    };
    const InterruptedCleanupPrompts prompts{[&](HWND, const std::wstring& text) {
                                                questions.push_back(text);
                                                return answer;
                                            },
                                            [&](HWND, const std::wstring& text) { messages.push_back(text); }};
    cleanAndCut();
    OfferInterruptedCleanups(nullptr, backups.path(), prompts);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find(program.name), std::wstring::npos) << ToUtf8(questions[0]);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], LangText(IDS_MESSAGEBOX_MESSAGE_RestoreSucceed));
    EXPECT_EQ(ReadFileBytes(program.Path(L"one.txt")), "one");
    EXPECT_FALSE(DirectoryExists(result.backupFolder));

    answer = false;
    cleanAndCut();
    OfferInterruptedCleanups(nullptr, backups.path(), prompts);
    OfferInterruptedCleanups(nullptr, backups.path(), prompts);
    EXPECT_EQ(questions.size(), 2u) << "asked again after No";
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(FileExists(program.Path(L"one.txt")));

    TUndoForm form;
    ASSERT_TRUE(form.Create(nullptr, GetModuleHandleW(nullptr), backups.path()));
    ASSERT_EQ(ListView_GetItemCount(form.List()), 1);
    EXPECT_EQ(Cell(form.List(), 0, 1), Format(LangText(IDS_UNDOFORM_LISTVIEW_Interrupted).c_str(), program.name.c_str()));
}
