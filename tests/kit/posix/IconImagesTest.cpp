// The pictures of the shipped icons, one by one, as a desktop's icon theme takes them.

#include "kit/IconFile.h"
#include "kit/IconImages.h"
#include "kit/PictureDecoders.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

TEST(IconImages, EverySizeOfTheShippedIconsDecodesAndComesBackFromItsPng) {
    const std::string main = ReadFile(QUINDLE_SOURCE_DIR "/resources/MainIcon.ico");
    const std::vector<TBitmap> images = IconImages(main);
    std::vector<int> sizes;
    for (const TBitmap& image : images) {
        sizes.push_back(image.Width);
        EXPECT_EQ(image.Width, image.Height);
        const std::string png = EncodePng(image);
        const auto back = DecodePng(reinterpret_cast<const std::uint8_t*>(png.data()), png.size());
        ASSERT_TRUE(back);
        EXPECT_EQ(back->Pixels, image.Pixels) << image.Width;
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64, 256}));
    // Transparent corners, opaque middle: the alpha of the colours counts.
    const TBitmap& small = images[0];
    EXPECT_LT(small.Pixels[3], 8);
    EXPECT_EQ(small.Pixels[(8 * 16 + 8) * 4 + 3], 255);

    // Three sizes in three colour depths each: one picture a size, and the mask of the
    // palette images cuts out what the alpha of the full-colour one does.
    const std::string cd = ReadFile(QUINDLE_SOURCE_DIR "/resources/CD.ico");
    ASSERT_EQ(IconImages(cd).size(), 3u);
    for (const IconDirEntry& e : ReadIconDirectory(cd)) {
        const auto image = DecodeIconImage(cd.substr(e.ImageOffset, e.BytesInRes));
        ASSERT_TRUE(image) << e.BitCount;
        EXPECT_EQ(image->Width, e.Width);
        EXPECT_LT(image->Pixels[3], 8) << "the corner of the " << e.BitCount << "-bit one";
    }
    EXPECT_FALSE(DecodeIconImage(main.substr(0, 30)));
    EXPECT_TRUE(IconImages("no icon").empty());
}
