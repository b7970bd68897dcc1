// JPEG decoding with libjpeg(-turbo). libjpeg reports fatal errors through error_exit, which
// must not return: it jumps back here, and the decoder is destroyed before we give up.

#include "kit/PictureDecoders.h"

#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace quindle {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void OnFatalError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// libjpeg pads a truncated picture with grey and only warns; a splash picture cut short is a
// damaged file, not a picture. Other warnings (stray bytes between markers) are harmless.
void OnMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Kept out of DecodeJpeg so that no object with a destructor lives across setjmp.
bool Decode(jpeg_decompress_struct& info, ErrorManager& errors, const std::uint8_t* data,
            std::size_t size, std::vector<std::uint8_t>& out, int& width, int& height) {
    if (setjmp(errors.jump))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    if (!PictureSizeAllowed(info.image_width, info.image_height))
        return false;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    width = int(info.output_width);
    height = int(info.output_height);
    if (info.output_components != 4 || !PictureSizeAllowed(width, height))
        return false;
    out.resize(std::size_t(width) * std::size_t(height) * 4);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.data() + std::size_t(info.output_scanline) * std::size_t(width) * 4;
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            return false;
    }
    if (cmyk)
        CmykToRgba(out, info.saw_Adobe_marker);
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

std::optional<TBitmap> DecodeJpeg(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 3 || Data[0] != 0xFF || Data[1] != 0xD8)
        return std::nullopt;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnFatalError;
    errors.pub.emit_message = OnMessage;
    std::vector<std::uint8_t> pixels;
    int width = 0, height = 0;
    const bool ok = Decode(info, errors, Data, Size, pixels, width, height);
    jpeg_destroy_decompress(&info);
    if (!ok)
        return std::nullopt;
    TBitmap picture;
    picture.Width = width;
    picture.Height = height;
    picture.Pixels = std::move(pixels);
    return picture;
}

} // namespace quindle
