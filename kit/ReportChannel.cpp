#include "kit/ReportChannel.h"
#include "kit/Strings.h"

#include <climits>

namespace quindle {

bool ParseReportedPid(const std::string& Text, std::uint32_t& Pid) {
    const std::string text = Trim(Text);
    if (text.empty() || text.size() > 10)
        return false;
    unsigned long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + unsigned(c - '0');
    }
    if (value == 0 || value > unsigned(INT_MAX))
        return false;
    Pid = std::uint32_t(value);
    return true;
}

} // namespace quindle
