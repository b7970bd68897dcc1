#pragma once

// The command-line service modes: a start with any argument runs one of them, or nothing, and
// never shows the browser window.

#include <string>
#include <vector>

namespace quindle {

// Args are the arguments after the program path; argc and argv are the process's own, for a
// mode that needs the window toolkit.
void DispatchCommandLine(const std::vector<std::string>& Args, int argc, char** argv);

// The parameters that run Mode ("/config", "/setup", ...) on Target with File: each path in
// double quotes.
std::string ModeCommandLine(const std::string& Mode, const std::string& Target,
                            const std::string& File);

} // namespace quindle
