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
    ResourceContainer c;
    EXPECT_EQ(ResourceContainer::Parse("\x7f"
                                       "ELF plain program bytes",
                                       c),
              ContainerState::Ok);
    EXPECT_TRUE(c.Entries().empty());
    EXPECT_EQ(c.ExecutableSize(), 24u);
    EXPECT_EQ(ResourceContainer::Parse("", c), ContainerState::Ok);
}

TEST(ResourceContainer, RoundTripKeepsEveryEntryAndTheProgramBytes) {
    const std::string program = "\x7f"
                                "ELF....program";
    const std::string file = program + Sample().Serialize();
    ResourceContainer c;
    ASSERT_EQ(ResourceContainer::Parse(file, c), ContainerState::Ok);
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
    ResourceContainer c;

    std::string flipped = good;
    flipped[program.size() + 10] ^= 0x40; // inside the entries: the checksum no longer fits
    EXPECT_EQ(ResourceContainer::Parse(flipped, c), ContainerState::Damaged);
    EXPECT_TRUE(c.Entries().empty());

    std::string hugeSize = good;
    hugeSize[hugeSize.size() - 2] = char(0x7F); // entries larger than the file
    EXPECT_EQ(ResourceContainer::Parse(hugeSize, c), ContainerState::Damaged);

    std::string wrongCount = good;
    wrongCount[good.size() - kResourceTrailerSize + 8] = 9;
    EXPECT_EQ(ResourceContainer::Parse(wrongCount, c), ContainerState::Damaged);

    // Cut at the front: the trailer still claims more bytes than are left.
    EXPECT_EQ(ResourceContainer::Parse(good.substr(good.size() - kResourceTrailerSize - 5), c),
              ContainerState::Damaged);
}

TEST(ResourceContainer, SaveAndLoadThroughFiles) {
    TempDir dir;
    const std::string exe = dir / "prog";
    WriteFile(exe, "PROGRAM-BYTES");
    ResourceContainer c;
    int code = -1;
    ASSERT_EQ(ResourceContainer::Load(exe, c, code), ContainerState::Ok);
    EXPECT_EQ(code, 0);
    c.Put({RT_RCDATA, LANG_NEUTRAL, ResourceName::Text("A"), "1"});
    ASSERT_EQ(c.Save(exe, exe), 0);
    ASSERT_EQ(ResourceContainer::Load(exe, c, code), ContainerState::Ok);
    c.Put({RT_RCDATA, LANG_NEUTRAL, ResourceName::Text("A"), "22"});
    ASSERT_EQ(c.Save(exe, exe), 0);
    const std::string bytes = ReadFile(exe);
    EXPECT_EQ(bytes.substr(0, 13), "PROGRAM-BYTES"); // resources replaced, never stacked
    ResourceContainer again;
    ASSERT_EQ(ResourceContainer::Load(exe, again, code), ContainerState::Ok);
    EXPECT_EQ(again.ExecutableSize(), 13u);
    EXPECT_EQ(again.Find(RT_RCDATA, ResourceName::Text("a"))->Data, "22");

    EXPECT_EQ(ResourceContainer::Load(dir / "missing", c, code), ContainerState::Unreadable);
    EXPECT_EQ(code, ENOENT);
}
