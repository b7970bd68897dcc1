#pragma once

// The three decoders behind TKo::LoadGraphicFromString. Each gives nothing when the data is not a
// complete picture of its format.

#include "kit/Picture.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quindle {

std::optional<TBitmap> DecodeBmp(const std::uint8_t* Data, std::size_t Size);
std::optional<TBitmap> DecodeJpeg(const std::uint8_t* Data, std::size_t Size);
std::optional<TBitmap> DecodePng(const std::uint8_t* Data, std::size_t Size);

// True when a picture of that size may be decoded at all.
bool PictureSizeAllowed(std::int64_t Width, std::int64_t Height);

// Turns CMYK pixels into opaque RGBA in place. Inverted: Adobe's convention, each value 255 less
// the ink, as nearly every CMYK JPEG in the wild is written.
void CmykToRgba(std::vector<std::uint8_t>& Pixels, bool Inverted);

} // namespace quindle
