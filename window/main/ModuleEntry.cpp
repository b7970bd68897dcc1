// The window module's entry, which the launcher looks up by name once it has loaded the module.

#include "launcher/modules/Modules.h"
#include "window/main/InteractiveRun.h"

QUINDLE_MODULE_ENTRY int quindle_window_main(int argc, char** argv,
                                             std::uint16_t StartupShowCommand,
                                             quindle::TPreparedRun& Prepared) {
    return quindle::RunInteractive(argc, argv, StartupShowCommand, Prepared);
}
