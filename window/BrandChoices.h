#pragma once

// What the author chose in the Rebrand dialog for the rebranded copy: read from Brand.ini, shown
// and changed by the dialog, stored back and built by the package builder. Brand.ini keeps the
// flags as "1" and "0"; anything but "0" there means on.

#include <QString>

namespace quindle {

struct TBrandChoices {
    QString SplashFileName;
    QString Title;
    QString IconFileName;
    bool ShowToolbar = true, ShowStatusbar = true, ShowTrayIcon = false, FullScreen = false;
    QString IPAddress = QStringLiteral("127.0.0.1"); // or "all"
    int Port = 80;
    bool CopyFilesToHardDisk = false, IncludeMySQL = true;
    // Where the package goes; shown in the dialog's confirmation, not chosen there.
    QString OutputDir;
};

} // namespace quindle
