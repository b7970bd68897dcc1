// Process control only Windows has: files held open by anyone are in use, and the caller's own
// process is never ended through its id.

#include "tests/kit/ProcessTest.h"
#include "kit/KoClass.h"

#include <windows.h>

#include <fstream>

using namespace quindle;
using namespace quindle::test;

// Any holder at all keeps the exclusive open from succeeding.
TEST_F(ProcessTest, AFileAnyoneHoldsIsInUse) {
    const std::string plain = SystemPath(dir / "plain");
    WriteFile(plain, "x");
    {
        std::ifstream holder(plain);
        EXPECT_TRUE(TKo::IsFileInUse(plain));
    }
    const HANDLE exclusive = CreateFileA(plain.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(TKo::IsFileInUse(plain));
    CloseHandle(exclusive);
    EXPECT_FALSE(TKo::IsFileInUse(plain));
}

TEST_F(ProcessTest, TheCallerIsNeverEndedByItsOwnId) {
    EXPECT_FALSE(TKo::KillProcess(GetCurrentProcessId()));
}
