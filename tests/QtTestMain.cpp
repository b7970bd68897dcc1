// The tests of windows that hold a browser control: one application object for the whole run
// (the browser engine starts once per process), no display, private folders.

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const std::string root = quindle::test::PreparePrivateFolders();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    quindle::test::RemovePrivateFolders(root);
    return result;
}
