// The skin table's keys and defaults, the rectangle format, and placing real windows with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/funUtils.h"
#include "common/handles.h"
#include "skins/multiSkins.h"
#include "ui/skinPictures.h"
#include "tests/support/pngMaker.h"
#include "tests/support/testSupport.h"
#include "ui/widgets/widgets.h"

using namespace purgeon;
using purgeon::test::ReadFileBytes;
using purgeon::test::ScratchFolder;
using purgeon::test::Utf16Bytes;
using purgeon::test::WriteFileBytes;

namespace {

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(SkinRect, ParsesTheEdgeCasesOfTheFormat) {
    struct Case {
        const wchar_t* text;
        std::optional<SkinRect> expected;
    };
    const Case cases[] = {
        {L"0, 0, 763, 538", SkinRect{0, 0, 763, 538}},
        {L"152,11, 312, 33", SkinRect{152, 11, 312, 33}},
        {L"  5 ,\t112 , 750 ,394  ", SkinRect{5, 112, 750, 394}},
        {L"10, 20, 30, 40, 50", SkinRect{10, 20, 30, 40}},
        {L"10, 20, 30, 40, junk", SkinRect{10, 20, 30, 40}},
        {L"10, 20, 30, 40,", SkinRect{10, 20, 30, 40}},
        {L"-8, -1, +30, 0", SkinRect{-8, -1, 30, 0}},
        {L"2147483647, -2147483648, 0, 0", SkinRect{2147483647, -2147483647 - 1, 0, 0}},
        {L"10, 20, 30", std::nullopt},
        {L"", std::nullopt},
        {L"   ", std::nullopt},
        {L"1,2,3,", std::nullopt},
        {L",1,2,3", std::nullopt},
        {L"a, b, c, d", std::nullopt},
        {L"10, 20px, 30, 40", std::nullopt},
        {L"10, 2 0, 30, 40", std::nullopt},
        {L"1.5, 2, 3, 4", std::nullopt},
        {L"-, 2, 3, 4", std::nullopt},
        {L"10; 20; 30; 40", std::nullopt},
        {L"2147483648, 0, 0, 0", std::nullopt},
        {L"\uFF11, 2, 3, 4", std::nullopt},  // a full-width digit is not a digit here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        std::optional<SkinRect> parsed = ParseSkinRect(c.text);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value());
        if (parsed) {
            EXPECT_TRUE(*parsed == *c.expected);
        }
    }
}

// Too short to be a rectangle leaves a control alone; a field that is no number ends the placing.
TEST(SkinRect, ReadingsTellShortFromBroken) {
    EXPECT_EQ(ReadSkinRect(L"1, 2, 3, 4"), SkinRectReading::Rect);
    EXPECT_EQ(ReadSkinRect(L"1, 2, 3, 4, x"), SkinRectReading::Rect);
    for (const wchar_t* text : {L"", L"  ", L"10, 20, 30", L"7"}) EXPECT_EQ(ReadSkinRect(text), SkinRectReading::Short) << ToUtf8(text);
    for (const wchar_t* text : {L"a, b, c, d", L"10, 20px", L"1,2,3,", L",1,2,3", L"1.5"})
        EXPECT_EQ(ReadSkinRect(text), SkinRectReading::Broken) << ToUtf8(text);
    const std::wstring saved = SkinText(SK_MAINFORM_PAGE1_SizePanel_Pos);
    SetSkinText(SK_MAINFORM_PAGE1_SizePanel_Pos, L"1, 2, 3");
    EXPECT_TRUE(SkinRectOf(SK_MAINFORM_PAGE1_SizePanel_Pos) == *ParseSkinRect(SkinDefaultText(SK_MAINFORM_PAGE1_SizePanel_Pos)));
    SetSkinText(SK_MAINFORM_PAGE1_SizePanel_Pos, L"1, 2, 3, 4");
    EXPECT_TRUE(SkinRectOf(SK_MAINFORM_PAGE1_SizePanel_Pos) == (SkinRect{1, 2, 3, 4}));
    SetSkinText(SK_MAINFORM_PAGE1_SizePanel_Pos, saved);
}

TEST(SkinTable, HoldsEveryKeyWithItsSectionAndDefault) {
    ResetSkinTable();
    ASSERT_EQ(kSkinKeyCount, 121);
    EXPECT_EQ(SkinText(SK_MAINFORM_Pos), L"0, 0, 763, 538");
    EXPECT_STREQ(SkinKeyName(SK_MAINFORM_Pos), L"SK_MAINFORM_Pos");
    EXPECT_STREQ(SkinKeyName(static_cast<SkinKey>(0)), L"SK_MAINFORM_Pos");
    EXPECT_STREQ(SkinKeyName(static_cast<SkinKey>(kSkinKeyCount - 1)), L"SK_SPLASHFORM_IMAGE_CHARGE");

    // The two page buttons spell their disabled picture key differently but hold a picture.
    EXPECT_STREQ(SkinKeyName(SK_MAINFORM_BUTTON_ProgramList_PosDisabled), L"SK_MAINFORM_BUTTON_ProgramList_PosDisabled");
    EXPECT_EQ(SkinText(SK_MAINFORM_BUTTON_ProgramList_PosDisabled), L"btnProgramList_Disabled.png");
    EXPECT_EQ(SkinText(SK_MAINFORM_BUTTON_StartupItems_PosDisabled), L"btnStartUpItems_Disabled.png");
    EXPECT_EQ(SkinText(SK_MAINFORM_BUTTON_StartupItems_Pos), L"150, 81, 163, 32");
    EXPECT_EQ(SkinText(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseHover), L"btnDetails_Hover.png");
    EXPECT_EQ(SkinText(SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos), L"0, 0, 742, 394");
    EXPECT_EQ(SkinText(SK_MAINFORM_PAGE2_Pos), L"0, 1, 750, 394");
    EXPECT_EQ(SkinText(SK_ABOUTFORM_LABEL_ProductTitle_Pos), L"152,11, 312, 33");
    EXPECT_EQ(SkinText(SK_SPLASHFORM_LABEL_CopyrightInfo_Pos), L"147, 152, 350, 65");
    EXPECT_STREQ(SkinKeyName(SK_ABOUTFORM_LABLE_CopyRight_Pos), L"SK_ABOUTFORM_LABLE_CopyRight_Pos");

    EXPECT_STREQ(SkinSection(SK_PROGRESSFORM_ImageBG_Pic), L"MainForm");
    EXPECT_STREQ(SkinSection(SK_ABOUTFORM_IMGABOUT_POS), L"RegistryForm");
    EXPECT_STREQ(SkinSection(SK_SPLASHFORM_IMAGE_CHARGE), L"RegistryForm");

    std::set<std::wstring> names;
    int registryForm = 0;
    for (int i = 0; i < kSkinKeyCount; ++i) {
        auto key = static_cast<SkinKey>(i);
        std::wstring name = SkinKeyName(key);
        SCOPED_TRACE(ToUtf8(name));
        EXPECT_TRUE(names.insert(ToLower(name)).second) << "keys are read without regard to case";
        std::wstring section = SkinSection(key);
        EXPECT_TRUE(section == L"MainForm" || section == L"RegistryForm");
        if (section == L"RegistryForm") ++registryForm;
        EXPECT_EQ(section == L"RegistryForm", StartsWithNoCase(name, L"SK_ABOUTFORM") || StartsWithNoCase(name, L"SK_SPLASHFORM"));
        // Every rectangle default is a rectangle, every picture default a PNG file name.
        bool rectangle = EndsWith(name, L"_Pos") || EndsWith(name, L"_FullPos") || EndsWith(name, L"_POS");
        if (rectangle) {
            EXPECT_TRUE(ParseSkinRect(SkinText(key)).has_value());
        } else {
            EXPECT_TRUE(EndsWith(SkinText(key), L".png"));
        }
    }
    EXPECT_EQ(registryForm, 13);
}

TEST(SkinTable, TextsChangeAndResetToTheDefaults) {
    SetSkinText(SK_MAINFORM_Pos, L"1, 2, 3, 4");
    EXPECT_EQ(SkinText(SK_MAINFORM_Pos), L"1, 2, 3, 4");
    EXPECT_STREQ(SkinDefaultText(SK_MAINFORM_Pos), L"0, 0, 763, 538");
    ResetSkinTable();
    EXPECT_EQ(SkinText(SK_MAINFORM_Pos), L"0, 0, 763, 538");
}

class PlaceControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A bordered parent: its client area does not start at its window's corner.
        parent_.reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_BORDER, 30, 40, 300, 200,
                                      nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(parent_);
        child_.reset(CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 1, 1, 5, 5, parent_.get(), nullptr,
                                     nullptr, nullptr));
        ASSERT_TRUE(child_);
    }
    RECT ChildInParent() const {
        RECT rect;
        GetWindowRect(child_.get(), &rect);
        MapWindowPoints(nullptr, parent_.get(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    UniqueWindow parent_;
    UniqueWindow child_;
};

TEST_F(PlaceControlTest, PlacesAChildInItsParentsClientArea) {
    EXPECT_TRUE(PlaceControl(child_.get(), L"10, 20, 30, 40, 50"));
    RECT rect = ChildInParent();
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right - rect.left, 30);
    EXPECT_EQ(rect.bottom - rect.top, 40);
}

TEST_F(PlaceControlTest, LeavesTheControlWhereItWasForANonRectangle) {
    ASSERT_TRUE(PlaceControl(child_.get(), L"7,8,9,10"));
    for (const wchar_t* text : {L"10, 20, 30", L"", L"10, 20, x, 40"}) {
        EXPECT_FALSE(PlaceControl(child_.get(), text));
        RECT rect = ChildInParent();
        EXPECT_EQ(rect.left, 7);
        EXPECT_EQ(rect.top, 8);
        EXPECT_EQ(rect.right - rect.left, 9);
        EXPECT_EQ(rect.bottom - rect.top, 10);
    }
    EXPECT_FALSE(PlaceControl(nullptr, L"1, 2, 3, 4"));
}

TEST_F(PlaceControlTest, PlacesATopLevelWindowOnTheScreen) {
    EXPECT_TRUE(PlaceControl(parent_.get(), L"12, 34, 250, 150"));
    RECT rect;
    GetWindowRect(parent_.get(), &rect);
    EXPECT_EQ(rect.left, 12);
    EXPECT_EQ(rect.top, 34);
    EXPECT_EQ(rect.right - rect.left, 250);
    EXPECT_EQ(rect.bottom - rect.top, 150);
}

}  // namespace

namespace {

std::wstring ReadValue(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    wchar_t value[2048];
    GetPrivateProfileStringW(section, key, L"<absent>", value, 2048, path.c_str());
    return value;
}

// The key names a section holds, in file order.
std::vector<std::wstring> KeysOf(const std::wstring& path, const wchar_t* section) {
    std::vector<wchar_t> names(65536);
    DWORD length = GetPrivateProfileStringW(section, nullptr, L"", names.data(), static_cast<DWORD>(names.size()),
                                            path.c_str());
    std::vector<std::wstring> keys;
    for (const wchar_t* p = names.data(); p < names.data() + length && *p; p += wcslen(p) + 1) keys.emplace_back(p);
    return keys;
}

class SkinFiles : public ::testing::Test {
protected:
    void SetUp() override { ResetSkinTable(); }
    void TearDown() override { ResetSkinTable(); }
    std::wstring Write(const std::wstring& name, const std::wstring& content) {
        std::wstring path = dir.path() + name;
        WriteFileBytes(path, Utf16Bytes(content));
        return path;
    }
    bool Load(const std::wstring& path) {
        return LoadSkin(path, [this](const std::wstring& text) { boxes.push_back(text); });
    }
    static void ExpectDefaultsExcept(std::initializer_list<SkinKey> changed) {
        for (int i = 0; i < kSkinKeyCount; ++i) {
            auto key = static_cast<SkinKey>(i);
            if (std::find(changed.begin(), changed.end(), key) != changed.end()) continue;
            EXPECT_EQ(SkinText(key), SkinDefaultText(key)) << ToUtf8(SkinKeyName(key));
        }
    }

    ScratchFolder dir{L"skins"};
    std::vector<std::wstring> boxes;
};

}  // namespace

TEST_F(SkinFiles, MissingFileIsWrittenWithBothSectionsAndEveryKeyThenReadBack) {
    const std::wstring path = dir.path() + L"Default.ini";
    ASSERT_TRUE(Load(path));
    EXPECT_TRUE(boxes.empty());
    ASSERT_TRUE(FileExists(path));
    EXPECT_EQ(ReadFileBytes(path).compare(0, 2, "\xFF\xFE"), 0) << "UTF-16LE, so any picture name can be kept";

    std::vector<std::wstring> mainForm = KeysOf(path, kSkinSectionMainForm);
    std::vector<std::wstring> registryForm = KeysOf(path, kSkinSectionRegistryForm);
    EXPECT_EQ(mainForm.size(), 108u);
    EXPECT_EQ(registryForm.size(), 13u);
    // In file order, each in its own section with its default.
    size_t inMain = 0, inRegistry = 0;
    for (int i = 0; i < kSkinKeyCount; ++i) {
        auto key = static_cast<SkinKey>(i);
        bool main = std::wstring(SkinSection(key)) == kSkinSectionMainForm;
        std::vector<std::wstring>& list = main ? mainForm : registryForm;
        size_t& at = main ? inMain : inRegistry;
        ASSERT_LT(at, list.size());
        EXPECT_EQ(list[at++], SkinKeyName(key));
        EXPECT_EQ(ReadValue(path, SkinSection(key), SkinKeyName(key)), SkinDefaultText(key));
    }
    ExpectDefaultsExcept({});
    EXPECT_EQ(SkinText(SK_MAINFORM_Pos), L"0, 0, 763, 538");
}

TEST_F(SkinFiles, AFileSettingOneKeyChangesOnlyThatEntry) {
    ASSERT_TRUE(Load(Write(L"One.ini", L"[MainForm]\r\nSK_MAINFORM_Pos=40, 30, 800, 600\r\n")));
    EXPECT_EQ(SkinText(SK_MAINFORM_Pos), L"40, 30, 800, 600");
    ExpectDefaultsExcept({SK_MAINFORM_Pos});
}

TEST_F(SkinFiles, EachKeyIsReadOnlyFromItsOwnSection) {
    ASSERT_TRUE(Load(Write(L"Sections.ini",
                           L"[MainForm]\r\n"
                           L"SK_ABOUTFORM_IMGABOUT_Pic=wrong.png\r\n"
                           L"SK_SPLASHFORM_IMAGE_CHARGE=wrong.png\r\n"
                           L"SK_MAINFORM_BUTTON_ProgramList_PicDisabled=not-a-key.png\r\n"
                           L"SK_MAINFORM_BUTTON_StartupItems_PosDisabled=start_off.png\r\n"
                           L"[RegistryForm]\r\n"
                           L"SK_MAINFORM_PicBackGround=wrong.png\r\n"
                           L"SK_PROGRESSFORM_ImageBG_Pic=wrong.png\r\n"
                           L"SK_ABOUTFORM_IMGABOUT_POS=0, 0, 100, 100\r\n"
                           L"[Other]\r\nSK_MAINFORM_Pos=1, 1, 1, 1\r\n")));
    // The page buttons' disabled pictures come from the keys spelt _PosDisabled only.
    EXPECT_EQ(SkinText(SK_MAINFORM_BUTTON_StartupItems_PosDisabled), L"start_off.png");
    EXPECT_EQ(SkinText(SK_ABOUTFORM_IMGABOUT_POS), L"0, 0, 100, 100");
    ExpectDefaultsExcept({SK_MAINFORM_BUTTON_StartupItems_PosDisabled, SK_ABOUTFORM_IMGABOUT_POS});
}

TEST_F(SkinFiles, KeysMatchWhateverTheirCaseAndValuesLoseTheirBlanks) {
    std::wstring longName(3000, L'x');
    ASSERT_TRUE(Load(Write(L"Case.ini", L"[mainform]\r\n"
                                         L"sk_mainform_picbackground =   Dunkel.png   \r\n"
                                         L"SK_MAINFORM_PAGE1_ImgPanel_Pic=\r\n"
                                         L"SK_MAINFORM_PAGE2_ImgPanel_Pic=\"\u00e9t\u00e9 \u6587.png\"\r\n"
                                         L"SK_MAINFORM_BUTTON_Min_PicNormal=" + longName + L"\r\n")));
    EXPECT_EQ(SkinText(SK_MAINFORM_PicBackGround), L"Dunkel.png");
    EXPECT_EQ(SkinText(SK_MAINFORM_PAGE1_ImgPanel_Pic), L"") << "an empty value empties the entry";
    EXPECT_EQ(SkinText(SK_MAINFORM_PAGE2_ImgPanel_Pic), L"\u00e9t\u00e9 \u6587.png");
    EXPECT_EQ(SkinText(SK_MAINFORM_BUTTON_Min_PicNormal), longName.substr(0, 2047));
}

TEST_F(SkinFiles, SavingWritesTheTextsInForceAndKeepsNonAsciiNames) {
    SetSkinText(SK_MAINFORM_PicBackGround, L"\u0424\u043e\u043d.png");
    SetSkinText(SK_MAINFORM_PAGE1_Pos, L"");
    const std::wstring path = dir.path() + L"Saved.ini";
    ASSERT_TRUE(SaveSkin(path));
    ResetSkinTable();
    ASSERT_TRUE(Load(path));
    EXPECT_EQ(SkinText(SK_MAINFORM_PicBackGround), L"\u0424\u043e\u043d.png");
    EXPECT_EQ(SkinText(SK_MAINFORM_PAGE1_Pos), L"");
}

TEST_F(SkinFiles, AnUncreatableFileShowsTheBoxOnceAndKeepsTheDefaults) {
    const std::wstring path = dir.path() + L"NoSuchFolder\\Default.ini";
    SetSkinText(SK_MAINFORM_Pos, L"5, 5, 5, 5");
    EXPECT_FALSE(Load(path));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Save file " + path + L" failed!");
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(SkinText(SK_MAINFORM_Pos), L"5, 5, 5, 5");
    EXPECT_FALSE(SaveSkin(path));
}

// --- pictures on the controls ----------------------------------------------------------------

namespace {

bool IsPictureKey(SkinKey key) {
    std::wstring name = SkinKeyName(key);
    return !(EndsWith(name, L"_Pos") || EndsWith(name, L"_FullPos") || EndsWith(name, L"_POS"));
}

std::vector<uint8_t> SolidPng(test::Rgba colour, int width = 8, int height = 6) {
    test::PngRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.pixel = [colour](int, int) { return colour; };
    return test::MakePng(recipe);
}

class ButtonPictures : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSkinTable();
        RegisterWidgetClasses(GetModuleHandleW(nullptr));
        parent_.reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr));
        button_ = CreateArButton(parent_.get(), 7, L"Go", GetModuleHandleW(nullptr));
        ASSERT_TRUE(button_);
    }
    void TearDown() override { ResetSkinTable(); }
    HBITMAP PictureOf(ButtonState state) const {
        return reinterpret_cast<HBITMAP>(SendMessageW(button_, ARB_GETPICTURE, static_cast<WPARAM>(state), 0));
    }
    void Put(const std::wstring& name, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(test::WritePngFile(dir_.path() + name, bytes));
    }

    ScratchFolder dir_{L"buttons"};
    UniqueWindow parent_;
    HWND button_ = nullptr;
};

}  // namespace

TEST_F(ButtonPictures, AMissingOrBrokenPictureKeepsTheOneTheButtonHad) {
    // The designed look: a picture of its own for every state.
    UniqueBitmap designed(CreateBitmap(4, 4, 1, 32, nullptr));
    for (int state = 0; state < 4; ++state)
        SendMessageW(button_, ARB_SETPICTURE, state, reinterpret_cast<LPARAM>(designed.get()));

    Put(L"btnMin_Normal.png", SolidPng({200, 0, 0, 255}));
    Put(L"btnMin_Down.png", SolidPng({0, 200, 0, 255}));
    std::vector<uint8_t> broken = SolidPng({0, 0, 200, 255});
    broken.resize(broken.size() - 20);
    Put(L"btnMin_Disabled.png", broken);
    SetSkinText(SK_MAINFORM_BUTTON_Min_PicMouseHover, L"missing.png");

    SkinPictures pictures(dir_.path());
    ButtonSkinKeys keys = MainFormButtonKeys(MainFormButton::Min);
    EXPECT_EQ(keys.pos, SK_MAINFORM_BUTTON_Min_Pos);
    EXPECT_EQ(keys.pictures[3], SK_MAINFORM_BUTTON_Min_PicDisabled);
    EXPECT_EQ(LoadButtonPictures(button_, keys, pictures), 2);

    EXPECT_NE(PictureOf(ButtonState::Normal), designed.get());
    EXPECT_EQ(PictureOf(ButtonState::Normal), pictures.Find(L"btnMin_Normal.png"));
    EXPECT_NE(PictureOf(ButtonState::Down), designed.get());
    EXPECT_EQ(PictureOf(ButtonState::Hover), designed.get()) << "missing file";
    EXPECT_EQ(PictureOf(ButtonState::Disabled), designed.get()) << "truncated file";
    ASSERT_EQ(pictures.Problems().size(), 1u);
    EXPECT_NE(pictures.Problems()[0].find(L"btnMin_Disabled.png: the file is truncated"), std::wstring::npos)
        << ToUtf8(pictures.Problems()[0]);

    // One state at a time, as the skin's loader does it.
    EXPECT_FALSE(LoadButtonPicture(button_, ButtonState::Hover, L"also-missing.png", pictures));
    EXPECT_TRUE(LoadButtonPicture(button_, ButtonState::Hover, L"BTNMIN_DOWN.PNG", pictures));
    EXPECT_EQ(PictureOf(ButtonState::Hover), PictureOf(ButtonState::Down)) << "one file, one bitmap";
    EXPECT_FALSE(LoadButtonPicture(nullptr, ButtonState::Hover, L"btnMin_Down.png", pictures));
}

TEST_F(ButtonPictures, ThePageButtonsTakeTheirDisabledPictureFromThePosDisabledKey) {
    ButtonSkinKeys keys = MainFormButtonKeys(MainFormButton::ProgramList);
    EXPECT_EQ(keys.pictures[static_cast<int>(ButtonState::Disabled)], SK_MAINFORM_BUTTON_ProgramList_PosDisabled);
    keys = MainFormButtonKeys(MainFormButton::StartupItems);
    EXPECT_EQ(keys.pictures[static_cast<int>(ButtonState::Disabled)], SK_MAINFORM_BUTTON_StartupItems_PosDisabled);
    // Every button's five keys share the stem and come in the table's order.
    for (int i = 0; i < kMainFormButtonCount; ++i) {
        ButtonSkinKeys stem = MainFormButtonKeys(static_cast<MainFormButton>(i));
        std::wstring pos = SkinKeyName(stem.pos);
        ASSERT_TRUE(EndsWith(pos, L"_Pos"));
        std::wstring base = pos.substr(0, pos.size() - 4);
        const wchar_t* suffixes[] = {L"_PicNormal", L"_PicMouseHover", L"_PicMouseDown", L"_PicDisabled"};
        for (int state = 0; state < 4; ++state) {
            std::wstring name = SkinKeyName(stem.pictures[state]);
            bool pageButton = i == static_cast<int>(MainFormButton::ProgramList) ||
                              i == static_cast<int>(MainFormButton::StartupItems);
            EXPECT_EQ(name, base + (state == 3 && pageButton ? L"_PosDisabled" : suffixes[state]));
        }
    }
}

TEST(MainFormPictures, EveryPictureKeyOfTheMainWindowIsLoadedAtOnce) {
    ResetSkinTable();
    std::vector<SkinKey> keys = MainFormPictureKeys();
    std::set<int> expected;
    for (int i = 0; i < kSkinKeyCount; ++i) {
        auto key = static_cast<SkinKey>(i);
        if (IsPictureKey(key) && std::wstring(SkinSection(key)) == kSkinSectionMainForm && key != SK_PROGRESSFORM_ImageBG_Pic)
            expected.insert(i);
    }
    EXPECT_EQ(std::set<int>(keys.begin(), keys.end()), expected);
    EXPECT_EQ(keys.size(), expected.size()) << "each once";
    EXPECT_EQ(keys.front(), SK_MAINFORM_PicBackGround);

    ScratchFolder dir(L"mainpictures");
    test::WritePngFile(dir.path() + L"img_Main.png", SolidPng({10, 20, 30, 255}, 763, 538));
    test::WritePngFile(dir.path() + L"img_SizePanel.png", SolidPng({1, 2, 3, 255}));
    test::WritePngFile(dir.path() + kTitlePictureFile, SolidPng({4, 5, 6, 255}));
    test::WritePngFile(dir.path() + L"img_ProgressBar.png", SolidPng({4, 5, 6, 255}));
    SkinPictures pictures = LoadMainFormPictures(dir.path());
    ASSERT_TRUE(pictures.Find(SK_MAINFORM_PicBackGround));
    BITMAP info{};
    GetObjectW(pictures.Find(SK_MAINFORM_PicBackGround), sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 763);
    EXPECT_TRUE(pictures.Find(kTitlePictureFile));
    EXPECT_EQ(pictures.Find(SK_MAINFORM_PAGE1_ImgPanel_Pic), pictures.Find(SK_MAINFORM_PAGE2_ImgPanel_Pic));
    EXPECT_FALSE(pictures.Find(SK_MAINFORM_BUTTON_Min_PicNormal)) << "not in this folder";
    EXPECT_FALSE(pictures.Find(SK_PROGRESSFORM_ImageBG_Pic)) << "another window's";
    EXPECT_TRUE(pictures.Problems().empty());

    LoadedPicture progress = LoadProgressFormPicture(dir.path());
    EXPECT_TRUE(progress.bitmap);
    LoadedPicture none = LoadSkinPicture(SK_ABOUTFORM_IMGABOUT_Pic, dir.path());
    EXPECT_FALSE(none.bitmap);
    EXPECT_TRUE(none.missing);
    EXPECT_TRUE(none.error.empty());
}
