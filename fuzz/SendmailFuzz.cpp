#include "mail/SendmailCommand.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace quindle;

// The arguments a page gives mail(), one per line, then the same bytes as a message.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        args.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    const TSendmailCommand command = ParseSendmailCommand(args);
    const bool names = NamesItsSender(text);
    for (const bool senderIsSet : {false, true}) {
        const std::vector<std::string> out = MsmtpArguments(command, senderIsSet, names);
        // Only the sender's own options come before the end of the options, and after it come
        // exactly the recipients: nothing a page writes becomes an option of the client.
        std::size_t end = 0;
        while (end < out.size() && out[end] != "--") {
            const std::string& option = out[end];
            if (option != "--read-recipients" && option != "--read-envelope-from" &&
                option.rfind("--from=", 0) != 0)
                std::abort();
            ++end;
        }
        if (end == out.size() ||
            std::vector<std::string>(out.begin() + end + 1, out.end()) != command.Recipients)
            std::abort();
    }
    return 0;
}
