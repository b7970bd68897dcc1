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
        if (DecodeBmp(bytes, Data.size(), Target) || DecodeJpeg(bytes, Data.size(), Target) ||
            DecodePng(bytes, Data.size(), Target))
            return;
    } catch (...) {
        // Out of memory while decoding: the same as an unreadable picture.
    }
    Target.Clear();
}

} // namespace quindle
