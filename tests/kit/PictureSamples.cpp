#include "tests/kit/PictureSamples.h"

#include <zlib.h>

#include <stdexcept>
#include <vector>

namespace quindle::test {
namespace {

void PutBigEndian(std::string& s, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        s += char((v >> shift) & 0xFF);
}

void PutChunk(std::string& png, const char* type, const std::string& data) {
    PutBigEndian(png, std::uint32_t(data.size()));
    const std::string body = type + data;
    png += body;
    PutBigEndian(png, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                          uInt(body.size()))));
}

} // namespace

// Written here rather than by a picture library, so that the samples are the same bytes on every
// system whichever decoder reads them.
std::string MakePng(int width, int height) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += char(0); // no filter
        for (int x = 0; x < width; ++x)
            raw += char(x * 10), raw += char(y * 10), raw += char(100), raw += char(255);
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                 reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size())) != Z_OK)
        throw std::runtime_error("png encode");
    packed.resize(packedSize);
    std::string header;
    PutBigEndian(header, std::uint32_t(width));
    PutBigEndian(header, std::uint32_t(height));
    header += char(8);      // bits per sample
    header += char(6);      // RGBA
    header.append(3, '\0'); // deflate, no filter, not interlaced
    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", "");
    return png;
}

void SampleJpegPixel(int x, int y, bool cmyk, std::uint8_t* p) {
    if (cmyk)
        p[0] = 255, p[1] = 0, p[2] = 0, p[3] = 255;
    else
        p[0] = std::uint8_t(x * 10), p[1] = std::uint8_t(y * 10), p[2] = 100;
}

std::string MakeBmp(int width, int height, int bpp, bool topDown) {
    auto put16 = [](std::string& s, unsigned v) {
        s += char(v & 0xFF);
        s += char((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::string& s, unsigned v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    };
    const int colours = bpp <= 8 ? (1 << bpp) : 0;
    const unsigned stride = unsigned(((width * bpp + 31) / 32) * 4);
    const unsigned offset = 14 + 40 + unsigned(colours) * 4;
    std::string s = "BM";
    put32(s, offset + stride * unsigned(height));
    put32(s, 0);
    put32(s, offset);
    put32(s, 40);
    put32(s, unsigned(width));
    put32(s, unsigned(topDown ? -height : height));
    put16(s, 1);
    put16(s, unsigned(bpp));
    put32(s, 0);
    put32(s, stride * unsigned(height));
    put32(s, 2835);
    put32(s, 2835);
    put32(s, unsigned(colours));
    put32(s, 0);
    for (int i = 0; i < colours; ++i) { // palette entry i is grey level i*16 (blue, green, red)
        s += char(i * 16), s += char(i * 16), s += char(i * 16), s += char(0);
    }
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        std::string line(stride, '\0');
        for (int x = 0; x < width; ++x) {
            if (bpp == 24 || bpp == 32) {
                const int k = x * (bpp / 8);
                line[k] = char(100), line[k + 1] = char(y * 10), line[k + 2] = char(x * 10);
            } else {
                const int index = (x + y) % colours;
                const int bit = x * bpp;
                line[bit / 8] = char(line[bit / 8] | (index << (8 - bpp - bit % 8)));
            }
        }
        s += line;
    }
    return s;
}

} // namespace quindle::test
