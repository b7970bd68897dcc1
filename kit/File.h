#pragma once

// TFile: a file opened with the system's modes, raising EFileError on every failure.

#include "kit/Exceptions.h"

#include <cstdint>
#include <string>

namespace quindle {

enum TFileCreation {
    fcCreateAlways = 0,
    fcCreateNew,
    fcOpenExisting,
    fcOpenAlways,
    fcTruncateExisting
};
enum TFileAccess { faRead = 0, faWrite, faReadWrite };
enum TFileShare { fsNone = 0, fsRead, fsWrite, fsReadWrite };

// fopen modes for whole-file reads and writes whose handle no started program inherits.
extern const char* const kReadBinaryMode;
extern const char* const kWriteBinaryMode;

// The system error of a read that ran out of data before Count bytes came.
constexpr int ERROR_HANDLE_EOF = 38;

class TFile {
public:
    TFile(const std::string& FileName, int CreationIndex, int AccessIndex, int ShareIndex);
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    std::int64_t GetSize64();
    std::int32_t GetSize();
    int Read(void* Buffer, int Count);
    void ReadBuffer(void* Buffer, int Count);

    int Handle = -1;
    bool OwnsHandle = false;
};

// Copies the bytes of From into To (made, or emptied first) by the system's own copy where it
// has one. Raises EFileError "Unable to read <From>: <reason>" or "Unable to write <To>: <reason>"
// for the side that failed.
void CopyFileContents(const std::string& From, const std::string& To);
// CopyFileContents, and To gets the permissions of From: a program's copy runs too.
void CopyFileWithPermissions(const std::string& From, const std::string& To);

// The system's text for an error code as the system words it; empty when it has none.
std::string SystemErrorText(int Code);

// Raises EFileError for the system error Code: the system's text for it, else "File I/O error %d".
[[noreturn]] void RaiseFileError(int Code);
// Raises EFileError "Unable to <What> <Path>: <reason>" for the system error Code.
[[noreturn]] void RaiseFileErrorOn(const std::string& What, const std::string& Path, int Code);

} // namespace quindle
