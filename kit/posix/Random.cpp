#include "kit/Random.h"
#include "kit/Exceptions.h"
#include "kit/Strings.h"

#include <sys/random.h>

#include <cerrno>
#include <vector>

namespace quindle {

std::string RandomHex(std::size_t Count) {
    std::vector<unsigned char> bytes(Count);
    for (std::size_t done = 0; done < Count;) {
        const ssize_t n = getrandom(bytes.data() + done, Count - done, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Exception("The system gave no random bytes.");
        done += std::size_t(n);
    }
    return HexText(bytes.data(), bytes.size());
}

} // namespace quindle
