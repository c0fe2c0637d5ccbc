// Purgeon's entry: the start-up sequence, or a command-line mode that prints and exits.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "catalogue/catalogueRead.h"
#include "catalogue/componentRegistration.h"
#include "config/config.h"
#include "app/listCommand.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "skins/multiSkins.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"
#include "ui/frmUndo.h"

using namespace purgeon;

namespace {

std::vector<std::wstring> CommandLineArgs() {
    int count = 0;
    UniqueLocal<wchar_t*> raw(CommandLineToArgvW(GetCommandLineW(), &count));
    return std::vector<std::wstring>(raw.get(), raw.get() + (raw ? count : 0));
}

void ShowStartupError(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int modeResult = RunCommandLineMode(CommandLineArgs());
    if (modeResult >= 0) return modeResult;

    if (!InitEnvironment(ModuleFileName(nullptr), AppPaths, ShowStartupError)) return 0;
    // Saved options are restored; anything but "0"/"1" keeps the start values.
    HideSysPatch = ReadStoredOption(AppPaths.ConfigPath, kKeyHideSysPatch, HideSysPatch);
    HideScreenSaver = ReadStoredOption(AppPaths.ConfigPath, kKeyHideScreenSaver, HideScreenSaver);

    ComApartment com;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    if (auto error = RegisterCatalogueComponent()) {
        ShowStartupError(*error);
        return 0;
    }
    LoadSkin();
    LoadLanguage();

    // The catalogue is read while the splash stands, and the main window is built meanwhile;
    // the window shows with its list filled as the splash goes.
    CatalogueRead firstRead(HideSysPatch, HideScreenSaver);
    TMainForm mainForm(instance);
    bool created = false;
    TSplashForm::ShowSplash(
        instance, [&] { created = mainForm.Create(&firstRead); },
        [&] { return !created || mainForm.HasFirstRead(); },
        [&] {
            // Under the splash, filled and painted, so it stands ready as the splash goes.
            if (!created) return;
            mainForm.TakeFirstRead();
            mainForm.Show(false);
        });
    if (!created) return 0;
    mainForm.Show();
    // A clean-up cut short last time (a crash, a kill, a power cut) is offered back first.
    OfferInterruptedCleanups(mainForm.Handle());

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Then Tab, Shift+Tab and Enter walk and press the window's controls as in a dialog.
        if (!mainForm.PreTranslate(message) && !IsDialogMessageW(mainForm.Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}
