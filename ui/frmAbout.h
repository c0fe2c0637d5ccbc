#pragma once
// TAboutForm: the modal About window: the skin's picture, the product's title and version, its
// notice and a line on what it does, the web and support links, and the warning paragraph.
#include <windows.h>

#include <functional>
#include <string>

#include "common/handles.h"
#include "ui/formBase.h"

namespace purgeon {

class TAboutForm : public TFormBase {
public:
    TAboutForm() = default;
    ~TAboutForm() { DestroyFormWindow(); }  // the window goes before the font and picture its controls use

    // The About command's entry: shows the window modally, owned by `owner` and centred on the
    // screen, with the picture of AppPaths.SkinDir, until OK, Esc or the close box.
    static void ShowAbout(HWND owner, HINSTANCE instance);

    bool Run(HWND owner, HINSTANCE instance, const std::wstring& skinDir);

    // Opens a link's target; by default the shell's "open" verb (browser, mail program).
    std::function<void(HWND window, const std::wstring& target)> OpenTarget;
    // Called once the window is shown, before the user can act; lets tests drive it.
    std::function<void(TAboutForm& form)> OnShown;

    HWND AboutPicture() const { return ImgAbout_; }
    HWND ProductTitle() const { return lblProductTitle_; }
    HWND Copyright() const { return lblCopyright_; }
    HWND Description() const { return lblDescription_; }
    HWND WebLink() const { return lnkWebOnline_; }
    HWND MailLink() const { return lnkSupportEmail_; }
    HWND Warning() const { return lblWarning_; }
    HWND OkButton() const { return btnOK_; }
    // What clicking each link opens.
    static std::wstring WebTarget();
    static std::wstring MailTarget();

    static constexpr wchar_t kClassName[] = L"TAboutForm";
    static constexpr int kClientWidth = 474;
    static constexpr int kClientHeight = 347;

private:
    void FormCreate() override;
    void FormShow() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void LinkClick(HWND link);
    void btnOKClick() { done_ = true; }

    std::wstring skinDir_;
    UniqueFont boldFont_;
    UniqueBitmap picture_;
    HWND ImgAbout_ = nullptr;
    HWND lblProductTitle_ = nullptr;
    HWND lblCopyright_ = nullptr;
    HWND lblDescription_ = nullptr;  // what the product does, between the two upper bevels
    HWND lnkWebOnline_ = nullptr;
    HWND lnkSupportEmail_ = nullptr;
    HWND lblWarning_ = nullptr;
    HWND btnOK_ = nullptr;
};

}  // namespace purgeon
