#pragma once

// TKo: the static utility class every subsystem calls for system work. Its methods are
// defined across the Ko*.cpp files by concern; the platform halves live in posix/ and win32/.

#include "kit/Exceptions.h"
#include "kit/Picture.h"

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace quindle {

using TCardinalArray = std::vector<std::uint32_t>;
using TStringArray = std::vector<std::string>;
// The arguments of a program to start, after its path.
using TArguments = std::vector<std::string>;

// Window show commands as the start-up information carries them.
enum : std::uint16_t { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMAXIMIZED = 3, SW_SHOW = 5 };

// Shell folder numbers understood by GetSpecialFolder.
enum : int { CSIDL_PERSONAL = 5, CSIDL_COMMON_APPDATA = 35 };

class TKo {
public:
    TKo() = delete;

    // --- Processes --------------------------------------------------------------------------
    // Each start takes either a parameter text from outside (a package's settings), split into
    // arguments as a Windows program splits its command line (SplitCommandLine), or the
    // arguments themselves, for the command lines the program makes: on POSIX they reach the
    // program as they are; Windows hands a program one command line, made by JoinArguments.
    static std::uint32_t RunProgram(const std::string& ExePath, const std::string& Params,
                                    const std::string& WorkDir, std::uint16_t ShowState);
    static std::uint32_t RunProgram(const std::string& ExePath, const TArguments& Arguments,
                                    const std::string& WorkDir, std::uint16_t ShowState);
    // As RunProgram, for a child that must not outlive this process, however it ends (killed,
    // crashed): on POSIX the system asks it to end (SIGTERM) when we are gone; on Windows it
    // runs in a job that ends its processes when our handle to the job closes.
    static std::uint32_t RunBoundProgram(const std::string& ExePath, const std::string& Params,
                                         const std::string& WorkDir, std::uint16_t ShowState);
    static std::uint32_t RunBoundProgram(const std::string& ExePath, const TArguments& Arguments,
                                         const std::string& WorkDir, std::uint16_t ShowState);
    static void RunProgramAndWait(const std::string& ExePath, const std::string& Params,
                                  const std::string& WorkDir, std::uint16_t ShowState);
    static void RunProgramAndWait(const std::string& ExePath, const TArguments& Arguments,
                                  const std::string& WorkDir, std::uint16_t ShowState);
    static TCardinalArray FindProcessesByPath(const std::string& ExePath);
    static std::uint32_t FindProcessByPath(const std::string& ExePath);
    static TCardinalArray GetProcessList();
    static std::string GetProcessPath(std::uint32_t Pid);
    static bool ProcessExists(std::int32_t Pid);
    static std::uint32_t GetParentPid(std::uint32_t Pid);
    static bool IsDescendantProcess(std::uint32_t AncestorPid, std::uint32_t Pid);
    static bool KillProcess(std::uint32_t Pid);
    [[noreturn]] static void TerminateSelf();
    // Ends this process after that time, whatever it is doing then: a bound for an orderly end
    // that might hang.
    static void TerminateSelfAfter(int Milliseconds);
    static bool IsFirstInstance(const std::string& MutexName);
    static bool IsFileInUse(const std::string& FileName);
    // Whether another process holds a lock on the file: a record or whole-file lock on POSIX,
    // an open that shares the file with nobody on Windows. False for a missing file.
    static bool IsFileLocked(const std::string& FileName);
    static std::uint16_t GetStartupShowWindow();
    // True for the system's all-powerful account.
    static bool RunningAsAdministrator();
    // The shell's "open" of a program file: started on its own, not as our child, with the
    // given start-up show command. False when it could not be started.
    static bool ShellOpenProgram(const std::string& ExePath, std::uint16_t ShowCommand);
    // Asks the process to end, waits up to TimeoutMs for it to go, then ends it forcibly. For
    // servers that must close their files: a forced end can leave them damaged.
    static void StopProcess(std::uint32_t Pid, int TimeoutMs);

    // --- Folders and paths ------------------------------------------------------------------
    static std::string GetAppDir();
    static std::string GetAppPath();
    static std::string GetAppFileName(); // the program's full path as the system reports it
    static std::string ExpandAppRelativePath(const std::string& Path);
    static std::string GetDataDir();
    static std::string GetSpecialFolder(int Csidl);
    static std::string GetMyDocumentsDir();
    static std::string GetCommonAppDataDir();
    static std::string GetTempDir();
    static std::string GetWindowsDir();
    static std::string GetLoginName();
    static std::string MakeTempFileName(const std::string& Prefix, const std::string& Dir,
                                        const std::string& Suffix, int Number);
    static bool IsRunningFromCD(const std::string& Drive);
    // The label of the medium Path is on; nothing when no medium answers there.
    static std::optional<std::string> GetVolumeLabel(const std::string& Path);
    static bool IsDriveReady(const std::string& Path);

    // --- Files ------------------------------------------------------------------------------
    static std::string ReadTextFile(const std::string& FileName);
    static void WriteTextFile(const std::string& FileName, const std::string& Text);
    static void CopyFiles(const std::string& From, const std::string& To);
    static void DeleteFiles(const std::string& Path);
    static bool DeleteFileIfExists(const std::string& FileName);
    static void DeleteFolder(const std::string& Path);
    static bool SetReadOnlyTree(const std::string& Path, bool ReadOnly);
    static std::string ReadResourceString(const std::string& ResourceName);
    static void SaveResourceToFile(const std::string& ResourceName, const std::string& FileName);
    static std::string ReplaceText(const std::string& Text, const std::string& OldPattern,
                                   const std::string& NewPattern, bool IgnoreCase);

    // --- INI files --------------------------------------------------------------------------
    static std::string ReadIniString(const std::string& FileName, const std::string& Section,
                                     const std::string& Key);
    static void WriteIniString(const std::string& FileName, const std::string& Section,
                               const std::string& Key, const std::string& Value);
    static void DeleteIniKey(const std::string& FileName, const std::string& Section,
                             const std::string& Key);
    // Writes several keys of one section in one replacement of the file, in the given order.
    static void WriteIniStrings(const std::string& FileName, const std::string& Section,
                                const std::vector<std::pair<std::string, std::string>>& Values);
    static void ReadIniSectionKeys(const std::string& FileName, const std::string& Section,
                                   TStringArray& Keys);
    static void StringsToArray(const std::vector<std::string>& Strings, TStringArray& Items);

    // --- Executable resources ---------------------------------------------------------------
    static void UpdateExeIcon(const std::string& ExeFile, const std::string& IcoFile);
    static void UpdateExeResource(const std::string& ExeFile, const std::string& ResourceName,
                                  const std::string& Data);

    // --- Pictures ---------------------------------------------------------------------------
    static void LoadGraphicFromStream(TBitmap& Target, std::istream& Stream);
    static void LoadGraphicFromString(TBitmap& Target, const std::string& Data);

    // --- Ports, digests, environment, shell -------------------------------------------------
    static bool IsPortInUse(int Port, bool LoopbackOnly);
    static int FindFreePort(int StartPort, bool LoopbackOnly);
    // Claims Port for this process until it ends, against other runs of the program choosing
    // ports at the same moment; false when another process holds the claim. A port probed free
    // is not yet taken by a server that was started but has not opened it: without a claim,
    // two packages started together may both choose it, and one's pages reach the other's
    // database. True when the system offers no place for claims (the probe alone decides).
    static bool ClaimPort(int Port);
    // FindFreePort, passing over ports another run has claimed; the port returned is claimed.
    static int ClaimFreePort(int StartPort, bool LoopbackOnly);
    // True when a server on the loopback address at Port accepts a connection and sends
    // something within TimeoutMs (servers that speak first greet their clients).
    static bool PortGreets(int Port, int TimeoutMs);
    // True when a socket listens on Port, on any address: asked of the system's table, so that
    // the server is neither connected to (a database server logs every connection that goes
    // without a word) nor kept from binding its port by a probe.
    static bool PortListens(int Port);
    // The same two for a server's local socket at Path (false where the system has none).
    static bool SocketGreets(const std::string& Path, int TimeoutMs);
    static bool SocketListens(const std::string& Path);
    static std::string MD5Hex(const std::string& Text);
    static std::string GetMD5(const std::string& Text);
    static bool SetPHPRCEnv(const std::string& Folder);
    static bool SetOSLanguageEnv();
    // Sets a variable of the program's own environment, which every process started later inherits.
    static bool SetEnvironmentVariable(const std::string& Name, const std::string& Value);
    static void ExploreFolder(const std::string& Folder, int ShowCommand);
    static void OpenContactMail();
    // Opens a file, folder or address with the program the desktop has for it (the shell's
    // "open"); results are not reported.
    static void ShellOpenTarget(const std::string& Target, int ShowCommand);
};

// Replaces the main icon group of ExeFile by the images of IcoFile; raises Exception with
// "Resource update error: " and the failing step. ExeFile is left untouched on any failure.
void ReplaceMainIcon(const std::string& ExeFile, const std::string& IcoFile);

} // namespace quindle
