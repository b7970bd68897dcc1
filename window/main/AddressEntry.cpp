// The tray menu's address and port entry: the dialog, and the hand-over to a command copy that
// restarts the program on the new address and port.

#include "kit/Strings.h"
#include "launcher/run/AddressChange.h"
#include "window/common/ErrorReport.h"
#include "window/dialogs/TfrmSettings.h"
#include "window/main/TfrmMain.h"
#include "window/main/TrayMenu.h"

#include <QCoreApplication>

namespace quindle {

void TfrmMain::ChangeAddress() {
    tray_->EnableIcon(false);
    QString ip;
    int port = 0;
    bool confirmed = false;
    try {
        // The application owns the dialog: it is centred on the screen, not on the window.
        TfrmSettings form;
        state_.ConfigFile = state_.ExtractConfigIni();
        // The running instance started with this setting, so it is a number; the port it
        // listens on stands in if the file said otherwise.
        form.SetAddress(QString::fromLocal8Bit(state_.ReadConfig("ip")),
                        TryStrToInt(Trim(state_.ReadConfig("port"))).value_or(state_.WebPort));
        confirmed = form.exec() == QDialog::Accepted;
        if (confirmed) {
            ip = form.IPAddress();
            port = form.Port();
            form.hide();
            QCoreApplication::processEvents();
        }
    } catch (...) {
        confirmed = false;
    }
    if (confirmed) {
        const std::string problem =
            HandOverAddressChange(state_, ip.toLocal8Bit().toStdString(), port);
        if (problem.empty())
            ShutDown();
        // The run goes on as it was: nothing would start the program again.
        ShowErrorBox("Error", problem, this);
    }
    tray_->EnableIcon(true);
}

} // namespace quindle
