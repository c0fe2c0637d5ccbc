#pragma once
// TCommentForm: the "Add Comments" window. It shows the program's display name and takes one line
// of at most 250 characters; OK hands the text back, Cancel and the close box nothing. Enter and
// Escape do not close it: neither button is the default or the cancel button.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "ui/formBase.h"

namespace purgeon {

class TCommentForm : public TFormBase {
public:
    TCommentForm() = default;
    ~TCommentForm() { DestroyFormWindow(); }  // the window goes before the bold font of its label

    // Shows a fresh window modally over `owner`; the comment on OK (possibly empty), else nothing.
    static std::optional<std::wstring> Run(HWND owner, HINSTANCE instance, const std::wstring& displayName,
                                           const std::function<void(TCommentForm& form)>& onShown = {});

    HWND ProgramNameLabel() const { return lblProgramName_; }
    HWND TitleLabel() const { return lblTitle_; }
    HWND CommentEdit() const { return txtComment_; }
    HWND OkButton() const { return btnOk_; }
    HWND CancelButton() const { return btnCancel_; }

    static constexpr wchar_t kClassName[] = L"TCommentForm";
    static constexpr int kClientWidth = 300;
    static constexpr int kClientHeight = 175;
    static constexpr int kMaxCommentLength = 250;

private:
    void FormCreate() override;
    void FormShow() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnClose() override { btnCancelClick(); }
    void btnOkClick();
    void btnCancelClick();

    std::wstring displayName_;
    UniqueFont boldFont_;
    HWND lblProgramName_ = nullptr;
    HWND lblTitle_ = nullptr;
    HWND txtComment_ = nullptr;
    HWND btnOk_ = nullptr;
    HWND btnCancel_ = nullptr;
    std::optional<std::wstring> result_;
};

}  // namespace purgeon
