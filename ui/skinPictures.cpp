#include "ui/skinPictures.h"

#include <algorithm>
#include <cstring>

#include "common/funUtils.h"
#include "skins/pictureScale.h"

namespace purgeon {

namespace {

constexpr SkinKey kButtonPosKeys[kMainFormButtonCount] = {
    SK_MAINFORM_BUTTON_Min_Pos,
    SK_MAINFORM_BUTTON_HelpContent_Pos,
    SK_MAINFORM_BUTTON_Close_Pos,
    SK_MAINFORM_BUTTON_File_Pos,
    SK_MAINFORM_BUTTON_View_Pos,
    SK_MAINFORM_BUTTON_Tools_Pos,
    SK_MAINFORM_BUTTON_Help_Pos,
    SK_MAINFORM_BUTTON_ProgramList_Pos,
    SK_MAINFORM_BUTTON_StartupItems_Pos,
    SK_MAINFORM_PAGE1_BUTTON_Uninstall_Pos,
    SK_MAINFORM_PAGE1_BUTTON_ShowDetails_Pos,
    SK_MAINFORM_PAGE1_BUTTON_Refresh_Pos,
    SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos,
    SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos,
    SK_MAINFORM_PAGE2_BUTTON_Delete_Pos,
    SK_MAINFORM_PAGE2_BUTTON_Apply_Pos,
};

bool HasExtension(const std::wstring& name, const wchar_t* extension) {
    size_t length = std::wcslen(extension);
    return name.size() >= length && EqualsNoCase(std::wstring_view(name).substr(name.size() - length), extension);
}

}  // namespace

UniqueBitmap CreatePictureBitmap(const DecodedPicture& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.bgra.size() != static_cast<size_t>(picture.width) * picture.height * 4)
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top-down, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return {};
    auto* out = static_cast<uint8_t*>(bits);
    const uint8_t* in = picture.bgra.data();
    // AlphaBlend with per-pixel alpha wants colours already multiplied by their alpha.
    for (size_t i = 0; i < picture.bgra.size(); i += 4) {
        const unsigned alpha = in[i + 3];
        for (int c = 0; c < 3; ++c) out[i + c] = static_cast<uint8_t>((in[i + c] * alpha + 127) / 255);
        out[i + 3] = static_cast<uint8_t>(alpha);
    }
    GdiFlush();
    return bitmap;
}

LoadedPicture LoadPictureFile(const std::wstring& path, const PictureLimits& limits) {
    LoadedPicture loaded;
    if (!FileExists(path)) {
        loaded.missing = true;
        return loaded;
    }
    if (!HasExtension(path, L".png")) {
        loaded.error = L"not a picture kind skins use (PNG)";
        return loaded;
    }
    PictureResult decoded = ReadPngFile(path, limits);
    if (!decoded) {
        loaded.error = decoded.error;
        return loaded;
    }
    loaded.bitmap = CreatePictureBitmap(*decoded.picture);
    if (!loaded.bitmap) loaded.error = L"no memory for the picture";
    return loaded;
}

LoadedPicture LoadScaledPicture(const std::wstring& path, int dpi, const PictureLimits& limits) {
    const std::wstring stem = HasExtension(path, L".png") ? path.substr(0, path.size() - 4) : std::wstring();
    if (stem.empty()) return LoadPictureFile(path, limits);
    const std::wstring paths[kPictureScaleCount] = {path, stem + L"@1.5x.png", stem + L"@2x.png"};
    bool present[kPictureScaleCount];
    for (int i = 0; i < kPictureScaleCount; ++i) present[i] = FileExists(paths[i]);
    const std::optional<int> chosen = ChoosePictureScale(present, dpi);
    LoadedPicture loaded;
    if (!chosen) {
        loaded.missing = true;
        return loaded;
    }
    PictureResult decoded = ReadPngFile(paths[*chosen], limits);
    if (!decoded) {
        loaded.error = decoded.error;
        return loaded;
    }
    // The design size is the rendering's own over its scale; the screen's is that times DPI / 96.
    const int tenths = kPictureScalesTenths[*chosen];
    auto onScreen = [&](int pixels) { return std::max(1, MulDiv(MulDiv(pixels, 10, tenths), dpi, 96)); };
    const DecodedPicture& picture = *decoded.picture;
    const int width = onScreen(picture.width), height = onScreen(picture.height);
    loaded.bitmap = CreatePictureBitmap(width == picture.width && height == picture.height
                                            ? picture
                                            : ScalePicture(picture, width, height));
    if (!loaded.bitmap) loaded.error = L"no memory for the picture";
    return loaded;
}

LoadedPicture LoadSkinPicture(SkinKey key, const std::wstring& skinDir, int dpi) {
    const std::wstring& name = SkinText(key);
    if (Trim(name).empty()) {
        LoadedPicture none;
        none.missing = true;
        return none;
    }
    return LoadScaledPicture(IncludeTrailingBackslash(skinDir) + name, dpi);
}

LoadedPicture LoadProgressFormPicture(const std::wstring& skinDir, int dpi) {
    return LoadSkinPicture(SK_PROGRESSFORM_ImageBG_Pic, skinDir, dpi);
}

HBITMAP SkinPictures::Load(const std::wstring& name) {
    if (Trim(name).empty()) return nullptr;
    std::wstring id = ToLower(name);
    auto found = byName_.find(id);
    if (found != byName_.end()) return found->second.get();
    LoadedPicture loaded = LoadScaledPicture(IncludeTrailingBackslash(skinDir_) + name, dpi_);
    if (!loaded.error.empty()) problems_.push_back(name + L": " + loaded.error);
    HBITMAP bitmap = loaded.bitmap.get();
    byName_.emplace(std::move(id), std::move(loaded.bitmap));
    return bitmap;
}

HBITMAP SkinPictures::Find(const std::wstring& name) const {
    auto found = byName_.find(ToLower(name));
    return found == byName_.end() ? nullptr : found->second.get();
}

ButtonSkinKeys ButtonKeys(SkinKey pos) {
    ButtonSkinKeys keys{pos, {}};
    for (int state = 0; state < 4; ++state) keys.pictures[state] = static_cast<SkinKey>(pos + 1 + state);
    return keys;
}

ButtonSkinKeys MainFormButtonKeys(MainFormButton button) {
    return ButtonKeys(kButtonPosKeys[static_cast<int>(button)]);
}

bool LoadButtonPicture(HWND button, ButtonState state, const std::wstring& fileName, SkinPictures& pictures) {
    HBITMAP picture = pictures.Load(fileName);
    if (!picture || !button) return false;
    return SendMessageW(button, ARB_SETPICTURE, static_cast<WPARAM>(state), reinterpret_cast<LPARAM>(picture)) != 0;
}

int LoadButtonPictures(HWND button, const ButtonSkinKeys& keys, SkinPictures& pictures) {
    int loaded = 0;
    for (int state = 0; state < 4; ++state)
        if (LoadButtonPicture(button, static_cast<ButtonState>(state), SkinText(keys.pictures[state]), pictures))
            ++loaded;
    return loaded;
}

std::vector<SkinKey> MainFormPictureKeys() {
    std::vector<SkinKey> keys{SK_MAINFORM_PicBackGround};
    auto addButton = [&keys](MainFormButton button) {
        ButtonSkinKeys stem = MainFormButtonKeys(button);
        keys.insert(keys.end(), std::begin(stem.pictures), std::end(stem.pictures));
    };
    for (int i = 0; i <= static_cast<int>(MainFormButton::StartupItems); ++i) addButton(static_cast<MainFormButton>(i));
    keys.push_back(SK_MAINFORM_PAGE1_ImgPanel_Pic);
    for (MainFormButton button : {MainFormButton::Uninstall, MainFormButton::ShowDetails, MainFormButton::Refresh,
                                  MainFormButton::Search})
        addButton(button);
    keys.push_back(SK_MAINFORM_PAGE2_ImgPanel_Pic);
    for (MainFormButton button : {MainFormButton::SelectAll, MainFormButton::Delete, MainFormButton::Apply})
        addButton(button);
    return keys;
}

SkinPictures LoadMainFormPictures(const std::wstring& skinDir, int dpi) {
    SkinPictures pictures(skinDir, dpi);
    for (SkinKey key : MainFormPictureKeys()) pictures.Load(key);
    pictures.Load(kTitlePictureFile);
    return pictures;
}

int ApplyMainFormPictures(const MainFormPictureTargets& targets, SkinPictures& pictures) {
    int handed = 0;
    for (int i = 0; i < kMainFormButtonCount; ++i)
        if (targets.buttons[i])
            handed += LoadButtonPictures(targets.buttons[i], MainFormButtonKeys(static_cast<MainFormButton>(i)), pictures);
    struct Panel {
        HWND panel;
        SkinKey key;
    };
    for (Panel panel : {Panel{targets.sizePanelPL, SK_MAINFORM_PAGE1_ImgPanel_Pic},
                        Panel{targets.sizePanelSI, SK_MAINFORM_PAGE2_ImgPanel_Pic}}) {
        HBITMAP picture = panel.panel ? pictures.Load(panel.key) : nullptr;
        if (picture && SendMessageW(panel.panel, SPM_SETPICTURE, 0, reinterpret_cast<LPARAM>(picture))) ++handed;
    }
    return handed;
}

namespace {

// A top-down 32-bit copy of a bitmap, whatever its own layout.
bool PixelsOf(HBITMAP picture, int* width, int* height, std::vector<uint8_t>* pixels) {
    BITMAP info{};
    if (!picture || !GetObjectW(picture, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight == 0) return false;
    *width = info.bmWidth;
    *height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    BITMAPINFO layout{};
    layout.bmiHeader = {sizeof(BITMAPINFOHEADER), *width, -*height, 1, 32, BI_RGB};
    pixels->assign(static_cast<size_t>(*width) * *height * 4, 0);
    WindowDc screen(nullptr);
    return GetDIBits(screen.get(), picture, 0, static_cast<UINT>(*height), pixels->data(), &layout, DIB_RGB_COLORS) ==
           *height;
}

}  // namespace

std::optional<COLORREF> PictureMeanColour(HBITMAP picture, const RECT& area) {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    if (!PixelsOf(picture, &width, &height, &pixels)) return std::nullopt;
    BITMAP info{};
    GetObjectW(picture, sizeof info, &info);
    const bool hasAlpha = info.bmBitsPixel == 32;
    long long red = 0, green = 0, blue = 0, count = 0;
    for (int y = std::max(0, static_cast<int>(area.top)); y < std::min(height, static_cast<int>(area.bottom)); ++y) {
        for (int x = std::max(0, static_cast<int>(area.left)); x < std::min(width, static_cast<int>(area.right)); ++x) {
            const uint8_t* p = pixels.data() + (static_cast<size_t>(y) * width + x) * 4;
            if (hasAlpha && p[3] < 128) continue;
            blue += p[0];
            green += p[1];
            red += p[2];
            ++count;
        }
    }
    if (count == 0) return std::nullopt;
    return RGB(red / count, green / count, blue / count);
}

std::optional<int> PictureBrightness(HBITMAP picture, const RECT& area) {
    const std::optional<COLORREF> mean = PictureMeanColour(picture, area);
    if (!mean) return std::nullopt;
    return ColourBrightness(*mean);
}

UniqueRegion PictureShapeRegion(HBITMAP picture, COLORREF transparent) {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    if (!PixelsOf(picture, &width, &height, &pixels)) return {};
    BITMAP info{};
    GetObjectW(picture, sizeof info, &info);
    const bool hasAlpha = info.bmBitsPixel == 32;
    const uint8_t keyBlue = GetBValue(transparent), keyGreen = GetGValue(transparent), keyRed = GetRValue(transparent);

    // One rectangle per run of kept pixels on a row; ExtCreateRegion takes them all at once.
    // Wholly see-through pixels are cut away like the transparent colour.
    std::vector<RECT> runs;
    bool anyTransparent = false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels.data() + static_cast<size_t>(y) * width * 4;
        int x = 0;
        while (x < width) {
            auto isKey = [&](int at) {
                const uint8_t* p = row + at * 4;
                return (hasAlpha && p[3] == 0) || (p[0] == keyBlue && p[1] == keyGreen && p[2] == keyRed);
            };
            if (isKey(x)) {
                anyTransparent = true;
                ++x;
                continue;
            }
            int start = x;
            while (x < width && !isKey(x)) ++x;
            runs.push_back(RECT{start, y, x, y + 1});
        }
    }
    if (!anyTransparent) return {};
    std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* region = reinterpret_cast<RGNDATA*>(data.data());
    region->rdh.dwSize = sizeof(RGNDATAHEADER);
    region->rdh.iType = RDH_RECTANGLES;
    region->rdh.nCount = static_cast<DWORD>(runs.size());
    region->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    region->rdh.rcBound = RECT{0, 0, width, height};
    if (!runs.empty()) std::memcpy(region->Buffer, runs.data(), runs.size() * sizeof(RECT));
    return UniqueRegion(ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region));
}

}  // namespace purgeon
