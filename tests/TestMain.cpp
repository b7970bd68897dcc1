// Every test run gets a private home, data, runtime and temporary folder, so nothing a test
// writes or locks touches the user's own, and parallel runs do not meet.

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
#ifdef _WIN32
    // A pipe's output is kept back in a buffer on Windows: a process that dies would take with it
    // all it said of how far it got.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    const std::string root = quindle::test::PreparePrivateFolders();
    const int result = RUN_ALL_TESTS();
    quindle::test::RemovePrivateFolders(root);
    return result;
}
