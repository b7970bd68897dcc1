#pragma once

// The program's one way to say a failure that nobody is shown: a line on the standard error
// stream and, once the working folder is known, in its quindle.log. The file stays small: when
// it reaches kLogLimitBytes it becomes quindle.log.1 (replacing an older one) and a new one
// begins, so the two never hold more than twice that.

#include <cstdint>
#include <string>

namespace quindle {

constexpr std::uintmax_t kLogLimitBytes = 256 * 1024;
constexpr const char* kLogFileName = "quindle.log";

// From now on lines also go to quindle.log in Folder; an empty Folder stops that.
void SetLogFolder(const std::string& Folder);
// The file lines go to; empty while there is none.
std::string LogFile();

// Writes one line: the time, the process and Text. Never raises; a log that cannot be written
// loses the line there, the error stream still has it.
void LogLine(const std::string& Text) noexcept;

// Called inside a catch block: logs where the failure was caught and what it said.
void LogCaught(const std::string& Where) noexcept;

} // namespace quindle
