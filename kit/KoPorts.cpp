// The free-port search, on top of the system's port probe.

#include "kit/KoClass.h"

namespace quindle {

int TKo::FindFreePort(int StartPort, bool LoopbackOnly) {
    for (int port = StartPort < 0 ? 0 : StartPort; port <= 65535; ++port)
        if (!IsPortInUse(port, LoopbackOnly))
            return port;
    return -1;
}

} // namespace quindle
