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
    tmrOutsideEvents_.stop();
    if (isVisible()) {
        hide();
        LetMessagesRun();
    }
    state_.EndProcesses();
}

} // namespace quindle
