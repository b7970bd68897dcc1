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

namespace {

ResourceContainer LoadOk(const std::string& exe) {
    ResourceContainer c;
    int code;
    EXPECT_EQ(ResourceContainer::Load(exe, c, code), ContainerState::Ok);
    return c;
}

std::string IconError(const std::string& exe, const std::string& ico) {
    try {
        ReplaceMainIcon(exe, ico);
    } catch (const EFileError& e) {
        return std::string("EFileError: ") + e.what();
    } catch (const Exception& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

// A copy of a small real program that prints its own resources, with a main icon.
class ResourceUpdateTest : public ::testing::Test {
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

TEST_F(ResourceUpdateTest, DataResourceIsReplacedAndTheProgramStillRuns) {
    TKo::UpdateExeResource(exe, "RES_CONFIG_INI", "[INI]\r\ntitle=New");
    TKo::UpdateExeResource(exe, "res_splash", std::string("\x89PNG\0data", 9));
    EXPECT_EQ(Probe("RES_CONFIG_INI RES_SPLASH"),
              "RES_CONFIG_INI=" + TKo::MD5Hex("[INI]\r\ntitle=New") +
                  "\nRES_SPLASH=" + TKo::MD5Hex(std::string("\x89PNG\0data", 9)) + "\n");
    const auto c = LoadOk(exe);
    const ResourceEntry* e = c.Find(RT_RCDATA, ResourceName::Text("RES_SPLASH"), LANG_NEUTRAL);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Name.Name, "RES_SPLASH");
    // The icon went through untouched.
    EXPECT_NE(c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"), LANG_ENGLISH_US), nullptr);
    EXPECT_EQ(c.Entries().size(), 6u);
}

TEST_F(ResourceUpdateTest, RunningProgramSavesItsOwnResources) {
    EXPECT_EQ(Probe("--save res_config_ini '" + (dir / "Saved.ini") + "'"), "saved\n");
    EXPECT_EQ(ReadFile(dir / "Saved.ini"), "[INI]\r\ntitle=Old");
    EXPECT_EQ(Probe("--save RES_NOTHING '" + (dir / "x") + "'"),
              "error: Resource RES_NOTHING not found\n");
    EXPECT_FALSE(PathExists(dir / "x"));
    const std::string out = Probe("--save RES_CONFIG_INI '" + (dir / "no/folder/x") + "'");
    EXPECT_EQ(out.rfind("error: Cannot create file", 0), 0u) << out;
}

TEST_F(ResourceUpdateTest, EmptyDataGivesAnEmptyResource) {
    TKo::UpdateExeResource(exe, "RES_CONFIG_INI", "");
    EXPECT_EQ(Probe("RES_CONFIG_INI"), "RES_CONFIG_INI=" + TKo::MD5Hex("") + "\n");
}

TEST_F(ResourceUpdateTest, ReadOnlyProgramIsMadeWritableAndUpdated) {
    chmod(exe.c_str(), 0555);
    TKo::UpdateExeResource(exe, "RES_CONFIG_INI", "x");
    EXPECT_EQ(Probe("RES_CONFIG_INI"), "RES_CONFIG_INI=" + TKo::MD5Hex("x") + "\n");
    EXPECT_EQ(FileMode(exe), 0755u);
}

TEST_F(ResourceUpdateTest, MissingProgramIsNotCreated) {
    TKo::UpdateExeResource(dir / "missing", "RES_CONFIG_INI", "x");
    TKo::UpdateExeIcon(dir / "missing", dir / "main.ico");
    EXPECT_FALSE(PathExists(dir / "missing"));
}

TEST_F(ResourceUpdateTest, DamagedResourcesAreNeverWrittenTo) {
    std::string bytes = ReadFile(exe);
    bytes[bytes.size() - kResourceTrailerSize - 3] ^= 1;
    WriteFile(exe, bytes);
    TKo::UpdateExeResource(exe, "RES_CONFIG_INI", "x");
    EXPECT_EQ(ReadFile(exe), bytes);
    EXPECT_EQ(IconError(exe, dir / "main.ico"),
              "Resource update error: BeginUpdateResource failed (1)(" + std::to_string(EBADMSG) +
                  ")");
    EXPECT_EQ(ReadFile(exe), bytes);
    EXPECT_EQ(Probe("RES_CONFIG_INI"), "RES_CONFIG_INI=missing\n");
}

TEST_F(ResourceUpdateTest, IconReplacementRebuildsTheGroupInEnglish) {
    const std::string ico = MakeIcon({{16, 11}, {32, 22}}, 'n');
    WriteFile(dir / "new.ico", ico);
    TKo::UpdateExeIcon(exe, dir / "new.ico");
    const auto c = LoadOk(exe);
    const ResourceEntry* group = c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Language, LANG_ENGLISH_US);
    EXPECT_EQ(group->Data, BuildGroupIcon(0, 1, ReadIconDirectory(ico)));
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(1), LANG_ENGLISH_US)->Data, std::string(11, 'n'));
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(2), LANG_ENGLISH_US)->Data, std::string(22, 'o'));
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(3)), nullptr); // the old third image is gone
    EXPECT_EQ(Probe("RES_CONFIG_INI"),
              "RES_CONFIG_INI=" + TKo::MD5Hex("[INI]\r\ntitle=Old") + "\n");
}

TEST_F(ResourceUpdateTest, IconInAnotherLanguageEndsUpOnlyInEnglish) {
    ResourceContainer c = LoadOk(exe);
    const std::string group = c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"))->Data;
    c.Remove(RT_GROUP_ICON, ResourceName::Text("MAINICON"), LANG_ENGLISH_US);
    c.Put({RT_GROUP_ICON, 0x804, ResourceName::Text("MAINICON"), group});
    for (std::uint16_t id = 1; id <= 3; ++id) {
        const std::string img = c.Find(RT_ICON, ResourceName::Id(id))->Data;
        c.Remove(RT_ICON, ResourceName::Id(id), LANG_ENGLISH_US);
        c.Put({RT_ICON, 0x804, ResourceName::Id(id), img});
    }
    ASSERT_EQ(c.Save(exe, exe), 0);
    WriteFile(dir / "new.ico", MakeIcon({{16, 5}}, 'z'));
    TKo::UpdateExeIcon(exe, dir / "new.ico");
    const auto after = LoadOk(exe);
    for (const auto& e : after.Entries()) {
        if (e.Type == RT_ICON || e.Type == RT_GROUP_ICON) {
            EXPECT_EQ(e.Language, LANG_ENGLISH_US);
        }
    }
    EXPECT_EQ(after.Entries().size(), 3u); // config, group, one image
}

TEST_F(ResourceUpdateTest, IconWithNoImagesEmptiesTheGroup) {
    WriteFile(dir / "none.ico", MakeIcon({}));
    TKo::UpdateExeIcon(exe, dir / "none.ico");
    const auto c = LoadOk(exe);
    EXPECT_EQ(c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"))->Data.size(), 6u);
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(1)), nullptr);
}

TEST_F(ResourceUpdateTest, IconFileLimitsAndValidationMessages) {
    const std::string before = ReadFile(exe);
    std::string exact = MakeIcon({{16, 100}});
    exact.resize(1048576, '\0');
    WriteFile(dir / "exact.ico", exact);
    EXPECT_EQ(IconError(exe, dir / "exact.ico"), "no error");
    const std::string afterExact = ReadFile(exe);

    WriteFile(dir / "big.ico", exact + "x");
    EXPECT_EQ(IconError(exe, dir / "big.ico"), "Resource update error: Icon file is too large");
    WriteFile(dir / "short.ico", std::string("\0\0\1\0\1", 5));
    EXPECT_EQ(IconError(exe, dir / "short.ico"), "Resource update error: Icon file is invalid");
    WriteFile(dir / "mz.ico", "MZ" + std::string(100, 0));
    EXPECT_EQ(IconError(exe, dir / "mz.ico"), "Resource update error: Icon file is invalid");
    std::string past = MakeIcon({{16, 10}});
    WriteFile(dir / "past.ico", past.substr(0, past.size() - 1));
    EXPECT_EQ(IconError(exe, dir / "past.ico"), "Resource update error: Icon file is invalid");
    EXPECT_EQ(IconError(exe, dir / "missing.ico").rfind("EFileError: ", 0), 0u);
    EXPECT_EQ(ReadFile(exe), afterExact); // failures changed nothing
    EXPECT_NE(afterExact, before);
}

TEST_F(ResourceUpdateTest, ProgramWithoutMainIconIsLeftAlone) {
    ResourceContainer c = LoadOk(exe);
    c.Remove(RT_GROUP_ICON, ResourceName::Text("MAINICON"), LANG_ENGLISH_US);
    ASSERT_EQ(c.Save(exe, exe), 0);
    const std::string before = ReadFile(exe);
    EXPECT_EQ(IconError(exe, dir / "main.ico"),
              "Resource update error: FindResource failed (1)(" + std::to_string(ENOENT) + ")");
    EXPECT_EQ(ReadFile(exe), before);
}

TEST_F(ResourceUpdateTest, KillingTheUpdaterLeavesAllOldOrAllNew) {
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
    int code;
    ASSERT_EQ(ResourceContainer::Load(QUINDLE_PATH, c, code), ContainerState::Ok);
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
    std::string ico;
    EXPECT_TRUE(IconFileFromGroup(
        group->Data,
        [&](std::uint16_t id) -> const std::string* {
            const ResourceEntry* e = c.Find(RT_ICON, ResourceName::Id(id), LANG_ENGLISH_US);
            return e ? &e->Data : nullptr;
        },
        ico));
}
