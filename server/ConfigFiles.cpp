#include "server/ConfigFiles.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

namespace quindle {

bool IsFlagOn(const std::string& Value) {
    return Value != "0";
}

bool IsLoopbackOnly(const std::string& Ip) {
    return Ip == kLoopbackAddress;
}

std::string ListenAddress(const std::string& Ip) {
    return IsLoopbackOnly(Ip) ? kLoopbackAddress : kAllAddresses;
}

std::string ConfigTitle(const std::string& Value) {
    const std::string title = Trim(Value);
    return title.empty() ? kBuiltInTitle : title;
}

std::optional<int> ParsePort(const std::string& Value) {
    return TryStrToInt(Value);
}

std::string LocalhostPort(int WebPort) {
    return std::string(kLoopbackAddress) + ":" + std::to_string(WebPort);
}

std::string HomeAddress(int WebPort) {
    return "http://" + LocalhostPort(WebPort);
}

std::string LocalAddress(int WebPort, const std::string& Path) {
    return HomeAddress(WebPort) + Path;
}

std::string BrowserIniPath(const std::string& BinDir) {
    return JoinPath(BinDir, "Browser.ini");
}

BrowserSettings ReadBrowserIni(const std::string& BinDir, int WebPort, const std::string& Url) {
    const std::string file = BrowserIniPath(BinDir);
    BrowserSettings s;
    s.BrowserPath =
        TKo::ReplaceText(TKo::ReadIniString(file, "Browser", "BrowserPath"), "{bin}", BinDir, true);
    s.Parameters =
        TKo::ReplaceText(TKo::ReadIniString(file, "Browser", "Parameters"), "{bin}", BinDir, true);
    s.Parameters =
        TKo::ReplaceText(s.Parameters, "{url}", Url.empty() ? HomeAddress(WebPort) : Url, true);
    const auto seconds = TryStrToInt(TKo::ReadIniString(file, "Browser", "SplashTime"));
    if (seconds && *seconds > 0)
        s.SplashTime = *seconds;
    s.Silent = TKo::ReadIniString(file, "Other", "DisableJavaScriptErrorDialogs") != "0";
    return s;
}

} // namespace quindle
