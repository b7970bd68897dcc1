#pragma once

// Process operations the platform halves provide to the portable process code.

#include <cstdint>

namespace quindle {

// Asks a process to end by itself (a termination signal, a close request); false when the
// request could not be delivered.
bool RequestProcessEnd(std::uint32_t Pid);

} // namespace quindle
