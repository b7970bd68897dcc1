// Data resources and the main icon of a real program file, changed through the kit on whatever
// the system keeps them in, and read back by the program itself.

#include "kit/ExeResources.h"
#include "kit/IconFile.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "tests/TestSupport.h"
#include "tests/kit/IconSamples.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using namespace quindle;
using namespace quindle::test;

namespace {

// Puts every icon image and group into Language.
void MoveIconsTo(ResourceContainer& C, std::uint16_t Language) {
    const std::vector<ResourceEntry> entries = C.Entries();
    for (const ResourceEntry& e : entries) {
        if (e.Type != RT_ICON && e.Type != RT_GROUP_ICON)
            continue;
        C.Remove(e.Type, e.Name, e.Language);
        C.Put({e.Type, Language, e.Name, e.Data});
    }
}

} // namespace

// A copy of a small real program that prints its own resources, with exactly a configuration
// and a main icon of three images.
class ResourceUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        CopyFile(RESOURCE_PROBE_PATH, exe);
        ResourceContainer c = LoadResourcesOk(exe);
        const std::vector<ResourceEntry> shipped = c.Entries();
        for (const ResourceEntry& e : shipped)
            c.Remove(e.Type, e.Name, e.Language);
        c.Put(
            {RT_RCDATA, LANG_NEUTRAL, ResourceName::Text("RES_CONFIG_INI"), "[INI]\r\ntitle=Old"});
        const std::string ico = MakeIcon({{16, 20}, {32, 30}, {48, 40}}, 'o');
        const auto images = ReadIconDirectory(ico);
        for (std::size_t i = 0; i < images.size(); ++i)
            c.Put({RT_ICON, LANG_ENGLISH_US, ResourceName::Id(std::uint16_t(i + 1)),
                   ico.substr(images[i].ImageOffset, images[i].BytesInRes)});
        c.Put({RT_GROUP_ICON, LANG_ENGLISH_US, ResourceName::Text("MAINICON"),
               BuildGroupIcon(0, 1, images)});
        ASSERT_NO_THROW(SaveExeResources(exe, c));
        WriteFile(dir / "main.ico", ico);
    }
    std::string Probe(const std::string& Names) { return RunAndCapture(exe, Names); }

    TempDir dir;
    std::string exe = SystemPath(dir / (std::string("runme") + ExeSuffix));
};

TEST_F(ResourceUpdateTest, DataResourcesAreReplacedOrAddedAndTheProgramStillRuns) {
    TKo::UpdateExeResource(exe, "RES_CONFIG_INI", "[INI]\r\ntitle=New");
    TKo::UpdateExeResource(exe, "res_splash", std::string("\x89PNG\0\1", 6));
    EXPECT_EQ(Probe("RES_CONFIG_INI RES_SPLASH"),
              "RES_CONFIG_INI=" + TKo::MD5Hex("[INI]\r\ntitle=New") +
                  "\nRES_SPLASH=" + TKo::MD5Hex(std::string("\x89PNG\0\1", 6)) + "\n");
    const auto c = LoadResourcesOk(exe);
    const ResourceEntry* e = c.Find(RT_RCDATA, ResourceName::Text("RES_SPLASH"), LANG_NEUTRAL);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Name.Name, "RES_SPLASH");
    // The icon went through untouched.
    EXPECT_NE(c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"), LANG_ENGLISH_US), nullptr);
    EXPECT_EQ(c.Entries().size(), 6u);
}

TEST_F(ResourceUpdateTest, TheRunningProgramSavesItsOwnResources) {
    const std::string saved = SystemPath(dir / "Saved.ini");
    EXPECT_EQ(Probe("--save res_config_ini \"" + saved + "\""), "saved\n");
    EXPECT_EQ(ReadFile(saved), "[INI]\r\ntitle=Old");
    const std::string nothing = SystemPath(dir / "x");
    EXPECT_EQ(Probe("--save RES_NOTHING \"" + nothing + "\""),
              "error: Resource RES_NOTHING not found\n");
    EXPECT_FALSE(PathExists(nothing));
    const std::string out =
        Probe("--save RES_CONFIG_INI \"" + SystemPath(dir / "no/folder/x") + "\"");
    EXPECT_EQ(out.rfind("error: Cannot create file", 0), 0u) << out;
}

TEST_F(ResourceUpdateTest, EmptyDataGivesAnEmptyResource) {
#ifdef _WIN32
    // Seen under Wine: its resource writer leaves out a resource of no bytes, whatever it is given.
    GTEST_SKIP() << "the system's resource writer keeps no empty resource";
#endif
    TKo::UpdateExeResource(exe, "RES_CONFIG_INI", "");
    EXPECT_EQ(Probe("RES_CONFIG_INI"), "RES_CONFIG_INI=" + TKo::MD5Hex("") + "\n");
}

TEST_F(ResourceUpdateTest, AReadOnlyProgramIsMadeWritableAndUpdated) {
    chmod(exe.c_str(), 0555);
    TKo::UpdateExeResource(exe, "RES_CONFIG_INI", "x");
    EXPECT_EQ(Probe("RES_CONFIG_INI"), "RES_CONFIG_INI=" + TKo::MD5Hex("x") + "\n");
    if (HasPermissionBits()) {
        EXPECT_EQ(FileMode(exe), 0755u);
    }
    // Nothing of the update is left beside the program.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, 2); // the program and the icon
}

TEST_F(ResourceUpdateTest, AMissingProgramIsNotCreated) {
    const std::string missing = SystemPath(dir / (std::string("missing") + ExeSuffix));
    TKo::UpdateExeResource(missing, "RES_CONFIG_INI", "x");
    TKo::UpdateExeIcon(missing, dir / "main.ico");
    EXPECT_FALSE(PathExists(missing));
}

TEST_F(ResourceUpdateTest, IconReplacementRebuildsTheGroupInEnglish) {
    const std::string ico = MakeIcon({{16, 11}, {32, 22}}, 'n');
    WriteFile(dir / "new.ico", ico);
    TKo::UpdateExeIcon(exe, dir / "new.ico");
    const auto c = LoadResourcesOk(exe);
    const ResourceEntry* group = c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Language, LANG_ENGLISH_US);
    EXPECT_EQ(group->Data, BuildGroupIcon(0, 1, ReadIconDirectory(ico)));
    // Images are taken one by one by position: the new first image, the old second one.
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(1), LANG_ENGLISH_US)->Data, std::string(11, 'n'));
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(2), LANG_ENGLISH_US)->Data, std::string(22, 'o'));
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(3)), nullptr); // the old third image is gone
    EXPECT_EQ(Probe("RES_CONFIG_INI"),
              "RES_CONFIG_INI=" + TKo::MD5Hex("[INI]\r\ntitle=Old") + "\n");
}

TEST_F(ResourceUpdateTest, AnIconInAnotherLanguageEndsUpOnlyInEnglish) {
    ResourceContainer c = LoadResourcesOk(exe);
    MoveIconsTo(c, 0x804);
    ASSERT_NO_THROW(SaveExeResources(exe, c));
    WriteFile(dir / "new.ico", MakeIcon({{16, 5}}, 'z'));
    TKo::UpdateExeIcon(exe, dir / "new.ico");
    const auto after = LoadResourcesOk(exe);
    for (const auto& e : after.Entries()) {
        if (e.Type == RT_ICON || e.Type == RT_GROUP_ICON) {
            EXPECT_EQ(e.Language, LANG_ENGLISH_US);
        }
    }
    EXPECT_EQ(after.Entries().size(), 3u); // config, group, one image
}

TEST_F(ResourceUpdateTest, AnIconWithNoImagesEmptiesTheGroup) {
    WriteFile(dir / "none.ico", MakeIcon({}));
    TKo::UpdateExeIcon(exe, dir / "none.ico");
    const auto c = LoadResourcesOk(exe);
    EXPECT_EQ(c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"))->Data.size(), 6u);
    EXPECT_EQ(c.Find(RT_ICON, ResourceName::Id(1)), nullptr);
}

TEST_F(ResourceUpdateTest, IconFileLimitsAndValidationMessages) {
    const std::string before = ReadFile(exe);
    std::string exact = MakeIcon({{16, 100}});
    exact.resize(1048576, '\0');
    WriteFile(dir / "exact.ico", exact);
    EXPECT_EQ(IconUpdateError(exe, dir / "exact.ico"), "no error");
    const std::string afterExact = ReadFile(exe);

    WriteFile(dir / "big.ico", exact + "x");
    EXPECT_EQ(IconUpdateError(exe, dir / "big.ico"),
              "Resource update error: Icon file is too large");
    WriteFile(dir / "short.ico", std::string("\0\0\1\0\1", 5));
    EXPECT_EQ(IconUpdateError(exe, dir / "short.ico"),
              "Resource update error: Icon file is invalid");
    WriteFile(dir / "mz.ico", "MZ" + std::string(100, 0));
    EXPECT_EQ(IconUpdateError(exe, dir / "mz.ico"), "Resource update error: Icon file is invalid");
    std::string past = MakeIcon({{16, 10}});
    WriteFile(dir / "past.ico", past.substr(0, past.size() - 1));
    EXPECT_EQ(IconUpdateError(exe, dir / "past.ico"),
              "Resource update error: Icon file is invalid");
    EXPECT_EQ(IconUpdateError(exe, dir / "missing.ico").rfind("EFileError: ", 0), 0u);
    EXPECT_EQ(ReadFile(exe), afterExact); // failures changed nothing
    EXPECT_NE(afterExact, before);
}

TEST_F(ResourceUpdateTest, AProgramWithoutMainIconIsLeftAlone) {
    ResourceContainer c = LoadResourcesOk(exe);
    c.Remove(RT_GROUP_ICON, ResourceName::Text("MAINICON"), LANG_ENGLISH_US);
    ASSERT_NO_THROW(SaveExeResources(exe, c));
    const std::string before = ReadFile(exe);
    EXPECT_EQ(IconUpdateError(exe, dir / "main.ico"),
              "Resource update error: FindResource failed (1)(" +
                  std::to_string(kResourceMissingCode) + ")");
    EXPECT_EQ(ReadFile(exe), before);
}
