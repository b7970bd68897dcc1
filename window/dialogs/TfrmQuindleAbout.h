#pragma once

// The About box: the application title with the program's icon before it, the version, the
// notice line, and links to the product's mail address and web site.

#include <QDialog>

namespace Ui {
class frmQuindleAbout;
}

namespace quindle {

class TfrmQuindleAbout : public QDialog {
    Q_OBJECT

public:
    explicit TfrmQuindleAbout(QWidget* Parent = nullptr);
    ~TfrmQuindleAbout() override;

    // The application title, the version and the year of the notice line.
    void SetTexts(const QString& Title, const QString& Version, const QString& Year);

protected:
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CentreLabel(QWidget* Label);

    Ui::frmQuindleAbout* ui;
    QString titleText_, versionText_, yearText_;
};

} // namespace quindle
