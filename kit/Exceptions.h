#pragma once

#include <stdexcept>
#include <string>

namespace quindle {

// The general exception class: every error the kit raises carries a message meant for a person.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// Raised when a whole file cannot be opened or created; names the file and the system's reason.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// Raised by TFile; ErrorCode is the system error number behind it.
class EFileError : public Exception {
public:
    EFileError(const std::string& message, int errorCode)
        : Exception(message), ErrorCode(errorCode) {}
    int ErrorCode;
};

} // namespace quindle
