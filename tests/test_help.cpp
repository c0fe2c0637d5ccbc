// F1 and the Help menu open the help file from the language folder in the system's help viewer.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "catalogue/componentRegistration.h"
#include "config/config.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "tests/support/testSupport.h"
#include "ui/frmMain.h"

using namespace purgeon;
using purgeon::test::BinDir;
using purgeon::test::ScratchFolder;

namespace {

// Ids of the running processes with that executable name.
std::vector<DWORD> ProcessesNamed(const wchar_t* exe) {
    std::vector<DWORD> ids;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{sizeof(entry)};
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (EqualsNoCase(entry.szExeFile, exe)) ids.push_back(entry.th32ProcessID);
    return ids;
}

// The viewer's window, titled by the help file it opened.
HWND ViewerWindow(const std::vector<DWORD>& before) {
    for (DWORD id : ProcessesNamed(L"hh.exe")) {
        if (std::find(before.begin(), before.end(), id) != before.end()) continue;
        for (HWND window : test::TopLevelWindows(id))
            if (WindowText(window) == L"Purgeon Help") return window;
    }
    return nullptr;
}

void EndViewers(const std::vector<DWORD>& before) {
    for (DWORD id : ProcessesNamed(L"hh.exe")) {
        if (std::find(before.begin(), before.end(), id) != before.end()) continue;
        UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (!process) continue;
        TerminateProcess(process.get(), 0);
        WaitForSingleObject(process.get(), 5000);
    }
}

class HelpKey : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        com_ = new ComApartment();
        folder_ = new ScratchFolder(L"help");
        ASSERT_TRUE(InitEnvironment(folder_->path() + L"Purgeon.exe", AppPaths, [](const std::wstring&) {}));
        ASSERT_TRUE(CopyFileW((BinDir() + L"Langs\\Help.Chm").c_str(), AppPaths.HelpPath.c_str(), FALSE));
        SetCurrentDirectoryW(BinDir().c_str());
        ASSERT_FALSE(RegisterCatalogueComponent().has_value());
        form_ = new TMainForm(GetModuleHandleW(nullptr));
        ASSERT_TRUE(form_->Create());
        form_->Show();
        test::Pump();
    }
    static void TearDownTestSuite() {
        if (form_ && IsWindow(form_->Handle())) DestroyWindow(form_->Handle());
        delete form_;
        test::Pump();
        delete folder_;
        delete com_;
    }
    // Runs `open`, then waits for the viewer it starts; ends the viewer again.
    static void ExpectViewer(const std::function<void()>& open) {
        const std::vector<DWORD> before = ProcessesNamed(L"hh.exe");
        open();
        HWND viewer = nullptr;
        EXPECT_TRUE(test::WaitUntil(
            [&] {
                test::Pump();
                viewer = ViewerWindow(before);
                return viewer != nullptr;
            },
            20000))
            << "no help viewer showing Purgeon Help";
        EndViewers(before);
    }

    static ComApartment* com_;
    static ScratchFolder* folder_;
    static TMainForm* form_;
};

ComApartment* HelpKey::com_ = nullptr;
ScratchFolder* HelpKey::folder_ = nullptr;
TMainForm* HelpKey::form_ = nullptr;

}  // namespace

TEST_F(HelpKey, F1OpensTheHelpFileOfTheLanguageFolder) {
    EXPECT_EQ(AppPaths.HelpPath, AppPaths.LangDir + L"Help.Chm");
    ExpectViewer([] {
        MSG key{form_->Handle(), WM_KEYDOWN, VK_F1, 0};
        EXPECT_TRUE(form_->PreTranslate(key));
    });
}

TEST_F(HelpKey, TheHelpMenuOpensItToo) {
    ExpectViewer([] {
        SendMessageW(form_->Handle(), WM_COMMAND, MAKEWPARAM(ActionHelpContent, 0), 0);
    });
}
