// The stack's mail sender, bin/Apache/sendmail: PHP's mail() starts it with a sendmail command
// line and the message on its input. It delivers through the relay that sendmail.ini beside it
// sets, with msmtp beside it. Whatever it cannot deliver is kept in the outbox of the folder the
// web server's account writes in (the run's working folder, PHPRC, unless the program names
// another), and PHP hears the failure: a page is never told that a message it lost was sent.

#include "kit/Exceptions.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "mail/Outbox.h"
#include "mail/RelayClient.h"
#include "mail/RelaySettings.h"
#include "mail/SendmailCommand.h"

#include <cstdlib>
#include <iostream>
#include <iterator>
#include <sysexits.h>

using namespace quindle;

int main(int argc, char** argv) {
    const TSendmailCommand command = ParseSendmailCommand({argv + 1, argv + argc});
    std::cin >> std::noskipws;
    const std::string message{std::istreambuf_iterator<char>(std::cin),
                              std::istreambuf_iterator<char>()};

    const std::string here = ExtractFileDir(TKo::GetAppFileName());
    const std::string settingsFile = JoinPath(here, "sendmail.ini");
    const char* phprc = std::getenv("PHPRC");
    const std::string workingFolder = phprc ? phprc : "";
    const std::string errorLog = PhpErrorLog(workingFolder);
    const char* webData = std::getenv(kWebDataVariable);
    const std::string outboxHome = webData && *webData ? webData : workingFolder;

    std::string problem;
    try {
        const TRelaySettings settings = ReadRelaySettings(settingsFile);
        if (settings.Host.empty()) {
            problem = "no SMTP relay is set; the package's author sets it as host in section [" +
                      std::string(kRelaySection) + "] of " + settingsFile;
        } else {
            const TRelayResult result = SendThroughMsmtp(
                JoinPath(here, "msmtp"), MsmtpConfiguration(settings, SystemTrustFile()),
                MsmtpArguments(command, !settings.From.empty(), NamesItsSender(message)), message);
            if (result.Delivered)
                return EX_OK;
            problem = "the relay " + settings.Host + ":" + std::to_string(settings.Port) +
                      " did not take it: " + result.Reason;
        }
    } catch (const Exception& e) {
        problem = e.Message();
    }

    std::string kept;
    try {
        if (outboxHome.empty())
            throw Exception("PHPRC names no working folder");
        kept = "it is kept in " + KeepInOutbox(JoinPath(outboxHome, kOutboxFolder), message);
    } catch (const Exception& e) {
        kept = "it could not be kept: " + e.Message();
    }
    LogToPhpErrorLog(errorLog, "mail(): the message was not sent: " + problem + "; " + kept);
    // Not EX_TEMPFAIL: that tells the caller the message waits in a queue, and none is retried.
    return EX_UNAVAILABLE;
}
