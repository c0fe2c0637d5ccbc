// The remains window driven in-process, hidden, against a scratch registry key and a scratch
// install folder: what the trees list, a click on a check box, and what Delete removes and keeps.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "cleanup/cleanupBackup.h"
#include "cleanup/regBackup.h"
#include "remains/remainsScan.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "tests/support/testSupport.h"
#include "tests/support/treeItems.h"
#include "tools/samples/sampleCatalog.h"
#include "ui/frmScanRemains.h"
#include "ui/uiCommon.h"

using namespace purgeon;
using namespace purgeon::test;

namespace {



HTREEITEM FindChild(HWND tree, HTREEITEM parent, const std::wstring& text) {
    for (HTREEITEM item : ChildItems(tree, parent))
        if (ItemText(tree, item) == text) return item;
    return nullptr;
}

// A left-button press on the item's check box, which lies just left of its text.
void ClickCheckBox(HWND tree, HTREEITEM item) {
    RECT textRect{};
    ASSERT_TRUE(TreeView_GetItemRect(tree, item, &textRect, TRUE));
    const int x = textRect.left - 8;
    const int y = (textRect.top + textRect.bottom) / 2;
    // The release is queued first: a press the window does not take as a check-box click starts
    // the tree's own mouse tracking, which waits for it.
    PostMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    MSG message;
    while (PeekMessageW(&message, tree, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE)) DispatchMessageW(&message);
}

bool KeyExists(const std::wstring& path) {
    UniqueHKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Every file below a folder, at any depth.
void CollectFiles(const std::wstring& folder, std::vector<std::wstring>& files) {
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (!find) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(folder + name + L"\\", files);
        else
            files.push_back(folder + name);
    } while (FindNextFileW(find.get(), &found));
}

std::wstring ReadUtf16File(const std::wstring& path) {
    const std::string bytes = ReadFileBytes(path);
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
    return text;
}

// The registry editor's files a clean-up left in its backups.
std::vector<std::wstring> SavedRegFiles(const std::wstring& backups) {
    std::vector<std::wstring> files, saved;
    CollectFiles(backups, files);
    for (const std::wstring& file : files)
        if (EqualsNoCase(ExtractFileName(file), cleanup::kRemainsBackupFile)) saved.push_back(file);
    return saved;
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// A program's remains: a vendor key under HKCU\Software with a value and a subkey, and an install
// folder under Program Files (one program's folder, so deletion is allowed there) with a file,
// a second file and a subfolder holding a third.
class ScanForm : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = Format(L"PurgeonScanForm%lu_%lu", GetCurrentProcessId(), GetTickCount());
        keyPath_ = L"Software\\" + name_;
        UniqueHKey key, sub;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, key.put(), nullptr));
        SetString(key.get(), L"InstallPath", L"C:\\Somewhere");
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(key.get(), L"Settings", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 sub.put(), nullptr));
        SetString(sub.get(), L"Colour", L"blue");

        wchar_t programFiles[MAX_PATH] = {};
        ExpandEnvironmentStringsW(L"%ProgramFiles%", programFiles, MAX_PATH);
        parent_ = std::wstring(programFiles) + L"\\PurgeonScanTest\\";
        folder_ = parent_ + name_;
        ASSERT_FALSE(remains::IsProtectedFolder(folder_));
        ForceDirectories(folder_ + L"\\Data\\");
        WriteFileBytes(folder_ + L"\\keep.txt", "keep");
        WriteFileBytes(folder_ + L"\\readme.txt", "readme");
        WriteFileBytes(folder_ + L"\\Data\\state.dat", "state");

        owner_ = CreateHiddenOwner();
        ASSERT_TRUE(owner_);
        form_.ShowMessage = [this](HWND, const std::wstring& text) { messages_.push_back(text); };
        form_.BackupDir = backups_.path();
    }

    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, keyPath_.c_str());
        RemoveTree(folder_);
        RemoveDirectoryW(parent_.c_str());  // only when no other run left a folder there
    }

    std::wstring KeyText() const { return L"HKEY_CURRENT_USER\\SOFTWARE\\" + name_; }

    std::wstring name_;
    std::wstring keyPath_;
    std::wstring parent_;
    std::wstring folder_;
    ScratchFolder backups_{L"scanform-backups"};
    UniqueWindow owner_;
    TScanForm form_;
    std::vector<std::wstring> messages_;
};

TEST_F(ScanForm, ListsTheKeyAndTheFolderAllChecked) {
    ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr), name_, folder_));
    EXPECT_EQ(WindowText(form_.Handle()), LangText(IDS_SCANFORM_Title));
    EXPECT_EQ(WindowText(form_.DeleteButton()), LangText(IDS_SCANFORM_BUTTON_Delete));
    EXPECT_FALSE(IsWindowEnabled(form_.DeleteButton()));
    EXPECT_FALSE(IsWindowEnabled(form_.CancelButton()));

    form_.StartScan();
    ASSERT_TRUE(form_.Scanned());
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(IsWindowEnabled(form_.Handle()));
    EXPECT_TRUE(IsWindowEnabled(form_.DeleteButton()));
    EXPECT_TRUE(IsWindowEnabled(form_.CancelButton()));

    // The key with its one value; its subkey is not a finding of its own.
    HWND regTree = form_.RegTree();
    const std::vector<HTREEITEM> keys = ChildItems(regTree, nullptr);
    ASSERT_EQ(1u, keys.size());
    EXPECT_EQ(ItemText(regTree, keys[0]), KeyText());
    EXPECT_EQ(2, ItemState(regTree, keys[0]));
    const std::vector<HTREEITEM> values = ChildItems(regTree, keys[0]);
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(ItemText(regTree, values[0]), KeyText() + L"\\InstallPath");
    EXPECT_EQ(2, ItemState(regTree, values[0]));

    // The folder as given, then its entries by full path.
    HWND fileTree = form_.FileTree();
    const std::vector<HTREEITEM> roots = ChildItems(fileTree, nullptr);
    ASSERT_EQ(1u, roots.size());
    EXPECT_EQ(ItemText(fileTree, roots[0]), folder_);
    EXPECT_EQ(3u, ChildItems(fileTree, roots[0]).size());
    HTREEITEM data = FindChild(fileTree, roots[0], folder_ + L"\\Data");
    ASSERT_TRUE(data);
    ASSERT_TRUE(FindChild(fileTree, data, folder_ + L"\\Data\\state.dat"));
    EXPECT_EQ(2, ItemState(fileTree, FindChild(fileTree, data, folder_ + L"\\Data\\state.dat")));
    ASSERT_TRUE(FindChild(fileTree, roots[0], folder_ + L"\\keep.txt"));
    ASSERT_TRUE(FindChild(fileTree, roots[0], folder_ + L"\\readme.txt"));
    EXPECT_EQ(2, ItemState(fileTree, roots[0]));
}

TEST_F(ScanForm, ClickingCheckBoxesMarksTheNodeAndItsFamily) {
    ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr), name_, folder_));
    form_.StartScan();
    HWND tree = form_.FileTree();
    HTREEITEM root = TreeView_GetRoot(tree);
    ASSERT_TRUE(root);
    HTREEITEM data = FindChild(tree, root, folder_ + L"\\Data");
    HTREEITEM keep = FindChild(tree, root, folder_ + L"\\keep.txt");
    ASSERT_TRUE(data && keep);
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(data));
    HTREEITEM state = FindChild(tree, data, folder_ + L"\\Data\\state.dat");
    ASSERT_TRUE(state);

    // The folder's only file unticked: the folder follows, the install folder is partly checked.
    ClickCheckBox(tree, state);
    EXPECT_EQ(1, ItemState(tree, state));
    EXPECT_EQ(1, ItemState(tree, data));
    EXPECT_EQ(3, ItemState(tree, root));
    EXPECT_EQ(2, ItemState(tree, keep));

    // The partly checked install folder clicked: everything checked again.
    ClickCheckBox(tree, root);
    EXPECT_EQ(2, ItemState(tree, root));
    EXPECT_EQ(2, ItemState(tree, data));
    EXPECT_EQ(2, ItemState(tree, state));

    // A click on the text is not a click on the check box.
    RECT textRect{};
    ASSERT_TRUE(TreeView_GetItemRect(tree, keep, &textRect, TRUE));
    PostMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(textRect.left + 4, textRect.top + 2));
    SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(textRect.left + 4, textRect.top + 2));
    EXPECT_EQ(2, ItemState(tree, keep));
}

TEST_F(ScanForm, DeleteSavesTheKeysThenRemovesWhatIsChecked) {
    ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr), name_, folder_));
    form_.StartScan();
    HWND fileTree = form_.FileTree();
    HTREEITEM root = TreeView_GetRoot(fileTree);
    ASSERT_TRUE(root);
    HTREEITEM keep = FindChild(fileTree, root, folder_ + L"\\keep.txt");
    ASSERT_TRUE(keep);
    ClickCheckBox(fileTree, keep);
    ASSERT_EQ(1, ItemState(fileTree, keep));

    form_.PressDelete();
    ASSERT_EQ(1u, messages_.size());
    EXPECT_EQ(messages_[0], LangText(IDS_MESSAGEBOX_WARNING_CleanSuccess));

    // The key goes whole, its subkey with it; of the files only the unticked one stays.
    EXPECT_FALSE(KeyExists(keyPath_));
    EXPECT_TRUE(Exists(folder_ + L"\\keep.txt"));
    EXPECT_FALSE(Exists(folder_ + L"\\readme.txt"));
    EXPECT_FALSE(Exists(folder_ + L"\\Data\\state.dat"));
    EXPECT_FALSE(Exists(folder_ + L"\\Data"));

    // The trees keep exactly what was not removed, with marks the user can change.
    EXPECT_EQ(nullptr, TreeView_GetRoot(form_.RegTree()));
    root = TreeView_GetRoot(fileTree);
    ASSERT_TRUE(root);
    EXPECT_EQ(ItemText(fileTree, root), folder_);
    const std::vector<HTREEITEM> left = ChildItems(fileTree, root);
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ(ItemText(fileTree, left[0]), folder_ + L"\\keep.txt");
    EXPECT_EQ(1, ItemState(fileTree, left[0]));
    EXPECT_EQ(1, ItemState(fileTree, root));
    EXPECT_TRUE(IsWindowEnabled(form_.DeleteButton()));

    // The registry part was saved first, loadable by the registry editor, beside the files set aside.
    std::vector<std::wstring> saved = SavedRegFiles(backups_.path());
    ASSERT_EQ(1u, saved.size());
    EXPECT_EQ(ReadFileBytes(form_.LastCleanup().backupFolder +
                            cleanup::CleanupBackup::StoredFor(folder_ + L"\\readme.txt")),
              "readme");
    const std::wstring text = ReadUtf16File(saved[0]);
    EXPECT_EQ(0u, text.find(cleanup::kRegFileHeader));
    EXPECT_NE(text.find(L"[" + KeyText() + L"]"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"InstallPath\"=\"C:\\\\Somewhere\""), std::wstring::npos);
    EXPECT_NE(text.find(L"\\Settings]"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"Colour\"=\"blue\""), std::wstring::npos);

    // A second Delete with the one file checked again removes it too.
    ClickCheckBox(fileTree, left[0]);
    form_.PressDelete();
    EXPECT_FALSE(Exists(folder_ + L"\\keep.txt"));
}

TEST_F(ScanForm, NothingIsDeletedWhenTheBackupCannotBeSaved) {
    // A backup folder below a file cannot be made.
    WriteFileBytes(backups_.path() + L"blocker", "x");
    form_.BackupDir = backups_.path() + L"blocker\\backups";
    ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr), name_, folder_));
    form_.StartScan();
    ASSERT_TRUE(TreeView_GetRoot(form_.RegTree()));

    form_.PressDelete();
    ASSERT_EQ(1u, messages_.size());
    const std::wstring failed = LangText(IDS_MESSAGEBOX_WARNING_CleanBackupFailed);
    EXPECT_EQ(messages_[0].rfind(failed.substr(0, failed.find(L"%s")), 0), 0u) << ToUtf8(messages_[0]);
    EXPECT_TRUE(KeyExists(keyPath_));
    EXPECT_TRUE(KeyExists(keyPath_ + L"\\Settings"));
    EXPECT_TRUE(Exists(folder_ + L"\\readme.txt"));
    EXPECT_TRUE(Exists(folder_ + L"\\Data\\state.dat"));
    EXPECT_TRUE(TreeView_GetRoot(form_.RegTree()));
    EXPECT_TRUE(TreeView_GetRoot(form_.FileTree()));
}

TEST_F(ScanForm, TheTimerStartsTheScanAndAnEmptyScanTellsAndCloses) {
    ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr), name_ + L"Missing", folder_ + L"Missing"));
    const DWORD start = GetTickCount();
    MSG message;
    while (!form_.Scanned() && GetTickCount() - start < 120000) {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
    }
    ASSERT_TRUE(form_.Scanned());
    ASSERT_EQ(1u, messages_.size());
    EXPECT_EQ(messages_[0], LangText(IDS_MESSAGEBOX_WARNING_Noremains));
    EXPECT_TRUE(form_.Closed());
    // The seeded remains are someone else's: untouched.
    EXPECT_TRUE(KeyExists(keyPath_));
}

bool ValueThere(const std::wstring& path, const wchar_t* name) {
    UniqueHKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
           RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

TEST_F(ScanForm, EverythingCheckedEmptiesBothTreesReportsAndStaysOpen) {
    ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr), name_, folder_));
    form_.StartScan();
    ASSERT_TRUE(TreeView_GetRoot(form_.RegTree()));
    ASSERT_TRUE(TreeView_GetRoot(form_.FileTree()));
    // Something the scan did not list goes with the folder too.
    WriteFileBytes(folder_ + L"\\late.log", "x");

    form_.PressDelete();
    ASSERT_EQ(1u, messages_.size());
    EXPECT_EQ(messages_[0], LangText(IDS_MESSAGEBOX_WARNING_CleanSuccess));
    EXPECT_FALSE(KeyExists(keyPath_));
    EXPECT_FALSE(Exists(folder_));
    EXPECT_EQ(nullptr, TreeView_GetRoot(form_.RegTree()));
    EXPECT_EQ(nullptr, TreeView_GetRoot(form_.FileTree()));
    EXPECT_EQ(WindowText(form_.ScanInfoLabel()), L"");
    EXPECT_FALSE(form_.Closed());
    EXPECT_TRUE(IsWindowEnabled(form_.DeleteButton()));
    EXPECT_TRUE(IsWindowEnabled(form_.CancelButton()));

    // Again, with both trees empty: no file tree at the start, so no report.
    form_.PressDelete();
    EXPECT_EQ(1u, messages_.size());
    EXPECT_FALSE(form_.Closed());
}

TEST_F(ScanForm, RegistryFindingsAloneAreDeletedWithoutAReport) {
    // A location that is a shared folder gives no file tree, however much lies in it.
    wchar_t shared[MAX_PATH] = {};
    ExpandEnvironmentStringsW(L"%ProgramData%", shared, MAX_PATH);
    ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr), name_, shared));
    form_.StartScan();
    EXPECT_TRUE(messages_.empty());
    ASSERT_TRUE(TreeView_GetRoot(form_.RegTree()));
    EXPECT_EQ(nullptr, TreeView_GetRoot(form_.FileTree()));
    EXPECT_TRUE(IsWindowEnabled(form_.DeleteButton()));

    form_.PressDelete();
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(KeyExists(keyPath_));
    EXPECT_EQ(nullptr, TreeView_GetRoot(form_.RegTree()));
    EXPECT_TRUE(DirectoryExists(shared));
    EXPECT_FALSE(form_.Closed());
}

TEST_F(ScanForm, FilesAloneAreEnoughToKeepTheWindowOpen) {
    ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr), name_ + L"Missing", folder_));
    form_.StartScan();
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(form_.Closed());
    EXPECT_EQ(nullptr, TreeView_GetRoot(form_.RegTree()));
    ASSERT_TRUE(TreeView_GetRoot(form_.FileTree()));

    // The install folder unticked: nothing goes, and the message says so rather than success.
    ClickCheckBox(form_.FileTree(), TreeView_GetRoot(form_.FileTree()));
    form_.PressDelete();
    ASSERT_EQ(1u, messages_.size());
    EXPECT_EQ(messages_[0], LangText(IDS_SCANFORM_MESSAGE_NothingChecked));
    EXPECT_NE(nullptr, TreeView_GetRoot(form_.FileTree()));
    EXPECT_TRUE(Exists(folder_ + L"\\keep.txt"));
    EXPECT_TRUE(Exists(folder_ + L"\\Data\\state.dat"));
    EXPECT_TRUE(KeyExists(keyPath_));
}

TEST_F(ScanForm, APartlyCheckedKeyKeepsItsUncheckedValueAndTheSavedFileBringsTheRestBack) {
    {
        UniqueHKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_ALL_ACCESS, key.put()));
        SetString(key.get(), L"Language", L"de");
        SetString(key.get(), nullptr, L"default");
    }
    ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr), name_, folder_));
    form_.StartScan();
    HWND regTree = form_.RegTree();
    HTREEITEM key = TreeView_GetRoot(regTree);
    ASSERT_TRUE(key);
    ASSERT_EQ(3u, ChildItems(regTree, key).size());
    HTREEITEM language = FindChild(regTree, key, KeyText() + L"\\Language");
    ASSERT_TRUE(language);
    ASSERT_TRUE(FindChild(regTree, key, KeyText() + L"\\"));  // the default value
    ClickCheckBox(regTree, language);
    ASSERT_EQ(3, ItemState(regTree, key));

    form_.PressDelete();
    // The key stays with the unchecked value only; its subkey stays as well.
    EXPECT_TRUE(ValueThere(keyPath_, L"Language"));
    EXPECT_FALSE(ValueThere(keyPath_, L"InstallPath"));
    EXPECT_FALSE(ValueThere(keyPath_, L""));
    EXPECT_TRUE(KeyExists(keyPath_ + L"\\Settings"));
    key = TreeView_GetRoot(regTree);
    ASSERT_TRUE(key);
    const std::vector<HTREEITEM> left = ChildItems(regTree, key);
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ(ItemText(regTree, left[0]), KeyText() + L"\\Language");
    // Marks come from what is left, none flipped by itself.
    EXPECT_EQ(1, ItemState(regTree, left[0]));
    EXPECT_EQ(1, ItemState(regTree, key));

    // The registry editor loads the saved file: the deleted values are back, the kept one untouched.
    std::vector<std::wstring> saved = SavedRegFiles(backups_.path());
    ASSERT_EQ(1u, saved.size());
    const std::wstring text = ReadUtf16File(saved[0]);
    EXPECT_EQ(text.find(L"\"Language\""), std::wstring::npos) << "an unchecked value was saved";
    ASSERT_TRUE(LoadWithRegedit(saved[0]));
    EXPECT_TRUE(ValueThere(keyPath_, L"InstallPath"));
    EXPECT_TRUE(ValueThere(keyPath_, L""));
    EXPECT_TRUE(ValueThere(keyPath_, L"Language"));
}

TEST_F(ScanForm, TheSavedFileBringsAWholeKeyBack) {
    ASSERT_TRUE(form_.Create(owner_.get(), GetModuleHandleW(nullptr), name_, folder_));
    form_.StartScan();
    form_.PressDelete();
    ASSERT_FALSE(KeyExists(keyPath_));
    std::vector<std::wstring> saved = SavedRegFiles(backups_.path());
    ASSERT_EQ(1u, saved.size());
    ASSERT_TRUE(LoadWithRegedit(saved[0]));
    EXPECT_TRUE(ValueThere(keyPath_, L"InstallPath"));
    EXPECT_TRUE(ValueThere(keyPath_ + L"\\Settings", L"Colour"));
}


// Runs a sample's uninstaller as the program does and waits for it.
void RunAndWait(const std::wstring& commandLine) {
    std::wstring command = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    UniqueHandle process(info.hProcess), thread(info.hThread);
    ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
}

void ExpandAll(HWND tree, HTREEITEM parent) {
    for (HTREEITEM item : ChildItems(tree, parent)) {
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        ExpandAll(tree, item);
    }
}

// A real sample program uninstalled with remains left under both roots and in its folder: the
// window shown with both trees filled, every text whole in its control, and a picture of it
// left in the build folder for a look.
TEST(ScanFormWindow, BothTreesOfASampleProgramShownWhole) {
    samples::SampleSpec spec;
    spec.name = L"ScanWindowSample";
    spec.publisher = L"Scan Window Works";
    spec.behaviour = samples::UninstallBehaviour::Remains;
    struct Cleanup {
        const samples::SampleSpec& spec;
        ~Cleanup() {
            try {
                samples::RemoveSample(spec);
            } catch (const samples::SampleError&) {
            }
        }
    } cleanup{spec};
    const samples::InstalledSample sample = samples::InstallSample(spec, BinDir());
    RunAndWait(sample.uninstallString);

    ScratchFolder backups(L"scanform-picture");
    TScanForm form;
    std::vector<std::wstring> messages;
    form.ShowMessage = [&](HWND, const std::wstring& text) { messages.push_back(text); };
    form.BackupDir = backups.path();
    ASSERT_TRUE(form.Create(nullptr, GetModuleHandleW(nullptr), sample.keyName, sample.installDir));
    HWND window = form.Handle();
    SetWindowPos(window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Pump();
    form.StartScan();
    ASSERT_TRUE(form.Scanned());
    EXPECT_TRUE(messages.empty());

    // The registry tree: the user's key, the machine's key and the vendor's, each with its values.
    HWND regTree = form.RegTree();
    std::vector<std::wstring> keys;
    for (HTREEITEM item : ChildItems(regTree, nullptr)) {
        keys.push_back(ItemText(regTree, item));
        EXPECT_EQ(2, ItemState(regTree, item));
        EXPECT_FALSE(ChildItems(regTree, item).empty()) << ToUtf8(keys.back());
    }
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"HKEY_CURRENT_USER\\SOFTWARE\\ScanWindowSample",
                                               L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Scan Window Works\\ScanWindowSample",
                                               L"HKEY_LOCAL_MACHINE\\SOFTWARE\\ScanWindowSample"}));
    // The file tree: the folder with what the uninstaller left, nested.
    HWND fileTree = form.FileTree();
    ExpandAll(fileTree, nullptr);
    HTREEITEM top = TreeView_GetRoot(fileTree);
    ASSERT_TRUE(top);
    EXPECT_EQ(ItemText(fileTree, top), sample.installDir);
    HTREEITEM data = FindChild(fileTree, top, sample.installDir + L"data");
    ASSERT_TRUE(data);
    HTREEITEM sub = FindChild(fileTree, data, sample.installDir + L"data\\sub");
    ASSERT_TRUE(sub);
    EXPECT_TRUE(FindChild(fileTree, sub, sample.installDir + L"data\\sub\\cache.bin"));
    EXPECT_TRUE(IsWindowEnabled(form.DeleteButton()));

    // Every label and button shows its whole text, and every control lies inside the window.
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 563);
    EXPECT_EQ(client.bottom, 453);
    for (HWND control = GetWindow(window, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        RECT place{};
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_GE(place.left, 0);
        EXPECT_GE(place.top, 0);
        EXPECT_LE(place.right, client.right);
        EXPECT_LE(place.bottom, client.bottom);
        wchar_t className[32] = {};
        GetClassNameW(control, className, 32);
        const std::wstring text = WindowText(control);
        if (text.empty() || control == form.ScanInfoLabel() || EqualsNoCase(className, WC_TREEVIEWW)) continue;
        const SIZE extent = TextExtent(control, text);
        RECT inner{};
        GetClientRect(control, &inner);
        EXPECT_LE(extent.cx, inner.right) << ToUtf8(text);
        EXPECT_LE(extent.cy, inner.bottom) << ToUtf8(text);
    }
    EXPECT_EQ(WindowText(window), LangText(IDS_SCANFORM_Title));
    EXPECT_FALSE(WindowText(form.ScanInfoLabel()).empty());  // the last path examined stays

    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    const std::wstring path = ExtractFilePath(ExcludeTrailingBackslash(BinDir())) + L"scan-window.bmp";
    EXPECT_TRUE(SaveWindowPicture(window, path));
    printf("scan window picture: %s\n", ToUtf8(path).c_str());
    ShowWindow(window, SW_HIDE);
}

}  // namespace
