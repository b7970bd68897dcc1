#include "tests/kit/PictureSamples.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace quindle::test {

std::string MakePng(int width, int height) {
    std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgba[(std::size_t(y) * width + x) * 4];
            p[0] = std::uint8_t(x * 10), p[1] = std::uint8_t(y * 10), p[2] = 100, p[3] = 255;
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = std::uint32_t(width);
    image.height = std::uint32_t(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr))
        throw std::runtime_error("png encode");
    out.resize(size);
    return out;
}

std::string MakeJpeg(int width, int height, bool cmyk) {
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = cmyk ? 4 : 3;
    info.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(std::size_t(width) * info.input_components);
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &row[std::size_t(x) * info.input_components];
            if (cmyk) {
                // Red in Adobe's inverted convention, which libjpeg marks with an Adobe marker.
                p[0] = 255, p[1] = 0, p[2] = 0, p[3] = 255;
            } else {
                p[0] = std::uint8_t(x * 10), p[1] = std::uint8_t(y * 10), p[2] = 100;
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    std::string out(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
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
