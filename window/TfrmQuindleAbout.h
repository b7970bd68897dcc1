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

    QString TitleText;
    QString VersionText;
    QString YearText;

    Ui::frmQuindleAbout* ui;

protected:
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CentreLabel(QWidget* Label);
};

} // namespace quindle
