#pragma once

// The channel through which an outside browser reports the id of a process the program is to end
// with it. On POSIX: an abstract Unix datagram socket of the given name, each datagram a decimal
// process id; only senders running under the program's own user id are heard.

#include <cstdint>
#include <string>

namespace quindle {

class TReportChannel {
public:
    TReportChannel() = default;
    TReportChannel(const TReportChannel&) = delete;
    TReportChannel& operator=(const TReportChannel&) = delete;
    ~TReportChannel();

    // Starts listening; false when the name is taken or the system refuses.
    bool Open(const std::string& Name);
    void Close();
    bool IsOpen() const { return handle_ >= 0; }
    // What to watch for readability; -1 when closed.
    int Handle() const { return handle_; }
    // Reads every pending report; gives the last valid process id heard, or 0.
    std::uint32_t Receive();

private:
    int handle_ = -1;
};

// Sends one report (what an outside browser does); true when it was delivered.
bool SendReport(const std::string& Name, std::uint32_t Pid);

// Parses the text of a report: optional blanks around a decimal process id from 1 to 2^31 - 1.
bool ParseReportedPid(const std::string& Text, std::uint32_t& Pid);

} // namespace quindle
