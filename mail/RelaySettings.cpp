#include "mail/RelaySettings.h"
#include "kit/Exceptions.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <charconv>

namespace quindle {
namespace {

std::string Setting(const std::string& IniFile, const char* Key) {
    return Trim(TKo::ReadIniString(IniFile, kRelaySection, Key));
}

[[noreturn]] void Unusable(const std::string& IniFile, const char* Key, const std::string& Value,
                           const char* Allowed) {
    throw Exception(IniFile + ": [" + kRelaySection + "] " + Key + " = \"" + Value +
                    "\" cannot be used; it must be " + Allowed);
}

// msmtp takes a value in double quotes as everything between the first and the last quote of
// the line, blanks and inner quotes included; a backslash is no escape there.
std::string Quoted(const std::string& Value) {
    return "\"" + Value + "\"";
}

} // namespace

TRelaySettings ReadRelaySettings(const std::string& IniFile) {
    TRelaySettings settings;
    settings.Host = Setting(IniFile, "host");
    const std::string tls = LowerCase(Setting(IniFile, "tls"));
    if (tls == "none")
        settings.Tls = TRelayTls::None;
    else if (tls == "starttls" || tls.empty())
        settings.Tls = TRelayTls::StartTls;
    else if (tls == "tls" || tls == "ssl")
        settings.Tls = TRelayTls::Tls;
    else
        Unusable(IniFile, "tls", tls, "none, starttls or tls");

    const std::string port = Setting(IniFile, "port");
    if (port.empty()) {
        settings.Port = settings.Tls == TRelayTls::Tls        ? 465
                        : settings.Tls == TRelayTls::StartTls ? 587
                                                              : 25;
    } else {
        const auto [end, error] =
            std::from_chars(port.data(), port.data() + port.size(), settings.Port);
        if (error != std::errc() || end != port.data() + port.size() || settings.Port < 1 ||
            settings.Port > 65535)
            Unusable(IniFile, "port", port, "a number from 1 to 65535");
    }
    settings.User = Setting(IniFile, "user");
    // A password may begin or end with blanks; only the line's own end is not part of it.
    settings.Password = TKo::ReadIniString(IniFile, kRelaySection, "password");
    settings.From = Setting(IniFile, "from");
    return settings;
}

std::string MsmtpConfiguration(const TRelaySettings& Settings, const std::string& TrustFile) {
    std::string text = "account relay\n";
    text += "host " + Quoted(Settings.Host) + "\n";
    text += "port " + std::to_string(Settings.Port) + "\n";
    // A relay that takes the connection and never answers must not hold the page forever.
    text += "timeout 30\n";
    text += std::string("tls ") + (Settings.Tls == TRelayTls::None ? "off" : "on") + "\n";
    if (Settings.Tls != TRelayTls::None) {
        text += std::string("tls_starttls ") +
                (Settings.Tls == TRelayTls::StartTls ? "on" : "off") + "\n";
        if (!TrustFile.empty())
            text += "tls_trust_file " + Quoted(TrustFile) + "\n";
    }
    if (Settings.User.empty()) {
        text += "auth off\n";
    } else {
        text += "auth on\n";
        text += "user " + Quoted(Settings.User) + "\n";
        text += "password " + Quoted(Settings.Password) + "\n";
    }
    // The sender when neither the page nor the message names one: the account's name where
    // that is an address, as it mostly is, and otherwise this user at this machine.
    if (!Settings.From.empty())
        text += "from " + Quoted(Settings.From) + "\n";
    else if (Settings.User.find('@') != std::string::npos)
        text += "from " + Quoted(Settings.User) + "\n";
    else
        text += "from \"%U@%C\"\n";
    return text;
}

std::string SystemTrustFile() {
    // Debian and its kin, Fedora and its kin, openSUSE, Alpine and Arch.
    for (const char* bundle :
         {"/etc/ssl/certs/ca-certificates.crt", "/etc/pki/tls/certs/ca-bundle.crt",
          "/etc/ssl/ca-bundle.pem", "/etc/pki/ca-trust/extracted/pem/tls-ca-bundle.pem",
          "/etc/ssl/cert.pem"})
        if (FileExists(bundle))
            return bundle;
    return std::string();
}

} // namespace quindle
