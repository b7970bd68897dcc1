#include "kit/CommFunc.h"

#include <windows.h>

namespace quindle {

TCommFunc& TCommFunc::Instance() {
    static TCommFunc instance;
    return instance;
}

// Other users' and services' processes can be inspected and ended only with this privilege.
bool TCommFunc::SetDebugPrivilege(bool Enable) {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = Enable ? SE_PRIVILEGE_ENABLED : 0;
    const bool ok =
        LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid) &&
        AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr) &&
        GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

} // namespace quindle
