#pragma once
// PNG pictures for skins, decoded through libpng into 32-bit BGRA with straight alpha.
// A skin folder is user-supplied data: every file is checked chunk by chunk, and its claimed
// size against the limits, before anything the size of the picture is allocated.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace purgeon {

struct PictureLimits {
    // The main window's background is about 0.4 million pixels; this leaves room for skins
    // made for large screens and keeps a decoded picture under 16 MB.
    uint32_t maxPixels = 2048u * 2048u;
    uint32_t maxSide = 8192;
    // Larger files are refused unread.
    size_t maxFileBytes = 16u * 1024u * 1024u;
};

struct DecodedPicture {
    int width = 0;
    int height = 0;
    // Rows top to bottom, 4 bytes a pixel: blue, green, red, alpha (not premultiplied).
    std::vector<uint8_t> bgra;
    bool opaque = true;  // every alpha is 255
};

// A picture, or why there is none.
struct PictureResult {
    std::optional<DecodedPicture> picture;
    std::wstring error;
    explicit operator bool() const { return picture.has_value(); }
};

// What the file's header says, after the chunk checks; nullopt with the reason otherwise.
struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    bool interlaced = false;
};
std::optional<PngHeader> CheckPngStructure(const uint8_t* data, size_t size, std::wstring* error);

// Decodes any PNG kind (grey, grey with alpha, RGB, RGBA, palette with or without tRNS, 1 to 16
// bits, interlaced or not). Fails, never crashes, on a file that is empty, truncated, not a
// PNG, has a bad checksum or claims a size beyond the limits.
PictureResult DecodePng(const uint8_t* data, size_t size, const PictureLimits& limits = {});
PictureResult ReadPngFile(const std::wstring& path, const PictureLimits& limits = {});

}  // namespace purgeon
