#include "brand/DispatchCommandLine.h"
#include "app/TfrmSplash.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

namespace quindle {

void DispatchCommandLine(const std::vector<std::string>& Args, int argc, char** argv) {
    if (Args.empty())
        return;
    // The mode words are recognised whatever their case; a word that names no mode, or one with
    // too few arguments, does nothing at all.
    const std::string mode = LowerCase(Args[0]);
    if (Args.size() >= 2 && mode == "splash" && FileExists(Args[1]))
        RunSplash(Args[1], argc, argv);
}

} // namespace quindle
