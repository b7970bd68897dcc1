// Every text of the main window's bars and of the dialogs is shown whole, with the toolkit's
// font and with the bigger one other desktops use: nothing is elided or clipped.

#include "tests/window/BrowserTestSupport.h"
#include "window/dialogs/TfrmBrand.h"
#include "window/dialogs/TfrmQuindleAbout.h"
#include "window/dialogs/TfrmSettings.h"
#include "window/main/TfrmMain.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <algorithm>

using namespace quindle;
using namespace quindle::test;

namespace {

// The size a control's text and icon take, without the padding a style may add around them.
QSize Needed(QWidget* W, const QString& Text) {
    const QFontMetrics metrics = W->fontMetrics();
    const QSize text(metrics.horizontalAdvance(Text), metrics.height());
    auto* tool = qobject_cast<QToolButton*>(W);
    if (qobject_cast<QLabel*>(W))
        return W->sizeHint();
    if (!tool || tool->icon().isNull())
        return QSize(text.width() + 8, text.height()); // a button's frame, at the least
    const QSize icon = tool->iconSize();
    if (tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon)
        return QSize(std::max(icon.width(), text.width()), icon.height() + text.height());
    return QSize(icon.width() + text.width(), std::max(icon.height(), text.height()));
}

// The visible controls of Window whose text is narrower or lower than it needs. The window is
// saved as build/screenshots/labels-<its name>-<font factor>-<scale>.png for people to look at.
std::string CutTexts(QWidget& Window, double FontFactor) {
    Window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window));
    QApplication::processEvents();
    QDir().mkpath(QStringLiteral(QUINDLE_BINARY_DIR "/screenshots"));
    Window.grab().save(QStringLiteral(QUINDLE_BINARY_DIR "/screenshots/labels-%1-%2-%3.png")
                           .arg(Window.objectName())
                           .arg(FontFactor)
                           .arg(qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"))));
    std::string cut;
    auto check = [&](QWidget* W, const QString& Text) {
        if (!W->isVisibleTo(&Window) || Text.trimmed().isEmpty())
            return;
        const QSize needed = Needed(W, Text);
        if (W->width() < needed.width() || W->height() < needed.height())
            cut += "\"" + Text.toStdString() + "\" (" + W->objectName().toStdString() + ") is " +
                   std::to_string(W->width()) + "x" + std::to_string(W->height()) + ", needs " +
                   std::to_string(needed.width()) + "x" + std::to_string(needed.height()) + "\n";
    };
    for (QAbstractButton* button : Window.findChildren<QAbstractButton*>())
        check(button, button->text());
    for (QLabel* label : Window.findChildren<QLabel*>())
        if (!label->wordWrap() && label->pixmap().isNull())
            check(label, label->text());
    Window.hide();
    return cut;
}

class Labels : public ::testing::TestWithParam<double> {
protected:
    void SetUp() override {
        QFont font = original;
        font.setPointSizeF(original.pointSizeF() * GetParam());
        QApplication::setFont(font);
    }
    void TearDown() override { QApplication::setFont(original); }
    QFont original = QApplication::font();
};

} // namespace

TEST_P(Labels, AreShownWholeInTheMainWindowAndEveryDialog) {
    TfrmMain main(1);
    main.State().AppTitle = "Demo Shop";
    main.resize(1024, 700);
    EXPECT_EQ(CutTexts(main, GetParam()), "");
    TfrmQuindleAbout about;
    about.SetTexts("Demo Shop", "9.00", "2026");
    EXPECT_EQ(CutTexts(about, GetParam()), "");
    TfrmSettings settings;
    EXPECT_EQ(CutTexts(settings, GetParam()), "");
    TfrmBrand brand;
    EXPECT_EQ(CutTexts(brand, GetParam()), "");
}

INSTANTIATE_TEST_SUITE_P(Fonts, Labels, ::testing::Values(1.0, 1.25));
