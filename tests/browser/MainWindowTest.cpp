#include "browser/TfrmMain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWebEngineView>

#include <functional>

using namespace quindle;

namespace {

bool WaitFor(const std::function<bool()>& cond, int ms = 15000) {
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return cond();
}

} // namespace

TEST(MainWindow, CaptionIsThePageTitleThenTheApplicationTitle) {
    TfrmMain frm(1);
    frm.State().AppTitle = "  Demo Shop ";
    frm.WebBrowser1->setHtml("<title>Guestbook</title><p>hi</p>");
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "Guestbook - Demo Shop"; }))
        << frm.windowTitle().toStdString();
}
