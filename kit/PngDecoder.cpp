// PNG decoding with libpng's simplified API, which keeps libpng's own error recovery inside
// libpng: a damaged file only sets a failure flag.

#include "kit/PictureDecoders.h"

#include <png.h>

namespace quindle {

bool DecodePng(const std::uint8_t* Data, std::size_t Size, TBitmap& Target) {
    if (Size < 8 || png_sig_cmp(Data, 0, 8) != 0)
        return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, Data, Size))
        return false;
    if (!PictureSizeAllowed(image.width, image.height)) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    Target.Width = int(image.width);
    Target.Height = int(image.height);
    Target.Pixels = std::move(pixels);
    png_image_free(&image);
    return true;
}

} // namespace quindle
