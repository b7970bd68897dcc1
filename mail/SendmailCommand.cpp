#include "mail/SendmailCommand.h"
#include "kit/Strings.h"

#include <string_view>

namespace quindle {

TSendmailCommand ParseSendmailCommand(const std::vector<std::string>& Arguments) {
    TSendmailCommand command;
    bool options = true;
    for (std::size_t i = 0; i < Arguments.size(); ++i) {
        const std::string& arg = Arguments[i];
        if (!options || arg.size() < 2 || arg[0] != '-') {
            if (!arg.empty())
                command.Recipients.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options = false;
            continue;
        }
        const char letter = arg[1];
        if (letter == 't' && arg.size() == 2) {
            command.ReadRecipients = true;
        } else if (letter == 'f' || letter == 'r') {
            // The value follows the letter, or is the next argument.
            command.EnvelopeFrom = arg.substr(2);
            if (command.EnvelopeFrom.empty() && i + 1 < Arguments.size())
                command.EnvelopeFrom = Arguments[++i];
        } else if (std::string_view("FNRVXBLO").find(letter) != std::string_view::npos &&
                   arg.size() == 2 && i + 1 < Arguments.size()) {
            ++i; // an option of the classic sendmail whose value is the next argument
        }
        // Any other option (-i, -oi, -odb, -bm, -v ...) changes nothing a relay client does.
    }
    return command;
}

bool NamesItsSender(const std::string& Message) {
    for (std::size_t at = 0; at < Message.size();) {
        std::size_t end = Message.find('\n', at);
        if (end == std::string::npos)
            end = Message.size();
        const std::string_view line(Message.data() + at, end - at);
        if (line.empty() || line == "\r")
            return false; // the body begins
        if (line.size() >= 5 && LowerCase(line.substr(0, 5)) == "from:")
            return true;
        at = end + 1;
    }
    return false;
}

std::vector<std::string> MsmtpArguments(const TSendmailCommand& Command, bool SenderIsSet,
                                        bool MessageNamesSender) {
    std::vector<std::string> args;
    if (Command.ReadRecipients)
        args.push_back("--read-recipients");
    // The sender the settings name wins: a relay that wants a login takes mail only from its
    // own account. Without one, the page's, else the message's own From; the account's
    // fallback otherwise.
    if (!SenderIsSet) {
        if (!Command.EnvelopeFrom.empty())
            args.push_back("--from=" + Command.EnvelopeFrom);
        else if (MessageNamesSender)
            args.push_back("--read-envelope-from");
    }
    args.push_back("--");
    for (const auto& recipient : Command.Recipients)
        args.push_back(recipient);
    return args;
}

} // namespace quindle
