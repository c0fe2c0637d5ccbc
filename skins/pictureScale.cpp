#include "skins/pictureScale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace purgeon {

std::optional<int> ChoosePictureScale(const bool present[kPictureScaleCount], int dpi) {
    std::optional<int> largest;
    for (int i = 0; i < kPictureScaleCount; ++i) {
        if (!present[i]) continue;
        if (kPictureScalesTenths[i] * 96 >= dpi * 10) return i;
        largest = i;
    }
    return largest;
}

namespace {

struct Tap {
    int index;
    float weight;
};

// For each target position along one axis, the source positions it draws from and their weights
// (summing to one).
std::vector<std::vector<Tap>> AxisTaps(int sourceSize, int targetSize) {
    const double scale = static_cast<double>(targetSize) / sourceSize;
    const double support = std::max(1.0, 1.0 / scale);  // half-width in source pixels
    std::vector<std::vector<Tap>> taps(targetSize);
    for (int target = 0; target < targetSize; ++target) {
        const double centre = (target + 0.5) / scale;
        const int first = std::max(0, static_cast<int>(std::floor(centre - support)));
        const int last = std::min(sourceSize - 1, static_cast<int>(std::ceil(centre + support)));
        double total = 0;
        for (int s = first; s <= last; ++s) {
            const double weight = 1.0 - std::abs((s + 0.5 - centre) / support);
            if (weight > 0) {
                taps[target].push_back({s, static_cast<float>(weight)});
                total += weight;
            }
        }
        if (taps[target].empty()) {
            taps[target].push_back({std::clamp(static_cast<int>(centre), 0, sourceSize - 1), 1.0f});
            total = 1;
        }
        for (Tap& tap : taps[target]) tap.weight = static_cast<float>(tap.weight / total);
    }
    return taps;
}

uint8_t ToByte(double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

}  // namespace

DecodedPicture ScalePicture(const DecodedPicture& source, int width, int height, std::optional<uint32_t> keyColour) {
    DecodedPicture scaled;
    if (source.width <= 0 || source.height <= 0 ||
        source.bgra.size() != static_cast<size_t>(source.width) * source.height * 4)
        return scaled;
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == source.width && height == source.height) return source;
    const auto columns = AxisTaps(source.width, width);
    const auto rows = AxisTaps(source.height, height);
    const uint8_t keyBlue = keyColour ? (*keyColour & 0xFF) : 0, keyGreen = keyColour ? (*keyColour >> 8 & 0xFF) : 0,
                  keyRed = keyColour ? (*keyColour >> 16 & 0xFF) : 0;
    auto isKey = [&](const uint8_t* pixel) {
        return keyColour && pixel[3] == 255 && pixel[0] == keyBlue && pixel[1] == keyGreen && pixel[2] == keyRed;
    };
    scaled.width = width;
    scaled.height = height;
    scaled.bgra.resize(static_cast<size_t>(width) * height * 4);
    scaled.opaque = source.opaque;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Colours are mixed with their alpha, so see-through pixels lend no colour.
            double blue = 0, green = 0, red = 0, alpha = 0, rest = 0, key = 0;
            for (const Tap& row : rows[y]) {
                const uint8_t* line = source.bgra.data() + static_cast<size_t>(row.index) * source.width * 4;
                for (const Tap& column : columns[x]) {
                    const uint8_t* pixel = line + static_cast<size_t>(column.index) * 4;
                    const double weight = static_cast<double>(row.weight) * column.weight;
                    if (isKey(pixel)) {
                        key += weight;
                        continue;
                    }
                    const double a = pixel[3] * weight;
                    blue += pixel[0] * a;
                    green += pixel[1] * a;
                    red += pixel[2] * a;
                    alpha += a;
                    rest += weight;
                }
            }
            uint8_t* out = scaled.bgra.data() + (static_cast<size_t>(y) * width + x) * 4;
            if (key > rest) {
                out[0] = keyBlue, out[1] = keyGreen, out[2] = keyRed, out[3] = 255;
                continue;
            }
            out[3] = ToByte(alpha / rest);
            if (alpha > 0) out[0] = ToByte(blue / alpha), out[1] = ToByte(green / alpha), out[2] = ToByte(red / alpha);
            else out[0] = out[1] = out[2] = 0;
            // A mixed pixel that happens to come out as the key would cut a hole in the shape.
            if (isKey(out)) out[0] ^= 1;
        }
    }
    return scaled;
}

}  // namespace purgeon
