// The backup progress window and the comment window driven in-process, the registry editor's
// export, reload and jump through the real editor of the test prefix.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "backup/fullBackup.h"
#include "backup/regFile.h"
#include "backup/registryEditor.h"
#include "catalogue/ProgramList.h"
#include "report/reportRows.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "tests/support/componentEnvironment.h"
#include "tests/support/testSupport.h"
#include "ui/backupCommands.h"
#include "ui/frmComment.h"
#include "ui/frmProgress.h"
#include "ui/uiCommon.h"

using namespace purgeon;
using namespace purgeon::backup;
using namespace purgeon::report;
using namespace purgeon::test;

namespace {
std::vector<std::wstring> g_reports;
}
// The program's general error report is a message box; here it is recorded.
void purgeon::ShowErrorReport(HWND, const std::wstring& text) { g_reports.push_back(text); }

namespace {

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);
const std::wstring kScratch = L"Software\\PurgeonBackupWindows";

void AddProgram(const std::wstring& source, const std::wstring& key) {
    UniqueHKey created;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (kScratch + L"\\" + source + L"\\" + key).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, created.put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring name = L"Program " + key;
    RegSetValueExW(created.get(), L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
}

std::wstring PicturePath(const wchar_t* name) { return BinDir() + L"..\\" + name; }

// The colour the window shows near its top left corner, where only its background lies.
COLORREF CornerColour(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    WindowDc dc(window);
    return GetPixel(dc.get(), 4, 4);
}

// A hidden top-level owner the windows disable while they are up.
class OwnedWindow : public ::testing::Test {
protected:
    void SetUp() override {
        owner_ = CreateHiddenOwner();
        ASSERT_TRUE(owner_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
        g_reports.clear();
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()); }
    UninstallSource Source(const std::wstring& name) {
        return {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", kScratch + L"\\" + name, L""};
    }
    UniqueWindow owner_;
    ScratchFolder dir_{L"backupwindows"};
};

struct Message {
    std::wstring text;
    bool success;
};

using ProgressForm = OwnedWindow;

TEST_F(ProgressForm, TheBarCountsFilesWrittenAndSuccessComesAfterTheLast) {
    for (const wchar_t* key : {L"App1", L"App2", L"App3"}) AddProgram(L"Three", key);
    std::vector<int> positions;
    std::vector<Message> messages;
    bool pictured = false;
    COLORREF corner = CLR_INVALID;
    BackupResult result = TProgressForm::Run(
        owner_.get(), GetModuleHandleW(nullptr), {Source(L"Three")}, dir_.path(),
        [&](HWND window, const std::wstring& text, bool success) {
            EXPECT_TRUE(IsWindowVisible(window));
            for (const wchar_t* key : {L"App1", L"App2", L"App3"})
                EXPECT_TRUE(FileExists(dir_.path() + key + L".reg")) << "success before every file was there";
            messages.push_back({text, success});
        },
        [&](TProgressForm& form) {
            positions.push_back(form.Position());
            EXPECT_FALSE(IsWindowEnabled(owner_.get()));
            EXPECT_EQ(WindowText(form.Handle()), LangText(IDS_PROGRESSFORM_Title));
            EXPECT_EQ(WindowText(form.InfoLabel()), LangText(IDS_PROGRESSFORM_LABEL_Info));
            if (!pictured && positions.size() == 2) {
                corner = CornerColour(form.Handle());
                RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                pictured = SaveWindowPicture(form.Handle(), PicturePath(L"progress-window.bmp"));
            }
        },
        BinDir() + L"Skins\\");
    EXPECT_TRUE(result.AllSaved());
    EXPECT_EQ(positions, (std::vector<int>{33, 66, 100}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"Backup registry info successfully");
    EXPECT_TRUE(messages[0].success);
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
    EXPECT_TRUE(pictured);
    EXPECT_NE(corner, GetSysColor(COLOR_BTNFACE)) << "the skin's background picture was not painted";
}

TEST_F(ProgressForm, FailedKeysAreNamedWithTheirReason) {
    AddProgram(L"Some", L"Blocked");
    AddProgram(L"Some", L"Fine");
    ASSERT_TRUE(CreateDirectoryW((dir_.path() + L"Blocked.reg").c_str(), nullptr));
    std::vector<Message> messages;
    COLORREF corner = CLR_INVALID;
    // A skin folder without the picture: the plain window.
    BackupResult result = TProgressForm::Run(
        owner_.get(), GetModuleHandleW(nullptr), {Source(L"Some")}, dir_.path(),
        [&](HWND, const std::wstring& text, bool success) { messages.push_back({text, success}); },
        [&](TProgressForm& form) { corner = CornerColour(form.Handle()); }, dir_.path());
    EXPECT_EQ(corner, GetSysColor(COLOR_BTNFACE));
    EXPECT_FALSE(result.AllSaved());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(messages[0].success);
    EXPECT_EQ(messages[0].text.rfind(LangText(IDS_MESSAGEBOX_MESSAGE_BackupFailed), 0), 0u);
    EXPECT_NE(messages[0].text.find(L"\\Some\\Blocked: "), std::wstring::npos) << ToUtf8(messages[0].text);
    EXPECT_EQ(messages[0].text.find(L"\\Some\\Fine"), std::wstring::npos);
}

TEST_F(ProgressForm, ClosingItStopsAfterTheCurrentFileWithoutAMessage) {
    for (int i = 0; i < 30; ++i) AddProgram(L"Many", Format(L"App%02d", i));
    std::vector<Message> messages;
    BackupResult result = TProgressForm::Run(
        owner_.get(), GetModuleHandleW(nullptr), {Source(L"Many")}, dir_.path(),
        [&](HWND, const std::wstring& text, bool success) { messages.push_back({text, success}); },
        [&](TProgressForm& form) { PostMessageW(form.Handle(), WM_CLOSE, 0, 0); });
    EXPECT_TRUE(result.cancelled);
    // The files already on their way are finished; the rest are not begun.
    EXPECT_GE(result.keys.size(), 1u);
    EXPECT_LE(result.keys.size(), 8u);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
}

TEST_F(ProgressForm, NoKeysSaysThereIsNothingToBackUp) {
    std::vector<Message> messages;
    TProgressForm::Run(owner_.get(), GetModuleHandleW(nullptr), {Source(L"Missing")}, dir_.path(),
                       [&](HWND, const std::wstring& text, bool success) { messages.push_back({text, success}); });
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, LangText(IDS_MESSAGEBOX_MESSAGE_BackupNothing));
}

using CommentForm = OwnedWindow;

void Type(HWND edit, wchar_t c, int times) {
    for (int i = 0; i < times; ++i) SendMessageW(edit, WM_CHAR, c, 0);
}

TEST_F(CommentForm, ShowsTheNameAndTakesAtMost250Characters) {
    bool shown = false;
    auto comment = TCommentForm::Run(owner_.get(), GetModuleHandleW(nullptr), L"Beta \u00c9diteur", [&](TCommentForm& form) {
        shown = true;
        EXPECT_FALSE(IsWindowEnabled(owner_.get()));
        EXPECT_EQ(WindowText(form.Handle()), L"Add Comments");
        EXPECT_EQ(WindowText(form.ProgramNameLabel()), L"Beta \u00c9diteur");
        EXPECT_EQ(WindowText(form.TitleLabel()), L"Enter the comments: ( < 260 character)");
        EXPECT_EQ(WindowText(form.OkButton()), L"OK");
        EXPECT_EQ(WindowText(form.CancelButton()), L"Cancel");
        EXPECT_EQ(WindowText(form.CommentEdit()), L"") << "a fresh window starts empty";
        RECT client{};
        GetClientRect(form.Handle(), &client);
        EXPECT_EQ(client.right, TCommentForm::kClientWidth);
        EXPECT_EQ(client.bottom, TCommentForm::kClientHeight);
        Type(form.CommentEdit(), L'x', 251);
        EXPECT_EQ(WindowText(form.CommentEdit()), std::wstring(250, L'x')) << "the 251st character was taken";
        SetWindowTextW(form.CommentEdit(), L"Keep: the scanner needs it");
        RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        SaveWindowPicture(form.Handle(), PicturePath(L"comment-window.bmp"));
        PostMessageW(form.OkButton(), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(comment.value_or(L"<none>"), L"Keep: the scanner needs it");
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
}

TEST_F(CommentForm, EnterAndEscapeDoNotCloseItCancelAndTheCloseBoxGiveNothing) {
    int keysChecked = 0;
    auto comment = TCommentForm::Run(owner_.get(), GetModuleHandleW(nullptr), L"App", [&](TCommentForm& form) {
        SetWindowTextW(form.CommentEdit(), L"typed");
        HWND edit = form.CommentEdit();
        // Through the window's own loop, as keys arrive; then a look whether it is still there.
        PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
        SetTimer(form.Handle(), 77, 200, [](HWND window, UINT, UINT_PTR id, DWORD) {
            KillTimer(window, id);
            PostMessageW(FindDescendant(window, 104), BM_CLICK, 0, 0);  // Cancel
        });
        keysChecked = 1;
    });
    EXPECT_EQ(keysChecked, 1);
    EXPECT_FALSE(comment.has_value()) << "Enter or Escape closed it with a result";
    comment = TCommentForm::Run(owner_.get(), GetModuleHandleW(nullptr), L"App", [&](TCommentForm& form) {
        SetWindowTextW(form.CommentEdit(), L"typed");
        PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(comment.has_value());
}

TEST_F(CommentForm, OkWithAnEmptyBoxGivesAnEmptyComment) {
    auto comment = TCommentForm::Run(owner_.get(), GetModuleHandleW(nullptr), L"", [&](TCommentForm& form) {
        PostMessageW(form.OkButton(), BM_CLICK, 0, 0);
    });
    ASSERT_TRUE(comment.has_value());
    EXPECT_TRUE(comment->empty());
}

// The whole command over a real entry: the component stores the comment and shows it afterwards.
class CommentCommand : public OwnedWindow {
protected:
    int IndexOf(IProgramList* list, const std::wstring& keyName) {
        EXPECT_EQ(list->RefreshPrograms(), S_OK);
        long count = 0;
        list->GetProgramCount(&count);
        for (long i = 0; i < count; ++i) {
            ComPtr<IProgramEntry> entry;
            list->GetProgram(i, entry.put());
            UniqueBstr name;
            if (entry && SUCCEEDED(entry->GetKeyName(name.put())) && name.str() == keyName) return static_cast<int>(i);
        }
        return -1;
    }
    std::wstring CommentOf(IProgramList* list, int index) {
        ComPtr<IProgramEntry> entry;
        list->GetProgram(index, entry.put());
        return entry ? ReadEntryComment(entry.get()) : L"<no entry>";
    }
    ComApartment com_;
    SeededKey key_{Format(L"PurgeonComment-%lu", GetCurrentProcessId())};
};

TEST_F(CommentCommand, OkStoresTheTextAndTheEntryShowsItCancelLeavesIt) {
    key_.Text(L"DisplayName", L"Comment Test Program").Text(L"UninstallString", L"C:\\x\\un.exe");
    TProgramList programs;
    IProgramList* list = programs.Get();
    int index = IndexOf(list, key_.name());
    ASSERT_GE(index, 0);
    EXPECT_TRUE(CommentEntry(owner_.get(), GetModuleHandleW(nullptr), list, key_.keyPath(), [](TCommentForm& form) {
        EXPECT_EQ(WindowText(form.ProgramNameLabel()), L"Comment Test Program");
        SetWindowTextW(form.CommentEdit(), L"needed by the scanner \u00e9");
        PostMessageW(form.OkButton(), BM_CLICK, 0, 0);
    }));
    index = IndexOf(list, key_.name());
    EXPECT_EQ(CommentOf(list, index), L"needed by the scanner \u00e9");

    EXPECT_FALSE(CommentEntry(owner_.get(), GetModuleHandleW(nullptr), list, key_.keyPath(), [](TCommentForm& form) {
        SetWindowTextW(form.CommentEdit(), L"not this");
        PostMessageW(form.CancelButton(), BM_CLICK, 0, 0);
    }));
    index = IndexOf(list, key_.name());
    EXPECT_EQ(CommentOf(list, index), L"needed by the scanner \u00e9");

    EXPECT_TRUE(CommentEntry(owner_.get(), GetModuleHandleW(nullptr), list, key_.keyPath(),
                             [](TCommentForm& form) { PostMessageW(form.OkButton(), BM_CLICK, 0, 0); }));
    index = IndexOf(list, key_.name());
    EXPECT_EQ(CommentOf(list, index), L"");
}

// --- the registry editor ---------------------------------------------------------------------

// A program's key in the machine's Uninstall key, as the catalogue names it.
std::wstring MachineKeyText(const std::wstring& keyName) {
    return UninstallKeyOf(ProgramSource::Machine).Text() + L"\\" + keyName;
}

TEST(EditorCommands, ExportAndReloadCommandLinesAsTheEditorTakesThem) {
    const EditorCommand exportApp = ExportCommand(L"C:\\Backups\\App1.reg", MachineKeyText(L"App1"));
    EXPECT_EQ(exportApp.file, L"regedit");
    EXPECT_EQ(exportApp.parameters,
              L" /e \"App1.reg\" \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App1\"");
    EXPECT_EQ(exportApp.directory, L"C:\\Backups\\");
    const EditorCommand reload = ReloadCommand(L"D:\\x y\\App1.reg");
    EXPECT_EQ(reload.parameters, L" \"App1.reg\"");
    EXPECT_EQ(reload.directory, L"D:\\x y\\");
}

TEST(EditorCommands, TheDialogsStartInTheRememberedFolderElseTheBackupFolder) {
    ScratchFolder backupDir(L"regdialogs-backup"), other(L"regdialogs-other");
    RegFileDialogs dialogs;
    DialogSetup first = ExportDialogSetup(dialogs, backupDir.path(), L"App1");
    EXPECT_EQ(first.initialFolder, backupDir.path());
    EXPECT_EQ(first.fileName, L"App1.reg");
    EXPECT_EQ(first.defaultExtension, L"reg");
    EXPECT_EQ(ExportDialogSetup(dialogs, backupDir.path(), L"{8A69D345-D564}").fileName, L"{8A69D345-D564}.reg");
    EXPECT_EQ(ExportDialogSetup(dialogs, backupDir.path(), L"Vendor: App?").fileName, L"Vendor%3A App%3F.reg");

    RememberExport(dialogs, other.path() + L"Mine.reg");
    EXPECT_EQ(ExportDialogSetup(dialogs, backupDir.path(), L"App2").initialFolder, other.path());
    EXPECT_EQ(ExportDialogSetup(dialogs, backupDir.path(), L"App2").fileName, L"App2.reg");
    // The reload dialog remembers its own.
    EXPECT_EQ(ReloadDialogSetup(dialogs, backupDir.path()).initialFolder, backupDir.path());
    RememberReload(dialogs, other.path() + L"Old.reg");
    EXPECT_EQ(ReloadDialogSetup(dialogs, backupDir.path()).initialFolder, other.path());
    EXPECT_EQ(ReloadDialogSetup(dialogs, backupDir.path()).fileName, L"Old.reg");
    EXPECT_EQ(ReloadDialogSetup(dialogs, backupDir.path()).defaultExtension, L"");
    // A folder that has gone is not offered; without the backup folder the system chooses.
    RememberExport(dialogs, L"C:\\No\\Such\\Folder\\x.reg");
    EXPECT_EQ(ExportDialogSetup(dialogs, backupDir.path(), L"App3").initialFolder, backupDir.path());
    EXPECT_EQ(ExportDialogSetup(dialogs, L"C:\\No\\Such\\Backup\\", L"App3").initialFolder, L"");
}

// Presses OK in the file dialog of this thread once it is up, noting the file name it offered.
std::wstring g_offeredName;
void CALLBACK PressDialogOk(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            wchar_t name[64];
            GetClassNameW(window, name, 64);
            if (!IsWindowVisible(window) || lstrcmpW(name, L"#32770") != 0) return TRUE;
            HWND fileName = FindDescendant(window, 0x47c);  // the file name box of the dialog
            HWND edit = fileName ? FindWindowExW(fileName, nullptr, L"Edit", nullptr) : nullptr;
            g_offeredName = WindowText(edit ? edit : fileName);
            PostMessageW(window, WM_COMMAND, IDOK, 0);
            return FALSE;
        },
        0);
    KillTimer(nullptr, id);
}

TEST(EditorDialogs, TheSaveDialogOffersTheKeysFileInTheBackupFolderAndRemembersTheChoice) {
    ScratchFolder backupDir(L"regdialog-real");
    RegFileDialogs dialogs;
    g_offeredName.clear();
    SetTimer(nullptr, 0, 1500, PressDialogOk);
    std::optional<std::wstring> chosen = ChooseExportFile(nullptr, dialogs, backupDir.path(), L"App1");
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(g_offeredName, L"App1.reg");
    EXPECT_TRUE(EqualsNoCase(*chosen, backupDir.path() + L"App1.reg")) << ToUtf8(*chosen);
    EXPECT_TRUE(EqualsNoCase(dialogs.exportFolder, backupDir.path()));
    EXPECT_EQ(dialogs.exportFile, L"App1.reg");
}

bool WaitForFile(const std::wstring& path) { return WaitUntil([&] { return FileExists(path); }, 15000); }

// Export and reload through the real editor, started as the commands start it.
class Editor : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()); }
    ScratchFolder dir_{L"editor"};
};

TEST_F(Editor, ExportLandsInTheChosenFolderAndReloadBringsTheKeyBack) {
    AddProgram(L"Exported", L"App1");
    const std::wstring file = dir_.path() + L"App1 export.reg";
    ASSERT_TRUE(StartEditor(nullptr, ExportCommand(file, L"HKEY_CURRENT_USER\\" + kScratch + L"\\Exported\\App1")));
    ASSERT_TRUE(WaitForFile(file));
    WaitUntil([&] { return ReadFileBytes(file).size() > 100; }, 5000);
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(file));
    std::optional<std::wstring> ours =
        RegFileText(HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", kScratch + L"\\Exported\\App1");
    ASSERT_TRUE(ours);
    std::string expected = "\xFF\xFE" + std::string(reinterpret_cast<const char*>(ours->data()), ours->size() * 2);
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(file) == expected; }, 5000));

    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str()), ERROR_SUCCESS);
    ASSERT_TRUE(StartEditor(nullptr, ReloadCommand(file)));
    const std::wstring back = kScratch + L"\\Exported\\App1";
    EXPECT_TRUE(WaitUntil(
        [&] {
            UniqueHKey key;
            return RegOpenKeyExW(HKEY_CURRENT_USER, back.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
                   ReadRegString(key.get(), L"DisplayName") == std::optional<std::wstring>(L"Program App1");
        },
        15000));
}

// The editor's main window, once it is up.
HWND EditorWindow() {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindWindowW(L"RegEdit_RegEdit", nullptr);
            return found && IsWindowVisible(found);
        },
        15000);
    return found;
}

std::optional<std::wstring> LastKey() {
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegeditSettingsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    return ReadRegString(key.get(), kRegeditLastKeyValue);
}

void CloseEditor(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (process) WaitForSingleObject(process.get(), 10000);
}

TEST(RegistryJump, WithoutTheSettingsKeyItIsCreatedAndTheEditorOpensAtTheKey) {
    SeededKey program(Format(L"PurgeonJump-%lu", GetCurrentProcessId()));
    program.Text(L"DisplayName", L"Jump Test");
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kRegeditSettingsKey) == ERROR_SUCCESS ||
                  !LastKey().has_value(),
              true);
    ASSERT_FALSE(LastKey().has_value());
    const std::wstring keyText = MachineKeyText(program.name());
    g_reports.clear();
    OpenRegistryEditorAt(nullptr, keyText);
    EXPECT_TRUE(g_reports.empty());
    EXPECT_EQ(LastKey().value_or(L"<none>"), keyText);
    HWND editor = EditorWindow();
    ASSERT_TRUE(editor) << "the editor did not open";
    Sleep(500);  // let it expand the tree to the key and paint
    SaveWindowPicture(editor, PicturePath(L"regedit-jump.bmp"));
    CloseEditor(editor);
    // The editor keeps where it stood when it closes, spelt as its tree spells it: still the key.
    EXPECT_TRUE(EqualsNoCase(LastKey().value_or(L"<none>"), keyText)) << ToUtf8(LastKey().value_or(L"<none>"));
}

TEST(RegistryJump, AnExistingLastKeyIsReplaced) {
    ASSERT_EQ(WriteRegeditLastKey(L"HKEY_CURRENT_USER\\Software"), ERROR_SUCCESS);
    const std::wstring keyText = MachineKeyText(L"App1");
    ASSERT_EQ(WriteRegeditLastKey(keyText), ERROR_SUCCESS);
    UniqueHKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kRegeditSettingsKey, 0, KEY_READ, key.put()), ERROR_SUCCESS);
    std::optional<RegValue> value = ReadRegValue(key.get(), kRegeditLastKeyValue);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RegBytesToString(value->data), keyText);
}

}  // namespace
