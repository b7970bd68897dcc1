#pragma once

// The interactive run as the program starts it: the start-up steps that need no window run in
// the program itself, before the window module is loaded, so that the splash comes up and the
// servers start while the toolkit and the browser engine load.

#include "launcher/run/RunState.h"

#include <cstdint>
#include <string>

namespace quindle {

// What the window module takes over from the program's part of the start-up.
struct TPreparedRun {
    TRunState State;
    bool FirstInstance = true;
    std::string Error; // the reason the steps stopped early; empty when they all ran
};

// Runs the steps that need no window, then the window module's run. A module that cannot be
// loaded ends what the steps started, is said on the standard error stream and ends the process
// with a failure code.
int RunInteractiveLaunch(int argc, char** argv, std::uint16_t StartupShowCommand);

} // namespace quindle
