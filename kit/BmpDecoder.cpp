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

} // namespace

std::optional<TBitmap> DecodeBmp(const std::uint8_t* Data, std::size_t Size) {
    Reader r(Data, Size);
    if (!r.Has(0, 18) || Data[0] != 'B' || Data[1] != 'M')
        return std::nullopt;
    const std::uint32_t pixelOffset = r.U32(10);
    const std::uint32_t headerSize = r.U32(14);
    if (!r.Has(14, headerSize))
        return std::nullopt;

    std::int64_t width = 0, height = 0;
    std::uint32_t bpp = 0, compression = BI_RGB, colorsUsed = 0;
    std::size_t paletteEntrySize = 4;
    std::uint32_t masks[4] = {0, 0, 0, 0};
    bool hasMasks = false;

    if (headerSize == 12) {
        width = r.U16(18);
        height = r.U16(20);
        bpp = r.U16(24);
        paletteEntrySize = 3;
    } else if (headerSize >= 40 && headerSize <= 124) {
        width = std::int32_t(r.U32(18));
        height = std::int32_t(r.U32(22));
        bpp = r.U16(28);
        compression = r.U32(30);
        colorsUsed = r.U32(46);
        if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
            // The masks follow a 40-byte header, or are part of a larger one.
            const std::size_t count = compression == BI_ALPHABITFIELDS ? 4 : 3;
            const std::size_t at = 54;
            const std::size_t inHeader = headerSize >= 56 ? 4 : (headerSize >= 52 ? 3 : 0);
            const std::size_t n = inHeader ? inHeader : count;
            if (!r.Has(at, 4 * n))
                return std::nullopt;
            for (std::size_t i = 0; i < n; ++i)
                masks[i] = r.U32(at + 4 * i);
            hasMasks = true;
        } else if (compression != BI_RGB) {
            return std::nullopt; // run-length, embedded JPEG/PNG: not supported
        }
    } else {
        return std::nullopt;
    }

    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || !PictureSizeAllowed(width, height))
        return std::nullopt;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return std::nullopt;
    if (hasMasks && bpp != 16 && bpp != 32)
        return std::nullopt;

    // Palette.
    std::vector<std::uint8_t> palette; // RGBA entries
    if (bpp <= 8) {
        std::uint64_t entries = colorsUsed ? colorsUsed : (1u << bpp);
        if (entries > 256)
            return std::nullopt;
        std::size_t at = 14 + headerSize;
        if (headerSize == 40 && hasMasks)
            at += compression == BI_ALPHABITFIELDS ? 16 : 12;
        if (!r.Has(at, entries * paletteEntrySize))
            return std::nullopt;
        palette.resize(256 * 4, 0);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* p = r.At(at + i * paletteEntrySize);
            palette[i * 4 + 0] = p[2];
            palette[i * 4 + 1] = p[1];
            palette[i * 4 + 2] = p[0];
            palette[i * 4 + 3] = 255;
        }
    }

    const std::uint64_t stride = ((std::uint64_t(width) * bpp + 31) / 32) * 4;
    if (!r.Has(pixelOffset, stride * std::uint64_t(height)))
        return std::nullopt;

    if (!hasMasks && bpp == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

    std::vector<std::uint8_t> out(std::size_t(width) * std::size_t(height) * 4);
    bool anyAlpha = false;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row =
            r.At(pixelOffset + stride * std::uint64_t(topDown ? y : height - 1 - y));
        std::uint8_t* dst = out.data() + std::size_t(y) * std::size_t(width) * 4;
        for (std::int64_t x = 0; x < width; ++x, dst += 4) {
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                const std::uint64_t bit = std::uint64_t(x) * bpp;
                const unsigned byte = row[bit / 8];
                const unsigned index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                std::memcpy(dst, &palette[index * 4], 4);
                break;
            }
            case 16:
            case 32: {
                std::uint32_t px =
                    bpp == 16 ? Reader(row, stride).U16(x * 2) : Reader(row, stride).U32(x * 4);
                if (!hasMasks && bpp == 32) {
                    dst[0] = std::uint8_t(px >> 16);
                    dst[1] = std::uint8_t(px >> 8);
                    dst[2] = std::uint8_t(px);
                    dst[3] = std::uint8_t(px >> 24);
                    anyAlpha = anyAlpha || dst[3] != 0;
                } else {
                    dst[0] = red.Extract(px);
                    dst[1] = green.Extract(px);
                    dst[2] = blue.Extract(px);
                    dst[3] = alpha.bits ? alpha.Extract(px) : 255;
                }
                break;
            }
            case 24:
                dst[0] = row[x * 3 + 2];
                dst[1] = row[x * 3 + 1];
                dst[2] = row[x * 3];
                dst[3] = 255;
                break;
            }
        }
    }
    // Plain 32-bit bitmaps usually leave the fourth byte zero: then it is padding, not alpha.
    if (!hasMasks && bpp == 32 && !anyAlpha)
        for (std::size_t i = 3; i < out.size(); i += 4)
            out[i] = 255;

    TBitmap picture;

    picture.Width = int(width);
    picture.Height = int(height);
    picture.Pixels = std::move(out);
    return picture;
}

} // namespace quindle
