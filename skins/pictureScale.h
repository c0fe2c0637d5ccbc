#pragma once
// Skin pictures at the screen's scale: which of a picture's renderings to take, and scaling it
// to the size asked with a filter that keeps edges smooth and the shape colour exact.
#include <cstdint>
#include <optional>

#include "skins/pngDecoder.h"

namespace purgeon {

// The renderings a skin may ship of one picture: name.png (1x), name@1.5x.png and name@2x.png.
inline constexpr int kPictureScaleCount = 3;
// In tenths: 10, 15, 20.
inline constexpr int kPictureScalesTenths[kPictureScaleCount] = {10, 15, 20};
// Of the renderings present (indexed as kPictureScalesTenths), the one to draw at `dpi`: the
// smallest at or above the scale, else the largest there is. nullopt when none is present.
std::optional<int> ChoosePictureScale(const bool present[kPictureScaleCount], int dpi);

// `source` resampled to width x height (each at least 1) with a triangle filter as wide as a
// source pixel or a target pixel, whichever is larger, so shrinking averages and enlarging
// interpolates. Pixels of `keyColour` (0x00RRGGBB, opaque), the colour that shapes a window, are
// never mixed: a target pixel takes the key when most of what it covers is the key, and
// otherwise the mean of the rest alone, so the shape keeps its edge without a fringe.
DecodedPicture ScalePicture(const DecodedPicture& source, int width, int height,
                            std::optional<uint32_t> keyColour = 0xFF00FFu);

}  // namespace purgeon
