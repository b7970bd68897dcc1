#include "kit/KoClass.h"
#include "tests/kit/PictureSamples.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <sstream>

using namespace quindle;
using namespace quindle::test;

namespace {

std::array<int, 4> Pixel(const TBitmap& b, int x, int y) {
    const std::uint8_t* p = &b.Pixels[(std::size_t(y) * std::size_t(b.Width) + std::size_t(x)) * 4];
    return {p[0], p[1], p[2], p[3]};
}

TBitmap Load(const std::string& data) {
    TBitmap b;
    b.Width = 1, b.Height = 1, b.Pixels.assign(4, 7); // a previous picture must not survive
    TKo::LoadGraphicFromString(b, data);
    return b;
}

bool Near(int a, int b) {
    return std::abs(a - b) <= 6;
}

} // namespace

TEST(Pictures, PngDecodesToExactPixels) {
    const TBitmap b = Load(MakePng(7, 5));
    ASSERT_EQ(b.Width, 7);
    ASSERT_EQ(b.Height, 5);
    EXPECT_EQ(Pixel(b, 6, 4), (std::array<int, 4>{60, 40, 100, 255}));
}

TEST(Pictures, JpegDecodesIncludingCmyk) {
    const TBitmap b = Load(MakeJpeg(16, 8));
    ASSERT_EQ(b.Width, 16);
    ASSERT_EQ(b.Height, 8);
    const auto p = Pixel(b, 8, 4);
    EXPECT_TRUE(Near(p[0], 80) && Near(p[1], 40) && Near(p[2], 100)) << p[0] << "," << p[1];
    EXPECT_EQ(p[3], 255);
    const auto red = Pixel(Load(MakeJpeg(8, 8, true)), 3, 3);
    EXPECT_TRUE(red[0] > 200 && red[1] < 40 && red[2] < 40) << red[0] << "," << red[1];
}

TEST(Pictures, BitmapsOfEveryDepthAndDirection) {
    for (int bpp : {24, 32}) {
        for (bool topDown : {false, true}) {
            const TBitmap b = Load(MakeBmp(5, 3, bpp, topDown));
            ASSERT_EQ(b.Width, 5) << bpp;
            EXPECT_EQ(Pixel(b, 4, 2), (std::array<int, 4>{40, 20, 100, 255})) << bpp << topDown;
            EXPECT_EQ(Pixel(b, 0, 0), (std::array<int, 4>{0, 0, 100, 255})) << bpp << topDown;
        }
    }
    for (int bpp : {1, 4, 8}) {
        const TBitmap b = Load(MakeBmp(9, 4, bpp));
        ASSERT_EQ(b.Width, 9) << bpp;
        const int colours = 1 << bpp;
        const int grey = ((3 + 2) % colours) * 16 & 0xFF;
        EXPECT_EQ(Pixel(b, 3, 2), (std::array<int, 4>{grey, grey, grey, 255})) << bpp;
    }
}

TEST(Pictures, TruncatedDataLeavesTheTargetEmpty) {
    for (const std::string& whole : {MakePng(40, 30), MakeJpeg(40, 30), MakeBmp(40, 30, 24)}) {
        for (std::size_t keep :
             {std::size_t(0), std::size_t(2), whole.size() / 3, whole.size() - 20}) {
            const TBitmap b = Load(whole.substr(0, keep));
            EXPECT_TRUE(b.Empty()) << keep << " of " << whole.size();
            EXPECT_TRUE(b.Pixels.empty());
        }
    }
    // A JPEG without its end marker: decoders pad such a picture and only warn.
    const std::string jpeg = MakeJpeg(40, 30);
    EXPECT_TRUE(Load(jpeg.substr(0, jpeg.size() - 2)).Empty());
    EXPECT_FALSE(Load(jpeg + std::string(10, '\0')).Empty()); // padding after the end is harmless
}

TEST(Pictures, RandomBytesLeaveTheTargetEmpty) {
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        std::string data(std::size_t(random() % 2000), '\0');
        for (auto& c : data)
            c = char(random());
        if (i % 3 == 0 && data.size() > 2)
            data[0] = 'B', data[1] = 'M';
        if (i % 3 == 1 && data.size() > 2)
            data[0] = char(0xFF), data[1] = char(0xD8);
        EXPECT_TRUE(Load(data).Empty());
    }
}

TEST(Pictures, HugeClaimedSizesAreRefusedWithoutDecoding) {
    std::string bmp = MakeBmp(4, 4, 24);
    bmp[18] = char(0xA0), bmp[19] = char(0x86), bmp[20] = 1; // width 100000
    EXPECT_TRUE(Load(bmp).Empty());
    std::string png = MakePng(4, 4);
    // IHDR width at byte 16; the CRC no longer fits either, so libpng refuses it twice over.
    png[16] = 0x7F;
    EXPECT_TRUE(Load(png).Empty());
    // A chunk claiming more bytes than the file holds, found by the fuzzer: refused before
    // libpng allocates the claimed 1.9 GB.
    std::string damaged = MakePng(4, 4);
    damaged.insert(33, std::string("\x72\x65\x00\x25tEXtdate", 12));
    EXPECT_TRUE(Load(damaged).Empty());
    // The undamaged picture still decodes.
    EXPECT_FALSE(Load(MakePng(4, 4)).Empty());
}

TEST(Pictures, StreamsAreReadFromTheStart) {
    std::stringstream s(MakePng(3, 2));
    s.seekg(10);
    TBitmap b;
    TKo::LoadGraphicFromStream(b, s);
    EXPECT_EQ(b.Width, 3);
    EXPECT_EQ(b.Height, 2);
}
