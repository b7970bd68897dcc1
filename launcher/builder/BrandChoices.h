#pragma once

// What the author chose in the Rebrand dialog for the rebranded copy: read from Brand.ini, shown
// and changed by the dialog, stored back and built by the package builder. Brand.ini keeps the
// flags as "1" and "0"; anything but "0" there means on. Texts are bytes in the system's code
// page, as Brand.ini holds them. The defaults are those of a fresh Brand.ini (BrandKeys.cpp).

#include <string>

namespace quindle {

struct TBrandChoices {
    std::string SplashFileName;
    std::string Title;
    std::string IconFileName;
    bool ShowToolbar = true, ShowStatusbar = true, ShowTrayIcon = false, FullScreen = false;
    std::string IPAddress = "127.0.0.1"; // or "all"
    int Port = 80;
    bool CopyFilesToHardDisk = false, IncludeMySQL = true;
    // The Debian package's version and maintainer: Brand.ini's, edited by the author there.
    std::string Version = "1.0";
    std::string Maintainer = "Package author <author@example.org>";
    // Where the package goes; shown in the dialog's confirmation, not chosen there.
    std::string OutputDir;

    bool operator==(const TBrandChoices&) const = default;
};

} // namespace quindle
