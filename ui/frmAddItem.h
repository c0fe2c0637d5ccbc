#pragma once
// TAddItemForm: the modal "Add Item" window of the startup page. The user names a file and one of
// four places; the window checks that the file exists and hands the choice back as plain data.
// The caller adds the entry (AddStartupItem) and rebuilds the startup list.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "common/handles.h"
#include "startup/addItem.h"

namespace purgeon {

class TAddItemForm {
public:
    TAddItemForm() = default;
    ~TAddItemForm();
    TAddItemForm(const TAddItemForm&) = delete;
    TAddItemForm& operator=(const TAddItemForm&) = delete;

    // Shows the window modally, centred on `owner`, until OK with an existing file (the request)
    // or Cancel, Esc or the close box (nothing). The section list starts at the user's Run key.
    std::optional<AddItemRequest> Run(HWND owner, HINSTANCE instance);

    // Tells the user that the target is missing; by default a message box with the application title.
    std::function<void(HWND window, const std::wstring& text)> ShowTargetMissing;
    // Called once the window is shown, before the user can act; lets tests drive it.
    std::function<void(TAddItemForm& form)> OnShown;

    HWND Handle() const { return hwnd_.get(); }
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
    template <typename Form>
    friend LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);
    void WindowDestroyed();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void FormCreate();
    void FormShow();
    void btnBrowseClick();
    void btnOKClick();
    void btnCancelClick();
    AddItemRequest ReadControls() const;

    HWND owner_ = nullptr;
    HINSTANCE instance_ = nullptr;
    UniqueWindow hwnd_;
    UniqueGdiObject font_;
    HWND lblTarget_ = nullptr;
    HWND txtTarget_ = nullptr;
    HWND btnBrowse_ = nullptr;
    HWND lblSection_ = nullptr;
    HWND cmbSection_ = nullptr;
    HWND btnOK_ = nullptr;
    HWND btnCancel_ = nullptr;
    bool done_ = false;
    std::optional<AddItemRequest> result_;
};

}  // namespace purgeon
