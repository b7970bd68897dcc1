#include "launcher/run/AddressChange.h"
#include "kit/KoClass.h"
#include "launcher/service/ServiceModes.h"

namespace quindle {

void HandOverAddressChange(TRunState& State, const std::string& IPAddress, int Port) {
    try {
        State.WriteConfig("ip", IPAddress);
        State.WriteConfig("port", std::to_string(Port));
        const std::string copy = State.MakeCommandCopy();
        const std::string copyConfig = copy + ".ini";
        try {
            TKo::CopyFiles(State.ConfigFile, copyConfig);
        } catch (...) {
            // The copy then stamps nothing and only starts the program again.
        }
        TKo::RunProgram(copy, ModeArguments("/setup", TKo::GetAppFileName(), copyConfig), "",
                        SW_SHOWNORMAL);
    } catch (...) {
        // Nothing of the hand-over is reported.
    }
}

} // namespace quindle
