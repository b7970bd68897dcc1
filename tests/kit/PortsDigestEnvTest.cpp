#include "kit/KoClass.h"
#include "kit/Product.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

// A listener held for the life of the object, on the first free port from `from`.
class Listener {
public:
    Listener(int from, in_addr_t address) {
        for (port = from; port < 65535; ++port) {
            fd = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(std::uint16_t(port));
            a.sin_addr.s_addr = htonl(address);
            if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 4) == 0)
                return;
            close(fd);
        }
        fd = -1;
    }
    ~Listener() {
        if (fd >= 0)
            close(fd);
    }
    int fd = -1;
    int port = 0;
};

} // namespace

TEST(Ports, OutOfRangeCountsAsInUse) {
    EXPECT_TRUE(TKo::IsPortInUse(-1, true));
    EXPECT_TRUE(TKo::IsPortInUse(65536, false));
}

TEST(Ports, ATakenPortIsSkipped) {
    Listener held(23000, INADDR_LOOPBACK);
    ASSERT_GE(held.fd, 0);
    EXPECT_TRUE(TKo::IsPortInUse(held.port, true));
    EXPECT_TRUE(TKo::IsPortInUse(held.port, false)); // all addresses include the loopback
    const int next = TKo::FindFreePort(held.port, true);
    EXPECT_GT(next, held.port);
    EXPECT_FALSE(TKo::IsPortInUse(next, true));
    // The probe leaves nothing behind: the port it found is still free to take.
    Listener taker(next, INADDR_LOOPBACK);
    EXPECT_EQ(taker.port, next);
}

TEST(Ports, ListenerOnAllAddressesBlocksLoopbackToo) {
    Listener held(23500, INADDR_ANY);
    ASSERT_GE(held.fd, 0);
    EXPECT_TRUE(TKo::IsPortInUse(held.port, true));
    EXPECT_NE(TKo::FindFreePort(held.port, true), held.port);
}

TEST(Ports, TheLastPort) {
    const int r = TKo::FindFreePort(65535, true);
    EXPECT_TRUE(r == 65535 || r == -1);
    Listener held(65535, INADDR_LOOPBACK);
    if (held.port == 65535 && held.fd >= 0) {
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

TEST(Environment, PhpFindsOnlyOurIni) {
    ASSERT_TRUE(TKo::SetPHPRCEnv("/pkg/data dir"));
    EXPECT_STREQ(std::getenv("PHPRC"), "/pkg/data dir");
    ASSERT_NE(std::getenv("PHP_INI_SCAN_DIR"), nullptr);
    EXPECT_STREQ(std::getenv("PHP_INI_SCAN_DIR"), "");
    ASSERT_TRUE(TKo::SetPHPRCEnv(""));
    EXPECT_EQ(std::string(std::getenv("PHPRC")), TKo::GetDataDir());
}

TEST(Environment, ChildrenInheritWhatWasSet) {
    TempDir dir;
    ASSERT_TRUE(TKo::SetPHPRCEnv(dir.Path()));
    // The child is a shell only to print its environment; our starts never use one.
    const std::string out = RunAndCapture("/bin/sh", "-c 'printf %s \"$PHPRC\"'");
    EXPECT_EQ(out, dir.Path());
}

TEST(Environment, LanguageNameInEnglish) {
    const char* saved = std::getenv("LC_ALL");
    setenv("LC_ALL", "C", 1);
    ASSERT_TRUE(TKo::SetOSLanguageEnv());
    EXPECT_STREQ(std::getenv("OS_LANGUAGE"), "English");
    setenv("LC_ALL", "no_SUCH.locale", 1);
    ASSERT_TRUE(TKo::SetOSLanguageEnv());
    EXPECT_STREQ(std::getenv("OS_LANGUAGE"), "English");
    if (saved)
        setenv("LC_ALL", saved, 1);
    else
        unsetenv("LC_ALL");
}

TEST(Shell, FoldersAndMailGoToTheDesktopOpenerAsOneArgument) {
    TempDir bin, out;
    // A recorder in place of the desktop's opener: it writes down what it was asked to open.
    WriteFile(bin / "xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" +
                                    (out / "log") + "'\n");
    chmod((bin / "xdg-open").c_str(), 0755);
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", bin.Path().c_str(), 1);
    TKo::ExploreFolder(out.Path() + "/My \"Shop\" folder", SW_SHOWNORMAL);
    TKo::OpenContactMail();
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_TRUE(WaitUntil([&] {
        return PathExists(out / "log") &&
               ReadFile(out / "log").find("mailto:") != std::string::npos &&
               ReadFile(out / "log").find("folder") != std::string::npos;
    }));
    const std::string log = ReadFile(out / "log");
    EXPECT_NE(log.find(out.Path() + "/My Shop folder\n"), std::string::npos) << log;
    EXPECT_NE(log.find(std::string("mailto:") + kContactMail + "\n"), std::string::npos) << log;
}

TEST(Ports, AServerThatSpeaksFirstGreets) {
    Listener silent(24500, INADDR_LOOPBACK);
    ASSERT_GE(silent.fd, 0);
    EXPECT_FALSE(TKo::PortGreets(silent.port, 200)); // accepts into its queue, says nothing
    Listener talking(silent.port + 1, INADDR_LOOPBACK);
    ASSERT_GE(talking.fd, 0);
    std::thread speaker([&] {
        const int client = accept(talking.fd, nullptr, nullptr);
        send(client, "J", 1, 0);
        close(client);
    });
    EXPECT_TRUE(TKo::PortGreets(talking.port, 2000));
    speaker.join();
    EXPECT_FALSE(TKo::PortGreets(0, 100));
    EXPECT_FALSE(TKo::PortGreets(TKo::FindFreePort(24600, true), 100)); // nobody there
}
