#pragma once

// Who makes the product and where users find it: the one place for the web site, the contact
// address and the version the program reports.

namespace quindle {

constexpr const char* kProductName = "Quindle";
constexpr const char* kProductVersion = "9.00";
constexpr const char* kMakerName = "The Quindle developers";
constexpr const char* kProductWebsite = "https://quindle.dev/";
constexpr const char* kContactMail = "support@quindle.dev";

} // namespace quindle
