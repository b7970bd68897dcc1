// The platform-neutral half of process control.

#include "kit/KoClass.h"
#include "kit/ProcessPlatform.h"

#include <chrono>
#include <thread>

namespace quindle {

bool TKo::IsDescendantProcess(std::uint32_t AncestorPid, std::uint32_t Pid) {
    // Parent ids can be stale after an id was reused and so form a loop: the walk is bounded far
    // beyond any real chain of parents.
    std::size_t steps = 4096;
    bool result = false;
    do {
        Pid = GetParentPid(Pid);
        result = Pid == AncestorPid;
    } while (Pid != AncestorPid && Pid != 0 && --steps > 0);
    return result;
}

void TKo::TerminateSelfAfter(int Milliseconds) {
    std::thread([Milliseconds] {
        std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
        TerminateSelf();
    }).detach();
}

void TKo::StopProcess(std::uint32_t Pid, int TimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    // One request only: some servers take a second one as a reason to stop listening at all.
    if (RequestProcessEnd(Pid)) {
        while (ProcessExists(std::int32_t(Pid)) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    KillProcess(Pid);
}

} // namespace quindle
