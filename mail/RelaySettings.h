#pragma once

// The SMTP relay the stack's mail sender delivers through, as the package author sets it in
// sendmail.ini beside the sender, and the msmtp account made of it.

#include <string>

namespace quindle {

enum class TRelayTls {
    None,     // plain text throughout
    StartTls, // plain text until the client asks for TLS (submission, port 587)
    Tls,      // TLS from the first byte (port 465)
};

struct TRelaySettings {
    std::string Host; // empty: no relay is set
    int Port = 0;     // the usual port of the TLS choice when the file leaves it empty
    TRelayTls Tls = TRelayTls::StartTls;
    std::string User; // empty: the relay takes mail without logging in
    std::string Password;
    std::string From; // the sender of every message; empty: the page's or the message's own
};

constexpr const char* kRelaySection = "relay";

// Reads section [relay] of the settings file; a file that is missing sets no relay. A value
// that cannot be used raises Exception naming the file, the key and what it may be.
TRelaySettings ReadRelaySettings(const std::string& IniFile);

// An msmtp configuration with the one account "relay". Certificates are checked against
// TrustFile, or against the TLS library's own default where that is empty.
std::string MsmtpConfiguration(const TRelaySettings& Settings, const std::string& TrustFile);

// The first bundle of trusted certificates the system has, wherever its distribution keeps it;
// empty when none is found.
std::string SystemTrustFile();

} // namespace quindle
