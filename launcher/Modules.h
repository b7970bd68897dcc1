#pragma once

// The parts of the program that need the window toolkit: the interactive run with its windows,
// and the splash picture. The launcher reaches them through these entries alone.

#include <cstdint>
#include <string>

namespace quindle {

// The interactive run: the application object, the main window and its start-up, then the
// event loop until ShutDown ends the process.
int RunInteractive(int argc, char** argv, std::uint16_t StartupShowCommand);

// The "splash" mode: shows the splash unless the configuration file says showsplash=0, then
// runs until the process is ended from outside. Returns at once when there is nothing to show.
void RunSplash(const std::string& ConfigFile, int argc, char** argv);

} // namespace quindle
