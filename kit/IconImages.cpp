#include "kit/IconImages.h"
#include "kit/IconFile.h"
#include "kit/PictureDecoders.h"

#include <png.h>

#include <cstring>
#include <map>

namespace quindle {
namespace {

std::uint32_t U32(const std::string& Data, std::size_t At) {
    auto b = [&](std::size_t i) { return std::uint32_t(std::uint8_t(Data[At + i])); };
    return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

void Put32(std::string& Out, std::size_t At, std::uint32_t Value) {
    for (int i = 0; i < 4; ++i)
        Out[At + std::size_t(i)] = char(Value >> (8 * i));
}

} // namespace

std::optional<TBitmap> DecodeIconImage(const std::string& Image) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(Image.data());
    if (Image.size() >= 8 && std::memcmp(bytes, "\x89PNG", 4) == 0)
        return DecodePng(bytes, Image.size());
    // A bitmap with its height doubled for the mask: a bitmap file of the colour rows alone,
    // for the bitmap decoder, whose rows come first from the bottom.
    if (Image.size() < 40 || U32(Image, 0) != 40)
        return std::nullopt;
    const std::int32_t doubled = std::int32_t(U32(Image, 8));
    const std::uint32_t bpp = std::uint8_t(Image[14]) | (std::uint8_t(Image[15]) << 8);
    std::uint32_t colours = U32(Image, 32);
    // Icons hold plain bitmaps only (no bit fields, no compression).
    if (doubled <= 0 || doubled % 2 != 0 || bpp == 0 || bpp > 32 || U32(Image, 16) != 0)
        return std::nullopt;
    if (bpp <= 8 && colours == 0)
        colours = 1u << bpp;
    if (colours > 256)
        return std::nullopt;
    const std::uint64_t pixels = 40 + std::uint64_t(bpp <= 8 ? colours : 0) * 4;
    std::string file = std::string("BM") + std::string(12, '\0') + Image;
    Put32(file, 2, std::uint32_t(file.size()));
    Put32(file, 10, std::uint32_t(14 + pixels));
    Put32(file, 14 + 8, std::uint32_t(doubled / 2));
    std::optional<TBitmap> picture =
        DecodeBmp(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    if (!picture)
        return std::nullopt;
    // The mask makes transparent what it marks, unless the colours carry their own alpha.
    bool ownAlpha = false;
    if (bpp == 32)
        for (std::size_t i = 3; i < picture->Pixels.size() && !ownAlpha; i += 4)
            ownAlpha = picture->Pixels[i] != 255;
    if (ownAlpha)
        return picture;
    const int width = picture->Width, height = picture->Height;
    const std::uint64_t colourStride = ((std::uint64_t(width) * bpp + 31) / 32) * 4;
    const std::uint64_t maskStride = ((std::uint64_t(width) + 31) / 32) * 4;
    const std::uint64_t mask = pixels + colourStride * std::uint64_t(height);
    if (mask + maskStride * std::uint64_t(height) > Image.size())
        return picture; // no mask: every pixel shows
    for (int y = 0; y < height; ++y) {
        const std::uint64_t row = mask + maskStride * std::uint64_t(height - 1 - y);
        for (int x = 0; x < width; ++x)
            if ((std::uint8_t(Image[row + std::uint64_t(x) / 8]) >> (7 - x % 8)) & 1)
                picture->Pixels[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4 + 3] =
                    0;
    }
    return picture;
}

std::vector<TBitmap> IconImages(const std::string& Ico) {
    if (!IsValidIconData(reinterpret_cast<const std::uint8_t*>(Ico.data()), Ico.size()))
        return {};
    std::map<std::pair<int, int>, std::pair<unsigned, std::size_t>> best; // size: colours, index
    std::vector<TBitmap> images;
    for (const IconDirEntry& e : ReadIconDirectory(Ico)) {
        std::optional<TBitmap> picture = DecodeIconImage(Ico.substr(e.ImageOffset, e.BytesInRes));
        if (!picture)
            continue;
        const std::pair<int, int> size(picture->Width, picture->Height);
        const auto found = best.find(size);
        if (found == best.end()) {
            best[size] = {e.BitCount, images.size()};
            images.push_back(std::move(*picture));
        } else if (e.BitCount > found->second.first) {
            found->second.first = e.BitCount;
            images[found->second.second] = std::move(*picture);
        }
    }
    return images;
}

std::string EncodePng(const TBitmap& Picture) {
    if (Picture.Empty() ||
        Picture.Pixels.size() != std::size_t(Picture.Width) * std::size_t(Picture.Height) * 4)
        return std::string();
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(Picture.Width);
    image.height = png_uint_32(Picture.Height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, Picture.Pixels.data(), 0, nullptr))
        return std::string();
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, Picture.Pixels.data(), 0,
                                   nullptr))
        return std::string();
    out.resize(size);
    return out;
}

} // namespace quindle
