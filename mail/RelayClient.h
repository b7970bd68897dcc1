#pragma once

// Hands one message to msmtp, which speaks SMTP with the relay. The account goes to it through
// a pipe, so the password is never in a file, a command line or the environment.

#include <string>
#include <vector>

namespace quindle {

struct TRelayResult {
    bool Delivered = false;
    std::string Reason; // why not, in msmtp's words; empty when delivered
};

TRelayResult SendThroughMsmtp(const std::string& Msmtp, const std::string& Configuration,
                              const std::vector<std::string>& Arguments,
                              const std::string& Message);

} // namespace quindle
