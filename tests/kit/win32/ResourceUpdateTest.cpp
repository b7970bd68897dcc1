// Resource updates of real PE files: data resources, the main icon in US English with the old
// group and images gone in their old language, failures that leave the file as it was.

#include "kit/ExeResources.h"
#include "kit/IconFile.h"
#include "kit/KoClass.h"
#include "tests/TestSupport.h"
#include "tests/kit/IconSamples.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using namespace quindle;
using namespace quindle::test;

namespace {

ResourceContainer LoadOk(const std::string& Exe) {
    ResourceContainer c;
    int code = 0;
    EXPECT_EQ(LoadExeResources(Exe, c, code), ContainerState::Ok) << code;
    return c;
}

std::size_t Count(const ResourceContainer& C, std::uint16_t Type) {
    std::size_t n = 0;
    for (const ResourceEntry& e : C.Entries())
        n += e.Type == Type;
    return n;
}

} // namespace

class WindowsResourceUpdate : public ::testing::Test {
protected:
    void SetUp() override { CopyFile(RESOURCE_PROBE_PATH, exe); }
    std::string Probe(const std::string& Name) { return RunAndCapture(exe, Name); }
    TempDir dir;
    std::string exe = dir / "probe.exe";
};

TEST_F(WindowsResourceUpdate, TheProgramReadsItsOwnResources) {
    EXPECT_EQ(Probe("RES_CONFIG_INI"),
              "RES_CONFIG_INI=" + TKo::MD5Hex("[INI]\r\ntitle=Old") + "\n");
    EXPECT_EQ(Probe("RES_SPLASH"), "RES_SPLASH=missing\n");
    const ResourceContainer c = LoadOk(exe);
    const ResourceEntry* group = c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Language, 0x0407); // German, as the test resources give it
}

TEST_F(WindowsResourceUpdate, DataResourcesAreReplacedOrAddedAndTheProgramStillRuns) {
    TKo::UpdateExeResource(exe, "RES_CONFIG_INI", "[INI]\r\ntitle=New");
    TKo::UpdateExeResource(exe, "res_splash", std::string("\x89PNG\0\1", 6));
    EXPECT_EQ(Probe("RES_CONFIG_INI"),
              "RES_CONFIG_INI=" + TKo::MD5Hex("[INI]\r\ntitle=New") + "\n");
    EXPECT_EQ(Probe("RES_SPLASH"),
              "RES_SPLASH=" + TKo::MD5Hex(std::string("\x89PNG\0\1", 6)) + "\n");
    // The icon is still there, untouched.
    EXPECT_NE(LoadOk(exe).Find(RT_GROUP_ICON, ResourceName::Text("MAINICON")), nullptr);
}

TEST_F(WindowsResourceUpdate, TheIconGroupIsRebuiltInUsEnglishAndTheOldLanguageIsGone) {
    const std::string ico = MakeIcon({{16, 11}, {32, 22}}, 'n');
    WriteFile(dir / "new.ico", ico);
    TKo::UpdateExeIcon(exe, dir / "new.ico");
    const ResourceContainer c = LoadOk(exe);
    EXPECT_EQ(Count(c, RT_GROUP_ICON), 1u);
    const ResourceEntry* group = c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Language, LANG_ENGLISH_US);
    EXPECT_EQ(group->Data, BuildGroupIcon(0, 1, ReadIconDirectory(ico)));
    EXPECT_EQ(Count(c, RT_ICON), 2u); // the old images are gone, whatever their number
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(1), LANG_ENGLISH_US)->Data, std::string(11, 'n'));
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(2), LANG_ENGLISH_US)->Data, std::string(22, 'o'));
    EXPECT_EQ(Probe("RES_CONFIG_INI"),
              "RES_CONFIG_INI=" + TKo::MD5Hex("[INI]\r\ntitle=Old") + "\n");
}

TEST_F(WindowsResourceUpdate, ABadIconLeavesTheFileByteForByte) {
    const std::string before = ReadFile(exe);
    WriteFile(dir / "bad.ico", "not an icon at all");
    try {
        TKo::UpdateExeIcon(exe, dir / "bad.ico");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Resource update error: Icon file is invalid");
    }
    EXPECT_EQ(ReadFile(exe), before);
}

TEST_F(WindowsResourceUpdate, AReadOnlyProgramIsMadeWritableAndAMissingOneIsNotMade) {
    chmod(exe.c_str(), 0444);
    TKo::UpdateExeResource(exe, "RES_CONFIG_INI", "x");
    EXPECT_EQ(Probe("RES_CONFIG_INI"), "RES_CONFIG_INI=" + TKo::MD5Hex("x") + "\n");
    TKo::UpdateExeResource(dir / "missing.exe", "RES_CONFIG_INI", "x");
    EXPECT_FALSE(PathExists(dir / "missing.exe"));
    // Nothing of the update is left beside the program.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, 1);
}
