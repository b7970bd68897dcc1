// Embedded resources on POSIX live in the container after the executable's last byte. Reading
// goes through /proc/self/exe, which stays the file we started from even when it is replaced.

#include "kit/ExeResources.h"
#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "kit/ResourceContainer.h"
#include "kit/Strings.h"

#include <cerrno>

namespace quindle {

// Damaged resources are as unreadable as a damaged file.
const int kResourceDamagedCode = EBADMSG;
const int kResourceMissingCode = ENOENT;

std::string TKo::ReadResourceString(const std::string& ResourceName) {
    try {
        const ResourceContainer c = ResourceContainer::Load("/proc/self/exe");
        const auto name = ResourceName::Text(ResourceName);
        if (const ResourceEntry* e = c.Find(RT_RCDATA, name, LANG_NEUTRAL))
            return e->Data;
        if (const ResourceEntry* e = c.Find(RT_RCDATA, name))
            return e->Data;
    } catch (const EFileError&) {
        LogCaught("ReadResourceString"); // the resource is as missing as one never stamped
    }
    throw Exception("Resource " + ResourceName + " not found");
}

ResourceContainer LoadExeResources(const std::string& ExeFile) {
    return ResourceContainer::Load(ExeFile);
}

void SaveExeResources(const std::string& ExeFile, const ResourceContainer& Resources) {
    Resources.Save(ExeFile, ExeFile);
}

} // namespace quindle
