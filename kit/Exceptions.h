#pragma once

// How the kit reports failure, one way for each kind of call:
// - An operation (read, write, copy, start, replace) that fails raises Exception or a subclass,
//   whose message names the thing (file, folder, program) and the system's reason.
// - A question (exists? in use? writable? did it end?), or an attempt whose failure callers take
//   in stride, answers bool and never raises.
// - A lookup or parse that may find nothing returns std::optional, never a bool and an
//   out-parameter.
// No call returns an error number, and no object keeps a failure for the caller to ask about.

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
