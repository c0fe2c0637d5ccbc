// The shipped skins and what a skin really paints, on windows built from the widgets.
#include <gtest/gtest.h>

#include "common/funUtils.h"
#include "skins/multiSkins.h"
#include "ui/skinPictures.h"
#include "tests/support/pngMaker.h"
#include "tests/support/skinGallery.h"
#include "tests/support/testSupport.h"

using namespace purgeon;
using purgeon::test::BinDir;
using purgeon::test::Pump;
using purgeon::test::ScratchFolder;
using purgeon::test::ShowAndPaint;
using purgeon::test::SkinGallery;

namespace {

bool IsPictureKey(SkinKey key) {
    std::wstring name = SkinKeyName(key);
    auto ends = [&name](const std::wstring& tail) {
        return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
    };
    return !(ends(L"_Pos") || ends(L"_FullPos") || ends(L"_POS"));
}

SIZE PictureSize(const LoadedPicture& picture) {
    BITMAP info{};
    GetObjectW(picture.bitmap.get(), sizeof info, &info);
    return SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

SIZE RectSize(SkinKey key) {
    std::optional<SkinRect> rect = ParseSkinRect(SkinText(key));
    return rect ? SIZE{rect->width, rect->height} : SIZE{};
}

std::wstring SkinsDir() { return BinDir() + L"Skins\\"; }

std::wstring PicturePath(const std::wstring& name) {
    return ExtractFilePath(ExcludeTrailingBackslash(BinDir())) + name;
}

class SkinWindows : public ::testing::Test {
protected:
    void SetUp() override { ResetSkinTable(); }
    void TearDown() override { ResetSkinTable(); }
    bool Load(const std::wstring& path) {
        return LoadSkin(path, [this](const std::wstring& text) { boxes.push_back(text); });
    }
    std::vector<std::wstring> boxes;
};

}  // namespace

TEST_F(SkinWindows, EveryShippedSkinNamesAPictureForEveryKeyAndEachOneDecodesAtItsControlsSize) {
    for (const wchar_t* skin : {L"Default.ini", L"Dark.ini"}) {
        SCOPED_TRACE(ToUtf8(skin));
        ResetSkinTable();
        const std::wstring path = SkinsDir() + skin;
        ASSERT_TRUE(FileExists(path));
        ASSERT_TRUE(Load(path));
        for (int i = 0; i < kSkinKeyCount; ++i) {
            auto key = static_cast<SkinKey>(i);
            SCOPED_TRACE(ToUtf8(SkinKeyName(key)));
            if (!IsPictureKey(key)) {
                EXPECT_TRUE(ParseSkinRect(SkinText(key)).has_value());
                continue;
            }
            if (std::wstring(skin) == L"Dark.ini") {
                EXPECT_TRUE(StartsWithNoCase(SkinText(key), L"Dark\\")) << "its own pictures: " << ToUtf8(SkinText(key));
            } else {
                EXPECT_EQ(SkinText(key), SkinDefaultText(key)) << "the shipped default skin is the built-in one";
            }
            LoadedPicture picture = LoadSkinPicture(key, SkinsDir());
            ASSERT_TRUE(picture.bitmap) << ToUtf8(SkinText(key)) << ": " << (picture.missing ? "missing" : ToUtf8(picture.error));
        }
        // Pictures are drawn at their controls' sizes: no stretching for the shipped art.
        for (int b = 0; b < kMainFormButtonCount; ++b) {
            ButtonSkinKeys keys = MainFormButtonKeys(static_cast<MainFormButton>(b));
            for (SkinKey key : keys.pictures) {
                SIZE size = PictureSize(LoadSkinPicture(key, SkinsDir()));
                EXPECT_EQ(size.cx, RectSize(keys.pos).cx) << ToUtf8(SkinText(key));
                EXPECT_EQ(size.cy, RectSize(keys.pos).cy) << ToUtf8(SkinText(key));
            }
        }
        SIZE background = PictureSize(LoadSkinPicture(SK_MAINFORM_PicBackGround, SkinsDir()));
        EXPECT_EQ(background.cx, RectSize(SK_MAINFORM_Pos).cx);
        EXPECT_EQ(background.cy, RectSize(SK_MAINFORM_Pos).cy);
        SIZE about = PictureSize(LoadSkinPicture(SK_ABOUTFORM_IMGABOUT_Pic, SkinsDir()));
        EXPECT_EQ(about.cx, RectSize(SK_ABOUTFORM_IMGABOUT_POS).cx);
        EXPECT_EQ(about.cy, RectSize(SK_ABOUTFORM_IMGABOUT_POS).cy);
        SIZE progress = PictureSize(LoadProgressFormPicture(SkinsDir()));
        EXPECT_EQ(progress.cx, 391);  // the progress window's client area
        EXPECT_EQ(progress.cy, 182);
    }
    EXPECT_TRUE(FileExists(SkinsDir() + kTitlePictureFile));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SkinWindows, BothShippedSkinsPaintTheWindowAndEveryButtonState) {
    for (const wchar_t* skin : {L"Default", L"Dark"}) {
        SCOPED_TRACE(ToUtf8(skin));
        ResetSkinTable();
        ASSERT_TRUE(Load(SkinsDir() + skin + L".ini"));
        SkinGallery gallery(SkinsDir());
        EXPECT_TRUE(gallery.pictures().Problems().empty());
        ShowAndPaint(gallery.window());
        // The magenta corners are cut out of the window's shape.
        HRGN shape = CreateRectRgn(0, 0, 0, 0);
        ASSERT_EQ(GetWindowRgn(gallery.window(), shape), COMPLEXREGION);
        EXPECT_FALSE(PtInRegion(shape, 0, 0));
        EXPECT_TRUE(PtInRegion(shape, 8, 0));
        EXPECT_TRUE(PtInRegion(shape, 380, 300));
        DeleteObject(shape);
        EXPECT_TRUE(test::SaveWindowPicture(gallery.window(), PicturePath(L"skin-" + std::wstring(skin) + L"-window.bmp")));
        ShowWindow(gallery.window(), SW_HIDE);
        ShowAndPaint(gallery.states());
        EXPECT_TRUE(test::SaveWindowPicture(gallery.states(), PicturePath(L"skin-" + std::wstring(skin) + L"-states.bmp")));
    }
}

TEST_F(SkinWindows, ASingleColourBackgroundPaintsThatColourAndAButtonItsPicture) {
    ScratchFolder dir(L"flatskin");
    const test::Rgba green{23, 140, 96, 255};
    test::PngRecipe recipe;
    recipe.width = 763;
    recipe.height = 538;
    recipe.kind = test::PngKind::Rgb;
    recipe.pixel = [green](int x, int y) { return x < 6 && y < 6 ? test::Rgba{255, 0, 255, 255} : green; };
    ASSERT_TRUE(test::WritePngFile(dir.path() + L"flat.png", test::MakePng(recipe)));
    recipe.width = 106;
    recipe.height = 46;
    recipe.pixel = [](int, int) { return test::Rgba{200, 30, 30, 255}; };
    ASSERT_TRUE(test::WritePngFile(dir.path() + L"file.png", test::MakePng(recipe)));
    test::WriteFileBytes(dir.path() + L"Flat.ini", "[MainForm]\r\nSK_MAINFORM_PicBackGround=flat.png\r\n"
                                                   "SK_MAINFORM_BUTTON_File_PicNormal=file.png\r\n");
    ASSERT_TRUE(Load(dir.path() + L"Flat.ini"));

    SkinGallery gallery(dir.path());
    ShowAndPaint(gallery.window());
    for (POINT at : {POINT{200, 75}, POINT{380, 525}, POINT{300, 5}})
        EXPECT_EQ(gallery.ScreenPixel(at.x, at.y), RGB(23, 140, 96)) << at.x << "," << at.y;
    EXPECT_NE(gallery.ScreenPixel(1, 1), RGB(255, 0, 255)) << "the magenta corner is not part of the window";
    RECT file{};
    GetWindowRect(gallery.button(MainFormButton::File), &file);
    MapWindowPoints(nullptr, gallery.window(), reinterpret_cast<POINT*>(&file), 2);
    EXPECT_EQ(gallery.ScreenPixel(file.left + 3, file.top + 3), RGB(200, 30, 30));
    // The other buttons found no picture in this folder and keep their own look.
    EXPECT_FALSE(SendMessageW(gallery.button(MainFormButton::View), ARB_GETPICTURE, 0, 0));
}

TEST_F(SkinWindows, ABrokenBackgroundLeavesTheDesignedLook) {
    ScratchFolder dir(L"brokenskin");
    test::WriteFileBytes(dir.path() + L"img_Main.png", "\x89PNG\r\n\x1a\n and then nothing that is a chunk");
    test::WriteFileBytes(dir.path() + L"Broken.ini", "[MainForm]\r\n");
    ASSERT_TRUE(Load(dir.path() + L"Broken.ini"));
    SkinGallery gallery(dir.path());
    ASSERT_EQ(gallery.pictures().Problems().size(), 1u);
    EXPECT_NE(gallery.pictures().Problems()[0].find(L"img_Main.png"), std::wstring::npos);
    ShowAndPaint(gallery.window());
    EXPECT_EQ(gallery.ScreenPixel(200, 75), kTitleBandColour);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(gallery.window(), shape), ERROR) << "no picture, no shape: the window stays a rectangle";
    DeleteObject(shape);
}
