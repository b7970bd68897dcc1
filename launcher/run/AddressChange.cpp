#include "launcher/run/AddressChange.h"
#include "kit/Exceptions.h"
#include "kit/KoClass.h"
#include "launcher/service/ServiceModes.h"

namespace quindle {

std::string HandOverAddressChange(TRunState& State, const std::string& IPAddress, int Port) {
    const std::string oldIp = State.ReadConfig("ip");
    const std::string oldPort = State.ReadConfig("port");
    std::string copy;
    try {
        State.WriteConfig("ip", IPAddress);
        State.WriteConfig("port", std::to_string(Port));
        copy = State.MakeCommandCopy();
        const std::string copyConfig = copy + ".ini";
        try {
            TKo::CopyFiles(State.ConfigFile, copyConfig);
        } catch (...) {
            // The copy then stamps nothing and only starts the program again.
        }
        if (TKo::RunProgram(copy, ModeArguments("/setup", TKo::GetAppFileName(), copyConfig), "",
                            SW_SHOWNORMAL) != 0)
            return std::string();
        throw Exception("Unable to start " + copy);
    } catch (const std::exception& e) {
        try {
            State.WriteConfig("ip", oldIp);
            State.WriteConfig("port", oldPort);
            if (!copy.empty())
                TKo::DeleteFiles(copy);
        } catch (...) {
            // The working Config.ini is written again at the next start.
        }
        return std::string("Unable to change the address and port: ") + e.what();
    }
}

} // namespace quindle
