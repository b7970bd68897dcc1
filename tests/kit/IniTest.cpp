#include "kit/IniFile.h"
#include "kit/KoClass.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using namespace quindle;
using namespace quindle::test;

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir / "Config.ini";
};

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsEmpty) {
    EXPECT_EQ(TKo::ReadIniString(dir / "none.ini", "INI", "title"), "");
    WriteFile(file, "[INI]\r\ntitle=Shop\r\n");
    EXPECT_EQ(TKo::ReadIniString(file, "Other", "title"), "");
    EXPECT_EQ(TKo::ReadIniString(file, "INI", "port"), "");
    EXPECT_EQ(TKo::ReadIniString(file, "INI", "title"), "Shop");
}

TEST_F(IniFileTest, NamesIgnoreCaseValuesAreTrimmedAndUnquoted) {
    WriteFile(file, "  [ Browser ]  \n BrowserPath =  {bin}/b  \r\nquoted=\"\"\nsingle=' x '\n"
                    "mixed=\"a'\nhalf=\"a\n");
    EXPECT_EQ(TKo::ReadIniString(file, "browser", "BROWSERPATH"), "{bin}/b");
    EXPECT_EQ(TKo::ReadIniString(file, "BROWSER", "quoted"), "");
    EXPECT_EQ(TKo::ReadIniString(file, "Browser", "single"), " x ");
    EXPECT_EQ(TKo::ReadIniString(file, "Browser", "mixed"), "\"a'");
    EXPECT_EQ(TKo::ReadIniString(file, "Browser", "half"), "\"a");
}

TEST_F(IniFileTest, ValuesAreCutAt2047Characters) {
    WriteFile(file, "[INI]\ntitle=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(TKo::ReadIniString(file, "INI", "title").size(), 2047u);
}

TEST_F(IniFileTest, FirstSectionAndKeyWinCommentsAndStrayLinesAreIgnored) {
    WriteFile(file,
              "\xEF\xBB\xBF[INI]\n;port=1\nport=80\nport=81\nno equals sign\n[Other]\nport=9\n"
              "[INI]\nport=82\n");
    EXPECT_EQ(TKo::ReadIniString(file, "INI", "port"), "80");
    TStringArray keys{"existing"};
    TKo::ReadIniSectionKeys(file, "ini", keys);
    EXPECT_EQ(keys, (TStringArray{"existing", "port", "port"}));
}

TEST_F(IniFileTest, WriteCreatesFileSectionAndKeyWithCrlf) {
    TKo::WriteIniString(file, "INI", "title", "Shop");
    EXPECT_EQ(ReadFile(file), "[INI]\r\ntitle=Shop\r\n");
    TKo::WriteIniString(file, "INI", "port", "81");
    TKo::WriteIniString(file, "Other", "x", "1");
    EXPECT_EQ(ReadFile(file), "[INI]\r\ntitle=Shop\r\nport=81\r\n[Other]\r\nx=1\r\n");
}

TEST_F(IniFileTest, WriteReplacesInPlaceAndKeepsTheRest) {
    WriteFile(file, "; made by hand\n[INI]\nfullscreen=0\nTitle = Old \nport=80\n\n[Other]\na=b");
    TKo::WriteIniString(file, "ini", "TITLE", "New Shop");
    TKo::WriteIniString(file, "INI", "brand", "1");
    EXPECT_EQ(ReadFile(file), "; made by hand\r\n[INI]\r\nfullscreen=0\r\nTitle=New Shop\r\n"
                              "port=80\r\nbrand=1\r\n\r\n[Other]\r\na=b\r\n");
    EXPECT_EQ(TKo::ReadIniString(file, "INI", "title"), "New Shop");
}

TEST_F(IniFileTest, LineBreaksInAValueCannotAddKeys) {
    TKo::WriteIniString(file, "INI", "title", "Shop\r\nbrand=0\n[Evil]");
    EXPECT_EQ(TKo::ReadIniString(file, "INI", "brand"), "");
    TStringArray keys;
    TKo::ReadIniSectionKeys(file, "INI", keys);
    EXPECT_EQ(keys, TStringArray{"title"});
}

TEST_F(IniFileTest, WriteToReadOnlyFileOrMissingFolderRaises) {
    WriteFile(file, "[INI]\r\nport=80\r\n");
    chmod(file.c_str(), 0444);
    try {
        TKo::WriteIniString(file, "INI", "port", "81");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), ("Unable to write to " + file).c_str());
    }
    EXPECT_EQ(ReadFile(file), "[INI]\r\nport=80\r\n");
    EXPECT_THROW(TKo::WriteIniString(dir / "no/such/dir.ini", "INI", "a", "b"), Exception);
}

TEST_F(IniFileTest, WriteKeepsPermissionBits) {
    if (!HasPermissionBits())
        GTEST_SKIP() << "files here have no permission bits beyond read-only";
    WriteFile(file, "[INI]\r\nport=80\r\n");
    chmod(file.c_str(), 0640);
    TKo::WriteIniString(file, "INI", "port", "81");
    EXPECT_EQ(FileMode(file), 0640u);
}

TEST_F(IniFileTest, WriteLeavesNoTemporaryFiles) {
    WriteFile(file, "[INI]\r\nport=80\r\n");
    TKo::WriteIniString(file, "INI", "port", "81");
    EXPECT_EQ(TKo::ReadIniString(file, "INI", "port"), "81");
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, 1);
}

TEST_F(IniFileTest, DeleteKeyRemovesOnlyThatLine) {
    TKo::DeleteIniKey(dir / "none.ini", "INI", "x"); // nothing to do, no file made
    EXPECT_FALSE(PathExists(dir / "none.ini"));
    WriteFile(file, "[INI]\r\na=1\r\nb=2\r\n[X]\r\nb=3\r\n");
    TKo::DeleteIniKey(file, "ini", "B");
    EXPECT_EQ(ReadFile(file), "[INI]\r\na=1\r\n[X]\r\nb=3\r\n");
}

TEST(IniDocument, KeyListStopsAtItsBuffer) {
    std::string text = "[S]\n";
    for (int i = 0; i < 2000; ++i)
        text += "key" + std::to_string(10000 + i) + "=v\n"; // 9 characters each with terminator
    const auto keys = IniDocument::Parse(text).Keys("s");
    EXPECT_EQ(keys.size(), (kIniKeyListBuffer - 1) / 9);
    EXPECT_EQ(keys.front(), "key10000");
}

TEST(IniDocument, RoundTripOfUntouchedLines) {
    const std::string text = "[A]\r\n  x = 1 \r\n; note\r\n";
    EXPECT_EQ(IniDocument::Parse(text).Serialize(), text);
    // A byte-order mark is kept, and a second one is text of the first line, not a new mark.
    const std::string marked = "\xEF\xBB\xBF\xEF\xBB\xBF[A]\r\nx=1\r\n";
    IniDocument doc = IniDocument::Parse(marked);
    EXPECT_EQ(doc.Serialize(), marked);
    doc.Set("A", "y", "2");
    EXPECT_TRUE(IniDocument::Parse(doc.Serialize()).Find("a", "y").has_value());
}
