#include "kit/Paths.h"
#include "kit/KoClass.h"

#include <windows.h>

namespace quindle {

const char PathDelim = '\\';
const char* const ExeSuffix = ".exe";

namespace {

DWORD Attributes(const std::string& Path) {
    return Path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(Path.c_str());
}

} // namespace

std::string ResolvePathCase(const std::string& Path) {
    // The file system itself ignores letter case.
    return Path;
}

std::string GetShortPath(const std::string& Path) {
    if (Path.empty())
        return std::string();
    const std::string full = TKo::ExpandAppRelativePath(Path);
    if (!FileExists(full))
        return std::string();
    char buf[MAX_PATH];
    const DWORD n = GetShortPathNameA(full.c_str(), buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : full;
}

bool FileExists(const std::string& Path) {
    const DWORD a = Attributes(Path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& Path) {
    const DWORD a = Attributes(Path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsForeignEntry(const std::string& Path) {
    // The temporary folder belongs to the user; what another program may have put there is a
    // link or a folder instead of a plain file.
    const DWORD a = Attributes(Path);
    return a != INVALID_FILE_ATTRIBUTES &&
           (a & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
}

bool HasReadOnlyAttribute(const std::string& Path) {
    const DWORD a = Attributes(Path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

bool ForceDirectories(const std::string& Path) {
    if (Path.empty())
        return false;
    const std::string path = ExcludeTrailingPathDelimiter(Path);
    if (DirectoryExists(path))
        return true;
    const std::string parent = ExtractFileDir(path);
    // "C:" is a drive, not a folder to create.
    if (!parent.empty() && parent != path && parent.back() != ':' && !ForceDirectories(parent))
        return false;
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ForcePrivateDirectory(const std::string& Path) {
    // A folder below the user's profile is the user's own already.
    return ForceDirectories(Path);
}

bool IsFolderWritable(const std::string& Path) {
    if (!DirectoryExists(Path))
        return false;
    // Access rights are lists, not bits: a file made and dropped at once gives the answer.
    char probe[MAX_PATH];
    if (GetTempFileNameA(Path.c_str(), "qnd", 0, probe) == 0)
        return false;
    DeleteFileA(probe);
    return true;
}

void WritePrivateFile(const std::string& Path, const std::string& Bytes) {
    // Below the user's profile a new file is the user's own already.
    DeleteFileA(Path.c_str());
    TKo::WriteTextFile(Path, Bytes);
}

bool OwnPrivateDirectory(const std::string& Path) {
    return ForceDirectories(Path);
}

} // namespace quindle
