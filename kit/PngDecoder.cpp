// PNG decoding with libpng's simplified API, which keeps libpng's own error recovery inside
// libpng: a damaged file only sets a failure flag.

#include "kit/PictureDecoders.h"

#include <png.h>

namespace quindle {
namespace {

// Every chunk up to the end lies inside the data. libpng allocates what a chunk's length claims
// before it reads the chunk, so one damaged length would cost up to 2 GB of memory to find out.
bool ChunksFit(const std::uint8_t* Data, std::size_t Size) {
    std::size_t at = 8;
    while (Size - at >= 8) {
        const std::size_t length = (std::size_t(Data[at]) << 24) |
                                   (std::size_t(Data[at + 1]) << 16) |
                                   (std::size_t(Data[at + 2]) << 8) | Data[at + 3];
        if (length > Size - at - 8 || Size - at - 8 - length < 4) // the data, then the check sum
            return false;
        if (Data[at + 4] == 'I' && Data[at + 5] == 'E' && Data[at + 6] == 'N' &&
            Data[at + 7] == 'D')
            return true;
        at += 12 + length;
    }
    return true;
}

} // namespace

std::optional<TBitmap> DecodePng(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 8 || png_sig_cmp(Data, 0, 8) != 0 || !ChunksFit(Data, Size))
        return std::nullopt;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, Data, Size))
        return std::nullopt;
    if (!PictureSizeAllowed(image.width, image.height)) {
        png_image_free(&image);
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    TBitmap picture;
    picture.Width = int(image.width);
    picture.Height = int(image.height);
    picture.Pixels = std::move(pixels);
    png_image_free(&image);
    return picture;
}

} // namespace quindle
