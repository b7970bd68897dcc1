// Embedded resources on POSIX live in the container after the executable's last byte. Reading
// goes through /proc/self/exe, which stays the file we started from even when it is replaced.

#include "kit/ExeResources.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/ResourceContainer.h"
#include "kit/Strings.h"

#include <cerrno>

namespace quindle {

// Damaged resources are as unreadable as a damaged file.
const int kResourceDamagedCode = EBADMSG;
const int kResourceMissingCode = ENOENT;

std::string TKo::ReadResourceString(const std::string& ResourceName) {
    ResourceContainer c;
    int code;
    if (ResourceContainer::Load("/proc/self/exe", c, code) == ContainerState::Ok) {
        const auto name = ResourceName::Text(ResourceName);
        if (const ResourceEntry* e = c.Find(RT_RCDATA, name, LANG_NEUTRAL))
            return e->Data;
        if (const ResourceEntry* e = c.Find(RT_RCDATA, name))
            return e->Data;
    }
    throw Exception("Resource " + ResourceName + " not found");
}

ContainerState LoadExeResources(const std::string& ExeFile, ResourceContainer& Out,
                                int& ErrorCode) {
    return ResourceContainer::Load(ExeFile, Out, ErrorCode);
}

int SaveExeResources(const std::string& ExeFile, const ResourceContainer& Resources) {
    return Resources.Save(ExeFile, ExeFile);
}

} // namespace quindle
