// Windows bitmap (BMP) decoding: uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, with or
// without bit-field masks, top-down or bottom-up. Every read is checked against the data size.

#include "kit/PictureDecoders.h"

#include <cstring>

namespace quindle {
namespace {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr std::uint32_t BI_ALPHABITFIELDS = 6;

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Has(std::size_t offset, std::size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    std::uint32_t U16(std::size_t o) const { return data_[o] | (data_[o + 1] << 8); }
    std::uint32_t U32(std::size_t o) const {
        return std::uint32_t(data_[o]) | (std::uint32_t(data_[o + 1]) << 8) |
               (std::uint32_t(data_[o + 2]) << 16) | (std::uint32_t(data_[o + 3]) << 24);
    }
    const std::uint8_t* At(std::size_t o) const { return data_ + o; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// One colour channel described by a bit mask, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (m == 0)
            return;
        while (((m >> shift) & 1u) == 0)
            ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1u) != 0)
            ++bits;
    }
    std::uint8_t Extract(std::uint32_t pixel) const {
        if (bits == 0)
            return 0;
        std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return std::uint8_t(v >> (bits - 8));
        std::uint32_t max = (1u << bits) - 1;
        return std::uint8_t((v * 255 + max / 2) / max);
    }
};

// What the file header and the bitmap header say of the picture.
struct BmpHeader {
    std::uint32_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    std::int64_t width = 0, height = 0;
    std::uint32_t bpp = 0, compression = BI_RGB, colorsUsed = 0;
    std::size_t paletteEntrySize = 4;
    std::uint32_t masks[4] = {0, 0, 0, 0};
    bool hasMasks = false;
    bool topDown = false;
};

// The masks follow a 40-byte header, or are part of a larger one.
bool ReadMasks(const Reader& r, BmpHeader& h) {
    const std::size_t count = h.compression == BI_ALPHABITFIELDS ? 4 : 3;
    const std::size_t at = 54;
    const std::size_t inHeader = h.headerSize >= 56 ? 4 : (h.headerSize >= 52 ? 3 : 0);
    const std::size_t n = inHeader ? inHeader : count;
    if (!r.Has(at, 4 * n))
        return false;
    for (std::size_t i = 0; i < n; ++i)
        h.masks[i] = r.U32(at + 4 * i);
    h.hasMasks = true;
    return true;
}

// The OS/2 core header (12 bytes) or a Windows info header (40 to 124 bytes).
std::optional<BmpHeader> ParseHeader(const Reader& r) {
    if (!r.Has(0, 18) || r.At(0)[0] != 'B' || r.At(0)[1] != 'M')
        return std::nullopt;
    BmpHeader h;
    h.pixelOffset = r.U32(10);
    h.headerSize = r.U32(14);
    if (!r.Has(14, h.headerSize))
        return std::nullopt;

    if (h.headerSize == 12) {
        h.width = r.U16(18);
        h.height = r.U16(20);
        h.bpp = r.U16(24);
        h.paletteEntrySize = 3;
    } else if (h.headerSize >= 40 && h.headerSize <= 124) {
        h.width = std::int32_t(r.U32(18));
        h.height = std::int32_t(r.U32(22));
        h.bpp = r.U16(28);
        h.compression = r.U32(30);
        h.colorsUsed = r.U32(46);
        if (h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS) {
            if (!ReadMasks(r, h))
                return std::nullopt;
        } else if (h.compression != BI_RGB) {
            return std::nullopt; // run-length, embedded JPEG/PNG: not supported
        }
    } else {
        return std::nullopt;
    }
    return h;
}

// A negative height marks rows stored top-down; it is made positive here.
bool Validate(BmpHeader& h) {
    h.topDown = h.height < 0;
    if (h.topDown)
        h.height = -h.height;
    if (h.width <= 0 || h.height <= 0 || !PictureSizeAllowed(h.width, h.height))
        return false;
    if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
        return false;
    return !h.hasMasks || h.bpp == 16 || h.bpp == 32;
}

// Always 256 RGBA entries, those the file leaves out black and clear, so that any index a row
// holds stays inside it.
bool ReadPalette(const Reader& r, const BmpHeader& h, std::vector<std::uint8_t>& palette) {
    std::uint64_t entries = h.colorsUsed ? h.colorsUsed : (1u << h.bpp);
    if (entries > 256)
        return false;
    std::size_t at = 14 + h.headerSize;
    if (h.headerSize == 40 && h.hasMasks)
        at += h.compression == BI_ALPHABITFIELDS ? 16 : 12;
    if (!r.Has(at, entries * h.paletteEntrySize))
        return false;
    palette.resize(256 * 4, 0);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint8_t* p = r.At(at + i * h.paletteEntrySize);
        palette[i * 4 + 0] = p[2];
        palette[i * 4 + 1] = p[1];
        palette[i * 4 + 2] = p[0];
        palette[i * 4 + 3] = 255;
    }
    return true;
}

void DecodeIndexedRow(const std::uint8_t* row, std::int64_t width, std::uint32_t bpp,
                      const std::vector<std::uint8_t>& palette, std::uint8_t* dst) {
    for (std::int64_t x = 0; x < width; ++x, dst += 4) {
        const std::uint64_t bit = std::uint64_t(x) * bpp;
        const unsigned byte = row[bit / 8];
        const unsigned index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        std::memcpy(dst, &palette[index * 4], 4);
    }
}

struct Channels {
    Channel red, green, blue, alpha;
};

void DecodeMaskedRow(const std::uint8_t* row, std::uint64_t stride, std::int64_t width,
                     std::uint32_t bpp, const Channels& c, std::uint8_t* dst) {
    for (std::int64_t x = 0; x < width; ++x, dst += 4) {
        std::uint32_t px =
            bpp == 16 ? Reader(row, stride).U16(x * 2) : Reader(row, stride).U32(x * 4);
        dst[0] = c.red.Extract(px);
        dst[1] = c.green.Extract(px);
        dst[2] = c.blue.Extract(px);
        dst[3] = c.alpha.bits ? c.alpha.Extract(px) : 255;
    }
}

// Plain 32-bit pixels, BGRA; true when any of them has a fourth byte other than zero.
bool DecodeBgraRow(const std::uint8_t* row, std::uint64_t stride, std::int64_t width,
                   std::uint8_t* dst) {
    bool anyAlpha = false;
    for (std::int64_t x = 0; x < width; ++x, dst += 4) {
        std::uint32_t px = Reader(row, stride).U32(x * 4);
        dst[0] = std::uint8_t(px >> 16);
        dst[1] = std::uint8_t(px >> 8);
        dst[2] = std::uint8_t(px);
        dst[3] = std::uint8_t(px >> 24);
        anyAlpha = anyAlpha || dst[3] != 0;
    }
    return anyAlpha;
}

void DecodeBgrRow(const std::uint8_t* row, std::int64_t width, std::uint8_t* dst) {
    for (std::int64_t x = 0; x < width; ++x, dst += 4) {
        dst[0] = row[x * 3 + 2];
        dst[1] = row[x * 3 + 1];
        dst[2] = row[x * 3];
        dst[3] = 255;
    }
}

// RGBA, top row first. The caller has checked that every row lies inside the data.
std::vector<std::uint8_t> DecodePixels(const Reader& r, const BmpHeader& h,
                                       const std::vector<std::uint8_t>& palette,
                                       std::uint64_t stride) {
    const bool plain32 = !h.hasMasks && h.bpp == 32;
    std::uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    if (!h.hasMasks && h.bpp == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    const Channels channels{Channel(masks[0]), Channel(masks[1]), Channel(masks[2]),
                            Channel(masks[3])};

    std::vector<std::uint8_t> out(std::size_t(h.width) * std::size_t(h.height) * 4);
    bool anyAlpha = false;
    for (std::int64_t y = 0; y < h.height; ++y) {
        const std::uint8_t* row =
            r.At(h.pixelOffset + stride * std::uint64_t(h.topDown ? y : h.height - 1 - y));
        std::uint8_t* dst = out.data() + std::size_t(y) * std::size_t(h.width) * 4;
        if (h.bpp <= 8)
            DecodeIndexedRow(row, h.width, h.bpp, palette, dst);
        else if (h.bpp == 24)
            DecodeBgrRow(row, h.width, dst);
        else if (plain32)
            anyAlpha = DecodeBgraRow(row, stride, h.width, dst) || anyAlpha;
        else
            DecodeMaskedRow(row, stride, h.width, h.bpp, channels, dst);
    }
    // Plain 32-bit bitmaps usually leave the fourth byte zero: then it is padding, not alpha.
    if (plain32 && !anyAlpha)
        for (std::size_t i = 3; i < out.size(); i += 4)
            out[i] = 255;
    return out;
}

} // namespace

std::optional<TBitmap> DecodeBmp(const std::uint8_t* Data, std::size_t Size) {
    const Reader r(Data, Size);
    std::optional<BmpHeader> header = ParseHeader(r);
    if (!header || !Validate(*header))
        return std::nullopt;
    const BmpHeader& h = *header;

    std::vector<std::uint8_t> palette; // RGBA entries
    if (h.bpp <= 8 && !ReadPalette(r, h, palette))
        return std::nullopt;

    const std::uint64_t stride = ((std::uint64_t(h.width) * h.bpp + 31) / 32) * 4;
    if (!r.Has(h.pixelOffset, stride * std::uint64_t(h.height)))
        return std::nullopt;

    TBitmap picture;
    picture.Width = int(h.width);
    picture.Height = int(h.height);
    picture.Pixels = DecodePixels(r, h, palette, stride);
    return picture;
}

} // namespace quindle
