#pragma once
// PNG files made at test time with libpng's writer, of every kind the format has, so the
// decoder's tests need no binary files in the repository.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace purgeon::test {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};
inline bool operator==(const Rgba& x, const Rgba& y) { return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a; }

enum class PngKind { Grey, GreyAlpha, Rgb, Rgba, Palette };

struct PngRecipe {
    int width = 1;
    int height = 1;
    PngKind kind = PngKind::Rgba;
    int bitDepth = 8;          // 1, 2, 4, 8 or 16 as the kind allows
    bool interlaced = false;
    // 8-bit colour of each pixel; grey kinds take the red channel, Palette builds its table (and
    // tRNS when some alpha is below 255) from the distinct colours.
    std::function<Rgba(int x, int y)> pixel = [](int, int) { return Rgba{}; };
    // For 16-bit kinds: the 16-bit value of a channel (0 r, 1 g, 2 b, 3 a); by default the 8-bit
    // value times 257.
    std::function<uint16_t(int x, int y, int channel)> pixel16;
};

std::vector<uint8_t> MakePng(const PngRecipe& recipe);

// Chunk surgery for broken files: a chunk built with its length and checksum, and the offset
// of the first chunk of a type (the length field), or npos.
std::vector<uint8_t> PngChunk(const char type[4], const std::vector<uint8_t>& body);
size_t FindPngChunk(const std::vector<uint8_t>& file, const char type[4]);
// The 8-byte signature followed by an IHDR chunk of this size (8-bit RGBA).
std::vector<uint8_t> PngSignatureAndHeader(uint32_t width, uint32_t height, uint8_t bitDepth = 8, uint8_t colourType = 6);

bool WritePngFile(const std::wstring& path, const std::vector<uint8_t>& bytes);

}  // namespace purgeon::test
