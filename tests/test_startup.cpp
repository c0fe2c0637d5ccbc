// The real program started from a folder of its own: first start, saved options, Exit, and the
// failure paths that must end without a main window.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/funUtils.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using namespace purgeon::test;

namespace {

constexpr DWORD kStartTimeout = 30000;

std::wstring ReadKey(const std::wstring& file, const wchar_t* key) {
    wchar_t buffer[2048];
    GetPrivateProfileStringW(L"config", key, L"<none>", buffer, 2048, file.c_str());
    return buffer;
}

class ProgramFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileW((BinDir() + L"Purgeon.exe").c_str(), (dir.path() + L"Purgeon.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((BinDir() + L"Doffkit.dll").c_str(), (dir.path() + L"Doffkit.dll").c_str(), FALSE));
    }
    std::unique_ptr<ChildProcess> Start() {
        return std::make_unique<ChildProcess>(dir.path() + L"Purgeon.exe", L"", dir.path());
    }
    HWND WaitForMainWindow(const ChildProcess& process) {
        HWND found = nullptr;
        WaitUntil(
            [&] {
                auto windows = TopLevelWindows(process.id(), L"TMainForm");
                found = windows.empty() ? nullptr : windows.front();
                return found != nullptr || WaitForSingleObject(process.handle(), 0) == WAIT_OBJECT_0;
            },
            kStartTimeout);
        return found;
    }
    // Waits for a message box of the process and returns its texts.
    HWND WaitForMessageBox(const ChildProcess& process) {
        HWND box = nullptr;
        WaitUntil(
            [&] {
                auto boxes = TopLevelWindows(process.id(), L"#32770");
                box = boxes.empty() ? nullptr : boxes.front();
                return box != nullptr;
            },
            kStartTimeout);
        return box;
    }
    static bool HasText(HWND window, const std::wstring& text) {
        auto texts = ChildTexts(window);
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    static bool IsChecked(HWND main, const wchar_t* caption) {
        HWND box = FindChildByText(main, caption);
        return box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    std::wstring config() const { return dir.path() + L"Config.ini"; }

    ScratchFolder dir{L"program"};
};

}  // namespace

TEST_F(ProgramFolder, FirstStartCreatesConfigShowsTheWindowAndExitSavesBothOptions) {
    auto program = Start();
    HWND main = WaitForMainWindow(*program);
    ASSERT_NE(main, nullptr) << "no main window";
    EXPECT_EQ(WindowText(main), L"Purgeon");
    EXPECT_EQ(ReadKey(config(), L"SkinFile"), L"Default.ini");
    EXPECT_EQ(ReadKey(config(), L"LanguageFile"), L"English.ini");
    EXPECT_TRUE(DirectoryExists(dir.path() + L"Langs"));
    EXPECT_TRUE(DirectoryExists(dir.path() + L"Skins"));
    EXPECT_FALSE(DirectoryExists(dir.path() + L"Back up"));
    EXPECT_FALSE(IsChecked(main, L"Hide System Patch"));
    EXPECT_TRUE(IsChecked(main, L"Hide Screen Saver"));

    // A toggle is saved at once.
    SendMessageW(FindChildByText(main, L"Hide System Patch"), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadKey(config(), L"HideSysPatch"), L"1");

    // Exit writes both options from the check boxes and ends the process.
    SendMessageW(FindChildByText(main, L"Hide Screen Saver"), BM_CLICK, 0, 0);
    WritePrivateProfileStringW(L"config", L"HideSysPatch", L"stale", config().c_str());
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program->Wait(kStartTimeout), 0u);
    EXPECT_EQ(ReadKey(config(), L"HideSysPatch"), L"1");
    EXPECT_EQ(ReadKey(config(), L"HideScreenSaver"), L"0");
}

TEST_F(ProgramFolder, SavedOptionsAreRestoredAndOddValuesIgnored) {
    WriteFileBytes(config(), "[config]\r\nHideSysPatch=1\r\nHideScreenSaver=0\r\n");
    {
        auto program = Start();
        HWND main = WaitForMainWindow(*program);
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(IsChecked(main, L"Hide System Patch"));
        EXPECT_FALSE(IsChecked(main, L"Hide Screen Saver"));
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(program->Wait(kStartTimeout), 0u);
    }
    WriteFileBytes(config(), "[config]\r\nHideSysPatch=2\r\nHideScreenSaver=no\r\n");
    auto program = Start();
    HWND main = WaitForMainWindow(*program);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsChecked(main, L"Hide System Patch"));
    EXPECT_TRUE(IsChecked(main, L"Hide Screen Saver"));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program->Wait(kStartTimeout), 0u);
}

// Exit never traps the user: when Config.ini cannot be written the message says so, and the
// program ends once it is read.
TEST_F(ProgramFolder, ExitThatCannotSaveSaysSoAndStillExits) {
    auto program = Start();
    HWND main = WaitForMainWindow(*program);
    ASSERT_NE(main, nullptr);
    // The configuration becomes unwritable while the program runs.
    ASSERT_TRUE(DeleteFileW(config().c_str()));
    ASSERT_TRUE(CreateDirectoryW(config().c_str(), nullptr));
    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND box = WaitForMessageBox(*program);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(HasText(box, L"Save file " + config() + L" failed!"));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program->Wait(kStartTimeout), 0u);
    EXPECT_FALSE(IsWindow(main));
    ASSERT_TRUE(RemoveDirectoryW(config().c_str()));
}

TEST_F(ProgramFolder, UnwritableConfigShowsOneBoxAndNoWindow) {
    ASSERT_TRUE(CreateDirectoryW(config().c_str(), nullptr));
    auto program = Start();
    HWND box = WaitForMessageBox(*program);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Purgeon");
    EXPECT_TRUE(HasText(box, L"Save file " + config() + L" failed!"));
    EXPECT_TRUE(TopLevelWindows(program->id(), L"TMainForm").empty());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program->Wait(kStartTimeout), 0u);
    EXPECT_FALSE(DirectoryExists(dir.path() + L"Langs"));
}

TEST_F(ProgramFolder, MissingComponentIsReportedAndNoWindowShows) {
    ASSERT_TRUE(DeleteFileW((dir.path() + L"Doffkit.dll").c_str()));
    auto program = Start();
    HWND box = WaitForMessageBox(*program);
    ASSERT_NE(box, nullptr);
    auto texts = ChildTexts(box);
    bool named = std::any_of(texts.begin(), texts.end(), [](const std::wstring& text) {
        return text.size() > 13 && text.compare(text.size() - 13, 13, L": Doffkit.dll") == 0;
    });
    EXPECT_TRUE(named);
    EXPECT_TRUE(TopLevelWindows(program->id(), L"TMainForm").empty());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program->Wait(kStartTimeout), 0u);
    EXPECT_TRUE(TopLevelWindows(program->id()).empty());
}
