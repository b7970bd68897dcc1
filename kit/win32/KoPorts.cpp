// The port probe on Windows sockets: a port is free when a listener can be opened on it now.

#include "kit/KoClass.h"
#include "kit/PortsPlatform.h"

#include <iphlpapi.h>
#include <winsock2.h> // brings the rest of the system's interface after it

#include <string>
#include <vector>

namespace quindle {
namespace {

bool SocketsReady() {
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

sockaddr_in Address(int Port, bool LoopbackOnly) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(Port));
    addr.sin_addr.s_addr = htonl(LoopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
    return addr;
}

} // namespace

bool TKo::IsPortInUse(int Port, bool LoopbackOnly) {
    if (Port < 0 || Port > 65535 || !SocketsReady())
        return true;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return true;
    // Without SO_EXCLUSIVEADDRUSE another socket could still share the port with ours.
    const BOOL exclusive = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
    const sockaddr_in addr = Address(Port, LoopbackOnly);
    const bool active =
        bind(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 && listen(s, 1) == 0;
    closesocket(s);
    return !active;
}

bool TKo::PortGreets(int Port, int TimeoutMs) {
    if (Port <= 0 || Port > 65535 || !SocketsReady())
        return false;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return false;
    const DWORD timeout = DWORD(TimeoutMs);
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    const sockaddr_in addr = Address(Port, true);
    char byte;
    const bool greeted = connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 &&
                         recv(s, &byte, 1, 0) == 1;
    closesocket(s);
    return greeted;
}

bool TKo::SocketGreets(const std::string&, int) {
    return false; // the database is reached by its address here
}

bool TKo::SocketListens(const std::string&) {
    return false;
}

bool TKo::PortListens(int Port) {
    if (Port <= 0 || Port > 65535)
        return false;
    // Loaded on first use: only the start-up's wait for the servers asks, and every other
    // program of the kit starts without the library.
    using TGetTcpTable = ULONG(WINAPI*)(PMIB_TCPTABLE, PULONG, BOOL);
    static const auto getTcpTable = [] {
        const HMODULE library = LoadLibraryA("iphlpapi.dll");
        return library ? reinterpret_cast<TGetTcpTable>(
                             reinterpret_cast<void*>(GetProcAddress(library, "GetTcpTable")))
                       : nullptr;
    }();
    if (!getTcpTable)
        return false;
    // The table's size is asked first; it may grow before the second call.
    for (int attempt = 0; attempt < 3; ++attempt) {
        ULONG size = 0;
        if (getTcpTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER)
            return false;
        std::vector<unsigned char> buffer(size);
        auto* table = reinterpret_cast<MIB_TCPTABLE*>(buffer.data());
        const ULONG result = getTcpTable(table, &size, FALSE);
        if (result == ERROR_INSUFFICIENT_BUFFER)
            continue;
        if (result != NO_ERROR)
            return false;
        for (DWORD i = 0; i < table->dwNumEntries; ++i)
            if (table->table[i].dwState == MIB_TCP_STATE_LISTEN &&
                ntohs(static_cast<u_short>(table->table[i].dwLocalPort)) == Port)
                return true;
        return false;
    }
    return false;
}

bool HoldPortClaim(int Port) {
    // A named mutex of the session, held until the process ends: the handle is never closed.
    const std::string name = "quindle-port-" + std::to_string(Port);
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (!mutex)
        return true;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    return true;
}

} // namespace quindle
