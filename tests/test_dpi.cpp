// The windows as a user meets them. At the screen's scale, run once for each of 96, 144 and 192
// DPI (test_dpi.sh sets the scale and names it in PURGEON_TEST_DPI): sizes in design units times
// DPI / 96, every control inside its parent, every caption whole in its control's font, the
// skin's pictures at the scale, each window's picture saved beside the build for looking at. And
// the dialog keys, through real key presses.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <memory>

#include "catalogue/componentRegistration.h"
#include "common/funUtils.h"
#include "config/config.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "skins/multiSkins.h"
#include "skins/pngDecoder.h"
#include "tests/support/layoutChecks.h"
#include "tests/support/testSupport.h"
#include "tools/samples/sampleCatalog.h"
#include "ui/frmAbout.h"
#include "ui/frmBatch.h"
#include "ui/frmDetails.h"
#include "ui/frmMain.h"
#include "ui/frmScanRemains.h"
#include "ui/frmUndo.h"
#include "ui/uiCommon.h"
#include "ui/widgets/widgets.h"
#include "catalogue/catalogueRead.h"

using namespace purgeon;
using namespace purgeon::test;

namespace {

int AskedDpi() {
    const char* asked = std::getenv("PURGEON_TEST_DPI");
    return asked ? std::atoi(asked) : 96;
}

std::wstring PictureName(const std::wstring& window) {
    return ExtractFilePath(ExcludeTrailingBackslash(BinDir())) + Format(L"dpi-%d-", AskedDpi()) + window + L".bmp";
}

// A window as a user sees it: its client area `design` design units at the scale, laid out
// whole, and its picture saved.
void ExpectScaledAndWhole(HWND window, SIZE design, const std::wstring& name) {
    SCOPED_TRACE(ToUtf8(name));
    ShowAndPaint(window);
    const int dpi = AskedDpi();
    const SIZE size = ClientSize(window);
    EXPECT_NEAR(size.cx, MulDiv(design.cx, dpi, 96), 1);
    EXPECT_NEAR(size.cy, MulDiv(design.cy, dpi, 96), 1);
    for (const std::wstring& fault : LayoutFaults(window, dpi)) ADD_FAILURE() << ToUtf8(fault);
    EXPECT_TRUE(SaveWindowPicture(window, PictureName(name)));
}

// The main window as the program shows it at start-up, destroyed at the end of its scope.
class ShownMainForm {
public:
    ShownMainForm() {
        if (!form_.Create(&read_)) return;
        form_.TakeFirstRead();
        form_.Show();
    }
    ~ShownMainForm() {
        if (IsWindow(form_.Handle())) DestroyWindow(form_.Handle());
        Pump();
    }
    HWND Handle() const { return form_.Handle(); }

private:
    CatalogueRead read_{false, true};
    TMainForm form_{GetModuleHandleW(nullptr)};
};

class Dpi : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        com_ = new ComApartment();
        folder_ = new ScratchFolder(L"dpi");
        ASSERT_TRUE(InitEnvironment(folder_->path() + L"Purgeon.exe", AppPaths, [](const std::wstring&) {}));
        ResetLanguageTable();
        LoadLanguage();
        SetCurrentDirectoryW(BinDir().c_str());
        ASSERT_FALSE(RegisterCatalogueComponent().has_value());
        AppPaths.SkinDir = BinDir() + L"Skins\\";
        ASSERT_TRUE(LoadSkin(AppPaths.SkinDir + L"Default.ini", [](const std::wstring&) {}));
        samples::SampleSpec sample;
        sample.name = L"PurgeonDpiSample";
        sample.displayName = L"Scaled Drawing Studio";
        sample.publisher = L"Crisp Pixels";
        samples::InstallSample(sample, BinDir());
        owner_ = new UniqueWindow(CreateHiddenOwner());
    }
    static void TearDownTestSuite() {
        delete owner_;
        try {
            samples::RemoveSample(std::wstring(L"PurgeonDpiSample"));
        } catch (...) {
        }
        ResetSkinTable();
        delete folder_;
        delete com_;
    }
    static HWND owner() { return owner_->get(); }

    static ComApartment* com_;
    static ScratchFolder* folder_;
    static UniqueWindow* owner_;
};

ComApartment* Dpi::com_ = nullptr;
ScratchFolder* Dpi::folder_ = nullptr;
UniqueWindow* Dpi::owner_ = nullptr;

}  // namespace

TEST_F(Dpi, TheScreenIsAtTheScaleAsked) {
    EXPECT_EQ(WindowDpi(nullptr), AskedDpi());
}

TEST_F(Dpi, TheMainWindowScalesItsPlacesPicturesAndShape) {
    const int dpi = AskedDpi();
    const ShownMainForm form;
    ASSERT_TRUE(form.Handle());
    ExpectScaledAndWhole(form.Handle(), SIZE{763, 538}, L"main");

    // Screen readers name the skinned buttons by their window texts: words, the glyphs' too.
    EnumChildWindows(
        form.Handle(),
        [](HWND child, LPARAM) -> BOOL {
            wchar_t kind[64] = L"";
            GetClassNameW(child, kind, 64);
            if (std::wstring(kind) == kArButtonClass) {
                EXPECT_GT(WindowText(child).size(), 1u) << ToUtf8(WindowText(child));
            }
            return TRUE;
        },
        0);

    // The background at a design point of its band is painted at that point scaled.
    PictureResult background = ReadPngFile(AppPaths.SkinDir + SkinText(SK_MAINFORM_PicBackGround));
    ASSERT_TRUE(background);
    const POINT design{262, 62};
    const uint8_t* expected = background.picture->bgra.data() + (design.y * background.picture->width + design.x) * 4;
    POINT onScreen{MulDiv(design.x, dpi, 96), MulDiv(design.y, dpi, 96)};
    ClientToScreen(form.Handle(), &onScreen);
    WindowDc screen(nullptr);
    const COLORREF painted = GetPixel(screen.get(), onScreen.x, onScreen.y);
    EXPECT_NEAR(GetRValue(painted), expected[2], 10);
    EXPECT_NEAR(GetGValue(painted), expected[1], 10);
    EXPECT_NEAR(GetBValue(painted), expected[0], 10);

    // The magenta corners are cut at every scale, and nothing else.
    UniqueRegion shape(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(GetWindowRgn(form.Handle(), shape.get()), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(shape.get(), 0, 0));
    EXPECT_TRUE(PtInRegion(shape.get(), MulDiv(380, dpi, 96), MulDiv(300, dpi, 96)));
    EXPECT_TRUE(PtInRegion(shape.get(), MulDiv(762, dpi, 96) / 2, MulDiv(537, dpi, 96)));
}

TEST_F(Dpi, TheDialogsScaleTheirControlsAndCaptions) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    {
        TDetailsForm details;
        ASSERT_TRUE(details.Create(owner(), instance));
        ExpectScaledAndWhole(details.Handle(), SIZE{TDetailsForm::kClientWidth, TDetailsForm::kClientHeight}, L"details");
    }
    {
        ScratchFolder cleanups(L"dpiundo");
        TUndoForm undo;
        ASSERT_TRUE(undo.Create(owner(), instance, cleanups.path()));
        ExpectScaledAndWhole(undo.Handle(), SIZE{560, 320}, L"undo");
    }
    {
        TScanForm scan;
        ASSERT_TRUE(scan.Create(owner(), instance, L"PurgeonDpiSample", L""));
        ExpectScaledAndWhole(scan.Handle(), SIZE{563, 453}, L"scan");
    }
    {
        uninstall::BatchProgram program;
        program.keyName = L"PurgeonDpiSample";
        program.displayName = L"Scaled Drawing Studio";
        TBatchForm batch;
        ASSERT_TRUE(batch.Create(owner(), instance, {program}));
        ExpectScaledAndWhole(batch.Handle(), SIZE{760, 418}, L"batch");
    }
    TAboutForm about;
    about.OnShown = [](TAboutForm& form) {
        ExpectScaledAndWhole(form.Handle(), SIZE{TAboutForm::kClientWidth, TAboutForm::kClientHeight}, L"about");
        PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
    };
    about.Run(owner(), instance, AppPaths.SkinDir);
}

TEST_F(Dpi, AMoveToAMonitorOfTwiceTheScaleLaysTheWindowOutAgainThere) {
    if (AskedDpi() != 96) GTEST_SKIP() << "once is enough";
    auto moveToDoubleScale = [](HWND window, const std::wstring& name) {
        SCOPED_TRACE(ToUtf8(name));
        ShowAndPaint(window);
        RECT before{};
        GetWindowRect(window, &before);
        const SIZE client = ClientSize(window);
        // On the other monitor, which here is this one again.
        RECT suggested{0, 0, 2 * (before.right - before.left), 2 * (before.bottom - before.top)};
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
        ShowAndPaint(window);
        RECT after{};
        GetWindowRect(window, &after);
        EXPECT_TRUE(EqualRect(&after, &suggested));
        EXPECT_NEAR(ClientSize(window).cx, 2 * client.cx, 8);
        for (const std::wstring& fault : LayoutFaults(window, 192)) ADD_FAILURE() << ToUtf8(fault);
        EXPECT_TRUE(SaveWindowPicture(window, PictureName(name + L"-moved")));
    };
    {
        const ShownMainForm form;
        ASSERT_TRUE(form.Handle());
        moveToDoubleScale(form.Handle(), L"main");
    }
    ScratchFolder cleanups(L"dpimove");
    TUndoForm undo;
    ASSERT_TRUE(undo.Create(owner(), GetModuleHandleW(nullptr), cleanups.path()));
    moveToDoubleScale(undo.Handle(), L"undo");
}

TEST_F(Dpi, EnterRunsTheDefaultButtonAndEscapeCancelsInEveryDialog) {
    if (AskedDpi() != 96) GTEST_SKIP() << "once is enough";
    HINSTANCE instance = GetModuleHandleW(nullptr);
    ScratchFolder cleanups(L"dialogkeys");
    uninstall::BatchProgram program;
    program.keyName = L"PurgeonDpiSample";
    program.displayName = L"Scaled Drawing Studio";
    struct Dialog {
        const wchar_t* className;
        WORD key;
        std::function<void()> run;
    } dialogs[] = {
        {TAboutForm::kClassName, VK_RETURN, [&] { TAboutForm::ShowAbout(owner(), instance); }},
        {TAboutForm::kClassName, VK_ESCAPE, [&] { TAboutForm::ShowAbout(owner(), instance); }},
        {TUndoForm::kClassName, VK_ESCAPE, [&] { TUndoForm::Run(owner(), instance, cleanups.path()); }},
        {TScanForm::kClassName, VK_ESCAPE, [&] { TScanForm::Run(owner(), instance, std::vector<RemainsScanPart>{}); }},
        {TBatchForm::kClassName, VK_ESCAPE, [&] { TBatchForm::Run(owner(), instance, {program}); }},
    };
    for (const Dialog& dialog : dialogs) {
        SCOPED_TRACE(ToUtf8(dialog.className) + (dialog.key == VK_RETURN ? " Enter" : " Escape"));
        EXPECT_TRUE(KeyEndsModal(dialog.className, dialog.key, dialog.run));
    }
}
