#pragma once

// The two settings files of a package: Config.ini (section [INI], written out of the program's
// own resource at every start) and Browser.ini (in the bin folder, written only by the package
// author). These are the rules for reading their values.

#include <optional>
#include <string>

namespace quindle {

constexpr const char* kBuiltInTitle = "Quindle";
constexpr const char* kConfigSection = "INI";
constexpr const char* kLoopbackAddress = "127.0.0.1";
constexpr const char* kAllAddresses = "0.0.0.0";

// A flag is off only when its value is exactly "0"; empty and absent mean on.
bool IsFlagOn(const std::string& Value);

// Exactly "127.0.0.1" keeps the web server on the loopback address; anything else opens it to
// all addresses.
bool IsLoopbackOnly(const std::string& Ip);
std::string ListenAddress(const std::string& Ip);

// The application title: the trimmed value, or the built-in name when that is empty.
std::string ConfigTitle(const std::string& Value);

// The port setting: a whole decimal number, else nothing.
std::optional<int> ParsePort(const std::string& Value);

// The site's own address, the one place it is made: "127.0.0.1:<port>", the home address
// "http://127.0.0.1:<port>", and a page of the site, Path beginning with "/".
std::string LocalhostPort(int WebPort);
std::string HomeAddress(int WebPort);
std::string LocalAddress(int WebPort, const std::string& Path);

struct BrowserSettings {
    std::string BrowserPath; // "{bin}" replaced
    std::string Parameters;  // "{bin}" and then "{url}" replaced
    int SplashTime = 0;      // whole seconds; 0 for anything that is not a positive number
    bool Silent = true;      // script error dialogs suppressed
};

std::string BrowserIniPath(const std::string& BinDir);

// Browser.ini of BinDir; a missing file gives the defaults. Its "{url}" becomes Url, or the home
// address with WebPort when Url is empty.
BrowserSettings ReadBrowserIni(const std::string& BinDir, int WebPort,
                               const std::string& Url = std::string());

} // namespace quindle
