// Resource updates of PE files as windres made them: the main icon comes back in US English with
// the old group and images gone in their old language, and a killed updater leaves the old file
// or the new one.

#include "kit/ExeResources.h"
#include "kit/IconFile.h"
#include "kit/KoClass.h"
#include "tests/TestSupport.h"
#include "tests/kit/IconSamples.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

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
    const ResourceContainer c = LoadResourcesOk(exe);
    const ResourceEntry* group = c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Language, 0x0407); // German, as the test resources give it
}

TEST_F(WindowsResourceUpdate, TheIconGroupIsRebuiltInUsEnglishAndTheOldLanguageIsGone) {
    const std::string ico = MakeIcon({{16, 11}, {32, 22}}, 'n');
    WriteFile(dir / "new.ico", ico);
    TKo::UpdateExeIcon(exe, dir / "new.ico");
    const ResourceContainer c = LoadResourcesOk(exe);
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

TEST_F(WindowsResourceUpdate, KillingTheUpdaterLeavesAllOldOrAllNew) {
    // A large configuration widens the window in which the updater can be caught mid-write.
    const std::string big(6 << 20, 'A');
    WriteFile(dir / "big.ini", big);
    const std::string oldSet = Probe("RES_CONFIG_INI");
    const std::string newSet = "RES_CONFIG_INI=" + TKo::MD5Hex(big) + "\n";
    std::mt19937 random(12345);
    int sawOld = 0, sawNew = 0;
    for (int round = 0; round < 15; ++round) {
        if (round > 0 && Probe("RES_CONFIG_INI") == newSet)
            CopyFile(RESOURCE_PROBE_PATH, exe); // back to the old resources
        const std::uint32_t updater = TKo::RunProgram(QUINDLE_PATH,
                                                      "/config \"" + SystemPath(exe) + "\" \"" +
                                                          SystemPath(dir / "big.ini") + "\"",
                                                      "", SW_HIDE);
        ASSERT_NE(updater, 0u);
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 400)(random)));
        TKo::KillProcess(updater);
        ASSERT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(updater)); }));
        int rc = -1;
        const std::string seen = RunAndCapture(exe, "RES_CONFIG_INI", &rc);
        ASSERT_EQ(rc, 0) << "the program no longer runs after round " << round;
        ASSERT_TRUE(seen == oldSet || seen == newSet) << seen;
        (seen == oldSet ? sawOld : sawNew)++;
    }
    std::printf("killed updater: %d times old, %d times new\n", sawOld, sawNew);
}
