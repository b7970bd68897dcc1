#pragma once

// A running program cannot rewrite its own file: a new address and port go to a copy of the
// program in the temporary folder, which waits until this run has ended, stamps them into the
// program file ("/setup") and starts the program again.

#include "launcher/run/RunState.h"

#include <string>

namespace quindle {

// Writes IPAddress and Port into the working Config.ini, makes the command copy with that
// configuration beside it and starts its "/setup" on the program file, without waiting. Gives
// empty once the copy runs: this run is then to end. Otherwise gives what failed, and nothing
// of the hand-over is left: the working Config.ini has its address and port back, and this run
// is to go on, since nothing would start the program again.
std::string HandOverAddressChange(TRunState& State, const std::string& IPAddress, int Port);

} // namespace quindle
