#include "kit/Paths.h"

#include <gtest/gtest.h>

using namespace quindle;

TEST(Folders, RootKeepsItsDelimiter) {
    EXPECT_EQ(ExtractFileDir("/app"), "/");
    EXPECT_EQ(IncludeTrailingPathDelimiter(ExtractFileDir("/app")), "/");
    EXPECT_EQ(ExtractFileDir("/a/b/app"), "/a/b");
    EXPECT_EQ(ExtractFileName("/a/b/app"), "app");
}
