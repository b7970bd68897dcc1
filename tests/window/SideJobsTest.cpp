// The main window's jobs beside the window: the events from outside, the watch of the servers
// and the tray menu, each heard through its signals with real processes and real signals.

#include "kit/KoClass.h"
#include "kit/ReportChannel.h"
#include "kit/SystemEvents.h"
#include "tests/window/BrowserTestSupport.h"
#include "window/main/OutsideEvents.h"
#include "window/main/ServerWatch.h"
#include "window/main/TrayMenu.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <csignal>
#include <unistd.h>

using namespace quindle;
using namespace quindle::test;

namespace {

std::uint32_t StartSleeper() {
    const std::uint32_t pid = TKo::RunProgram(TEST_CHILD_PATH, TArguments{"sleep", "30"}, "", 1);
    EXPECT_NE(pid, 0u);
    return pid;
}

} // namespace

TEST(OutsideEvents, EndRequestsAndReportsAreHeardAtOnceAndTheOwnersLooksComeAndGo) {
    InstallEndRequestHandlers();
    TOutsideEvents events;
    QSignalSpy ends(&events, &TOutsideEvents::EndAsked);
    QSignalSpy reports(&events, &TOutsideEvents::ProcessReported);
    QSignalSpy looks(&events, &TOutsideEvents::Looked);
    // This system announces both: nothing is looked for until the owner asks.
    EXPECT_FALSE(events.Looking());

    raise(SIGTERM);
    EXPECT_TRUE(WaitFor([&] { return ends.count() == 1; }, 2000));
    EXPECT_TRUE(HoldsWhileEventsRun([&] { return ends.count() == 1; }, 300));

    const std::string name = "quindle-side-jobs-" + std::to_string(getpid());
    events.ListenForReports(name);
    ASSERT_TRUE(SendReport(name, 4242));
    EXPECT_TRUE(WaitFor([&] { return reports.count() == 1; }, 2000));
    EXPECT_EQ(reports.at(0).at(0).value<std::uint32_t>(), 4242u);
    EXPECT_FALSE(events.Looking());

    events.UpdateLook(true);
    EXPECT_TRUE(WaitFor([&] { return looks.count() >= 1; }, 3 * kTrayLookMs));
    events.UpdateLook(false);
    EXPECT_FALSE(events.Looking());
    // Once the run ends, no owner's wish starts the looks again.
    events.Stop();
    events.UpdateLook(true);
    EXPECT_FALSE(events.Looking());
}

TEST(ServerWatch, AnEndIsHeardOnceAServerInItsPlaceIsWatchedAndNothingAfterStop) {
    TServerWatch watch;
    QSignalSpy heard(&watch, &TServerWatch::ServerMayHaveEnded);
    const std::uint32_t web = StartSleeper();
    watch.Watch(web, 0);
    // The end is announced here: no timer looks meanwhile.
    EXPECT_FALSE(watch.Looking());
    EXPECT_TRUE(HoldsWhileEventsRun([&] { return heard.count() == 0; }, 300));
    kill(pid_t(web), SIGKILL);
    EXPECT_TRUE(WaitFor([&] { return heard.count() == 1; }, 5000));
    // The ended server stays unheard while nothing takes its place: no signal after signal.
    watch.Watch(web, 0);
    EXPECT_TRUE(HoldsWhileEventsRun([&] { return heard.count() == 1; }, 300));

    const std::uint32_t database = StartSleeper();
    watch.Watch(web, database);
    kill(pid_t(database), SIGKILL);
    EXPECT_TRUE(WaitFor([&] { return heard.count() == 2; }, 5000));

    const std::uint32_t again = StartSleeper();
    watch.Watch(again, 0);
    watch.Stop();
    kill(pid_t(again), SIGKILL);
    EXPECT_TRUE(HoldsWhileEventsRun([&] { return heard.count() == 2; }, 500));
    EXPECT_FALSE(watch.Looking());
}

TEST(TrayMenu, EveryEntryAsksForItsOwnJob) {
    QWidget window;
    TTrayMenu tray(&window);
    const std::pair<const char*, void (TTrayMenu::*)()> entries[] = {
        {"mnuTray_Show", &TTrayMenu::ShowHideAsked},
        {"mnuTray_Settings", &TTrayMenu::SettingsAsked},
        {"mnuTray_Help", &TTrayMenu::HelpAsked},
        {"mnuTray_Email", &TTrayMenu::ContactAsked},
        {"mnuTray_Website", &TTrayMenu::WebsiteAsked},
        {"mnuTray_About", &TTrayMenu::AboutAsked},
        {"mnuTray_Exit", &TTrayMenu::ExitAsked}};
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const auto& entry : entries)
        spies.push_back(std::make_unique<QSignalSpy>(&tray, entry.second));
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        Part<QAction>(window, entries[i].first)->trigger();
        for (std::size_t j = 0; j < spies.size(); ++j)
            EXPECT_EQ(spies[j]->count(), j <= i ? 1 : 0) << entries[i].first << " " << j;
    }
    tray.SetSettingsEnabled(false);
    EXPECT_FALSE(Part<QAction>(window, "mnuTray_Settings")->isEnabled());
}
