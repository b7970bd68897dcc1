#include "launcher/modules/Modules.h"

#include <dlfcn.h>

namespace quindle {

void* LoadModuleEntry(const std::string& File, const char* Entry, std::string& Error) {
    // Bound at once: a missing library of the module shows here, not in the middle of the run.
    void* module = dlopen(File.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = dlerror();
        Error = why ? why : File;
        return nullptr;
    }
    void* entry = dlsym(module, Entry);
    if (!entry)
        Error = File + ": no entry " + Entry;
    return entry;
}

} // namespace quindle
