#pragma once

// Events from outside that end an interactive run: the session or the system asking programs
// to end, and the medium the program runs from going away. Where the system can announce them
// on a descriptor, the window waits on that; elsewhere it looks now and then. Both calls are
// safe to make often.

#include <cstdint>
#include <memory>

namespace quindle {

class TMessageWindow;

// From now on a request to end (termination, hang-up, interrupt) is kept for TakeEndRequest
// instead of ending the process at once.
void InstallEndRequestHandlers();
// True once for each request that arrived since the last call.
bool TakeEndRequest();
// Whether a request arrived that TakeEndRequest has not taken yet; it stays for that call.
bool EndRequestPending();
// A descriptor that becomes readable when a request to end arrives (TakeEndRequest empties it);
// -1 where requests are not announced that way, and before the handlers are installed.
int EndRequestDescriptor();

// Ends this process as soon as the process that started it ends, also when that one is killed
// without a chance to end its children (a helper must never outlive the program it serves).
void EndWithParent();

// Watches the system's table of mounted media (on Windows: the device changes announced to every
// window).
class TMountWatch {
public:
    TMountWatch();
    ~TMountWatch();
    TMountWatch(const TMountWatch&) = delete;
    TMountWatch& operator=(const TMountWatch&) = delete;
    // True when media were mounted or removed since the last look.
    bool Changed();
    // A descriptor that signals an exceptional condition when media are mounted or removed;
    // -1 where changes are not announced that way. A wait on it that sees the change is the
    // look: Changed does not report that change again.
    int Descriptor() const;

private:
#ifdef _WIN32
    std::unique_ptr<TMessageWindow> window_;
    bool changed_ = false;
#else
    int fd_ = -1;
#endif
};

// Announces the end of one process: a server that ends is heard at once, and nothing looks at
// the process list while it runs.
class TProcessEndWatch {
public:
    explicit TProcessEndWatch(std::uint32_t Pid);
    ~TProcessEndWatch();
    TProcessEndWatch(const TProcessEndWatch&) = delete;
    TProcessEndWatch& operator=(const TProcessEndWatch&) = delete;
    // A descriptor that becomes readable, and stays so, once the process has ended (also when it
    // had ended before the watch began); -1 where the system does not announce it that way, or
    // for an id that names no process.
    int Descriptor() const { return fd_; }

private:
    int fd_ = -1;
};

} // namespace quindle
