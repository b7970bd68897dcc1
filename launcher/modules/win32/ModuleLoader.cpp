#include "kit/Strings.h"
#include "launcher/modules/Modules.h"

#include <windows.h>

namespace quindle {

void* LoadModuleEntry(const std::string& File, const char* Entry, std::string& Error) {
    // The module's own libraries are looked for beside it first.
    HMODULE module = LoadLibraryExA(File.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        Error = File + ": error " + std::to_string(GetLastError());
        return nullptr;
    }
    void* entry = reinterpret_cast<void*>(GetProcAddress(module, Entry));
    if (!entry)
        Error = File + ": no entry " + Entry;
    return entry;
}

} // namespace quindle
