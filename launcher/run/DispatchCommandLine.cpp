#include "launcher/run/DispatchCommandLine.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "launcher/modules/Modules.h"
#include "launcher/run/PackageMode.h"
#include "launcher/service/ServiceModes.h"

namespace quindle {

void DispatchCommandLine(const std::vector<std::string>& Args, int argc, char** argv) {
    // The splash is the one mode with a window; the mode word has no case.
    if (Args.size() >= 2 && LowerCase(Args[0]) == "splash" && FileExists(Args[1]))
        RunSplashModule(Args[1], argc, argv);
    // A build without a window; unlike the stamping modes it says what fails.
    if (Args.size() >= 2 && LowerCase(Args[0]) == "/package") {
        RunPackageMode(Args[1]);
        return;
    }
    RunServiceMode(Args);
}

} // namespace quindle
