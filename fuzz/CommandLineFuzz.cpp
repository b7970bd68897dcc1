#include "kit/Strings.h"

#include <cstdint>
#include <cstdlib>
#include <string>

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
    // Any bytes at all, quoted, come back as they were.
    const auto whole = SplitCommandLine(QuoteArgument(text));
    if (whole.size() != 1 || whole[0] != text)
        std::abort();
    return 0;
}
