// The skin table's keys and defaults, the rectangle format, and placing real windows with it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/funUtils.h"
#include "common/handles.h"
#include "skins/multiSkins.h"

using namespace purgeon;

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
    EXPECT_TRUE(LoadSkin());
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
