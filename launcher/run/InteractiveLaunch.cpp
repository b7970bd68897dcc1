#include "launcher/run/InteractiveLaunch.h"
#include "kit/Exceptions.h"
#include "kit/SystemEvents.h"
#include "launcher/modules/Modules.h"

#include <cstdio>
#include <cstdlib>

namespace quindle {

int RunInteractiveLaunch(int argc, char** argv, std::uint16_t StartupShowCommand) {
    // From here on a request to end is kept for the window, whose shutdown serves it, instead of
    // ending the program with the servers left behind.
    InstallEndRequestHandlers();
    // The browser engine refuses to start as the administrator with its sandbox on.
    if (TKo::RunningAsAdministrator())
        TKo::SetEnvironmentVariable("QTWEBENGINE_DISABLE_SANDBOX", "1");
    TPreparedRun prepared;
    // Until the window serves them, a request to end ends what the start has started so far
    // (a refused start has started nothing), and the program: in the start-up's waits, and
    // before the toolkit is loaded.
    auto endIfAsked = [&prepared] {
        if (!EndRequestPending())
            return;
        prepared.State.EndProcesses();
        TKo::TerminateSelf();
    };
    prepared.State.Wait.LetMessagesRun = endIfAsked;
    try {
        prepared.FirstInstance = prepared.State.PrepareRun();
        if (prepared.FirstInstance)
            prepared.State.StartServers();
    } catch (const Exception& e) {
        // The window says it once it is up; what ran stays for its shutdown to end.
        prepared.Error = e.Message();
    }
    endIfAsked();

    std::string error;
    const auto entry =
        reinterpret_cast<TWindowEntry>(LoadModuleEntry(ModuleFile("window"), kWindowEntry, error));
    if (!entry) {
        std::fprintf(stderr, "The program's window module could not be loaded: %s\n",
                     error.c_str());
        std::fflush(stderr);
        prepared.State.EndProcesses();
        std::_Exit(1);
    }
    return entry(argc, argv, StartupShowCommand, prepared);
}

} // namespace quindle
