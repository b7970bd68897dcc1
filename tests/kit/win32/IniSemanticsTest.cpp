// The INI engine against the system's own profile functions on the same files: what one writes
// the other reads, and both read the same from whatever a hand-edited file holds.

#include "kit/KoClass.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace quindle;
using namespace quindle::test;

namespace {

std::string SystemRead(const std::string& File, const char* Section, const char* Key) {
    std::vector<char> buffer(2048);
    const DWORD n = GetPrivateProfileStringA(Section, Key, "", buffer.data(), DWORD(buffer.size()),
                                             File.c_str());
    return std::string(buffer.data(), n);
}

std::vector<std::string> SystemKeys(const std::string& File, const char* Section) {
    std::vector<char> buffer(16384);
    const DWORD n = GetPrivateProfileStringA(Section, nullptr, "", buffer.data(),
                                             DWORD(buffer.size()), File.c_str());
    std::vector<std::string> keys;
    for (DWORD i = 0; i < n;) {
        const std::string key(buffer.data() + i);
        keys.push_back(key);
        i += DWORD(key.size()) + 1;
    }
    return keys;
}

std::vector<std::string> OurKeys(const std::string& File, const char* Section) {
    TStringArray keys;
    TKo::ReadIniSectionKeys(File, Section, keys);
    return std::vector<std::string>(keys.begin(), keys.end());
}

} // namespace

TEST(IniSemantics, HandEditedFilesReadTheSame) {
    TempDir dir;
    const std::vector<std::string> files = {
        "[INI]\r\ntitle = Corner Shop \r\n",
        "[ini]\r\nTITLE=\"quoted\"\r\n",
        "[INI]\r\ntitle='single'\r\n",
        "[INI]\r\ntitle=\"\"\r\n",
        "[INI]\r\ntitle=\"unbalanced\r\n",
        "[INI]\r\ntitle=a\r\ntitle=b\r\n[INI]\r\ntitle=c\r\n",
        "[INI]\r\n;title=comment\r\ntitle=after\r\n",
        "[INI]\r\nstray line\r\ntitle=z\r\n",
        "[INI]\ntitle=line feeds alone\n",
        "  [INI]  \r\n  title  =  v  \r\n",
        "[INI]\r\ntitle=a=b\r\n",
        "[OTHER]\r\ntitle=elsewhere\r\n",
        "title=before any section\r\n[INI]\r\n",
        "[INI]\r\ntitle=" + std::string(3000, 'x') + "\r\n",
        "[INI]\r\nport=80\r\n\r\n[INI2]\r\ntitle=next\r\n",
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        // A file of its own for each case: the system keeps the last file it read in memory.
        const std::string file = SystemPath(dir / ("case" + std::to_string(i) + ".ini"));
        WriteFile(file, files[i]);
        EXPECT_EQ(TKo::ReadIniString(file, "INI", "title"), SystemRead(file, "INI", "title"))
            << files[i];
        EXPECT_EQ(OurKeys(file, "INI"), SystemKeys(file, "INI")) << files[i];
    }
    // The system read the files at all.
    EXPECT_EQ(SystemRead(SystemPath(dir / "case0.ini"), "INI", "title"), "Corner Shop");
    EXPECT_EQ(SystemRead(SystemPath(dir / "case13.ini"), "INI", "title").size(), 2047u);
}

TEST(IniSemantics, WhatOneWritesTheOtherReads) {
    TempDir dir;
    const std::string file = SystemPath(dir / "Config.ini");
    TKo::WriteIniString(file, "INI", "title", "Corner Shop");
    TKo::WriteIniString(file, "INI", "port", "8080");
    EXPECT_EQ(SystemRead(file, "INI", "title"), "Corner Shop");
    EXPECT_EQ(SystemRead(file, "ini", "PORT"), "8080");
    ASSERT_TRUE(WritePrivateProfileStringA("INI", "ip", "all", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("INI", "title", "Shop", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Brand", "name", "x", file.c_str()));
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str()); // written out now
    EXPECT_EQ(TKo::ReadIniString(file, "INI", "ip"), "all");
    EXPECT_EQ(TKo::ReadIniString(file, "INI", "title"), "Shop");
    EXPECT_EQ(TKo::ReadIniString(file, "Brand", "name"), "x");
    EXPECT_EQ(OurKeys(file, "INI"), (std::vector<std::string>{"title", "port", "ip"}));
    TKo::DeleteIniKey(file, "INI", "port");
    EXPECT_EQ(SystemKeys(file, "INI"), (std::vector<std::string>{"title", "ip"}));
}
