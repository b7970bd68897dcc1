// End requests arrive as the session's end, announced to every top-level window, or as a console
// event; either only raises a flag, which the window's timer takes (no descriptor announces it).
// Device changes are announced to every top-level window as well.

#include "kit/SystemEvents.h"
#include "kit/KoClass.h"
#include "kit/win32/MessageWindow.h"

#include <atomic>

namespace quindle {
namespace {

std::atomic<bool> g_endRequested{false};
TMessageWindow* g_sessionWindow = nullptr; // lives as long as the process

BOOL WINAPI OnConsoleEvent(DWORD Event) {
    g_endRequested.store(true);
    // After these the system ends the process once the handler returns: the shutdown, which ends
    // the process itself, gets the time the system allows.
    if (Event == CTRL_CLOSE_EVENT || Event == CTRL_LOGOFF_EVENT || Event == CTRL_SHUTDOWN_EVENT)
        Sleep(4000);
    return TRUE;
}

DWORD WINAPI WaitForParent(void* Parent) {
    WaitForSingleObject(static_cast<HANDLE>(Parent), INFINITE);
    TerminateProcess(GetCurrentProcess(), 0);
    return 0;
}

bool StartedBefore(HANDLE Process, HANDLE Other) {
    FILETIME created, otherCreated, unused1, unused2, unused3;
    return GetProcessTimes(Process, &created, &unused1, &unused2, &unused3) &&
           GetProcessTimes(Other, &otherCreated, &unused1, &unused2, &unused3) &&
           CompareFileTime(&created, &otherCreated) <= 0;
}

} // namespace

void InstallEndRequestHandlers() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    if (g_sessionWindow)
        return;
    g_sessionWindow = new TMessageWindow([](UINT Message, WPARAM, LPARAM, LRESULT& Result) {
        if (Message != WM_QUERYENDSESSION)
            return false;
        g_endRequested.store(true);
        Result = TRUE;
        return true;
    });
}

bool TakeEndRequest() {
    if (g_sessionWindow)
        g_sessionWindow->Pump();
    return g_endRequested.exchange(false);
}

bool EndRequestPending() {
    if (g_sessionWindow)
        g_sessionWindow->Pump();
    return g_endRequested.load();
}

int EndRequestDescriptor() {
    return -1;
}

void EndWithParent() {
    const std::uint32_t parentPid = TKo::GetParentPid(GetCurrentProcessId());
    HANDLE parent =
        parentPid ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parentPid)
                  : nullptr;
    // Process ids are reused: a process under the parent's id that started after us is not our
    // parent, which has gone already.
    if (!parent || !StartedBefore(parent, GetCurrentProcess()))
        TerminateProcess(GetCurrentProcess(), 0);
    HANDLE watcher = CreateThread(nullptr, 0, WaitForParent, parent, 0, nullptr);
    if (watcher)
        CloseHandle(watcher);
}

TMountWatch::TMountWatch()
    : window_(std::make_unique<TMessageWindow>([this](UINT Message, WPARAM, LPARAM, LRESULT&) {
          if (Message == WM_DEVICECHANGE)
              changed_ = true;
          return false; // the default answer grants whatever the change asks
      })) {}

TMountWatch::~TMountWatch() = default;

int TMountWatch::Descriptor() const {
    return -1; // device changes arrive as window messages
}

bool TMountWatch::Changed() {
    window_->Pump();
    const bool changed = changed_;
    changed_ = false;
    return changed;
}

// Process ends are not announced on a descriptor here: the caller looks.
TProcessEndWatch::TProcessEndWatch(std::uint32_t) {}

TProcessEndWatch::~TProcessEndWatch() = default;

} // namespace quindle
