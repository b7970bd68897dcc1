// Folders, the program's own path and drives through the shell and the volume functions.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <windows.h>

#include <shlobj.h>

#include <filesystem>

namespace quindle {

std::string TKo::GetAppFileName() {
    static const std::string path = [] {
        char buf[MAX_PATH];
        const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
        return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
    }();
    return path;
}

std::string TKo::ExpandAppRelativePath(const std::string& Path) {
    // Relative paths count from the program folder, which becomes the current folder.
    const std::string appDir = Trim(GetAppDir());
    SetCurrentDirectoryA(appDir.c_str());
    if (Path.empty())
        return std::string();
    char buf[MAX_PATH];
    const DWORD n = GetFullPathNameA(Path.c_str(), sizeof buf, buf, nullptr);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : Path;
}

std::string TKo::GetSpecialFolder(int Csidl) {
    char buf[MAX_PATH];
    if (SHGetFolderPathA(nullptr, Csidl, nullptr, SHGFP_TYPE_CURRENT, buf) != S_OK)
        return std::string();
    return ExcludeTrailingPathDelimiter(buf);
}

std::string TKo::GetTempDir() {
    char buf[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof buf, buf);
    return n > 0 && n < sizeof buf ? ExcludeTrailingPathDelimiter(std::string(buf, n))
                                   : std::string();
}

std::string TKo::GetWindowsDir() {
    char buf[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string TKo::GetLoginName() {
    char buf[256];
    DWORD n = sizeof buf;
    return GetUserNameA(buf, &n) ? Trim(buf) : std::string();
}

namespace {

// "X:\" of a path or drive text; empty for paths without a drive letter.
std::string DriveRoot(const std::string& Path) {
    if (Path.size() >= 2 && Path[1] == ':')
        return Path.substr(0, 2) + "\\";
    return std::string();
}

} // namespace

bool TKo::IsRunningFromCD(const std::string& Drive) {
    const std::string root = DriveRoot(Drive.empty() ? GetAppFileName() : Drive);
    return !root.empty() && GetDriveTypeA(root.c_str()) == DRIVE_CDROM;
}

std::optional<std::string> TKo::GetVolumeLabel(const std::string& Path) {
    const std::string root = DriveRoot(Trim(Path));
    char name[MAX_PATH + 1];
    if (root.empty() || !GetVolumeInformationA(root.c_str(), name, sizeof name, nullptr, nullptr,
                                               nullptr, nullptr, 0))
        return std::nullopt;
    return std::string(name);
}

bool TKo::IsDriveReady(const std::string& Path) {
    return GetVolumeLabel(Path).has_value();
}

} // namespace quindle
