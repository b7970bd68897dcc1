#pragma once

#include <cstdint>

namespace quindle {

// The interactive run: the application object, the main window and its start-up, then the
// event loop until ShutDown ends the process.
int RunInteractive(int argc, char** argv, std::uint16_t StartupShowCommand);

// Ends the toolkit of the interactive run, and with it the browser engine in its orderly way:
// the engine's own threads finish writing the profile's files first. Nothing of the toolkit may
// be used after it.
void EndToolkit();

} // namespace quindle
