#pragma once

#include <cstdint>
#include <vector>

namespace quindle {

// A decoded picture: Width x Height pixels, four bytes each (red, green, blue, alpha), rows
// top to bottom. An empty bitmap (0 x 0, no pixels) is what a failed load leaves behind.
struct TBitmap {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;

    bool Empty() const { return Width == 0 || Height == 0; }
    void Clear() {
        Width = Height = 0;
        Pixels.clear();
        Pixels.shrink_to_fit();
    }
};

// Pictures larger than this are refused rather than decoded: a few bytes of hostile header must
// not make the loader reserve gigabytes.
constexpr int kMaxPictureSide = 16384;
constexpr std::int64_t kMaxPicturePixels = 40'000'000;

} // namespace quindle
