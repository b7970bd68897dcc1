#pragma once

// The click rules of the tray icon: a left click calls its handler once; further clicks within
// the double-click time and 55 ms after it only bring the window forward. Ticks are milliseconds
// of a 32-bit clock that wraps; after a wrap the next click counts again.

#include <cstdint>

namespace quindle {

class TTrayClickRules {
public:
    static constexpr std::uint32_t kQuietExtraMs = 55;

    explicit TTrayClickRules(std::uint32_t Now) : TickBase(Now) {}

    // Called for every notification of the icon: notices a wrapped clock.
    void Observe(std::uint32_t Now) {
        if (Now < TickBase) {
            TickBase = Now;
            NextClickTick = 0;
        }
    }

    // A left click at Now: true when the handler is to be called (and the quiet period starts).
    bool TakeClick(std::uint32_t Now, std::uint32_t DoubleClickTime) {
        Observe(Now);
        if (Now < NextClickTick)
            return false;
        NextClickTick = Now + DoubleClickTime + kQuietExtraMs;
        return true;
    }

    std::uint32_t TickBase;
    std::uint32_t NextClickTick = 0;
};

} // namespace quindle
