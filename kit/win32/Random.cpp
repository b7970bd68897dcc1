#include "kit/Random.h"
#include "kit/Exceptions.h"
#include "kit/Strings.h"

#include <windows.h>

#include <bcrypt.h>

#include <vector>

namespace quindle {

std::string RandomHex(std::size_t Count) {
    std::vector<unsigned char> bytes(Count);
    if (Count > 0xFFFFFFFFu ||
        BCryptGenRandom(nullptr, bytes.data(), ULONG(Count), BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0)
        throw Exception("The system gave no random bytes.");
    return HexText(bytes.data(), bytes.size());
}

} // namespace quindle
