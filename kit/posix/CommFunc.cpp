#include "kit/CommFunc.h"

namespace quindle {

TCommFunc& TCommFunc::Instance() {
    static TCommFunc instance;
    return instance;
}

// Any process may already inspect and signal the processes of its own user.
bool TCommFunc::SetDebugPrivilege(bool) {
    return true;
}

} // namespace quindle
