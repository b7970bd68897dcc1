#pragma once

#include "launcher/Modules.h"

namespace quindle {

// Ends the toolkit of the interactive run, and with it the browser engine in its orderly way:
// the engine's own threads finish writing the profile's files first. Nothing of the toolkit may
// be used after it.
void EndToolkit();

} // namespace quindle
