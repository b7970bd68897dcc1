// The window messages the program listens for, sent the way the system sends them: to every
// top-level window (under Wine nobody ends a session or pulls a disc).

#include "kit/SystemEvents.h"
#include "kit/ReportChannel.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

using namespace quindle;

namespace {

void SendToOurWindows(UINT Message, WPARAM W, LPARAM L) {
    struct Call {
        UINT message;
        WPARAM w;
        LPARAM l;
    } call{Message, W, L};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND Window, LPARAM Data) -> BOOL {
            const auto* c = reinterpret_cast<const Call*>(Data);
            SendMessageA(Window, c->message, c->w, c->l);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&call));
}

} // namespace

TEST(WindowsSystemEvents, TheSessionsEndIsGrantedAndKeptAsARequest) {
    InstallEndRequestHandlers();
    EXPECT_FALSE(TakeEndRequest());
    SendToOurWindows(WM_QUERYENDSESSION, 0, 0);
    EXPECT_TRUE(TakeEndRequest());
    EXPECT_FALSE(TakeEndRequest());
}

TEST(WindowsSystemEvents, EveryDeviceChangeIsAChangeOnce) {
    TMountWatch watch;
    EXPECT_FALSE(watch.Changed());
    SendToOurWindows(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    EXPECT_TRUE(watch.Changed());
    EXPECT_FALSE(watch.Changed());
    PostMessageA(HWND_BROADCAST, WM_DEVICECHANGE, DBT_CONFIGCHANGECANCELED, 0);
    EXPECT_TRUE(watch.Changed());
}

TEST(WindowsSystemEvents, ReportsNeedNoDescriptor) {
    TReportChannel channel;
    ASSERT_TRUE(channel.Open("quindle-test-descriptor"));
    EXPECT_EQ(channel.Handle(), -1);
}
