#pragma once
// Skin pictures as GDI bitmaps, and handing them to the image buttons and side panels.
// A picture that is missing or cannot be decoded is never an error for the window: the control
// keeps the look it paints for itself.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/handles.h"
#include "skins/multiSkins.h"
#include "skins/pngDecoder.h"
#include "ui/widgets/widgets.h"

namespace purgeon {

// A 32-bit top-down DIB section with premultiplied alpha, as AlphaBlend takes it. Null when the
// system has no memory for it.
UniqueBitmap CreatePictureBitmap(const DecodedPicture& picture);

struct LoadedPicture {
    UniqueBitmap bitmap;  // null when there is no picture
    bool missing = false;    // no such file: the designed look stays, and that is all
    std::wstring error;      // why an existing file could not be used
};
// Loads a picture file by its extension (PNG is the only kind skins use).
LoadedPicture LoadPictureFile(const std::wstring& path, const PictureLimits& limits = {});
// A skin picture for a screen of `dpi`: of `path` (the 1x rendering) and its renderings beside it
// (name@1.5x.png, name@2x.png), the one ChoosePictureScale picks, scaled to the design size
// times dpi / 96. Missing when none of them exists.
LoadedPicture LoadScaledPicture(const std::wstring& path, int dpi, const PictureLimits& limits = {});
// The picture a key names in a skin folder, at `dpi`.
LoadedPicture LoadSkinPicture(SkinKey key, const std::wstring& skinDir, int dpi = 96);
// The backup progress window's background (SK_PROGRESSFORM_ImageBG_Pic); null when absent.
LoadedPicture LoadProgressFormPicture(const std::wstring& skinDir, int dpi = 96);

// The pictures a window is painted with, owned for as long as its controls show them (the
// widgets do not own their bitmaps). A file named by several keys is loaded once.
class SkinPictures {
public:
    SkinPictures() = default;
    // Pictures of a skin folder for a screen of `dpi`.
    explicit SkinPictures(std::wstring skinDir, int dpi = 96) : skinDir_(std::move(skinDir)), dpi_(dpi) {}
    SkinPictures(SkinPictures&&) = default;
    SkinPictures& operator=(SkinPictures&&) = default;

    // skin folder + name; null when the file is missing or cannot be decoded.
    HBITMAP Load(const std::wstring& name);
    HBITMAP Load(SkinKey key) { return Load(SkinText(key)); }
    // What an earlier Load gave, without touching the disk.
    HBITMAP Find(const std::wstring& name) const;
    HBITMAP Find(SkinKey key) const { return Find(SkinText(key)); }
    // "name: reason" for each file that exists but could not be used.
    const std::vector<std::wstring>& Problems() const { return problems_; }
    const std::wstring& skinDir() const { return skinDir_; }

private:
    std::wstring skinDir_;
    int dpi_ = 96;
    std::map<std::wstring, UniqueBitmap> byName_;  // lower-cased name; null entries for failures
    std::vector<std::wstring> problems_;
};

// --- image buttons ----------------------------------------------------------------------
// The five keys of an image button share a stem: _Pos, then the normal, hover, down and
// disabled pictures (the page buttons spell the last one _PosDisabled).
struct ButtonSkinKeys {
    SkinKey pos;
    SkinKey pictures[4];  // indexed by ButtonState
};
// The keys of the button whose rectangle key is `pos`; pos must be an image button's _Pos key.
ButtonSkinKeys ButtonKeys(SkinKey pos);

// The main window's image buttons, in the order its skin is applied.
enum class MainFormButton {
    Min, HelpContent, Close, File, View, Tools, Help, ProgramList, StartupItems,
    Uninstall, ShowDetails, Refresh, Search, SelectAll, Delete, Apply,
};
inline constexpr int kMainFormButtonCount = 16;
ButtonSkinKeys MainFormButtonKeys(MainFormButton button);

// Loads skin folder + fileName as one state's picture of an image button; false, leaving the
// picture the button had, when the file is missing or cannot be decoded.
bool LoadButtonPicture(HWND button, ButtonState state, const std::wstring& fileName, SkinPictures& pictures);
// Gives a button the four pictures its keys name; returns how many it got.
int LoadButtonPictures(HWND button, const ButtonSkinKeys& keys, SkinPictures& pictures);

// Every picture key of the main window: the background, the buttons' pictures and the two side
// panels' pictures, in the order ApplyMainFormSkin uses them.
std::vector<SkinKey> MainFormPictureKeys();
// The fixed title picture, not a skin key.
inline constexpr wchar_t kTitlePictureFile[] = L"Title.png";
// Loads every main-window picture (and the title picture) at once, so ApplyMainFormSkin only
// hands them out: pictures.Find(SK_MAINFORM_PicBackGround), pictures.Find(kTitlePictureFile)...
SkinPictures LoadMainFormPictures(const std::wstring& skinDir, int dpi = 96);

// The main window's controls that show skin pictures. The window paints its background and
// title itself, from pictures.Find(SK_MAINFORM_PicBackGround) and pictures.Find(kTitlePictureFile).
struct MainFormPictureTargets {
    HWND buttons[kMainFormButtonCount] = {};  // indexed by MainFormButton
    HWND sizePanelPL = nullptr;               // the program page's side panel (imgPanelP)
    HWND sizePanelSI = nullptr;               // the startup page's side panel (imgPanelS)
};
// Hands each control the pictures its keys name, loading what `pictures` does not hold yet; a
// control whose picture is missing or cannot be decoded keeps the look it had. Returns how
// many pictures were handed out.
int ApplyMainFormPictures(const MainFormPictureTargets& targets, SkinPictures& pictures);

// The mean brightness (0 black to 255 white) of a picture's opaque pixels in an area of it, so
// text laid over it can be light or dark; nullopt when the area holds none.
std::optional<int> PictureBrightness(HBITMAP picture, const RECT& area);
// The mean colour of those pixels, for a control's background laid over that area.
std::optional<COLORREF> PictureMeanColour(HBITMAP picture, const RECT& area);
// A colour's brightness, 0 black to 255 white.
inline int ColourBrightness(COLORREF colour) {
    return (GetRValue(colour) * 299 + GetGValue(colour) * 587 + GetBValue(colour) * 114) / 1000;
}

// The window shape a background picture gives: every pixel except those of the transparent
// colour (magenta in the skins) and wholly see-through ones, in the picture's coordinates. Null when the picture has no
// pixel of that colour, so the window keeps its rectangle.
UniqueRegion PictureShapeRegion(HBITMAP picture, COLORREF transparent = RGB(255, 0, 255));

}  // namespace purgeon
