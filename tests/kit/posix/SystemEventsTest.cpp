// End requests as signals, a report channel's name held by one listener, and the mount table.

#include "kit/SystemEvents.h"
#include "kit/ReportChannel.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
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

TEST(PosixSystemEvents, AProcessEndIsAnnouncedAndStaysAnnounced) {
    int hold[2];
    ASSERT_EQ(pipe(hold), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char byte;
        close(hold[1]);
        (void)!read(hold[0], &byte, 1); // until the test lets go
        _exit(0);
    }
    close(hold[0]);
    TProcessEndWatch watch{std::uint32_t(child)};
    ASSERT_GE(watch.Descriptor(), 0);
    EXPECT_FALSE(Wakes(watch.Descriptor(), POLLIN, 100));
    close(hold[1]);
    EXPECT_TRUE(Wakes(watch.Descriptor(), POLLIN, 5000));
    EXPECT_TRUE(Wakes(watch.Descriptor(), POLLIN, 0)); // not taken by a look
    // An ended process watched afterwards reads as ended; once reaped, there is nothing to watch.
    TProcessEndWatch late{std::uint32_t(child)};
    EXPECT_TRUE(Wakes(late.Descriptor(), POLLIN, 0));
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    EXPECT_LT(TProcessEndWatch(std::uint32_t(child)).Descriptor(), 0);
    EXPECT_LT(TProcessEndWatch(0).Descriptor(), 0);
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
