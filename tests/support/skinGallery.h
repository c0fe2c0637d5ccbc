#pragma once
// Windows built from the widgets and a skin, for looking at skins and testing how they paint:
// a stand-in for the main window (background, title, shape, every image button and the side
// panel placed and pictured from the skin table) and a sheet of every button in every state.
#include <windows.h>

#include <string>

#include "common/handles.h"
#include "ui/skinPictures.h"

namespace purgeon::test {

class SkinGallery {
public:
    // Builds both windows from the skin table in force and the pictures of skinDir, and shows
    // them: the stand-in where the skin places the main window, the sheet beside it.
    explicit SkinGallery(const std::wstring& skinDir);
    ~SkinGallery();
    SkinGallery(const SkinGallery&) = delete;
    SkinGallery& operator=(const SkinGallery&) = delete;

    HWND window() const { return window_.get(); }
    HWND states() const { return states_.get(); }
    HWND button(MainFormButton which) const { return targets_.buttons[static_cast<int>(which)]; }
    HWND sidePanel() const { return targets_.sizePanelPL; }
    SkinPictures& pictures() { return pictures_; }
    // The screen's colour at a point of the stand-in's client area, once it has painted.
    COLORREF ScreenPixel(int x, int y) const;

private:
    SkinPictures pictures_;
    MainFormPictureTargets targets_;
    UniqueWindow window_;
    UniqueWindow states_;
};

}  // namespace purgeon::test
