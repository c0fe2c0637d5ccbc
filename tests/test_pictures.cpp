// Skin pictures: every PNG kind decodes to the right pixels, every broken file is refused
// without a large allocation, and the bitmaps composite over what lies beneath.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <optional>
#include <set>

#include "common/funUtils.h"
#include "skins/pictureScale.h"
#include "skins/pngDecoder.h"
#include "ui/skinPictures.h"
#include "tests/support/pngMaker.h"
#include "tests/support/testSupport.h"
#include "ui/widgets/widgetWindow.h"

using namespace purgeon;
using purgeon::test::MakePng;
using purgeon::test::PngKind;
using purgeon::test::PngRecipe;
using purgeon::test::Rgba;

// The largest single request to operator new since the last reset: a decoder that sized a buffer
// from a lying header would show here even when the allocation itself failed.
namespace {
std::atomic<size_t> largestAllocation{0};
}

void* operator new(size_t size) {
    size_t seen = largestAllocation.load();
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// GCC cannot see that these pair with the malloc above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

Rgba Pattern(int x, int y) {
    return Rgba{static_cast<uint8_t>((x * 19 + y * 7) % 256), static_cast<uint8_t>((x * 5 + y * 31) % 256),
                static_cast<uint8_t>((x * y * 3 + 40) % 256), static_cast<uint8_t>((x * 37 + y * 11) % 256)};
}

Rgba PixelAt(const DecodedPicture& picture, int x, int y) {
    const uint8_t* p = picture.bgra.data() + (static_cast<size_t>(y) * picture.width + x) * 4;
    return Rgba{p[2], p[1], p[0], p[3]};
}

std::string Describe(const Rgba& c) {
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "," +
           std::to_string(c.a) + ")";
}

struct KindCase {
    const char* name;
    PngKind kind;
    int depth;
    bool interlaced;
};

// What the decoder must give for a pattern pixel stored in that kind.
Rgba Expected(const KindCase& c, int x, int y) {
    Rgba colour = Pattern(x, y);
    bool alpha = c.kind == PngKind::GreyAlpha || c.kind == PngKind::Rgba || c.kind == PngKind::Palette;
    if (!alpha) colour.a = 255;
    if (c.kind == PngKind::Grey || c.kind == PngKind::GreyAlpha) {
        uint8_t grey = colour.r;
        if (c.depth < 8) {  // stored at that depth: the nearest level, scaled back up
            int levels = (1 << c.depth) - 1;
            grey = static_cast<uint8_t>(((grey * levels + 127) / 255) * 255 / levels);
        }
        colour.g = colour.b = colour.r = grey;
    }
    return colour;
}

Rgba GreyPattern(int x, int y) {
    Rgba c = Pattern(x, y);
    c.g = c.b = c.r;
    return c;
}

PngRecipe RecipeFor(const KindCase& c) {
    PngRecipe recipe;
    recipe.width = 13;  // odd sizes leave Adam7's passes uneven
    recipe.height = 7;
    recipe.kind = c.kind;
    recipe.bitDepth = c.depth;
    recipe.interlaced = c.interlaced;
    recipe.pixel = (c.kind == PngKind::Grey || c.kind == PngKind::GreyAlpha) ? GreyPattern : Pattern;
    return recipe;
}

TEST(PngDecoding, EveryKindGivesItsPixelsInStraightAlpha) {
    const KindCase cases[] = {
        {"RGBA 8", PngKind::Rgba, 8, false},
        {"RGBA 8 interlaced", PngKind::Rgba, 8, true},
        {"RGBA 16", PngKind::Rgba, 16, false},
        {"RGB 8", PngKind::Rgb, 8, false},
        {"RGB 8 interlaced", PngKind::Rgb, 8, true},
        {"RGB 16", PngKind::Rgb, 16, false},
        {"palette with tRNS", PngKind::Palette, 8, false},
        {"palette with tRNS interlaced", PngKind::Palette, 8, true},
        {"grey 8", PngKind::Grey, 8, false},
        {"grey 8 interlaced", PngKind::Grey, 8, true},
        {"grey 16", PngKind::Grey, 16, false},
        {"grey 16 interlaced", PngKind::Grey, 16, true},
        {"grey 4", PngKind::Grey, 4, false},
        {"grey 1", PngKind::Grey, 1, false},
        {"grey and alpha 8", PngKind::GreyAlpha, 8, false},
        {"grey and alpha 16", PngKind::GreyAlpha, 16, true},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> file = MakePng(RecipeFor(c));
        ASSERT_FALSE(file.empty());
        PictureResult result = DecodePng(file.data(), file.size());
        ASSERT_TRUE(result) << ToUtf8(result.error);
        const DecodedPicture& picture = *result.picture;
        ASSERT_EQ(picture.width, 13);
        ASSERT_EQ(picture.height, 7);
        int wrong = 0;
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                Rgba want = Expected(c, x, y), got = PixelAt(picture, x, y);
                if (!(want == got) && wrong++ < 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << Describe(got) << " instead of " << Describe(want);
            }
        }
        bool hasAlpha = c.kind == PngKind::GreyAlpha || c.kind == PngKind::Rgba || c.kind == PngKind::Palette;
        EXPECT_EQ(picture.opaque, !hasAlpha);
    }
}

TEST(PngDecoding, SixteenBitChannelsRoundToTheNearestEightBitValue) {
    PngRecipe recipe;
    recipe.width = 4;
    recipe.kind = PngKind::Grey;
    recipe.bitDepth = 16;
    const uint16_t values[] = {0, 0x80FF, 0x8080, 0xFFFF};  // not all multiples of 257
    recipe.pixel16 = [&values](int x, int, int) { return values[x]; };
    std::vector<uint8_t> file = MakePng(recipe);
    PictureResult result = DecodePng(file.data(), file.size());
    ASSERT_TRUE(result) << ToUtf8(result.error);
    for (int x = 0; x < 4; ++x) {
        int want = (values[x] * 255 + 32767) / 65535;
        int got = PixelAt(*result.picture, x, 0).r;
        EXPECT_LE(std::abs(got - want), 1) << "value " << values[x] << " gave " << got;
    }
}

class BrokenPng : public ::testing::Test {
protected:
    static std::vector<uint8_t> Good() {
        PngRecipe recipe;
        recipe.width = 40;
        recipe.height = 30;
        recipe.pixel = Pattern;
        return MakePng(recipe);
    }
    // Refused with a reason, and without any allocation larger than a small file's.
    static void ExpectRefused(const std::vector<uint8_t>& file, const char* what, const wchar_t* reasonPart) {
        SCOPED_TRACE(what);
        largestAllocation = 0;
        PictureResult result = DecodePng(file.data(), file.size());
        size_t largest = largestAllocation;
        EXPECT_FALSE(result);
        EXPECT_NE(result.error.find(reasonPart), std::wstring::npos) << ToUtf8(result.error);
        EXPECT_LT(largest, 64u * 1024u) << "bytes asked for at once";
    }
};

TEST_F(BrokenPng, EveryKindOfBadFileIsRefusedWithItsReason) {
    std::vector<uint8_t> good = Good();
    ASSERT_TRUE(DecodePng(good.data(), good.size()));

    ExpectRefused({}, "empty", L"empty");
    ExpectRefused(std::vector<uint8_t>(good.begin(), good.begin() + 5), "shorter than the signature", L"not a PNG");
    std::string bmp = "BM\x36\x00\x00\x00 not a png at all, a bitmap header and some bytes";
    ExpectRefused(std::vector<uint8_t>(bmp.begin(), bmp.end()), "not a PNG", L"not a PNG");
    for (size_t keep : {good.size() / 2, good.size() - 1, static_cast<size_t>(8 + 12), static_cast<size_t>(9)})
        ExpectRefused(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(keep)), "truncated",
                      L"truncated");

    std::vector<uint8_t> badData = good;
    size_t data = test::FindPngChunk(badData, "IDAT");
    ASSERT_NE(data, std::string::npos);
    badData[data + 8 + 3] ^= 0x5A;
    ExpectRefused(badData, "bad checksum in the data", L"checksum in the IDAT");

    std::vector<uint8_t> badHeader = good;
    badHeader[8 + 8 + 1] ^= 0x01;  // the width, under an unchanged checksum
    ExpectRefused(badHeader, "bad checksum in the header", L"checksum in the IHDR");

    // A header that is not the first chunk, a palette picture without its palette, no data.
    std::vector<uint8_t> textFirst = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> text = test::PngChunk("tEXt", {'a', 0, 'b'});
    textFirst.insert(textFirst.end(), text.begin(), text.end());
    textFirst.insert(textFirst.end(), good.begin() + 8, good.end());
    ExpectRefused(textFirst, "header not first", L"header chunk is missing");
    std::vector<uint8_t> noPalette = test::PngSignatureAndHeader(4, 4, 8, 3);
    std::vector<uint8_t> tail(good.begin() + static_cast<long>(test::FindPngChunk(good, "IDAT")), good.end());
    noPalette.insert(noPalette.end(), tail.begin(), tail.end());
    ExpectRefused(noPalette, "palette kind without PLTE", L"palette is missing");
    std::vector<uint8_t> noData = test::PngSignatureAndHeader(4, 4);
    std::vector<uint8_t> end = test::PngChunk("IEND", {});
    noData.insert(noData.end(), end.begin(), end.end());
    ExpectRefused(noData, "no IDAT", L"no image data");
    ExpectRefused([] {
        auto file = test::PngSignatureAndHeader(4, 4, 5, 6);  // 5 bits is no depth
        auto idat = test::PngChunk("IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
        auto iend = test::PngChunk("IEND", {});
        file.insert(file.end(), idat.begin(), idat.end());
        file.insert(file.end(), iend.begin(), iend.end());
        return file;
    }(), "impossible bit depth", L"no known PNG kind");
}

TEST_F(BrokenPng, DataThatDoesNotInflateToThePictureIsRefusedByTheDecoder) {
    // Every chunk is well formed; only the compressed stream is wrong or too short.
    std::vector<uint8_t> good = Good();
    size_t at = test::FindPngChunk(good, "IDAT");
    uint32_t length = static_cast<uint32_t>(good[at]) << 24 | good[at + 1] << 16 | good[at + 2] << 8 | good[at + 3];
    std::vector<uint8_t> body(good.begin() + static_cast<long>(at) + 8, good.begin() + static_cast<long>(at + 8 + length));
    for (int variant = 0; variant < 2; ++variant) {
        std::vector<uint8_t> changed = body;
        if (variant == 0) changed.resize(changed.size() / 3);
        else for (size_t i = 2; i < changed.size(); i += 3) changed[i] ^= 0xA5;
        std::vector<uint8_t> file(good.begin(), good.begin() + static_cast<long>(at));
        std::vector<uint8_t> chunk = test::PngChunk("IDAT", changed);
        file.insert(file.end(), chunk.begin(), chunk.end());
        file.insert(file.end(), good.begin() + static_cast<long>(at + 12 + length), good.end());
        PictureResult result = DecodePng(file.data(), file.size());
        EXPECT_FALSE(result) << variant;
        EXPECT_NE(result.error.find(L"cannot be decoded"), std::wstring::npos) << ToUtf8(result.error);
    }
}

TEST_F(BrokenPng, EnormousClaimedSizesAreRefusedBeforeAnythingTheirSizeIsAllocated) {
    PROCESS_MEMORY_COUNTERS before{sizeof(before)};
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));
    // Well-formed files whose header claims 60,000 x 60,000 (14.4 GB decoded), one within
    // libpng's own limits but past the skin cap, and one past the cap on a single side.
    struct Claim {
        uint32_t width, height;
    };
    for (Claim claim : {Claim{60000, 60000}, Claim{3000, 3000}, Claim{20000, 1}, Claim{0x7FFFFFFF, 0x7FFFFFFF}}) {
        std::vector<uint8_t> file = test::PngSignatureAndHeader(claim.width, claim.height);
        auto idat = test::PngChunk("IDAT", {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
        auto iend = test::PngChunk("IEND", {});
        file.insert(file.end(), idat.begin(), idat.end());
        file.insert(file.end(), iend.begin(), iend.end());
        ExpectRefused(file, "enormous", L"more than a skin picture may have");
    }
    PROCESS_MEMORY_COUNTERS after{sizeof(after)};
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
    EXPECT_LT(after.PagefileUsage, before.PagefileUsage + 8u * 1024u * 1024u);
    EXPECT_LT(after.PeakWorkingSetSize, before.PeakWorkingSetSize + 8u * 1024u * 1024u);

    // The cap is the caller's to choose.
    PictureLimits tight;
    tight.maxPixels = 100;
    std::vector<uint8_t> good = Good();
    EXPECT_FALSE(DecodePng(good.data(), good.size(), tight));
    tight.maxPixels = 40 * 30;
    EXPECT_TRUE(DecodePng(good.data(), good.size(), tight));
}

TEST_F(BrokenPng, FilesAreCheckedForSizeBeforeTheyAreRead) {
    test::ScratchFolder dir(L"pictures");
    const std::wstring big = dir.path() + L"big.png";
    {
        UniqueHandle file = AdoptFileHandle(CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size;
        size.QuadPart = 40ll * 1024 * 1024;
        ASSERT_TRUE(SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    largestAllocation = 0;
    PictureResult result = ReadPngFile(big);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find(L"bytes"), std::wstring::npos) << ToUtf8(result.error);
    EXPECT_LT(largestAllocation.load(), 64u * 1024u);

    const std::wstring empty = dir.path() + L"empty.png";
    test::WriteFileBytes(empty, "");
    EXPECT_NE(ReadPngFile(empty).error.find(L"empty"), std::wstring::npos);
    EXPECT_FALSE(ReadPngFile(dir.path() + L"absent.png"));

    const std::wstring fine = dir.path() + L"fine.png";
    ASSERT_TRUE(test::WritePngFile(fine, Good()));
    PictureResult read = ReadPngFile(fine);
    ASSERT_TRUE(read) << ToUtf8(read.error);
    EXPECT_EQ(read.picture->width, 40);
}

// --- bitmaps ------------------------------------------------------------------------------

// A 24-bit DIB section filled with one colour, to draw on and read back.
struct Canvas {
    Canvas(int width, int height, COLORREF fill) : width(width), height(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
        bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0));
        dc.reset(CreateCompatibleDC(nullptr));
        previous = SelectObject(dc.get(), bitmap.get());
        RECT all{0, 0, width, height};
        widgets_detail::FillSolid(dc.get(), all, fill);
    }
    ~Canvas() { SelectObject(dc.get(), previous); }
    Rgba At(int x, int y) {
        GdiFlush();
        const uint8_t* p = bits + (static_cast<size_t>(y) * width + x) * 4;
        return Rgba{p[2], p[1], p[0], 255};
    }
    int width, height;
    uint8_t* bits = nullptr;
    UniqueBitmap bitmap;
    UniqueDc dc;
    HGDIOBJ previous = nullptr;
};

bool Near(const Rgba& got, int r, int g, int b) {
    return std::abs(got.r - r) <= 2 && std::abs(got.g - g) <= 2 && std::abs(got.b - b) <= 2;
}

TEST(PictureBitmaps, TranslucentPixelsCompositeOverWhatLiesBeneath) {
    // Left half opaque green, then red at half coverage, then a fully transparent pixel whose
    // colour must not show at all.
    PngRecipe recipe;
    recipe.width = 3;
    recipe.pixel = [](int x, int) {
        if (x == 0) return Rgba{0, 200, 0, 255};
        if (x == 1) return Rgba{255, 0, 0, 128};
        return Rgba{255, 255, 255, 0};
    };
    std::vector<uint8_t> file = MakePng(recipe);
    PictureResult decoded = DecodePng(file.data(), file.size());
    ASSERT_TRUE(decoded);
    UniqueBitmap bitmap = CreatePictureBitmap(*decoded.picture);
    ASSERT_TRUE(bitmap);
    BITMAP info{};
    ASSERT_TRUE(GetObjectW(bitmap.get(), sizeof info, &info));
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(info.bmWidth, 3);

    Canvas canvas(30, 10, RGB(0, 0, 255));
    RECT area{0, 0, 30, 10};  // stretched, ten pixels per picture pixel
    widgets_detail::DrawPicture(canvas.dc.get(), bitmap.get(), area);
    EXPECT_TRUE(Near(canvas.At(5, 5), 0, 200, 0)) << Describe(canvas.At(5, 5));
    EXPECT_TRUE(Near(canvas.At(15, 5), 128, 0, 127)) << Describe(canvas.At(15, 5));
    EXPECT_TRUE(Near(canvas.At(25, 5), 0, 0, 255)) << Describe(canvas.At(25, 5));
}

TEST(PictureBitmaps, TheShapeLeavesOutTheTransparentColourAndClearPixels) {
    PngRecipe recipe;
    recipe.width = 10;
    recipe.height = 4;
    recipe.pixel = [](int x, int y) {
        if (y == 0 && (x == 0 || x == 9)) return Rgba{255, 0, 255, 255};  // magenta corners
        if (y == 3 && x == 0) return Rgba{10, 10, 10, 0};                  // clear
        return Rgba{20, 40, 60, 255};
    };
    std::vector<uint8_t> file = MakePng(recipe);
    PictureResult decoded = DecodePng(file.data(), file.size());
    ASSERT_TRUE(decoded);
    UniqueBitmap bitmap = CreatePictureBitmap(*decoded.picture);
    UniqueRegion shape = PictureShapeRegion(bitmap.get());
    ASSERT_TRUE(shape);
    auto region = shape.get();
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, 9, 0));
    EXPECT_FALSE(PtInRegion(region, 0, 3));
    EXPECT_TRUE(PtInRegion(region, 1, 0));
    EXPECT_TRUE(PtInRegion(region, 5, 2));
    EXPECT_TRUE(PtInRegion(region, 9, 3));
    EXPECT_FALSE(PtInRegion(region, 10, 1));
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_EQ(box.right, 10);
    EXPECT_EQ(box.bottom, 4);

    recipe.pixel = Pattern;  // no magenta, no clear pixel
    recipe.kind = PngKind::Rgb;
    file = MakePng(recipe);
    decoded = DecodePng(file.data(), file.size());
    bitmap = CreatePictureBitmap(*decoded.picture);
    EXPECT_FALSE(PictureShapeRegion(bitmap.get())) << "a rectangle needs no region";
}

}  // namespace

TEST(PictureScales, TheRenderingAtOrAboveTheScaleIsTakenElseTheLargest) {
    struct Case {
        bool present[kPictureScaleCount];
        int dpi;
        std::optional<int> chosen;
    } cases[] = {
        {{true, true, true}, 96, 0},    {{true, true, true}, 120, 1},  {{true, true, true}, 144, 1},
        {{true, true, true}, 168, 2},   {{true, true, true}, 288, 2},  {{true, false, false}, 192, 0},
        {{true, false, true}, 144, 2},  {{false, false, true}, 96, 2}, {{false, false, false}, 96, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ChoosePictureScale(c.present, c.dpi), c.chosen) << c.dpi;
}

TEST(PictureScales, ScalingSmoothsEdgesAndNeverMixesTheShapeColour) {
    // Magenta | black | white columns, 3 x 2: a shape edge beside a colour edge.
    DecodedPicture source{3, 2, {}, true};
    const uint8_t columns[3][4] = {{255, 0, 255, 255}, {0, 0, 0, 255}, {255, 255, 255, 255}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) source.bgra.insert(source.bgra.end(), columns[x], columns[x] + 4);
    for (SIZE size : {SIZE{5, 3}, SIZE{6, 4}, SIZE{2, 1}}) {
        const DecodedPicture scaled = ScalePicture(source, size.cx, size.cy);
        ASSERT_EQ(scaled.width, size.cx);
        ASSERT_EQ(scaled.height, size.cy);
        std::set<int> greys;
        for (size_t i = 0; i < scaled.bgra.size(); i += 4) {
            const uint8_t* pixel = &scaled.bgra[i];
            const bool magenta = pixel[0] == 255 && pixel[1] == 0 && pixel[2] == 255;
            if (magenta) continue;
            // Anything else is a grey of black and white alone: no pink fringe.
            EXPECT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2]) << size.cx << " at " << i / 4;
            greys.insert(pixel[0]);
        }
        EXPECT_TRUE(scaled.bgra[0] == 255 && scaled.bgra[1] == 0) << "the shape's corner stays cut";
        if (size.cx > 3) {
            EXPECT_GT(greys.size(), 2u) << "enlarging blends black into white";
        }
    }
}

TEST(PictureScales, APictureIsLoadedFromItsNearestRenderingAtItsDesignSizeTimesTheScale) {
    test::ScratchFolder dir(L"scales");
    auto write = [&](const std::wstring& name, int width, int height, Rgba colour) {
        PngRecipe recipe;
        recipe.width = width;
        recipe.height = height;
        recipe.pixel = [colour](int, int) { return colour; };
        const std::vector<uint8_t> file = MakePng(recipe);
        test::WriteFileBytes(dir.path() + name, std::string(file.begin(), file.end()));
    };
    write(L"one.png", 4, 2, Rgba{200, 0, 0, 255});
    write(L"one@2x.png", 8, 4, Rgba{0, 0, 200, 255});
    write(L"only.png", 4, 2, Rgba{200, 0, 0, 255});
    struct Case {
        const wchar_t* name;
        int dpi;
        SIZE size;
        COLORREF colour;
    } cases[] = {
        {L"one.png", 96, {4, 2}, RGB(200, 0, 0)},  {L"one.png", 144, {6, 3}, RGB(0, 0, 200)},
        {L"one.png", 192, {8, 4}, RGB(0, 0, 200)}, {L"only.png", 192, {8, 4}, RGB(200, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.name) + " at " + std::to_string(c.dpi));
        LoadedPicture loaded = LoadScaledPicture(dir.path() + c.name, c.dpi);
        ASSERT_TRUE(loaded.bitmap) << ToUtf8(loaded.error);
        BITMAP info{};
        GetObjectW(loaded.bitmap.get(), sizeof info, &info);
        EXPECT_EQ(info.bmWidth, c.size.cx);
        EXPECT_EQ(std::abs(info.bmHeight), c.size.cy);
        const auto* first = static_cast<const uint8_t*>(info.bmBits);
        EXPECT_EQ(RGB(first[2], first[1], first[0]), c.colour);
    }
    EXPECT_TRUE(LoadScaledPicture(dir.path() + L"none.png", 192).missing);
}
