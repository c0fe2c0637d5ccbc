#include "tests/support/pngMaker.h"

#include <windows.h>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <map>

#include "tests/support/testSupport.h"

namespace purgeon::test {

namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

void PutBig32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

int ColourType(PngKind kind) {
    switch (kind) {
    case PngKind::Grey: return PNG_COLOR_TYPE_GRAY;
    case PngKind::GreyAlpha: return PNG_COLOR_TYPE_GRAY_ALPHA;
    case PngKind::Rgb: return PNG_COLOR_TYPE_RGB;
    case PngKind::Rgba: return PNG_COLOR_TYPE_RGB_ALPHA;
    case PngKind::Palette: return PNG_COLOR_TYPE_PALETTE;
    }
    return PNG_COLOR_TYPE_RGB_ALPHA;
}

// The channels each kind stores, as indexes into r, g, b, a.
std::vector<int> Channels(PngKind kind) {
    switch (kind) {
    case PngKind::Grey: return {0};
    case PngKind::GreyAlpha: return {0, 3};
    case PngKind::Rgb: return {0, 1, 2};
    case PngKind::Rgba: return {0, 1, 2, 3};
    case PngKind::Palette: return {};
    }
    return {};
}

uint8_t Channel(const Rgba& colour, int channel) {
    switch (channel) {
    case 0: return colour.r;
    case 1: return colour.g;
    case 2: return colour.b;
    default: return colour.a;
    }
}

// Everything libpng needs stays in plain arrays filled before setjmp, so a longjmp skips no
// destructor.
bool Encode(const PngRecipe& recipe, const std::vector<std::vector<uint8_t>>& rows, const std::vector<png_color>& palette,
            const std::vector<png_byte>& alphas, std::vector<uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> pointers;
    for (const auto& row : rows) pointers.push_back(const_cast<png_bytep>(row.data()));
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendToVector, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(recipe.width), static_cast<png_uint_32>(recipe.height),
                 recipe.bitDepth, ColourType(recipe.kind),
                 recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (recipe.kind == PngKind::Palette) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
        if (!alphas.empty()) png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    }
    png_write_info(png, info);
    if (recipe.bitDepth < 8) png_set_packing(png);  // rows hold one byte per pixel
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::vector<uint8_t> MakePng(const PngRecipe& recipe) {
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(recipe.height));
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    std::map<uint32_t, int> indexOf;
    const std::vector<int> channels = Channels(recipe.kind);
    const int levels = recipe.bitDepth < 8 ? (1 << recipe.bitDepth) - 1 : 255;
    for (int y = 0; y < recipe.height; ++y) {
        auto& row = rows[static_cast<size_t>(y)];
        for (int x = 0; x < recipe.width; ++x) {
            Rgba colour = recipe.pixel(x, y);
            if (recipe.kind == PngKind::Palette) {
                uint32_t id = static_cast<uint32_t>(colour.r) << 24 | colour.g << 16 | colour.b << 8 | colour.a;
                auto found = indexOf.find(id);
                if (found == indexOf.end()) {
                    found = indexOf.emplace(id, static_cast<int>(palette.size())).first;
                    palette.push_back(png_color{colour.r, colour.g, colour.b});
                    alphas.push_back(colour.a);
                }
                row.push_back(static_cast<uint8_t>(found->second));
                continue;
            }
            for (int channel : channels) {
                if (recipe.bitDepth == 16) {
                    uint16_t value = recipe.pixel16 ? recipe.pixel16(x, y, channel)
                                                    : static_cast<uint16_t>(Channel(colour, channel) * 257);
                    row.push_back(static_cast<uint8_t>(value >> 8));
                    row.push_back(static_cast<uint8_t>(value & 0xFF));
                } else {
                    // Low depths keep the top bits, as a grey ramp is stored at that depth.
                    row.push_back(static_cast<uint8_t>((Channel(colour, channel) * levels + 127) / 255));
                }
            }
        }
    }
    // tRNS only as long as the last entry that is not opaque.
    while (!alphas.empty() && alphas.back() == 255) alphas.pop_back();
    std::vector<uint8_t> out;
    if (!Encode(recipe, rows, palette, alphas, &out)) out.clear();
    return out;
}

std::vector<uint8_t> PngChunk(const char type[4], const std::vector<uint8_t>& body) {
    std::vector<uint8_t> chunk(12 + body.size());
    const uint32_t length = static_cast<uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) chunk[i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    std::memcpy(chunk.data() + 4, type, 4);
    if (!body.empty()) std::memcpy(chunk.data() + 8, body.data(), body.size());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, chunk.data() + 4, static_cast<uInt>(4 + body.size()));
    for (int i = 0; i < 4; ++i) chunk[8 + body.size() + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    return chunk;
}

size_t FindPngChunk(const std::vector<uint8_t>& file, const char type[4]) {
    size_t at = 8;
    while (at + 12 <= file.size()) {
        uint32_t length = static_cast<uint32_t>(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        if (std::memcmp(file.data() + at + 4, type, 4) == 0) return at;
        at += 12 + static_cast<size_t>(length);
    }
    return std::string::npos;
}

std::vector<uint8_t> PngSignatureAndHeader(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType) {
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBig32(header, width);
    PutBig32(header, height);
    header.insert(header.end(), {bitDepth, colourType, 0, 0, 0});
    std::vector<uint8_t> chunk = PngChunk("IHDR", header);
    file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

bool WritePngFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
    return ReadFileBytes(path).size() == bytes.size();
}

}  // namespace purgeon::test
