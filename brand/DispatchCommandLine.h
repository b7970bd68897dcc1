#pragma once

// The command-line service modes: a start with any argument runs one of them, or nothing, and
// never shows the browser window.

#include <string>
#include <vector>

namespace quindle {

// Args are the arguments after the program path; argc and argv are the process's own, for a
// mode that needs the window toolkit.
void DispatchCommandLine(const std::vector<std::string>& Args, int argc, char** argv);

} // namespace quindle
