#pragma once

// The pictures an icon file holds, for the places that want them one by one as PNG files (a
// desktop's icon theme). Decoding is checked against the data like every picture decoder.

#include "kit/Picture.h"

#include <optional>
#include <string>
#include <vector>

namespace quindle {

// One image of an icon file: a PNG, or a device-independent bitmap whose header counts the
// colour rows and the transparency mask below them. Nothing when it is neither, or damaged.
std::optional<TBitmap> DecodeIconImage(const std::string& Image);

// Every image of a valid icon file that decodes, in the file's order; several of one size are
// one, the one of most colours. Nothing for data that is no icon file.
std::vector<TBitmap> IconImages(const std::string& Ico);

// The picture as a PNG file; empty when it cannot be encoded.
std::string EncodePng(const TBitmap& Picture);

} // namespace quindle
