#include "window/common/ErrorReport.h"

#include <QMessageBox>
#include <QString>

#include <cstdio>

namespace quindle {

void ShowErrorBox(const std::string& Caption, const std::string& Text, QWidget* Parent) {
    std::fprintf(stderr, "%s: %s\n", Caption.c_str(), Text.c_str());
    std::fflush(stderr);
    QMessageBox::critical(Parent, QString::fromLocal8Bit(Caption), QString::fromLocal8Bit(Text),
                          QMessageBox::Ok);
}

void ReportApplicationError(const std::string& AppTitle, const std::string& Message,
                            QWidget* Parent) {
    std::string text = Message;
    if (!text.empty() && text.back() != '.')
        text += '.';
    ShowErrorBox(AppTitle, text, Parent);
}

} // namespace quindle
