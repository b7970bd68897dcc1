// Servers that end on their own while the window is open are started again, and the user is
// told: in the status bar, and with an error once a server is given up.

#include "window/ErrorReport.h"
#include "window/TStatusBar.h"
#include "window/TfrmMain.h"

#include <chrono>
#include <cstdio>

namespace quindle {

void TfrmMain::KeepServersUp() {
    for (const auto& news : state_.KeepServersUp(std::chrono::steady_clock::now())) {
        if (!news.StatusLine.empty()) {
            StatusBar()->SetPanelText(0, QString::fromLocal8Bit(news.StatusLine));
            std::fprintf(stderr, "%s\n", news.StatusLine.c_str());
        }
        if (!news.Error.empty())
            ShowErrorBox("Error", news.Error, this);
    }
}

} // namespace quindle
