// The add window driven in-process through its controls, as a user would, with real files.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "common/funUtils.h"
#include "i18n/multiLangs.h"
#include "startup/addItem.h"
#include "tests/support/testSupport.h"
#include "ui/frmAddItem.h"

using namespace purgeon;
using namespace purgeon::test;

namespace {

std::wstring ComboText(HWND combo, int index) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length < 0) return L"<none>";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

// The form over a hidden owner it disables while it is shown.
class AddItemForm : public ::testing::Test {
protected:
    void SetUp() override {
        owner_ = CreateHiddenOwner();
        ASSERT_TRUE(owner_);
        WriteFileBytes(target_, "MZ");
        form_.ShowTargetMissing = [this](HWND, const std::wstring& text) { messages_.push_back(text); };
    }

    ScratchFolder dir_{L"additemform"};
    const std::wstring target_ = dir_.path() + L"Start me.exe";
    UniqueWindow owner_;
    TAddItemForm form_;
    std::vector<std::wstring> messages_;
};

TEST_F(AddItemForm, ShowsTheTextsAndStartsAtTheUsersRunKey) {
    bool shown = false;
    form_.OnShown = [&](TAddItemForm& form) {
        shown = true;
        EXPECT_FALSE(IsWindowEnabled(owner_.get()));
        EXPECT_EQ(WindowText(form.Handle()), LangText(IDS_ADDITEMFORM_Title));
        EXPECT_EQ(WindowText(form.OkButton()), LangText(IDS_ADDITEMFORM_BUTTON_Ok));
        EXPECT_EQ(WindowText(form.BrowseButton()), LangText(IDS_ADDITEMFORM_BUTTON_Browse));
        HWND combo = form.SectionCombo();
        ASSERT_EQ(4, SendMessageW(combo, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(ComboText(combo, 0), LangText(IDS_ADDITEMFORM_COMBOBOX_Items1));
        EXPECT_EQ(ComboText(combo, 3), LangText(IDS_ADDITEMFORM_COMBOBOX_Items4));
        EXPECT_EQ(2, SendMessageW(combo, CB_GETCURSEL, 0, 0));
        RECT window{};
        GetWindowRect(form.Handle(), &window);
        EXPECT_EQ(window.right - window.left, TAddItemForm::kWindowWidth);
        EXPECT_EQ(window.bottom - window.top, TAddItemForm::kWindowHeight);
        // Centred on the owner.
        EXPECT_NEAR((window.left + window.right) / 2, 400, 1);
        EXPECT_NEAR((window.top + window.bottom) / 2, 300, 1);
        // Even an existing target is not taken on Cancel.
        SetWindowTextW(form.TargetEdit(), target_.c_str());
        PostMessageW(form.CancelButton(), BM_CLICK, 0, 0);
    };
    EXPECT_FALSE(form_.Run(owner_.get(), GetModuleHandleW(nullptr)).has_value());
    EXPECT_TRUE(shown);
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(AddItemForm, AMissingTargetIsReportedAndClearedAndTheWindowStays) {
    form_.OnShown = [&](TAddItemForm& form) {
        // A path followed by an argument is no file.
        SetWindowTextW(form.TargetEdit(), (target_ + L" -min").c_str());
        SendMessageW(form.OkButton(), BM_CLICK, 0, 0);
        EXPECT_EQ(WindowText(form.TargetEdit()), L"");
        EXPECT_TRUE(IsWindow(form.Handle()));
        // The user tries again with the file, pasted with its quotes, and the current user's
        // Startup folder.
        SetWindowTextW(form.TargetEdit(), (L"\"" + target_ + L"\"").c_str());
        SendMessageW(form.SectionCombo(), CB_SETCURSEL, 0, 0);
        PostMessageW(form.OkButton(), BM_CLICK, 0, 0);
    };
    auto request = form_.Run(owner_.get(), GetModuleHandleW(nullptr));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], TAddItemForm::kTargetMissingText);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->target, target_);
    EXPECT_EQ(request->section, AddItemSection::CurrentUserFolder);
}

TEST_F(AddItemForm, EscapeCancelsAndTheCloseBoxToo) {
    form_.OnShown = [&](TAddItemForm& form) {
        SetWindowTextW(form.TargetEdit(), target_.c_str());
        PostMessageW(form.TargetEdit(), WM_KEYDOWN, VK_ESCAPE, 0);
    };
    EXPECT_FALSE(form_.Run(owner_.get(), GetModuleHandleW(nullptr)).has_value());
    form_.OnShown = [&](TAddItemForm& form) {
        SetWindowTextW(form.TargetEdit(), target_.c_str());
        PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
    };
    EXPECT_FALSE(form_.Run(owner_.get(), GetModuleHandleW(nullptr)).has_value());
    EXPECT_TRUE(IsWindowEnabled(owner_.get()));
}

TEST_F(AddItemForm, EnterTakesTheTargetAsTypedAndTheEntryLandsInTheRunKey) {
    form_.OnShown = [&](TAddItemForm& form) {
        SetWindowTextW(form.TargetEdit(), target_.c_str());
        SendMessageW(form.SectionCombo(), CB_SETCURSEL, 2, 0);
        PostMessageW(form.TargetEdit(), WM_KEYDOWN, VK_RETURN, 0);
    };
    auto request = form_.Run(owner_.get(), GetModuleHandleW(nullptr));
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->section, AddItemSection::CurrentUserRun);
    ASSERT_EQ(AddItemResult::Added, AddStartupItem(*request).result);
    UniqueHKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_ALL_ACCESS, key.put()));
    auto text = ReadRegString(key.get(), L"Start me");
    EXPECT_EQ(text.value_or(L"<none>"), L"\"" + target_ + L"\"");
    RegDeleteValueW(key.get(), L"Start me");
}

}  // namespace
