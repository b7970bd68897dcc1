#pragma once

// A hidden top-level window of the calling thread. Only top-level windows hear what is broadcast
// to every window: a registered message, device changes, the end of the session. Its messages
// are run by whatever message loop the thread has, or by Pump.

#include <windows.h>

#include <functional>

namespace quindle {

class TMessageWindow {
public:
    // Gets every message of the window; returns true with Result set when it took the message.
    using THandler = std::function<bool(UINT Message, WPARAM W, LPARAM L, LRESULT& Result)>;

    explicit TMessageWindow(THandler Handler);
    ~TMessageWindow();
    TMessageWindow(const TMessageWindow&) = delete;
    TMessageWindow& operator=(const TMessageWindow&) = delete;

    bool IsValid() const { return window_ != nullptr; }
    // Runs the messages waiting for this window, for callers without a message loop.
    void Pump();

private:
    static LRESULT CALLBACK WindowProc(HWND Window, UINT Message, WPARAM W, LPARAM L);

    THandler handler_;
    HWND window_ = nullptr;
};

} // namespace quindle
