// The hand-over of a new address and port to the command copy, when it cannot be made: the
// program must not end then, since nothing would start it again.

#include "launcher/run/AddressChange.h"
#include "kit/KoClass.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace quindle;
using namespace quindle::test;

TEST(AddressChange, ACopyThatCannotBeMadeIsReportedAndTheConfigurationKeepsItsAddress) {
    TRunState s;
    s.PrepareEnvironment();
    s.ConfigFile = s.DataDir + "/Config.ini";
    WriteFile(s.ConfigFile, "[INI]\r\nip=127.0.0.1\r\nport=8080\r\ntitle=Shop\r\n");
    // A folder where nobody, root included, can make a file: the copy cannot be written.
    const std::string savedTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    setenv("TMPDIR", "/proc", 1);
    const std::string problem = HandOverAddressChange(s, "all", 9090);
    if (savedTmp.empty())
        unsetenv("TMPDIR");
    else
        setenv("TMPDIR", savedTmp.c_str(), 1);

    EXPECT_EQ(problem.rfind("Unable to change the address and port: ", 0), 0u) << problem;
    EXPECT_NE(problem.find("Unable to copy " + TKo::GetAppFileName()), std::string::npos)
        << problem;
    EXPECT_EQ(s.ReadConfig("ip"), "127.0.0.1");
    EXPECT_EQ(s.ReadConfig("port"), "8080");
    EXPECT_EQ(s.ReadConfig("title"), "Shop");
}
