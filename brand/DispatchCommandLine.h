#pragma once

// The command-line service modes: a start with any argument runs one of them, or nothing, and
// never shows the browser window.

#include <string>
#include <vector>

namespace quindle {

// Args are the arguments after the program path.
void DispatchCommandLine(const std::vector<std::string>& Args);

} // namespace quindle
