// The splash and About windows driven in-process, and the version both binaries carry.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "productInfo.h"
#include "skins/multiSkins.h"
#include "tests/support/testSupport.h"
#include "ui/frmAbout.h"
#include "ui/frmSplash.h"
#include "ui/widgets/widgets.h"

using namespace purgeon;
using purgeon::test::BinDir;
using purgeon::test::ClientSize;
using purgeon::test::ScratchFolder;
using purgeon::test::Utf16Bytes;

namespace {

std::wstring ShippedSkins() { return BinDir() + L"Skins\\"; }

std::wstring PicturePath(const std::wstring& name) { return ExtractFilePath(ExcludeTrailingBackslash(BinDir())) + name; }

RECT PlaceInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void Settle() {
    for (int i = 0; i < 8; ++i) {
        test::Pump();
        Sleep(15);
    }
}

class Windows : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSkinTable();
        ResetLanguageTable();
    }
    void TearDown() override {
        ResetSkinTable();
        ResetLanguageTable();
    }
    void LoadLanguageText(const std::wstring& lines) {
        const std::wstring path = scratch.path() + L"Test.ini";
        test::WriteFileBytes(path, Utf16Bytes(L"[Language]\r\n" + lines));
        ASSERT_TRUE(LoadLanguage(path, [](const std::wstring&) {}));
    }
    ScratchFolder scratch{L"windows"};
};

}  // namespace

TEST_F(Windows, TheSplashShowsItsPictureAndNoticeAndClosesByItselfAfterItsTime) {
    TSplashForm splash;
    bool shown = false;
    splash.OnShown = [&](TSplashForm& form) {
        shown = true;
        HWND window = form.Handle();
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & (WS_CAPTION | WS_BORDER | WS_THICKFRAME)) << "no frame";
        ASSERT_TRUE(form.Picture());
        SIZE size = ClientSize(window);
        EXPECT_EQ(size.cx, TSplashForm::kDesignWidth) << "sized to the shipped picture";
        EXPECT_EQ(size.cy, TSplashForm::kDesignHeight);
        EXPECT_EQ(WindowText(form.CopyrightLabel()), LangText(IDS_SPLASHFORM_LABEL_Copyright));
        EXPECT_NE(LangText(IDS_SPLASHFORM_LABEL_Copyright).find(L"\r\n"), std::wstring::npos) << "two lines";
        RECT label = PlaceInParent(form.CopyrightLabel());
        EXPECT_EQ(label.left, 147);
        EXPECT_EQ(label.top, 152);
        EXPECT_EQ(label.right - label.left, 350);
        EXPECT_EQ(label.bottom - label.top, 65);
        EXPECT_EQ(form.NoticeColour(), RGB(236, 242, 250)) << "light text on the dark art";
        // Centred on the screen.
        RECT bounds{};
        GetWindowRect(window, &bounds);
        EXPECT_NEAR((bounds.left + bounds.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
        // Nothing but the timer closes it.
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(window));
        Settle();
        EXPECT_TRUE(test::SaveWindowPicture(window, PicturePath(L"splash-window.bmp")));
    };
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(splash.Run(GetModuleHandleW(nullptr), ShippedSkins()));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_TRUE(shown);
    EXPECT_GE(elapsed, TSplashForm::kShowMilliseconds - 50) << "it stays its time";
    EXPECT_FALSE(splash.Handle()) << "and then it is gone";
}

// The window that follows shows under the splash, which stands above it and never takes the
// activation, before the splash goes.
TEST_F(Windows, TheWindowThatFollowsTheSplashShowsUnderItBeforeItGoes) {
    HWND splashWindow = nullptr;
    bool splashActive = true, splashAboveNext = false;
    UniqueWindow next;
    TSplashForm::ShowSplash(
        GetModuleHandleW(nullptr),
        [&] {
            splashWindow = FindWindowW(TSplashForm::kClassName, nullptr);
            splashActive = GetActiveWindow() == splashWindow;
        },
        {},
        [&] {
            next.reset(CreateWindowExW(0, L"STATIC", L"next", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr));
            ShowWindow(next.get(), SW_SHOWNOACTIVATE);
            splashAboveNext = IsWindowVisible(splashWindow) &&
                              (GetWindowLongW(splashWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) &&
                              !(GetWindowLongW(next.get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
        });
    ASSERT_TRUE(splashWindow);
    EXPECT_FALSE(splashActive);
    EXPECT_TRUE(splashAboveNext);
    EXPECT_FALSE(IsWindow(splashWindow));
    EXPECT_TRUE(IsWindowVisible(next.get()));
}

TEST_F(Windows, ASplashWithoutItsPictureStillShowsTheNoticeInTheTableLanguage) {
    LoadLanguageText(L"IDS_SPLASHFORM_LABEL_Copyright=Tous droits r\u00e9serv\u00e9s.#13Deuxi\u00e8me ligne\r\n");
    TSplashForm splash;
    splash.OnShown = [](TSplashForm& form) {
        EXPECT_FALSE(form.Picture());
        SIZE size = ClientSize(form.Handle());
        EXPECT_EQ(size.cx, TSplashForm::kDesignWidth);
        EXPECT_EQ(size.cy, TSplashForm::kDesignHeight);
        EXPECT_EQ(WindowText(form.CopyrightLabel()), L"Tous droits r\u00e9serv\u00e9s.\r\nDeuxi\u00e8me ligne");
        EXPECT_EQ(form.NoticeColour(), GetSysColor(COLOR_BTNTEXT));
    };
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(splash.Run(GetModuleHandleW(nullptr), scratch.path()));
    EXPECT_GE(GetTickCount64() - start, TSplashForm::kShowMilliseconds - 50);
}

TEST_F(Windows, AboutShowsTheProductAndItsLinksOpenTheWebPageAndAMail) {
    UniqueWindow owner(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 50, 50, 300, 200, nullptr,
                                       nullptr, nullptr, nullptr));
    TAboutForm about;
    std::vector<std::wstring> opened;
    about.OpenTarget = [&](HWND, const std::wstring& target) { opened.push_back(target); };
    bool shown = false;
    about.OnShown = [&](TAboutForm& form) {
        shown = true;
        HWND window = form.Handle();
        EXPECT_FALSE(IsWindowEnabled(owner.get())) << "modal";
        EXPECT_EQ(WindowText(window), L"About");
        SIZE size = ClientSize(window);
        EXPECT_EQ(size.cx, TAboutForm::kClientWidth);
        EXPECT_EQ(size.cy, TAboutForm::kClientHeight);
        EXPECT_EQ(WindowText(form.ProductTitle()), std::wstring(L"Purgeon ") + kProductVersion);
        EXPECT_EQ(std::wstring(kProductVersion), FromUtf8(PURGEON_VERSION_TEXT));
        EXPECT_EQ(WindowText(form.Copyright()), LangText(IDS_ABOUTFORM_LABEL_CopyRight));
        EXPECT_EQ(WindowText(form.Warning()), LangText(IDS_ABOUTFORM_LABEL_Warning));
        EXPECT_EQ(WindowText(form.Description()), LangText(IDS_ABOUTFORM_LABEL_Description));
        EXPECT_EQ(WindowText(form.OkButton()), L"OK");
        EXPECT_EQ(WindowText(form.WebLink()), L"https://purgeon.example.org/");
        EXPECT_EQ(WindowText(form.MailLink()), L"support@purgeon.example.org");
        EXPECT_TRUE(SendMessageW(form.AboutPicture(), PBM_GETPICTURE, 0, 0));
        RECT picture = PlaceInParent(form.AboutPicture());
        EXPECT_EQ(picture.left, 10);
        EXPECT_EQ(picture.top, 11);
        EXPECT_EQ(picture.right - picture.left, 125);
        EXPECT_EQ(picture.bottom - picture.top, 278);
        Settle();
        EXPECT_TRUE(test::SaveWindowPicture(window, PicturePath(L"about-window.bmp")));

        // A click on each link, as the mouse makes it.
        for (HWND link : {form.MailLink(), form.WebLink()}) {
            SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
            SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        }
        SendMessageW(form.OkButton(), BM_CLICK, 0, 0);
    };
    ASSERT_TRUE(about.Run(owner.get(), GetModuleHandleW(nullptr), ShippedSkins()));
    EXPECT_TRUE(shown);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], L"mailto:support@purgeon.example.org");
    EXPECT_EQ(opened[1], L"https://purgeon.example.org/");
    EXPECT_TRUE(IsWindowEnabled(owner.get())) << "the owner is given back";
    EXPECT_FALSE(about.Handle());
}

TEST_F(Windows, AboutPlacesItsPictureByTheSkinWithOrWithoutThePictureAndTakesTheLanguageAtEachOpening) {
    SetSkinText(SK_ABOUTFORM_IMGABOUT_POS, L"0, 0, 100, 100");
    LoadLanguageText(L"IDS_ABOUTFORM_Title=\u00dcber\r\nIDS_ABOUTFORM_BUTTON_Ok=Schlie\u00dfen\r\n");
    TAboutForm about;
    about.OnShown = [](TAboutForm& form) {
        EXPECT_EQ(WindowText(form.Handle()), L"\u00dcber");
        EXPECT_EQ(WindowText(form.OkButton()), L"Schlie\u00dfen");
        EXPECT_FALSE(SendMessageW(form.AboutPicture(), PBM_GETPICTURE, 0, 0)) << "no picture in this folder";
        RECT picture = PlaceInParent(form.AboutPicture());
        EXPECT_EQ(picture.left, 0);
        EXPECT_EQ(picture.top, 0);
        EXPECT_EQ(picture.right, 100);
        EXPECT_EQ(picture.bottom, 100);
        SendMessageW(form.Handle(), WM_COMMAND, IDCANCEL, 0);  // Esc
    };
    ASSERT_TRUE(about.Run(nullptr, GetModuleHandleW(nullptr), scratch.path()));
}

TEST(ProductVersion, BothBinariesCarryTheProjectsVersion) {
    for (const wchar_t* file : {L"Purgeon.exe", L"Doffkit.dll"}) {
        SCOPED_TRACE(ToUtf8(file));
        const std::wstring path = BinDir() + file;
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0u);
        std::vector<BYTE> data(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), PURGEON_VERSION_MAJOR);
        EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), PURGEON_VERSION_MINOR);
        EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), PURGEON_VERSION_PATCH);
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        wchar_t* text = nullptr;
        ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                                   reinterpret_cast<void**>(&text), &length));
        EXPECT_EQ(std::wstring(text), FromUtf8(PURGEON_FILE_VERSION_TEXT));
        ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                                   reinterpret_cast<void**>(&text), &length));
        EXPECT_EQ(std::wstring(text), L"Purgeon");
    }
}
