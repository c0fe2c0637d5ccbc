#pragma once
// TAddItemForm: the modal "Add Item" window of the startup page. The user names a file and one of
// four places; the window checks that the file exists and hands the choice back as plain data.
// The caller adds the entry (AddStartupItem) and rebuilds the startup list.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "startup/addItem.h"
#include "ui/formBase.h"

namespace purgeon {

class TAddItemForm : public TFormBase {
public:
    // Shows the window modally, centred on `owner`, until OK with an existing file (the request)
    // or Cancel, Esc or the close box (nothing). The section list starts at the user's Run key.
    std::optional<AddItemRequest> Run(HWND owner, HINSTANCE instance);

    // Tells the user that the target is missing; by default a message box with the application title.
    std::function<void(HWND window, const std::wstring& text)> ShowTargetMissing;
    // Called once the window is shown, before the user can act; lets tests drive it.
    std::function<void(TAddItemForm& form)> OnShown;

    HWND TargetEdit() const { return txtTarget_; }
    HWND SectionCombo() const { return cmbSection_; }
    HWND BrowseButton() const { return btnBrowse_; }
    HWND OkButton() const { return btnOK_; }
    HWND CancelButton() const { return btnCancel_; }

    static constexpr wchar_t kClassName[] = L"TAddItemForm";
    static constexpr int kWindowWidth = 373;
    static constexpr int kWindowHeight = 214;
    static constexpr wchar_t kTargetMissingText[] = L"The specified target file can't be found, please reset!";

private:
    void FormCreate() override;
    void FormShow() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnClose() override { btnCancelClick(); }
    void btnBrowseClick();
    void btnOKClick();
    void btnCancelClick();
    AddItemRequest ReadControls() const;

    HWND lblTarget_ = nullptr;
    HWND txtTarget_ = nullptr;
    HWND btnBrowse_ = nullptr;
    HWND lblSection_ = nullptr;
    HWND cmbSection_ = nullptr;
    HWND btnOK_ = nullptr;
    HWND btnCancel_ = nullptr;
    std::optional<AddItemRequest> result_;
};

}  // namespace purgeon
