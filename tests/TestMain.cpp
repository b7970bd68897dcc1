// Every test run gets a private home, data, runtime and temporary folder, so nothing a test
// writes or locks touches the user's own, and parallel runs do not meet.

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const std::string root = quindle::test::PreparePrivateFolders();
    const int result = RUN_ALL_TESTS();
    quindle::test::RemovePrivateFolders(root);
    return result;
}
