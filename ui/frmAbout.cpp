#include "ui/frmAbout.h"

#include <commctrl.h>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "productInfo.h"
#include "skins/multiSkins.h"
#include "ui/skinPictures.h"
#include "ui/uiCommon.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

namespace {

enum ControlId { IDC_IMGABOUT = 100, IDC_TITLE, IDC_COPYRIGHT, IDC_DESCRIPTION, IDC_WEB, IDC_MAIL, IDC_WARNING, IDC_BEVEL };

// Designed places, in client pixels (left, top, right, bottom).
constexpr RECT kImgAboutRect{10, 11, 10 + 125, 11 + 278};
constexpr RECT kTitleRect{152, 11, 152 + 289, 11 + 30};
constexpr RECT kCopyrightRect{152, 40, 152 + 290, 40 + 28};  // two lines when the notice needs them
constexpr RECT kDescriptionRect{152, 80, 152 + 288, 80 + 60};
constexpr RECT kBevelTopRect{152, 68, 152 + 280, 68 + 2};
constexpr RECT kBevelBottom1Rect{153, 148, 153 + 280, 148 + 2};
constexpr RECT kWebRect{152, 162, 152 + 280, 162 + 15};
constexpr RECT kMailRect{152, 184, 152 + 280, 184 + 15};
constexpr RECT kWarningRect{152, 206, 152 + 288, 206 + 100};
constexpr RECT kBevelBottom2Rect{11, 308, 11 + 430, 308 + 2};
constexpr RECT kOkRect{344, 316, 344 + 98, 316 + 25};

void DefaultOpenTarget(HWND window, const std::wstring& target) { ShellOpen(window, target); }

}  // namespace

std::wstring TAboutForm::WebTarget() { return kProductWebAddress; }
std::wstring TAboutForm::MailTarget() { return std::wstring(L"mailto:") + kSupportMailAddress; }

void TAboutForm::ShowAbout(HWND owner, HINSTANCE instance) {
    TAboutForm about;
    about.Run(owner, instance, AppPaths.SkinDir);
}

bool TAboutForm::Run(HWND owner, HINSTANCE instance, const std::wstring& skinDir) {
    skinDir_ = skinDir;
    RegisterWidgetClasses(instance);
    if (!CreateForm(owner, instance, kClassName, L"About...", kClientWidth, kClientHeight, FormSize::Client))
        return false;
    // On the screen, as the main window's About command asks.
    RunModal(nullptr, btnOK_, [&] {
        if (OnShown) OnShown(*this);
    });
    return true;
}

// OK, Esc and the close box (the default OnClose) all end it.
void TAboutForm::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
        case IDOK:
        case IDCANCEL:  // Esc
            btnOKClick();
            break;
        case IDC_WEB:
        case IDC_MAIL:
            if (code == STN_CLICKED) LinkClick(control);
            break;
    }
}

void TAboutForm::FormCreate() {
    HWND hwnd = hwnd_.get();
    font_ = CreateMessageFont(FontLook::Regular, dpi_);
    LOGFONTW bold{};
    GetObjectW(font_.get(), sizeof bold, &bold);
    bold.lfWeight = FW_BOLD;
    bold.lfHeight = bold.lfHeight * 3 / 2;
    boldFont_.reset(CreateFontIndirectW(&bold));
    auto font = font_.get();

    ImgAbout_ = CreatePictureBox(hwnd, IDC_IMGABOUT, instance_);
    const RECT picture = Scaled(kImgAboutRect);
    MoveWindow(ImgAbout_, picture.left, picture.top, picture.right - picture.left, picture.bottom - picture.top, FALSE);
    lblProductTitle_ = MakeControl(hwnd, WC_STATICW, SS_LEFT | SS_NOPREFIX, Scaled(kTitleRect), IDC_TITLE, instance_,
                                   boldFont_.get());
    lblCopyright_ =
        MakeControl(hwnd, WC_STATICW, SS_LEFT | SS_NOPREFIX, Scaled(kCopyrightRect), IDC_COPYRIGHT, instance_, font);
    MakeControl(hwnd, WC_STATICW, SS_ETCHEDHORZ, Scaled(kBevelTopRect), IDC_BEVEL, instance_, nullptr);
    lblDescription_ =
        MakeControl(hwnd, WC_STATICW, SS_LEFT | SS_NOPREFIX, Scaled(kDescriptionRect), IDC_DESCRIPTION, instance_,
                    font);
    MakeControl(hwnd, WC_STATICW, SS_ETCHEDHORZ, Scaled(kBevelBottom1Rect), IDC_BEVEL, instance_, nullptr);
    lnkWebOnline_ = CreateLinkLabel(hwnd, IDC_WEB, instance_);
    lnkSupportEmail_ = CreateLinkLabel(hwnd, IDC_MAIL, instance_);
    for (auto [link, place] :
         {std::pair{lnkWebOnline_, Scaled(kWebRect)}, std::pair{lnkSupportEmail_, Scaled(kMailRect)}}) {
        SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SendMessageW(link, LLM_SETCOLOURS, RGB(0, 0, 255), RGB(255, 0, 0));  // blue, red while hovered
        MoveWindow(link, place.left, place.top, place.right - place.left, place.bottom - place.top, FALSE);
    }
    lblWarning_ =
        MakeControl(hwnd, WC_STATICW, SS_LEFT | SS_NOPREFIX, Scaled(kWarningRect), IDC_WARNING, instance_, font);
    MakeControl(hwnd, WC_STATICW, SS_ETCHEDHORZ, Scaled(kBevelBottom2Rect), IDC_BEVEL, instance_, nullptr);
    btnOK_ = MakeControl(hwnd, WC_BUTTONW, BS_DEFPUSHBUTTON | WS_TABSTOP, Scaled(kOkRect), IDOK, instance_, font);
}

void TAboutForm::FormShow() {
    HWND hwnd = hwnd_.get();
    SetWindowTextW(hwnd, LangText(IDS_ABOUTFORM_Title).c_str());
    SetWindowTextW(lblProductTitle_, Format(L"%s %s", kAppTitle, kProductVersion).c_str());
    SetWindowTextW(lblWarning_, LangText(IDS_ABOUTFORM_LABEL_Warning).c_str());
    SetWindowTextW(btnOK_, LangText(IDS_ABOUTFORM_BUTTON_Ok).c_str());
    SetWindowTextW(lblCopyright_, LangText(IDS_ABOUTFORM_LABEL_CopyRight).c_str());
    SetWindowTextW(lblDescription_, LangText(IDS_ABOUTFORM_LABEL_Description).c_str());

    SetWindowTextW(lnkWebOnline_, kProductWebAddress);
    SendMessageW(lnkWebOnline_, LLM_SETHINT, 0, reinterpret_cast<LPARAM>(WebTarget().c_str()));
    SetWindowTextW(lnkSupportEmail_, kSupportMailAddress);
    SendMessageW(lnkSupportEmail_, LLM_SETHINT, 0, reinterpret_cast<LPARAM>(MailTarget().c_str()));

    // The picture when its file is there; the skin's rectangle whether or not.
    LoadedPicture loaded = LoadSkinPicture(SK_ABOUTFORM_IMGABOUT_Pic, skinDir_, dpi_);
    picture_ = std::move(loaded.bitmap);
    SendMessageW(ImgAbout_, PBM_SETPICTURE, 0, reinterpret_cast<LPARAM>(picture_.get()));
    PlaceControl(ImgAbout_, SkinText(SK_ABOUTFORM_IMGABOUT_POS), dpi_);
}

void TAboutForm::LinkClick(HWND link) {
    const std::wstring target = link == lnkWebOnline_ ? WebTarget() : MailTarget();
    if (Trim(target).empty()) return;
    (OpenTarget ? OpenTarget : DefaultOpenTarget)(hwnd_.get(), target);
}

}  // namespace purgeon
