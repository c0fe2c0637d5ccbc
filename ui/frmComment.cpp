#include "ui/frmComment.h"

#include <commctrl.h>

#include "common/funUtils.h"
#include "i18n/multiLangs.h"
#include "ui/uiCommon.h"

namespace purgeon {

namespace {

// Not IDOK / IDCANCEL: the dialog keys send those for Enter and Escape, which must not close it.
enum ControlId { IDC_PROGRAM_NAME = 100, IDC_TITLE, IDC_COMMENT, IDC_OK, IDC_CANCEL };

// In design units.
constexpr RECT kProgramNameRect{24, 8, 24 + 265, 8 + 24};
constexpr RECT kTitleRect{24, 35, 24 + 249, 35 + 26};
constexpr RECT kCommentRect{24, 64, 24 + 249, 64 + 66};
constexpr RECT kOkRect{72, 140, 72 + 73, 140 + 25};
constexpr RECT kCancelRect{168, 140, 168 + 73, 140 + 25};

}  // namespace

std::optional<std::wstring> TCommentForm::Run(HWND owner, HINSTANCE instance, const std::wstring& displayName,
                                              const std::function<void(TCommentForm& form)>& onShown) {
    TCommentForm form;
    form.displayName_ = displayName;
    if (!form.CreateForm(owner, instance, kClassName, L"Add Comments", kClientWidth, kClientHeight, FormSize::Client))
        return std::nullopt;
    form.RunModal(owner, form.txtComment_, [&] {
        if (onShown) onShown(form);
    });
    return form.result_;
}

void TCommentForm::OnCommand(WORD id, WORD code, HWND) {
    // IDOK and IDCANCEL from Enter and Escape do nothing.
    if (code != BN_CLICKED) return;
    if (id == IDC_OK) btnOkClick();
    if (id == IDC_CANCEL) btnCancelClick();
}

void TCommentForm::FormCreate() {
    HWND hwnd = hwnd_.get();
    font_ = CreateMessageFont(FontLook::Regular, dpi_);
    boldFont_ = CreateMessageFont(FontLook::Bold, dpi_);
    HFONT font = font_.get();
    lblProgramName_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX | SS_EDITCONTROL, Scaled(kProgramNameRect),
                                  IDC_PROGRAM_NAME, instance_, boldFont_.get());
    lblTitle_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX, Scaled(kTitleRect), IDC_TITLE, instance_, font);
    // One line, as tall as designed; the text sits at its top.
    txtComment_ = MakeControl(hwnd, WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, Scaled(kCommentRect), IDC_COMMENT, instance_,
                              font, WS_EX_CLIENTEDGE);
    SendMessageW(txtComment_, EM_LIMITTEXT, kMaxCommentLength, 0);
    btnOk_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, Scaled(kOkRect), IDC_OK, instance_, font);
    btnCancel_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, Scaled(kCancelRect), IDC_CANCEL, instance_, font);
}

void TCommentForm::FormShow() {
    SetWindowTextW(hwnd_.get(), LangText(IDS_COMMENTFORM_Title).c_str());
    SetWindowTextW(lblProgramName_, displayName_.c_str());
    SetWindowTextW(lblTitle_, LangText(IDS_COMMENTFORM_LABEL_TITLE).c_str());
    SetWindowTextW(btnOk_, LangText(IDS_COMMENTFORM_BUTTON_Ok).c_str());
    SetWindowTextW(btnCancel_, LangText(IDS_COMMENTFORM_BUTTON_Cancel).c_str());
}

void TCommentForm::btnOkClick() {
    result_ = WindowText(txtComment_);
    done_ = true;
}

void TCommentForm::btnCancelClick() {
    result_.reset();
    done_ = true;
}

}  // namespace purgeon
