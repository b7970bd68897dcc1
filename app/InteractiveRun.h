#pragma once

#include <cstdint>

namespace quindle {

// The interactive run: the application object, the main window and its start-up, then the
// event loop until ShutDown ends the process.
int RunInteractive(int argc, char** argv, std::uint16_t StartupShowCommand);

} // namespace quindle
