#pragma once

// A running program cannot rewrite its own file: a new address and port go to a copy of the
// program in the temporary folder, which waits until this run has ended, stamps them into the
// program file ("/setup") and starts the program again.

#include "launcher/run/RunState.h"

#include <string>

namespace quindle {

// Writes IPAddress and Port into the working Config.ini, makes the command copy with that
// configuration beside it and starts its "/setup" on the program file, without waiting. Nothing
// is reported: when a step fails, the program file keeps its configuration and nothing starts
// the program again.
void HandOverAddressChange(TRunState& State, const std::string& IPAddress, int Port);

} // namespace quindle
