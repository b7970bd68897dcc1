#include "window/dialogs/TfrmQuindleAbout.h"
#include "kit/KoClass.h"
#include "kit/Product.h"
#include "ui_frmQuindleAbout.h"
#include "window/common/ProgramIcon.h"
#include "window/common/WindowHelpers.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace quindle {
namespace {

void SetLinkColour(QWidget* Label, const char* Colour) {
    Label->setStyleSheet(
        QStringLiteral("color: %1; text-decoration: underline;").arg(QLatin1String(Colour)));
}

} // namespace

TfrmQuindleAbout::TfrmQuindleAbout(QWidget* Parent) : QDialog(Parent), ui(new Ui::frmQuindleAbout) {
    ui->setupUi(this);
    const QFont font = WindowFont();
    setFont(font);
    SetFixedDialogFrame(this);
    QFont bold = font;
    bold.setBold(true);
    bold.setPixelSize(13);
    ui->lblTitle->setFont(bold);
    ui->lblEmailAddr->setText(QString::fromLatin1(kContactMail));
    ui->lblWebsiteAddr->setText(QString::fromLatin1(kProductWebsite));
    for (QWidget* link :
         {static_cast<QWidget*>(ui->lblEmailAddr), static_cast<QWidget*>(ui->lblWebsiteAddr)}) {
        SetLinkColour(link, "blue");
        link->installEventFilter(this);
    }
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmQuindleAbout::SetTexts(const QString& Title, const QString& Version, const QString& Year) {
    titleText_ = Title;
    versionText_ = Version;
    yearText_ = Year;
}

TfrmQuindleAbout::~TfrmQuindleAbout() {
    delete ui;
}

void TfrmQuindleAbout::CentreLabel(QWidget* Label) {
    Label->adjustSize();
    Label->move((width() - Label->width()) / 2, Label->y());
}

void TfrmQuindleAbout::showEvent(QShowEvent* Event) {
    ui->imgIcon->setPixmap(ProgramIcon().pixmap(32, 32));
    ui->lblTitle->setText(titleText_);
    CentreLabel(ui->lblTitle);
    ui->imgIcon->move(ui->lblTitle->x() - ui->imgIcon->width() - 10, ui->imgIcon->y());
    ui->lblVersion->setText(QStringLiteral("Version ") + versionText_);
    CentreLabel(ui->lblVersion);
    ui->lblCopyright->setText(
        tr("Copyright \u00a9 %1 %2").arg(yearText_, QString::fromLatin1(kMakerName)));
    CentreLabel(ui->lblCopyright);
    // Every text whole, whatever font the desktop gives: a caption that needs more room pushes
    // its address along.
    for (auto [caption, address] : {std::pair(ui->lblEmail, ui->lblEmailAddr),
                                    std::pair(ui->lblWebsite, ui->lblWebsiteAddr)}) {
        for (QLabel* label : {caption, address})
            label->resize(label->size().expandedTo(label->sizeHint()));
        address->move(std::max(address->x(), caption->geometry().right() + 4), address->y());
    }
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    QDialog::showEvent(Event);
}

bool TfrmQuindleAbout::eventFilter(QObject* Watched, QEvent* Event) {
    auto* label = qobject_cast<QWidget*>(Watched);
    const bool mail = Watched == ui->lblEmailAddr;
    if (!label || (!mail && Watched != ui->lblWebsiteAddr))
        return QDialog::eventFilter(Watched, Event);
    if (Event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton) {
        SetLinkColour(label, "red");
    } else if (Event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton) {
        SetLinkColour(label, "blue");
        if (label->rect().contains(static_cast<QMouseEvent*>(Event)->position().toPoint())) {
            if (mail)
                TKo::OpenContactMail();
            else
                TKo::ShellOpenTarget(kProductWebsite, SW_SHOWNORMAL);
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

} // namespace quindle
