#include "kit/Strings.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace quindle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const auto& arg : SplitCommandLine(text)) {
        // Splitting only drops characters, and every argument survives being quoted again.
        if (arg.size() > text.size())
            std::abort();
        const auto again = SplitCommandLine(QuoteArgument(arg));
        if (again.size() != 1 || again[0] != arg)
            std::abort();
    }
    // A list of arguments made into one command line comes back as that list, the words the
    // join leaves without quotes included.
    std::vector<std::string> list;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        list.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (SplitCommandLine(JoinArguments(list)) != list)
        std::abort();
    // Any bytes at all, quoted, come back as they were.
    const auto whole = SplitCommandLine(QuoteArgument(text));
    if (whole.size() != 1 || whole[0] != text)
        std::abort();
    return 0;
}
