#pragma once

// The channel through which an outside browser reports the id of a process the program is to end
// with it. On POSIX: an abstract Unix datagram socket of the given name, each datagram a decimal
// process id; only senders running under the program's own user id are heard. On Windows: the
// window message registered under the name, broadcast to every top-level window, the process id
// in its first parameter.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quindle {

class TMessageWindow;

class TReportChannel {
public:
    TReportChannel();
    TReportChannel(const TReportChannel&) = delete;
    TReportChannel& operator=(const TReportChannel&) = delete;
    ~TReportChannel();

    // Starts listening; false when the name is taken or the system refuses.
    bool Open(const std::string& Name);
    void Close();
    bool IsOpen() const;
    // A descriptor to watch for readability where reports arrive through one; else -1, and the
    // reports wait for the next Receive.
    int Handle() const;
    // Reads every pending report; gives the last valid process id heard, or 0.
    std::uint32_t Receive();

private:
#ifdef _WIN32
    std::unique_ptr<TMessageWindow> window_;
    std::uint32_t last_ = 0;
#else
    int handle_ = -1;
#endif
};

// Sends one report (what an outside browser does); true when it was delivered.
bool SendReport(const std::string& Name, std::uint32_t Pid);

// The process id in the text of a report: optional blanks around a decimal number from 1 to
// 2^31 - 1; nothing for any other text.
std::optional<std::uint32_t> ParseReportedPid(const std::string& Text);

} // namespace quindle
