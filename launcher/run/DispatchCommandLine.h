#pragma once

// The command line of a start with arguments: the splash window, or a service mode, or nothing;
// never the browser window.

#include <string>
#include <vector>

namespace quindle {

// Args are the arguments after the program path; argc and argv are the process's own, for a
// mode that needs the window toolkit.
void DispatchCommandLine(const std::vector<std::string>& Args, int argc, char** argv);

} // namespace quindle
