#pragma once

// Port operations the platform halves provide to the portable port code.

namespace quindle {

// Takes the machine-wide claim on Port and holds it until the process ends: false when another
// process holds it, true when taken or when the system offers no place for claims.
bool HoldPortClaim(int Port);

} // namespace quindle
