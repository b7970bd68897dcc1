#pragma once

// The command line PHP and other programs give a sendmail: options of the classic sendmail,
// most of them meaningless for a relay client and therefore taken and ignored, then the
// recipients.

#include <string>
#include <vector>

namespace quindle {

struct TSendmailCommand {
    bool ReadRecipients = false; // -t: the To, Cc and Bcc headers name the recipients too
    std::string EnvelopeFrom;    // -f or -r
    std::vector<std::string> Recipients;
};

// Never fails: an option it does not know is ignored, as a sendmail ignores one it does not
// need, and "--" ends the options.
TSendmailCommand ParseSendmailCommand(const std::vector<std::string>& Arguments);

// Whether the message's header has a From line.
bool NamesItsSender(const std::string& Message);

// The arguments msmtp takes for the same message, after its own options. SenderIsSet: the
// settings name the sender, which wins over the page's and the message's.
std::vector<std::string> MsmtpArguments(const TSendmailCommand& Command, bool SenderIsSet,
                                        bool MessageNamesSender);

} // namespace quindle
