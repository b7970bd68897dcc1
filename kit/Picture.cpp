// Loading a picture whatever its format: bitmap first, then JPEG, then PNG, else nothing.

#include "kit/KoClass.h"
#include "kit/PictureDecoders.h"

#include <iterator>
#include <sstream>

namespace quindle {

bool PictureSizeAllowed(std::int64_t Width, std::int64_t Height) {
    return Width > 0 && Height > 0 && Width <= kMaxPictureSide && Height <= kMaxPictureSide &&
           Width * Height <= kMaxPicturePixels;
}

void CmykToRgba(std::vector<std::uint8_t>& Pixels, bool Inverted) {
    for (std::size_t i = 0; i < Pixels.size(); i += 4) {
        unsigned c = Pixels[i], m = Pixels[i + 1], y = Pixels[i + 2], k = Pixels[i + 3];
        if (!Inverted) {
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        }
        Pixels[i] = std::uint8_t(c * k / 255);
        Pixels[i + 1] = std::uint8_t(m * k / 255);
        Pixels[i + 2] = std::uint8_t(y * k / 255);
        Pixels[i + 3] = 255;
    }
}

void TKo::LoadGraphicFromStream(TBitmap& Target, std::istream& Stream) {
    std::string data;
    try {
        Stream.clear();
        Stream.seekg(0);
        data.assign(std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>());
    } catch (...) {
        Target.Clear();
        return;
    }
    LoadGraphicFromString(Target, data);
}

void TKo::LoadGraphicFromString(TBitmap& Target, const std::string& Data) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(Data.data());
    try {
        for (auto decode : {DecodeBmp, DecodeJpeg, DecodePng})
            if (std::optional<TBitmap> picture = decode(bytes, Data.size())) {
                Target = std::move(*picture);
                return;
            }
    } catch (...) {
        // Out of memory while decoding: the same as an unreadable picture.
    }
    Target.Clear();
}

} // namespace quindle
