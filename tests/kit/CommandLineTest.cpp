#include "kit/KoClass.h"
#include "kit/Strings.h"

#include <gtest/gtest.h>

using namespace quindle;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksOutsideQuotesSeparateAndQuotesAreDropped) {
    EXPECT_EQ(SplitCommandLine(""), Args{});
    EXPECT_EQ(SplitCommandLine("   \t "), Args{});
    EXPECT_EQ(SplitCommandLine("a b  c"), (Args{"a", "b", "c"}));
    EXPECT_EQ(SplitCommandLine("/config \"/x y/runme\" \"/tmp/Brand.ini\""),
              (Args{"/config", "/x y/runme", "/tmp/Brand.ini"}));
    EXPECT_EQ(SplitCommandLine("-d \"C\"ON\"F\" x"), (Args{"-d", "CONF", "x"}));
    EXPECT_EQ(SplitCommandLine("\"\""), (Args{""}));
    EXPECT_EQ(SplitCommandLine("\"unterminated arg"), (Args{"unterminated arg"}));
}

TEST(SplitCommandLine, ShellCharactersAreOrdinaryText) {
    EXPECT_EQ(SplitCommandLine("a;rm -rf $HOME `x` | y"),
              (Args{"a;rm", "-rf", "$HOME", "`x`", "|", "y"}));
}

TEST(SplitCommandLine, BackslashesEscapeQuotesAsAWindowsProgramReadsThem) {
    EXPECT_EQ(SplitCommandLine(R"(a\"b c)"), (Args{R"(a"b)", "c"}));                // odd: a quote
    EXPECT_EQ(SplitCommandLine(R"("a\\" b)"), (Args{R"(a\)", "b"}));                // even: halved
    EXPECT_EQ(SplitCommandLine(R"(C:\dir\file x)"), (Args{R"(C:\dir\file)", "x"})); // plain
    EXPECT_EQ(SplitCommandLine(R"("C:\a b\\")"), (Args{R"(C:\a b\)"}));
}

TEST(QuoteArgument, EveryArgumentComesBackExactly) {
    for (const std::string arg :
         {"", "plain", "two words", R"(we"ird 'pa$th/quindle)", R"(C:\Program Files\)", R"(\")",
          R"(a\\"b)", "\"", "tab\there", "`x` | y; $HOME", "\\server\\share"}) {
        EXPECT_EQ(SplitCommandLine(QuoteArgument(arg)), Args{arg}) << QuoteArgument(arg);
        EXPECT_EQ(SplitCommandLine("/config " + QuoteArgument(arg) + " " + QuoteArgument(arg)),
                  (Args{"/config", arg, arg}));
    }
    EXPECT_EQ(QuoteArgument("/x y/runme"), "\"/x y/runme\""); // what it always was
}

TEST(JoinArguments, ModeWordsAndSwitchesStayBareEverythingElseIsQuoted) {
    const std::string path = R"(C:\My "Shop" $dir\runme.exe)";
    EXPECT_EQ(JoinArguments({"/config", path, "C:\\x\\Brand.ini"}),
              "/config " + QuoteArgument(path) + " \"C:\\x\\Brand.ini\"");
    EXPECT_EQ(JoinArguments({"splash", "C:\\W\\Config.ini"}), "splash \"C:\\W\\Config.ini\"");
    EXPECT_EQ(JoinArguments({"--innodb", "-", "/", "", "a1"}),
              "\"--innodb\" \"-\" \"/\" \"\" \"a1\"");
    EXPECT_EQ(JoinArguments({}), "");
    const Args odd = {"", "two words", R"(a\"b)", R"(end\)", "/x", "-f", "\t", "splash"};
    EXPECT_EQ(SplitCommandLine(JoinArguments(odd)), odd);
}

TEST(Strings, TrimAndCase) {
    EXPECT_EQ(Trim("  a b \t\r\n"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(LowerCase("AbC-Ä"), "abc-Ä");
    EXPECT_TRUE(SameText("MAINICON", "mainIcon"));
    EXPECT_FALSE(SameText("abc", "abcd"));
}

TEST(Strings, ADesktopIdIsTheTitlesLettersAndDigitsOrADigestOfIt) {
    EXPECT_EQ(DesktopId("Demo Shop"), "demo-shop");
    EXPECT_EQ(DesktopId("  Über-Tool 2.0 (beta) "), "ber-tool-2-0-beta");
    // Nothing of those: still a name, and another for another title.
    EXPECT_EQ(DesktopId("商店").rfind("quindle-", 0), 0u);
    EXPECT_EQ(DesktopId("商店").size(), 16u);
    EXPECT_NE(DesktopId("商店"), DesktopId("書店"));
}

TEST(Strings, WholeNumbersOnly) {
    EXPECT_EQ(TryStrToInt("80"), 80);
    EXPECT_EQ(TryStrToInt(" 8080 "), 8080);
    EXPECT_EQ(TryStrToInt("-5"), -5);
    for (const char* bad : {"", "abc", "80a", "8 0", "1e3", "99999999999", "0x50", "+"})
        EXPECT_EQ(TryStrToInt(bad), std::nullopt) << bad;
}

TEST(ReplaceText, EveryOccurrenceWithAndWithoutCase) {
    EXPECT_EQ(TKo::ReplaceText("{URL} --kiosk {BIN}/start.html {bin}", "{bin}", "/pkg/bin", true),
              "{URL} --kiosk /pkg/bin/start.html /pkg/bin");
    EXPECT_EQ(TKo::ReplaceText("{BIN} {bin}", "{bin}", "X", false), "{BIN} X");
    EXPECT_EQ(TKo::ReplaceText("aaa", "a", "aa", false), "aaaaaa"); // no re-scan of replacements
    EXPECT_EQ(TKo::ReplaceText("abc", "", "x", true), "abc");
    EXPECT_EQ(TKo::ReplaceText("$PORT$:$port$", "$PORT$", "81", true), "81:81");
}
