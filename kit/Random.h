#pragma once

// Secrets: bytes from the system's source of cryptographic randomness, never from a seeded
// generator another process could repeat.

#include <cstddef>
#include <string>

namespace quindle {

// Count random bytes as lower-case hexadecimal digits, two for each. Raises Exception when the
// system gives none.
std::string RandomHex(std::size_t Count);

} // namespace quindle
