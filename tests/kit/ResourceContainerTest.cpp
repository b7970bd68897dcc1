#include "kit/ResourceContainer.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

ResourceContainer Sample() {
    ResourceContainer c;
    c.Put({RT_RCDATA, LANG_NEUTRAL, ResourceName::Text("RES_CONFIG_INI"), "[INI]\r\nport=80"});
    c.Put({RT_ICON, LANG_ENGLISH_US, ResourceName::Id(1), std::string("\0\1\2", 3)});
    c.Put({RT_RCDATA, LANG_NEUTRAL, ResourceName::Text("EMPTY"), ""});
    return c;
}

} // namespace

TEST(ResourceContainer, NoTrailerMeansNoResources) {
    const auto c = ResourceContainer::Parse("\x7f"
                                            "ELF plain program bytes");
    ASSERT_TRUE(c.has_value());
    EXPECT_TRUE(c->Entries().empty());
    EXPECT_EQ(c->ExecutableSize(), 24u);
    EXPECT_TRUE(ResourceContainer::Parse("").has_value());
}

TEST(ResourceContainer, RoundTripKeepsEveryEntryAndTheProgramBytes) {
    const std::string program = "\x7f"
                                "ELF....program";
    const std::string file = program + Sample().Serialize();
    const auto parsed = ResourceContainer::Parse(file);
    ASSERT_TRUE(parsed.has_value());
    const ResourceContainer& c = *parsed;
    EXPECT_EQ(c.ExecutableSize(), program.size());
    ASSERT_EQ(c.Entries().size(), 3u);
    EXPECT_EQ(c.Find(RT_RCDATA, ResourceName::Text("res_config_ini"))->Data, "[INI]\r\nport=80");
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(1), LANG_ENGLISH_US)->Data.size(), 3u);
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(1), LANG_NEUTRAL), nullptr);
    EXPECT_EQ(c.Find(RT_RCDATA, ResourceName::Text("EMPTY"))->Data, "");
    EXPECT_EQ(c.Find(RT_RCDATA, ResourceName::Id(1)), nullptr); // ids and texts never meet
}

TEST(ResourceContainer, PutReplacesOnlyTheSameTypeNameAndLanguage) {
    ResourceContainer c = Sample();
    c.Put({RT_RCDATA, LANG_NEUTRAL, ResourceName::Text("res_config_ini"), "new"});
    c.Put({RT_RCDATA, LANG_ENGLISH_US, ResourceName::Text("RES_CONFIG_INI"), "other language"});
    EXPECT_EQ(c.Entries().size(), 4u);
    EXPECT_EQ(c.Find(RT_RCDATA, ResourceName::Text("RES_CONFIG_INI"))->Data, "new");
    EXPECT_TRUE(c.Remove(RT_RCDATA, ResourceName::Text("RES_CONFIG_INI"), LANG_ENGLISH_US));
    EXPECT_FALSE(c.Remove(RT_RCDATA, ResourceName::Text("RES_CONFIG_INI"), LANG_ENGLISH_US));
}

TEST(ResourceContainer, DamageIsDetectedNeverReadAround) {
    const std::string program = "program";
    const std::string good = program + Sample().Serialize();

    std::string flipped = good;
    flipped[program.size() + 10] ^= 0x40; // inside the entries: the checksum no longer fits
    EXPECT_FALSE(ResourceContainer::Parse(flipped).has_value());

    std::string hugeSize = good;
    hugeSize[hugeSize.size() - 2] = char(0x7F); // entries larger than the file
    EXPECT_FALSE(ResourceContainer::Parse(hugeSize).has_value());

    std::string wrongCount = good;
    wrongCount[good.size() - kResourceTrailerSize + 8] = 9;
    EXPECT_FALSE(ResourceContainer::Parse(wrongCount).has_value());

    // Cut at the front: the trailer still claims more bytes than are left.
    EXPECT_FALSE(
        ResourceContainer::Parse(good.substr(good.size() - kResourceTrailerSize - 5)).has_value());
}

TEST(ResourceContainer, SaveAndLoadThroughFiles) {
    TempDir dir;
    const std::string exe = dir / "prog";
    WriteFile(exe, "PROGRAM-BYTES");
    ResourceContainer c;
    ASSERT_NO_THROW(c = ResourceContainer::Load(exe));
    c.Put({RT_RCDATA, LANG_NEUTRAL, ResourceName::Text("A"), "1"});
    ASSERT_NO_THROW(c.Save(exe, exe));
    ASSERT_NO_THROW(c = ResourceContainer::Load(exe));
    c.Put({RT_RCDATA, LANG_NEUTRAL, ResourceName::Text("A"), "22"});
    ASSERT_NO_THROW(c.Save(exe, exe));
    const std::string bytes = ReadFile(exe);
    EXPECT_EQ(bytes.substr(0, 13), "PROGRAM-BYTES"); // resources replaced, never stacked
    ResourceContainer again;
    ASSERT_NO_THROW(again = ResourceContainer::Load(exe));
    EXPECT_EQ(again.ExecutableSize(), 13u);
    EXPECT_EQ(again.Find(RT_RCDATA, ResourceName::Text("a"))->Data, "22");

    try {
        ResourceContainer::Load(dir / "missing");
        ADD_FAILURE() << "a missing file was read";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.ErrorCode, ENOENT);
    }
}
