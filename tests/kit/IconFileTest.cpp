#include "kit/IconFile.h"
#include "tests/kit/IconSamples.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {
bool Valid(const std::string& s) {
    return IsValidIconData(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}
} // namespace

TEST(IconValidation, TheRulesAndNothingMore) {
    EXPECT_TRUE(Valid(MakeIcon({{16, 40}, {32, 100}})));
    EXPECT_TRUE(Valid(MakeIcon({})));        // no images at all
    EXPECT_TRUE(Valid(MakeIcon({{16, 0}}))); // an empty image
    std::string odd = MakeIcon({{16, 10}});
    odd[0] = 7, odd[2] = 9; // reserved and type words are not looked at
    EXPECT_TRUE(Valid(odd));

    EXPECT_FALSE(Valid(std::string("\0\0\1\0\0", 5)));
    std::string mz = MakeIcon({{16, 10}});
    mz[0] = 'M', mz[1] = 'Z';
    EXPECT_FALSE(Valid(mz));
    std::string tooMany = MakeIcon({{16, 10}});
    tooMany[4] = 3; // claims three directory entries, holds one
    EXPECT_FALSE(Valid(tooMany));
    std::string pastEnd = MakeIcon({{16, 10}});
    EXPECT_FALSE(Valid(pastEnd.substr(0, pastEnd.size() - 1)));
    std::string overflow = MakeIcon({{16, 10}});
    for (int i = 0; i < 4; ++i)
        overflow[6 + 12 + i] = char(0xFF); // offset + size wraps around 32 bits
    EXPECT_FALSE(Valid(overflow));
}

TEST(GroupIcon, LayoutAndRoundTrip) {
    const std::string ico = MakeIcon({{16, 40}, {32, 100}, {0, 300}});
    const auto entries = ReadIconDirectory(ico);
    const std::string group = BuildGroupIcon(0, 1, entries);
    ASSERT_EQ(group.size(), 6u + 14u * 3u);
    EXPECT_EQ(group[4], 3);
    EXPECT_EQ(std::uint8_t(group[6 + 14 * 1]), 32);     // width of image 2
    EXPECT_EQ(std::uint8_t(group[6 + 14 * 2 + 12]), 3); // id of image 3
    EXPECT_EQ(std::uint8_t(group[6 + 14 * 2 + 8]), 300 & 0xFF);

    const std::optional<TGroupIcon> back = ReadGroupIcon(group);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->ReservedWord, 0);
    EXPECT_EQ(back->TypeWord, 1);
    ASSERT_EQ(back->Entries.size(), 3u);

    const std::optional<std::string> rebuilt =
        IconFileFromGroup(group, [&](std::uint16_t id) -> const std::string* {
            static std::string img;
            img = ico.substr(entries[id - 1].ImageOffset, entries[id - 1].BytesInRes);
            return &img;
        });
    ASSERT_TRUE(rebuilt.has_value());
    EXPECT_EQ(*rebuilt, ico);
    EXPECT_FALSE(IconFileFromGroup(group, [](std::uint16_t) { return nullptr; }).has_value());
    EXPECT_FALSE(ReadGroupIcon(group.substr(0, 20)).has_value());
}
