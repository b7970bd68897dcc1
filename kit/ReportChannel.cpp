#include "kit/ReportChannel.h"
#include "kit/Strings.h"

#include <climits>

namespace quindle {

std::optional<std::uint32_t> ParseReportedPid(const std::string& Text) {
    const std::string text = Trim(Text);
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    unsigned long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + unsigned(c - '0');
    }
    if (value == 0 || value > unsigned(INT_MAX))
        return std::nullopt;
    return std::uint32_t(value);
}

} // namespace quindle
