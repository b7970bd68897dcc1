// What only the appended resource container has: the build's stamping tool writes it, a damaged
// one is recognised by its checksum, and the tool can be killed half way.

#include "kit/IconFile.h"
#include "kit/KoClass.h"
#include "kit/ResourceContainer.h"
#include "tests/TestSupport.h"
#include "tests/kit/IconSamples.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

using namespace quindle;
using namespace quindle::test;

// A copy of a small real program that prints its own resources, with a main icon.
class StampedResources : public ::testing::Test {
protected:
    void SetUp() override {
        CopyFile(RESOURCE_PROBE_PATH, exe);
        WriteFile(dir / "config.ini", "[INI]\r\ntitle=Old");
        WriteFile(dir / "main.ico", MakeIcon({{16, 20}, {32, 30}, {48, 40}}, 'o'));
        int rc = -1;
        RunAndCapture(QUINDLE_STAMP_PATH,
                      "'" + exe + "' --rcdata RES_CONFIG_INI=" + (dir / "config.ini") +
                          " --icon MAINICON=" + (dir / "main.ico"),
                      &rc);
        ASSERT_EQ(rc, 0);
    }
    std::string Probe(const std::string& names) { return RunAndCapture(exe, names); }

    TempDir dir;
    std::string exe = dir / "runme";
};

TEST_F(StampedResources, DamagedResourcesAreNeverWrittenTo) {
    std::string bytes = ReadFile(exe);
    bytes[bytes.size() - kResourceTrailerSize - 3] ^= 1;
    WriteFile(exe, bytes);
    TKo::UpdateExeResource(exe, "RES_CONFIG_INI", "x");
    EXPECT_EQ(ReadFile(exe), bytes);
    EXPECT_EQ(IconUpdateError(exe, dir / "main.ico"),
              "Resource update error: BeginUpdateResource failed (1)(" + std::to_string(EBADMSG) +
                  ")");
    EXPECT_EQ(ReadFile(exe), bytes);
    EXPECT_EQ(Probe("RES_CONFIG_INI"), "RES_CONFIG_INI=missing\n");
}

TEST_F(StampedResources, KillingTheUpdaterLeavesAllOldOrAllNew) {
    // Large new resources widen the window in which the updater can be caught mid-write.
    const std::string bigA(6 << 20, 'A'), bigB(3 << 20, 'B');
    WriteFile(dir / "a.bin", bigA);
    WriteFile(dir / "b.bin", bigB);
    const std::string oldSet = Probe("RES_CONFIG_INI RES_SPLASH");
    const std::string newSet =
        "RES_CONFIG_INI=" + TKo::MD5Hex(bigA) + "\nRES_SPLASH=" + TKo::MD5Hex(bigB) + "\n";
    std::mt19937 random(12345);
    int sawOld = 0, sawNew = 0;
    for (int round = 0; round < 25; ++round) {
        if (round > 0 && Probe("RES_CONFIG_INI RES_SPLASH") == newSet) {
            SetUp(); // back to the old resources
        }
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const std::string a = "RES_CONFIG_INI=" + (dir / "a.bin");
            const std::string b = "RES_SPLASH=" + (dir / "b.bin");
            execl(QUINDLE_STAMP_PATH, "quindle-stamp", exe.c_str(), "--rcdata", a.c_str(),
                  "--rcdata", b.c_str(), nullptr);
            _exit(127);
        }
        usleep(std::uniform_int_distribution<int>(0, 250000)(random));
        kill(pid, SIGKILL);
        int status;
        waitpid(pid, &status, 0);
        int rc = -1;
        const std::string seen = RunAndCapture(exe, "RES_CONFIG_INI RES_SPLASH", &rc);
        ASSERT_EQ(rc, 0) << "the program no longer runs after round " << round;
        ASSERT_TRUE(seen == oldSet || seen == newSet) << seen;
        (seen == oldSet ? sawOld : sawNew)++;
    }
    std::printf("killed updater: %d times old, %d times new\n", sawOld, sawNew);
}

TEST(ShippedProgram, CarriesItsResources) {
    ResourceContainer c;
    ASSERT_NO_THROW(c = ResourceContainer::Load(QUINDLE_PATH));
    auto data = [&](const char* name) {
        const ResourceEntry* e = c.Find(RT_RCDATA, ResourceName::Text(name), LANG_NEUTRAL);
        return e ? e->Data : std::string("<missing>");
    };
    EXPECT_EQ(data("RES_CONFIG_INI"), "[INI]\r\nfullscreen=0\r\ntitle=Quindle\r\nport=80\r\n"
                                      "ip=127.0.0.1\r\ncopyfilestoharddisk=0\r\nbrand=0");
    EXPECT_EQ(data("RES_AUTORUN"), "[autorun]\r\nicon=runme.exe\r\nopen=runme.exe\r\n");
    for (const char* splash : {"RES_SPLASH", "RES_CDSPLASH"}) {
        TBitmap bmp;
        TKo::LoadGraphicFromString(bmp, data(splash));
        EXPECT_EQ(bmp.Width, 424) << splash;
        EXPECT_EQ(bmp.Height, 222) << splash;
    }
    const std::string cd = data("RES_CD");
    ASSERT_TRUE(IsValidIconData(reinterpret_cast<const std::uint8_t*>(cd.data()), cd.size()));
    std::vector<std::pair<int, int>> sizes;
    for (const auto& e : ReadIconDirectory(cd))
        sizes.emplace_back(e.Width, e.BitCount);
    EXPECT_EQ(sizes,
              (std::vector<std::pair<int, int>>{
                  {32, 4}, {16, 4}, {48, 8}, {32, 8}, {16, 8}, {48, 32}, {32, 32}, {16, 32}}));

    const ResourceEntry* group =
        c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"), LANG_ENGLISH_US);
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(IconFileFromGroup(group->Data, [&](std::uint16_t id) -> const std::string* {
                    const ResourceEntry* e = c.Find(RT_ICON, ResourceName::Id(id), LANG_ENGLISH_US);
                    return e ? &e->Data : nullptr;
                }).has_value());
}
