// The free-port search, on top of the system's port probe and port claims.

#include "kit/KoClass.h"
#include "kit/PortsPlatform.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace quindle {
namespace {

std::mutex g_claimsLock;
std::vector<int> g_claims; // the ports this process has claimed

} // namespace

int TKo::FindFreePort(int StartPort, bool LoopbackOnly) {
    for (int port = StartPort < 0 ? 0 : StartPort; port <= 65535; ++port)
        if (!IsPortInUse(port, LoopbackOnly))
            return port;
    return -1;
}

bool TKo::ClaimPort(int Port) {
    if (Port < 0 || Port > 65535)
        return false;
    std::lock_guard<std::mutex> guard(g_claimsLock);
    if (std::find(g_claims.begin(), g_claims.end(), Port) != g_claims.end())
        return true;
    if (!HoldPortClaim(Port))
        return false;
    g_claims.push_back(Port);
    return true;
}

int TKo::ClaimFreePort(int StartPort, bool LoopbackOnly) {
    for (int port = FindFreePort(StartPort, LoopbackOnly); port >= 0;
         port = port < 65535 ? FindFreePort(port + 1, LoopbackOnly) : -1)
        if (ClaimPort(port))
            return port;
    return -1;
}

} // namespace quindle
