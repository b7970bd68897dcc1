// End requests as signals, a report channel's name held by one listener, and the mount table.

#include "kit/SystemEvents.h"
#include "kit/ReportChannel.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace quindle;
using namespace quindle::test;

namespace {

// Whether Descriptor has something for a poll of Events within TimeoutMs.
bool Wakes(int Descriptor, short Events, int TimeoutMs) {
    pollfd p{Descriptor, Events, 0};
    return poll(&p, 1, TimeoutMs) == 1 && (p.revents & Events);
}

} // namespace

TEST(PosixSystemEvents, TerminationHangUpAndInterruptAreKeptAsOneRequestEachAndWakeALoop) {
    InstallEndRequestHandlers();
    EXPECT_FALSE(TakeEndRequest());
    const int wake = EndRequestDescriptor();
    ASSERT_GE(wake, 0);
    EXPECT_FALSE(Wakes(wake, POLLIN, 0));
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        raise(sig);
        EXPECT_TRUE(Wakes(wake, POLLIN, 0)) << sig;
        EXPECT_TRUE(TakeEndRequest()) << sig;
        EXPECT_FALSE(Wakes(wake, POLLIN, 0)) << sig; // taken: a loop sleeps again
        EXPECT_FALSE(TakeEndRequest()) << sig;
    }
    // Many requests before one is taken are one request, and never block the handler.
    for (int i = 0; i < 100000; ++i)
        raise(SIGTERM);
    EXPECT_TRUE(TakeEndRequest());
    EXPECT_FALSE(TakeEndRequest());
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
    ASSERT_GE(watch.Descriptor(), 0);
    EXPECT_FALSE(watch.Changed());
    EXPECT_FALSE(Wakes(watch.Descriptor(), POLLPRI, 0));
    ASSERT_EQ(mount("quindle-test", dir.Path().c_str(), "tmpfs", 0, "size=1m"), 0);
    EXPECT_TRUE(watch.Changed());
    EXPECT_FALSE(watch.Changed());
    // A loop waiting on the descriptor is woken by the change, and has seen it.
    ASSERT_EQ(umount(dir.Path().c_str()), 0);
    EXPECT_TRUE(Wakes(watch.Descriptor(), POLLPRI, 1000));
    EXPECT_FALSE(Wakes(watch.Descriptor(), POLLPRI, 0));
    EXPECT_FALSE(watch.Changed());
}
