// Folders whose rules are the same on every platform.

#include "kit/KoClass.h"
#include "kit/Paths.h"

namespace quindle {

std::string TKo::GetAppDir() {
    return ExtractFileDir(GetAppFileName());
}

std::string TKo::GetAppPath() {
    return IncludeTrailingPathDelimiter(GetAppDir());
}

std::string TKo::GetMyDocumentsDir() {
    return GetSpecialFolder(CSIDL_PERSONAL);
}

std::string TKo::GetCommonAppDataDir() {
    return GetSpecialFolder(CSIDL_COMMON_APPDATA);
}

std::string TKo::GetDataDir() {
    // One folder per user and per place of the program file on disk, shared by all its runs.
    const std::string digest = MD5Hex(GetLoginName() + PathDelim + GetAppFileName());
    std::string base = GetCommonAppDataDir();
    if (base.empty())
        base = GetTempDir(); // no home folder at all: never the root of the file system
    const std::string dir = base + PathDelim + digest;
    if (!DirectoryExists(dir))
        ForceDirectories(dir);
    return dir;
}

} // namespace quindle
