// The one way out of an interactive run: every process the run started ends, what the browser
// holds of the user's data is written, then the program ends.

#include "kit/KoClass.h"
#include "window/browser/PackageProfile.h"
#include "window/main/InteractiveRun.h"
#include "window/main/OutsideBrowserRun.h"
#include "window/main/OutsideEvents.h"
#include "window/main/ServerWatch.h"
#include "window/main/TfrmMain.h"

#include <QCoreApplication>

namespace quindle {
namespace {

// How long the browser engine may take to write its profile before the program ends anyway: a
// bound for an engine that hangs, not for one that writes. A disk busy with another program's
// writes keeps the engine's synced writes waiting well over a second, and cut short there the
// cookies are lost while the storage is kept.
constexpr int kBrowserEndMs = 10000;

} // namespace

void TfrmMain::ShutDown() {
    try {
        FormDestroy();
    } catch (...) {
        // The program ends next either way; the servers then follow it by themselves.
    }
    // The engine writes cookies and storage in batches and keeps the rest in memory: its orderly
    // end writes them, which a plain end of the process would lose.
    // Nothing may run between the end of the pages and the end of the engine: a view asked for
    // its page in between would make a new one.
    TKo::TerminateSelfAfter(kBrowserEndMs);
    try {
        TPackageProfile::Close();
    } catch (...) {
        // The engine's own end below still writes what it can.
    }
    EndToolkit();
    TKo::TerminateSelf();
}

void TfrmMain::FormDestroy() {
    // A request to end that arrives while ending (the waits let events run) runs these steps
    // again from its own call; each of them is done once and skipped after.
    ending_ = true;
    outside_->Stop();
    servers_->Stop();
    disconnect(splashCloser_);
    outsideBrowser_->Stop();
    state_.EndSplash();
    if (isVisible()) {
        hide();
        LetMessagesRun();
    }
    state_.EndOutsideBrowser();
    SetTrayIcon(false);
    LetMessagesRun();
    state_.EndServers();
}

} // namespace quindle
