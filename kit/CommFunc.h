#pragma once

// The companion unit of TKo: the process-wide debug privilege switch.

namespace quindle {

class TCommFunc {
public:
    static TCommFunc& Instance();
    bool SetDebugPrivilege(bool Enable);

private:
    TCommFunc() = default;
};

} // namespace quindle
