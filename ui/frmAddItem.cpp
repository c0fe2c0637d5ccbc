#include "ui/frmAddItem.h"

#include <commctrl.h>
#include <commdlg.h>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "ui/frmDetails.h"
#include "ui/uiCommon.h"

namespace purgeon {

namespace {

enum ControlId { IDC_TARGET_LABEL = 100, IDC_TARGET, IDC_BROWSE, IDC_SECTION_LABEL, IDC_SECTION };

// Designed places, in client pixels.
constexpr RECT kTargetLabelRect{16, 22, 76, 40};
constexpr RECT kTargetRect{80, 18, 270, 40};
constexpr RECT kBrowseRect{276, 17, 349, 41};
constexpr RECT kSectionLabelRect{16, 66, 76, 84};
constexpr RECT kSectionRect{80, 62, 349, 62 + 150};  // a drop-down combo's height is its dropped height
constexpr RECT kOkRect{188, 128, 263, 153};
constexpr RECT kCancelRect{274, 128, 349, 153};

constexpr TextKey kSectionTexts[kAddItemSectionCount] = {IDS_ADDITEMFORM_COMBOBOX_Items1, IDS_ADDITEMFORM_COMBOBOX_Items2,
                                                         IDS_ADDITEMFORM_COMBOBOX_Items3, IDS_ADDITEMFORM_COMBOBOX_Items4};

}  // namespace

std::optional<AddItemRequest> TAddItemForm::Run(HWND owner, HINSTANCE instance) {
    result_.reset();
    if (!CreateForm(owner, instance, kClassName, L"Add item", kWindowWidth, kWindowHeight, FormSize::Window))
        return std::nullopt;
    RunModal(owner_, txtTarget_, [&] {
        if (OnShown) OnShown(*this);
    });
    return result_;
}

void TAddItemForm::OnCommand(WORD id, WORD code, HWND control) {
    if (!ClickedOrKey(code, control)) return;
    switch (id) {
        case IDOK: btnOKClick(); break;          // also Enter, through the dialog keys
        case IDCANCEL: btnCancelClick(); break;  // also Esc
        case IDC_BROWSE: btnBrowseClick(); break;
    }
}

void TAddItemForm::FormCreate() {
    HWND hwnd = hwnd_.get();
    font_ = CreateMessageFont(FontLook::Regular, dpi_);
    HFONT font = font_.get();

    lblTarget_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX, Scaled(kTargetLabelRect), IDC_TARGET_LABEL, instance_, font);
    txtTarget_ = MakeControl(hwnd, WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, Scaled(kTargetRect), IDC_TARGET, instance_, font,
                             WS_EX_CLIENTEDGE);
    btnBrowse_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, Scaled(kBrowseRect), IDC_BROWSE, instance_, font);
    lblSection_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX, Scaled(kSectionLabelRect), IDC_SECTION_LABEL, instance_, font);
    cmbSection_ = MakeControl(hwnd, WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, Scaled(kSectionRect), IDC_SECTION,
                              instance_, font);
    btnOK_ = MakeControl(hwnd, WC_BUTTONW, BS_DEFPUSHBUTTON | WS_TABSTOP, Scaled(kOkRect), IDOK, instance_, font);
    btnCancel_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, Scaled(kCancelRect), IDCANCEL, instance_, font);

    for (TextKey key : kSectionTexts)
        SendMessageW(cmbSection_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LangText(key).c_str()));
    SendMessageW(cmbSection_, CB_SETCURSEL, static_cast<WPARAM>(AddItemSection::CurrentUserRun), 0);
}

void TAddItemForm::FormShow() {
    SetWindowTextW(hwnd_.get(), LangText(IDS_ADDITEMFORM_Title).c_str());
    SetWindowTextW(lblTarget_, LangText(IDS_ADDITEMFORM_LABEL_Target).c_str());
    SetWindowTextW(lblSection_, LangText(IDS_ADDITEMFORM_LABEL_Section).c_str());
    SetWindowTextW(btnBrowse_, LangText(IDS_ADDITEMFORM_BUTTON_Browse).c_str());
    SetWindowTextW(btnOK_, LangText(IDS_ADDITEMFORM_BUTTON_Ok).c_str());
    SetWindowTextW(btnCancel_, LangText(IDS_ADDITEMFORM_BUTTON_Cancel).c_str());
}

AddItemRequest TAddItemForm::ReadControls() const {
    AddItemRequest request;
    request.target = WindowText(txtTarget_);  // as typed, no trimming
    // A path pasted with its quotes ("Copy as path") names the file inside them; the Run value
    // gets its quotes when it is written.
    if (request.target.size() >= 2 && request.target.front() == L'"' && request.target.back() == L'"' &&
        request.target.find(L'"', 1) == request.target.size() - 1)
        request.target = request.target.substr(1, request.target.size() - 2);
    const LRESULT index = SendMessageW(cmbSection_, CB_GETCURSEL, 0, 0);
    if (index >= 0 && index < kAddItemSectionCount) request.section = static_cast<AddItemSection>(index);
    return request;
}

void TAddItemForm::btnBrowseClick() {
    wchar_t file[32768] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = hwnd_.get();
    dialog.lpstrFilter = L"All Files (*.*)\0*.*\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = static_cast<DWORD>(std::size(file));
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    // Cancel and dialog errors alike leave the text as it was.
    if (GetOpenFileNameW(&dialog)) SetWindowTextW(txtTarget_, file);
}

void TAddItemForm::btnOKClick() {
    AddItemRequest request = ReadControls();
    if (!FileExists(request.target)) {
        if (ShowTargetMissing)
            ShowTargetMissing(hwnd_.get(), kTargetMissingText);
        else
            ShowPlainMessage(hwnd_.get(), kTargetMissingText);
        SetWindowTextW(txtTarget_, L"");
        SetFocus(txtTarget_);
        return;
    }
    result_ = std::move(request);
    done_ = true;
}

void TAddItemForm::btnCancelClick() {
    result_.reset();
    done_ = true;
}

}  // namespace purgeon
