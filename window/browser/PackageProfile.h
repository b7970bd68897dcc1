#pragma once

// The package's browser profile: cookies, storage and cache in the run's data folder, shared by
// the main window and every popup. The application object owns it, so it outlives every window
// (a popup may still be open when the main window goes); the shutdown closes it after the pages.

#include <string>

class QWebEngineProfile;

namespace quindle {

class TPackageProfile {
public:
    TPackageProfile() = delete;

    // The application's package profile, made in DataDir at the first call.
    static QWebEngineProfile* Open(const std::string& DataDir);
    // Ends every page of every window, then the profile: the browser engine then writes what it
    // still holds of them (cookies, storage) as soon as its events run. Nothing when it was
    // never opened.
    static void Close();
};

} // namespace quindle
