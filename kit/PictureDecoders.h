#pragma once

// The three decoders behind TKo::LoadGraphicFromString. Each returns false and leaves Target
// untouched when the data is not a complete picture of its format.

#include "kit/Picture.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quindle {

bool DecodeBmp(const std::uint8_t* Data, std::size_t Size, TBitmap& Target);
bool DecodeJpeg(const std::uint8_t* Data, std::size_t Size, TBitmap& Target);
bool DecodePng(const std::uint8_t* Data, std::size_t Size, TBitmap& Target);

// True when a picture of that size may be decoded at all.
bool PictureSizeAllowed(std::int64_t Width, std::int64_t Height);

// Turns CMYK pixels into opaque RGBA in place. Inverted: Adobe's convention, each value 255 less
// the ink, as nearly every CMYK JPEG in the wild is written.
void CmykToRgba(std::vector<std::uint8_t>& Pixels, bool Inverted);

} // namespace quindle
