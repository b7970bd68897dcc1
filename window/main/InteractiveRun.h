#pragma once

#include "launcher/run/InteractiveLaunch.h"

#include <cstdint>

namespace quindle {

// The window's part of the interactive run: the application object, the main window and the
// rest of the start-up from the run the program prepared, then the event loop until ShutDown
// ends the process.
int RunInteractive(int argc, char** argv, std::uint16_t StartupShowCommand, TPreparedRun& Prepared);

// Ends the toolkit of the interactive run, and with it the browser engine in its orderly way:
// the engine's own threads finish writing the profile's files first. Nothing of the toolkit may
// be used after it.
void EndToolkit();

} // namespace quindle
