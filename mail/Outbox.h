#pragma once

// What the mail sender could not deliver is kept, one file per message, in the outbox folder of
// the run's working folder; the reason goes to PHP's error log, where the author looks for why
// a page failed.

#include <string>

namespace quindle {

// In the working folder, which the program prepares for the web server's account at each start.
constexpr const char* kOutboxFolder = "outbox";
// Names the folder that holds the outbox when it is not the working folder: the program sets it
// for the web server (server/ServerConfig.h).
constexpr const char* kWebDataVariable = "QUINDLE_WEBDATA";

// Writes Message as a new file in Folder (created for this user alone, as the file is), named by
// the time and never replacing another; returns its path. Raises Exception when it cannot.
std::string KeepInOutbox(const std::string& Folder, const std::string& Message);

// The file error_log names in the php.ini of that working folder; empty when there is none, and
// PHP then logs to the web server's error stream.
std::string PhpErrorLog(const std::string& WorkingFolder);

// Adds one line as PHP writes its own: the time in brackets, then Text. To the standard error
// stream when File is empty or cannot be written.
void LogToPhpErrorLog(const std::string& File, const std::string& Text);

} // namespace quindle
