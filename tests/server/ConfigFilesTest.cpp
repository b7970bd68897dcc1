#include "server/ConfigFiles.h"
#include "kit/KoClass.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

TEST(ConfigRules, FlagIsOffOnlyForExactlyZero) {
    EXPECT_FALSE(IsFlagOn("0"));
    for (const char* on : {"", "1", "no", " 0", "0 ", "00", "false"})
        EXPECT_TRUE(IsFlagOn(on)) << on;
}

TEST(ConfigRules, AddressAndTitleAndPort) {
    EXPECT_TRUE(IsLoopbackOnly("127.0.0.1"));
    for (const char* all : {"all", "localhost", "", " 127.0.0.1", "0.0.0.0"}) {
        EXPECT_FALSE(IsLoopbackOnly(all)) << all;
        EXPECT_EQ(ListenAddress(all), "0.0.0.0");
    }
    EXPECT_EQ(ListenAddress("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(ConfigTitle("   "), "Quindle");
    EXPECT_EQ(ConfigTitle(" My Shop "), "My Shop");
    EXPECT_EQ(ParsePort("8080"), 8080);
    EXPECT_EQ(ParsePort("80a"), std::nullopt);
    EXPECT_EQ(ParsePort(""), std::nullopt);
    EXPECT_EQ(HomeAddress(81), "http://127.0.0.1:81");
}

TEST(ConfigRules, ShippedConfigurationMeansTheDefaults) {
    const std::string file = QUINDLE_SOURCE_DIR "/resources/Config.ini";
    auto key = [&](const char* k) { return TKo::ReadIniString(file, kConfigSection, k); };
    EXPECT_EQ(ConfigTitle(key("title")), "Quindle");
    EXPECT_EQ(ParsePort(key("port")), 80);
    EXPECT_TRUE(IsLoopbackOnly(key("ip")));
    EXPECT_FALSE(IsFlagOn(key("fullscreen")));
    EXPECT_FALSE(IsFlagOn(key("copyfilestoharddisk")));
    EXPECT_FALSE(IsFlagOn(key("brand")));
    EXPECT_TRUE(IsFlagOn(key("trayicon")));
    EXPECT_TRUE(IsFlagOn(key("toolbar")));
    EXPECT_TRUE(IsFlagOn(key("statusbar")));
}

TEST(BrowserIni, PlaceholdersAreReplacedIgnoringCase) {
    TempDir dir;
    WriteFile(dir / "Browser.ini",
              "[browser]\r\nBrowserPath={BIN}/firefox/firefox\r\n"
              "Parameters={URL} --kiosk {BIN}/start.html {Url}\r\n"
              "SplashTime=3\r\n[Other]\r\nDisableJavaScriptErrorDialogs=0\r\n");
    const BrowserSettings s = ReadBrowserIni(dir.Path(), 81);
    EXPECT_EQ(s.BrowserPath, dir / "firefox/firefox");
    EXPECT_EQ(s.Parameters,
              "http://127.0.0.1:81 --kiosk " + (dir / "start.html") + " http://127.0.0.1:81");
    EXPECT_EQ(s.SplashTime, 3);
    EXPECT_FALSE(s.Silent);
}

TEST(BrowserIni, MissingFileOrOddValuesGiveTheDefaults) {
    TempDir dir;
    BrowserSettings s = ReadBrowserIni(dir.Path(), 80);
    EXPECT_EQ(s.BrowserPath, "");
    EXPECT_EQ(s.SplashTime, 0);
    EXPECT_TRUE(s.Silent);
    for (const char* odd : {"soon", "-4", "", "2.5"}) {
        WriteFile(dir / "browser.INI", std::string("[Browser]\nSplashTime=") + odd + "\n");
        EXPECT_EQ(ReadBrowserIni(dir.Path(), 80).SplashTime, 0) << odd;
    }
    WriteFile(dir / "browser.INI", "[Other]\nDisableJavaScriptErrorDialogs=no\n");
    EXPECT_TRUE(ReadBrowserIni(dir.Path(), 80).Silent);
}
