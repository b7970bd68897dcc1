// The one way out of an interactive run: every process the run started ends, then the program.

#include "browser/TfrmMain.h"
#include "kit/KoClass.h"

#include <QCoreApplication>

namespace quindle {

void TfrmMain::ShutDown() {
    try {
        FormDestroy();
    } catch (...) {
    }
    TKo::TerminateSelf();
}

void TfrmMain::FormDestroy() {
    // A request to end that arrives while ending (the waits let events run) runs these steps
    // again from its own call; each of them is done once and skipped after.
    tmrOutsideEvents_.stop();
    tmrServers_.stop();
    tmrCloseSplash.stop();
    Timer1.stop();
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
