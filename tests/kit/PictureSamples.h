#pragma once

// Pictures made in memory with the real encoders, for the loader tests and the fuzz seeds.

#include <cstdint>
#include <string>

namespace quindle::test {

// A width x height picture whose pixel (x, y) is (x*10, y*10, 100, 255).
std::string MakePng(int width, int height);
std::string MakeJpeg(int width, int height, bool cmyk = false);
// Pixel (x, y) of a JPEG sample: the pattern above as RGB, or red in Adobe's inverted CMYK
// (which encoders mark with an Adobe segment).
void SampleJpegPixel(int x, int y, bool cmyk, std::uint8_t* pixel);
// Uncompressed bitmap at 1, 4, 8, 24 or 32 bits per pixel; bottom-up unless topDown.
std::string MakeBmp(int width, int height, int bpp, bool topDown = false);

} // namespace quindle::test
