// The platform-neutral half of process control.

#include "kit/KoClass.h"

namespace quindle {

bool TKo::IsDescendantProcess(std::uint32_t AncestorPid, std::uint32_t Pid) {
    // Parent ids can be stale after an id was reused and so form a loop: the walk is bounded by
    // the number of processes there are.
    std::size_t steps = GetProcessList().size() + 1;
    bool result = false;
    do {
        Pid = GetParentPid(Pid);
        result = Pid == AncestorPid;
    } while (Pid != AncestorPid && Pid != 0 && --steps > 0);
    return result;
}

} // namespace quindle
