#include "kit/ReportChannel.h"
#include "kit/win32/MessageWindow.h"

#include <climits>

namespace quindle {

TReportChannel::TReportChannel() = default;

TReportChannel::~TReportChannel() {
    Close();
}

bool TReportChannel::IsOpen() const {
    return window_ != nullptr;
}

int TReportChannel::Handle() const {
    return -1;
}

bool TReportChannel::Open(const std::string& Name) {
    Close();
    if (Name.empty())
        return false;
    const UINT message = RegisterWindowMessageA(Name.c_str());
    if (message == 0)
        return false;
    auto window = std::make_unique<TMessageWindow>(
        [this, message](UINT Message, WPARAM W, LPARAM, LRESULT& Result) {
            if (Message != message)
                return false;
            if (W >= 1 && W <= WPARAM(INT_MAX))
                last_ = std::uint32_t(W);
            Result = 0;
            return true;
        });
    if (!window->IsValid())
        return false;
    window_ = std::move(window);
    last_ = 0;
    return true;
}

void TReportChannel::Close() {
    window_.reset();
    last_ = 0;
}

std::uint32_t TReportChannel::Receive() {
    if (!window_)
        return 0;
    window_->Pump();
    const std::uint32_t pid = last_;
    last_ = 0;
    return pid;
}

bool SendReport(const std::string& Name, std::uint32_t Pid) {
    if (Name.empty())
        return false;
    const UINT message = RegisterWindowMessageA(Name.c_str());
    return message != 0 && PostMessageA(HWND_BROADCAST, message, WPARAM(Pid), 0);
}

} // namespace quindle
