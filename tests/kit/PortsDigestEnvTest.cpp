#include "kit/KoClass.h"
#include "kit/Product.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

using namespace quindle;
using namespace quindle::test;

TEST(Ports, OutOfRangeCountsAsInUse) {
    EXPECT_TRUE(TKo::IsPortInUse(-1, true));
    EXPECT_TRUE(TKo::IsPortInUse(65536, false));
}

TEST(Ports, ATakenPortIsSkipped) {
    TestListener held(23000, true);
    ASSERT_TRUE(held.Ok());
    EXPECT_TRUE(TKo::IsPortInUse(held.Port(), true));
    EXPECT_TRUE(TKo::IsPortInUse(held.Port(), false)); // all addresses include the loopback
    const int next = TKo::FindFreePort(held.Port(), true);
    EXPECT_GT(next, held.Port());
    EXPECT_FALSE(TKo::IsPortInUse(next, true));
    // The probe leaves nothing behind: the port it found is still free to take.
    TestListener taker(next, true);
    EXPECT_EQ(taker.Port(), next);
}

TEST(Ports, ListenerOnAllAddressesBlocksLoopbackToo) {
    TestListener held(23500, false);
    ASSERT_TRUE(held.Ok());
    EXPECT_TRUE(TKo::IsPortInUse(held.Port(), true));
    EXPECT_NE(TKo::FindFreePort(held.Port(), true), held.Port());
}

TEST(Ports, APortClaimedByOneRunIsPassedOverByAnother) {
    // Free, but claimed by a run whose server has not opened it yet.
    const int claimed = TKo::ClaimFreePort(23800, true);
    ASSERT_GE(claimed, 23800);
    EXPECT_FALSE(TKo::IsPortInUse(claimed, true));
    EXPECT_TRUE(TKo::ClaimPort(claimed)); // this run asking again
    const int other =
        std::atoi(RunAndCapture(TEST_CHILD_PATH, "claim " + std::to_string(claimed)).c_str());
    EXPECT_GT(other, claimed);
    // That run has ended, and its claim with it.
    EXPECT_EQ(TKo::ClaimFreePort(other, true), other);
}

TEST(Ports, TheLastPort) {
    const int r = TKo::FindFreePort(65535, true);
    EXPECT_TRUE(r == 65535 || r == -1);
    TestListener held(65535, true);
    if (held.Port() == 65535 && held.Ok()) {
        EXPECT_EQ(TKo::FindFreePort(65535, true), -1);
    }
}

TEST(Digest, KnownValuesInLowerCase) {
    EXPECT_EQ(TKo::MD5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(TKo::MD5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(TKo::MD5Hex(std::string("\0\xff", 2)).size(), 32u);
    for (const std::string t : {"A", "QUINDLE", "/opt/Shop/runme"})
        EXPECT_EQ(TKo::MD5Hex(t).find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(TKo::GetMD5(""), TKo::MD5Hex(TKo::GetAppFileName()));
    EXPECT_EQ(TKo::GetMD5("abc"), TKo::MD5Hex("abc"));
}

TEST(Digest, TheStandardsValuesAndEveryLengthAroundABlock) {
    EXPECT_EQ(TKo::MD5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(TKo::MD5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(TKo::MD5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(TKo::MD5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    std::string digits;
    for (int i = 0; i < 8; ++i)
        digits += "1234567890";
    EXPECT_EQ(TKo::MD5Hex(digits), "57edf4a22be3c955ac49da2e2107b67a");
#ifndef _WIN32
    // The working folder's name is this digest: every length across the padding's edges gives
    // what the system's tool gives, bytes above 127 included.
    for (std::size_t length : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 1000u}) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(char((i * 37 + 200) & 0xff));
        TempDir dir;
        WriteFile(dir / "t", text);
        const std::string sum = RunAndCapture("md5sum", "'" + (dir / "t") + "'");
        EXPECT_EQ(TKo::MD5Hex(text), sum.substr(0, 32)) << length;
    }
#endif
}

TEST(Environment, PhpFindsOurIni) {
    ASSERT_TRUE(TKo::SetPHPRCEnv("/pkg/data dir"));
    EXPECT_STREQ(std::getenv("PHPRC"), "/pkg/data dir");
    ASSERT_TRUE(TKo::SetPHPRCEnv(""));
    EXPECT_EQ(std::string(std::getenv("PHPRC")), TKo::GetDataDir());
}

TEST(Environment, TheLanguageIsNamed) {
    ASSERT_TRUE(TKo::SetOSLanguageEnv());
    ASSERT_NE(std::getenv("OS_LANGUAGE"), nullptr);
    EXPECT_STRNE(std::getenv("OS_LANGUAGE"), "");
}

TEST(Ports, AListeningSocketIsSeenInTheSystemsTableOnAnyAddress) {
    int port = 0;
    {
        TestListener loopback(24600, true);
        ASSERT_TRUE(loopback.Ok());
        port = loopback.Port();
        EXPECT_TRUE(TKo::PortListens(port));
        EXPECT_FALSE(TKo::PortListens(port + 1000)); // another port, free
        TestListener everywhere(port + 1, false);
        ASSERT_TRUE(everywhere.Ok());
        EXPECT_TRUE(TKo::PortListens(everywhere.Port()));
    }
    EXPECT_FALSE(TKo::PortListens(port)); // closed
    EXPECT_FALSE(TKo::PortListens(0));
    EXPECT_FALSE(TKo::PortListens(65536));
}

TEST(Ports, AServerThatSpeaksFirstGreets) {
    TestListener silent(24500, true);
    ASSERT_TRUE(silent.Ok());
    EXPECT_FALSE(TKo::PortGreets(silent.Port(), 200)); // accepts into its queue, says nothing
    TestListener talking(silent.Port() + 1, true);
    ASSERT_TRUE(talking.Ok());
    std::thread speaker([&] { talking.AnswerOnce("J"); });
    EXPECT_TRUE(TKo::PortGreets(talking.Port(), 2000));
    speaker.join();
    EXPECT_FALSE(TKo::PortGreets(0, 100));
    EXPECT_FALSE(TKo::PortGreets(TKo::FindFreePort(24600, true), 100)); // nobody there
}
