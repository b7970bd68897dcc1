#include "launcher/modules/Modules.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"

#include <cstdio>

namespace quindle {

std::string ModuleFile(const std::string& Name) {
    return ModuleFile(Name, TKo::GetAppFileName());
}

std::string ModuleFile(const std::string& Name, const std::string& Program) {
#ifdef _WIN32
    const std::string file = "quindle-" + Name + ".dll";
#else
    const std::string file = "libquindle-" + Name + ".so";
#endif
    return JoinPath(JoinPath(ExtractFileDir(Program), "lib"), file);
}

void RunSplashModule(const std::string& ConfigFile, int argc, char** argv) {
    std::string error;
    const auto entry =
        reinterpret_cast<TSplashEntry>(LoadModuleEntry(ModuleFile("splash"), kSplashEntry, error));
    if (!entry) {
        std::fprintf(stderr, "The splash module could not be loaded: %s\n", error.c_str());
        return;
    }
    entry(ConfigFile.c_str(), argc, argv);
}

} // namespace quindle
