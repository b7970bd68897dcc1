// Copies, deletions and attributes of file trees through the shell's file operation.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <windows.h>

#include <shellapi.h>

namespace quindle {
namespace {

// FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI | FOF_NOCOPYSECURITYATTRIBS:
// no dialog of any kind, whatever happens.
constexpr FILEOP_FLAGS kSilent = 0x714;

// The shell takes lists of names, each ending in a zero, the list ending in another.
std::string DoubleZero(const std::string& Path) {
    std::string list = Path;
    list.push_back('\0');
    list.push_back('\0');
    return list;
}

void ShellFileOperation(UINT Operation, const std::string& From, const std::string& To) {
    const std::string from = DoubleZero(From), to = DoubleZero(To);
    SHFILEOPSTRUCTA op{};
    op.wFunc = Operation;
    op.pFrom = from.c_str();
    op.pTo = To.empty() ? nullptr : to.c_str();
    op.fFlags = kSilent;
    SHFileOperationA(&op);
}

bool SetAttribute(const std::string& Path, bool ReadOnly) {
    const DWORD a = GetFileAttributesA(Path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD wanted = ReadOnly ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~FILE_ATTRIBUTE_READONLY);
    return wanted == a || SetFileAttributesA(Path.c_str(), wanted);
}

bool SetTree(const std::string& Path, bool ReadOnly) {
    bool ok = SetAttribute(Path, ReadOnly);
    if (!DirectoryExists(Path))
        return ok;
    WIN32_FIND_DATAA entry;
    const HANDLE h = FindFirstFileA(JoinPath(Path, "*").c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE)
        return ok;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..")
            ok = SetTree(JoinPath(Path, name), ReadOnly) && ok;
    } while (FindNextFileA(h, &entry));
    FindClose(h);
    return ok;
}

} // namespace

void TKo::CopyFiles(const std::string& From, const std::string& To) {
    if (From.empty() || To.empty())
        return;
    ShellFileOperation(FO_COPY, From, To);
}

void TKo::DeleteFiles(const std::string& Path) {
    if (Path.empty())
        return;
    ShellFileOperation(FO_DELETE, Path, std::string());
}

void TKo::DeleteFolder(const std::string& Path) {
    DeleteFiles(Trim(Path));
}

bool TKo::SetReadOnlyTree(const std::string& Path, bool ReadOnly) {
    return !Path.empty() && SetTree(ExcludeTrailingPathDelimiter(Path), ReadOnly);
}

bool TKo::IsFileInUse(const std::string& FileName) {
    if (!FileExists(FileName))
        return false;
    // A read-only file cannot be written by its user either: it counts as held.
    if (HasReadOnlyAttribute(FileName))
        return true;
    // In use while nobody else may share it: an exclusive open fails.
    const HANDLE h = CreateFileA(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return true;
    CloseHandle(h);
    return false;
}

bool TKo::IsFileLocked(const std::string& FileName) {
    if (!FileExists(FileName))
        return false;
    // Reading while others read and write is refused only by a holder that shares with nobody.
    const HANDLE h = CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(h);
    return false;
}

} // namespace quindle
