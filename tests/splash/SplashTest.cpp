#include "splash/TfrmSplash.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

using namespace quindle;

TEST(SplashPlacement, CentredAlsoWhenLargerThanTheScreen) {
    EXPECT_EQ(CentredSplashGeometry(1024, 768, 424, 222), QRect(300, 273, 424, 222));
    EXPECT_EQ(CentredSplashGeometry(800, 600, 1000, 701), QRect(-100, -50, 1000, 701));
    EXPECT_EQ(CentredSplashGeometry(800, 600, 801, 601), QRect(0, 0, 801, 601)); // -0.5 → 0
}

// This test program carries the shipped splash picture, as the program does.
TEST(SplashWindow, ShowsTheProgramsPictureCentredAndIgnoresClicks) {
    int argc = 1;
    char name[] = "splash_tests";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    auto* splash = new TfrmSplash();
    EXPECT_EQ(frmSplash, splash);
    splash->FormShow();
    EXPECT_EQ(splash->size(), QSize(424, 222));
    EXPECT_EQ(splash->Picture().size(), QSize(424, 222));
    // The picture itself, not an empty frame: the shipped splash is not one colour.
    EXPECT_NE(splash->Picture().pixel(0, 0), splash->Picture().pixel(212, 111));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(splash->geometry(), CentredSplashGeometry(screen.width(), screen.height(), 424, 222));
    EXPECT_TRUE(splash->flags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(splash->flags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash->flags() & Qt::WindowType_Mask, Qt::SplashScreen);

    QMouseEvent click(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QGuiApplication::sendEvent(splash, &click);
    QGuiApplication::processEvents();
    EXPECT_TRUE(splash->isVisible());
    splash->close(); // closing frees it and clears the reference
    QGuiApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frmSplash, nullptr);
}
