#include "skins/pngDecoder.h"

#include <windows.h>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>

#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFFu;  // the format's own limit

uint32_t BigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[3]);
}

bool IsType(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

// The bit depths the format allows for each colour type.
bool ValidDepth(int colourType, int depth) {
    switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2: case 4: case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

std::optional<PngHeader> Fail(std::wstring* error, const std::wstring& why) {
    if (error) *error = why;
    return std::nullopt;
}

PictureResult Refuse(std::wstring why) {
    PictureResult result;
    result.error = std::move(why);
    return result;
}

// libpng reports errors by longjmp. Everything it may jump over lives in this plain struct,
// and the functions that call setjmp hold no C++ object, so no destructor is ever skipped.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t offset = 0;
    std::jmp_buf jump;
    char message[200] = "";
};

extern "C" void OnPngError(png_structp png, png_const_charp message) {
    auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    std::strncpy(reader->message, message ? message : "unknown error", sizeof reader->message - 1);
    std::longjmp(reader->jump, 1);
}

extern "C" void OnPngWarning(png_structp, png_const_charp) {}

extern "C" void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
    if (reader->size - reader->offset < length) png_error(png, "the file is truncated");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

// Reads the header and sets every transform that turns any PNG kind into 8-bit BGRA with
// straight alpha. False with reader->message on a libpng error.
bool ReadInfo(PngReader* reader, uint32_t maxSide) {
    if (setjmp(reader->jump)) return false;
    png_set_user_limits(reader->png, maxSide, maxSide);
    png_set_crc_action(reader->png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_set_read_fn(reader->png, reader, ReadFromMemory);
    png_read_info(reader->png, reader->info);
    const png_byte colourType = png_get_color_type(reader->png, reader->info);
    const png_byte depth = png_get_bit_depth(reader->png, reader->info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(reader->png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(reader->png);
    if (png_get_valid(reader->png, reader->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(reader->png);
    if (depth == 16) png_set_scale_16(reader->png);
    if (!(colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(reader->png);
    png_set_bgr(reader->png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(reader->png, reader->info, PNG_INFO_tRNS))
        png_set_filler(reader->png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(reader->png);
    png_read_update_info(reader->png, reader->info);
    return true;
}

bool ReadRows(PngReader* reader, png_bytep* rows) {
    if (setjmp(reader->jump)) return false;
    png_read_image(reader->png, rows);
    return true;
}

}  // namespace

std::optional<PngHeader> CheckPngStructure(const uint8_t* data, size_t size, std::wstring* error) {
    if (size == 0) return Fail(error, L"the file is empty");
    if (size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0)
        return Fail(error, L"not a PNG file");
    PngHeader header;
    bool sawHeader = false, sawPalette = false, sawData = false;
    size_t at = sizeof kSignature;
    for (;;) {
        if (size - at < 12) return Fail(error, L"the file is truncated");
        const uint32_t length = BigEndian32(data + at);
        const uint8_t* type = data + at + 4;
        if (length > kMaxChunkLength) return Fail(error, L"a chunk claims an impossible length");
        if (size - at - 12 < length) return Fail(error, L"the file is truncated");
        const uint8_t* body = type + 4;
        uLong crc = crc32(0L, Z_NULL, 0);
        crc = crc32(crc, type, 4 + length);
        if (crc != BigEndian32(body + length))
            return Fail(error, L"bad checksum in the " + FromUtf8(std::string(reinterpret_cast<const char*>(type), 4)) +
                                   L" chunk");
        if (!sawHeader) {
            if (!IsType(type, "IHDR") || length != 13) return Fail(error, L"the header chunk is missing");
            header.width = BigEndian32(body);
            header.height = BigEndian32(body + 4);
            header.bitDepth = body[8];
            header.colourType = body[9];
            header.interlaced = body[12] == 1;
            if (header.width == 0 || header.height == 0 || header.width > kMaxChunkLength ||
                header.height > kMaxChunkLength)
                return Fail(error, L"the header gives an impossible size");
            if (!ValidDepth(header.colourType, header.bitDepth) || body[10] != 0 || body[11] != 0 || body[12] > 1)
                return Fail(error, L"the header describes no known PNG kind");
            sawHeader = true;
        } else if (IsType(type, "PLTE")) {
            sawPalette = true;
        } else if (IsType(type, "IDAT")) {
            sawData = true;
        } else if (IsType(type, "IEND")) {
            if (!sawData) return Fail(error, L"the file holds no image data");
            if (header.colourType == 3 && !sawPalette) return Fail(error, L"the palette is missing");
            return header;
        }
        at += 12 + static_cast<size_t>(length);
    }
}

PictureResult DecodePng(const uint8_t* data, size_t size, const PictureLimits& limits) {
    std::wstring error;
    std::optional<PngHeader> header = CheckPngStructure(data, size, &error);
    if (!header) return Refuse(error);
    const uint64_t pixels = static_cast<uint64_t>(header->width) * header->height;
    if (header->width > limits.maxSide || header->height > limits.maxSide || pixels > limits.maxPixels)
        return Refuse(Format(L"the picture claims %lu x %lu pixels, more than a skin picture may have",
                             static_cast<unsigned long>(header->width), static_cast<unsigned long>(header->height)));

    PngReader reader;
    reader.data = data;
    reader.size = size;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, OnPngError, OnPngWarning);
    if (reader.png) reader.info = png_create_info_struct(reader.png);
    struct Release {
        PngReader& reader;
        ~Release() { png_destroy_read_struct(&reader.png, &reader.info, nullptr); }
    } release{reader};
    if (!reader.png || !reader.info) return Refuse(L"no memory to decode the picture");
    if (!ReadInfo(&reader, limits.maxSide)) return Refuse(L"cannot be decoded: " + FromUtf8(reader.message));
    const png_uint_32 width = png_get_image_width(reader.png, reader.info);
    const png_uint_32 height = png_get_image_height(reader.png, reader.info);
    if (width != header->width || height != header->height ||
        png_get_rowbytes(reader.png, reader.info) != static_cast<size_t>(width) * 4)
        return Refuse(L"cannot be decoded: the header was read differently");

    DecodedPicture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.bgra.resize(static_cast<size_t>(width) * height * 4);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = picture.bgra.data() + static_cast<size_t>(y) * width * 4;
    if (!ReadRows(&reader, rows.data())) return Refuse(L"cannot be decoded: " + FromUtf8(reader.message));
    for (size_t i = 3; i < picture.bgra.size(); i += 4) {
        if (picture.bgra[i] != 255) {
            picture.opaque = false;
            break;
        }
    }
    PictureResult result;
    result.picture = std::move(picture);
    return result;
}

PictureResult ReadPngFile(const std::wstring& path, const PictureLimits& limits) {
    UniqueHandle file = AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Refuse(L"cannot be opened: " + SystemErrorText(GetLastError()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return Refuse(L"cannot be read: " + SystemErrorText(GetLastError()));
    if (size.QuadPart == 0) return Refuse(L"the file is empty");
    if (static_cast<unsigned long long>(size.QuadPart) > limits.maxFileBytes)
        return Refuse(Format(L"the file has %llu bytes, more than a skin picture may have",
                             static_cast<unsigned long long>(size.QuadPart)));
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
        return Refuse(L"cannot be read: " + SystemErrorText(GetLastError()));
    return DecodePng(bytes.data(), bytes.size(), limits);
}

}  // namespace purgeon
