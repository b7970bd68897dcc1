#include "window/browser/TFindDialog.h"
#include "window/browser/TWebBrowser.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWebEngineFindTextResult>

namespace quindle {

TFindDialog* TFindDialog::ShowFor(TWebBrowser& Browser) {
    auto* dialog = Browser.findChild<TFindDialog*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog)
        dialog = new TFindDialog(Browser);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->edtFindText->setFocus();
    dialog->edtFindText->selectAll();
    return dialog;
}

TFindDialog::TFindDialog(TWebBrowser& Browser) : QDialog(&Browser, Qt::Tool), browser_(Browser) {
    setObjectName(QStringLiteral("dlgFind"));
    setWindowTitle(tr("Find"));
    edtFindText = new QLineEdit(this);
    edtFindText->setObjectName(QStringLiteral("edtFindText"));
    chkMatchCase = new QCheckBox(tr("Match &case"), this);
    lblResult = new QLabel(this);
    lblResult->setObjectName(QStringLiteral("lblResult"));
    auto* btnNext = new QPushButton(tr("&Find Next"), this);
    btnNext->setDefault(true);
    auto* btnPrevious = new QPushButton(tr("&Previous"), this);
    auto* btnClose = new QPushButton(tr("Close"), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Fi&nd what:"), this), 0, 0);
    grid->addWidget(edtFindText, 0, 1);
    grid->addWidget(btnNext, 0, 2);
    grid->addWidget(chkMatchCase, 1, 1);
    grid->addWidget(btnPrevious, 1, 2);
    grid->addWidget(lblResult, 2, 1);
    grid->addWidget(btnClose, 2, 2);

    connect(btnNext, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(btnPrevious, &QPushButton::clicked, this, [this] { FindNext(true); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    // The engine carries on with a search of the same text whatever the flags; another letter
    // case rule starts a new one.
    connect(chkMatchCase, &QCheckBox::toggled, this, [this] { browser_.findText(QString()); });
    // Closing the window clears the highlighting on the page.
    connect(this, &QDialog::finished, this, [this] { browser_.findText(QString()); });
}

void TFindDialog::FindNext(bool Backward) {
    QWebEnginePage::FindFlags flags;
    if (chkMatchCase->isChecked())
        flags |= QWebEnginePage::FindCaseSensitively;
    if (Backward)
        flags |= QWebEnginePage::FindBackward;
    QPointer<QLabel> result = lblResult;
    const QString text = edtFindText->text();
    browser_.findText(text, flags, [result, text](const QWebEngineFindTextResult& Found) {
        if (!result)
            return;
        if (text.isEmpty())
            result->clear();
        else if (Found.numberOfMatches() == 0)
            result->setText(QObject::tr("Not found"));
        else
            result->setText(QObject::tr("%1 of %2 matches")
                                .arg(Found.activeMatch())
                                .arg(Found.numberOfMatches()));
    });
}

} // namespace quindle
