#include "kit/Strings.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quindle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const auto& arg : SplitCommandLine(text)) {
        // No argument keeps a quote, and only a quoted one can hold a blank.
        if (arg.find('"') != std::string::npos || arg.size() > text.size())
            std::abort();
    }
    return 0;
}
