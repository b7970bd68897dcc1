// The splash module's entry, which the launcher looks up by name once it has loaded the module.

#include "launcher/modules/Modules.h"
#include "splash/TfrmSplash.h"

QUINDLE_MODULE_ENTRY void quindle_splash_main(const char* ConfigFile, int argc, char** argv) {
    quindle::RunSplash(ConfigFile, argc, argv);
}
