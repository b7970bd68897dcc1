#pragma once

// The process tests' fixture: a copy of the test program in a folder of its own, and every
// process a test started ended afterwards, even when an expectation failed half way.

#include "kit/Paths.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class ProcessTest : public ::testing::Test {
protected:
    ProcessTest();
    ~ProcessTest() override;
    std::uint32_t StartSleeper(const std::string& Exe);

    quindle::test::TempDir dir;
    std::string program =
        quindle::test::SystemPath(dir / ("Server" + std::string(quindle::ExeSuffix)));
    std::vector<std::uint32_t> started;
};
