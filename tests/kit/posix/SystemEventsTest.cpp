// End requests as signals, a report channel's name held by one listener, and the mount table.

#include "kit/SystemEvents.h"
#include "kit/ReportChannel.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace quindle;
using namespace quindle::test;

TEST(PosixSystemEvents, TerminationHangUpAndInterruptAreKeptAsOneRequestEach) {
    InstallEndRequestHandlers();
    EXPECT_FALSE(TakeEndRequest());
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        raise(sig);
        EXPECT_TRUE(TakeEndRequest()) << sig;
        EXPECT_FALSE(TakeEndRequest()) << sig;
    }
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        signal(sig, SIG_DFL); // the rest of the suite must still be stoppable
}

TEST(PosixSystemEvents, AChannelNameHasOneListener) {
    TReportChannel first, second;
    const std::string name = "quindle-test-held-" + std::to_string(getpid());
    ASSERT_TRUE(first.Open(name));
    EXPECT_FALSE(second.Open(name));
    EXPECT_GE(first.Handle(), 0);
    first.Close();
    EXPECT_TRUE(second.Open(name));
}

TEST(PosixSystemEvents, MountingAndUnmountingAreChanges) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting needs the administrator";
    TempDir dir;
    TMountWatch watch;
    EXPECT_FALSE(watch.Changed());
    ASSERT_EQ(mount("quindle-test", dir.Path().c_str(), "tmpfs", 0, "size=1m"), 0);
    EXPECT_TRUE(watch.Changed());
    EXPECT_FALSE(watch.Changed());
    ASSERT_EQ(umount(dir.Path().c_str()), 0);
    EXPECT_TRUE(watch.Changed());
}
