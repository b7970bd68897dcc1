#pragma once

// Notes the moment each top-level window of a display is on screen and each title it shows, as
// the window system announces them: nothing is polled, so a measured program has both
// processors to itself while it is watched.

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quindle::bench {

class TWindowWatch {
public:
    using Clock = std::chrono::steady_clock;
    explicit TWindowWatch(const std::string& Display);
    ~TWindowWatch();
    TWindowWatch(const TWindowWatch&) = delete;
    TWindowWatch& operator=(const TWindowWatch&) = delete;
    bool Watching() const { return display_ != nullptr; }

    enum class TBy { Class, Title };
    // The first moment at or after Since that a window whose class (or title) holds Text was on
    // screen; Since + TimeoutMs when there was none by then.
    Clock::time_point WaitFor(TBy By, const std::string& Text, Clock::time_point Since,
                              int TimeoutMs);

private:
    struct TSight {
        Clock::time_point When;
        std::string Class, Title;
    };
    void Run();
    void Look(unsigned long Window); // notes the window when it is on screen
    std::optional<Clock::time_point> First(TBy By, const std::string& Text,
                                           Clock::time_point Since);

    void* display_ = nullptr;
    int wakeFd_[2] = {-1, -1};
    std::thread thread_;
    std::mutex lock_;
    std::vector<TSight> sights_;
};

} // namespace quindle::bench
