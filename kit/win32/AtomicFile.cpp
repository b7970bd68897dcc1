#include "kit/AtomicFile.h"
#include "kit/Paths.h"

#include <windows.h>

namespace quindle {

AtomicFileWriter::AtomicFileWriter(const std::string& Target) : target_(Target) {
    std::string dir = ExtractFileDir(target_);
    if (dir.empty())
        dir = ".";
    char temp[MAX_PATH];
    // Creates the file with a name of its own beside the target.
    if (!GetTempFileNameA(dir.c_str(), "qnd", 0, temp)) {
        error_ = int(GetLastError());
        return;
    }
    temp_ = temp;
    const HANDLE h = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error_ = int(GetLastError());
        return;
    }
    fd_ = int(reinterpret_cast<INT_PTR>(h));
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(fd_)));
    if (!committed_ && !temp_.empty())
        DeleteFileA(temp_.c_str());
}

bool AtomicFileWriter::Write(const void* Data, std::size_t Size) {
    const char* p = static_cast<const char*>(Data);
    const HANDLE h = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(fd_));
    while (error_ == 0 && Size > 0) {
        const DWORD chunk = Size > 0x40000000 ? 0x40000000 : DWORD(Size);
        DWORD n = 0;
        if (!WriteFile(h, p, chunk, &n, nullptr)) {
            error_ = int(GetLastError());
            break;
        }
        p += n;
        Size -= n;
    }
    return error_ == 0;
}

bool AtomicFileWriter::Commit() {
    if (error_ != 0)
        return false;
    const HANDLE h = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(fd_));
    const bool flushed = FlushFileBuffers(h);
    if (!flushed)
        error_ = int(GetLastError());
    CloseHandle(h);
    fd_ = -1;
    if (!flushed)
        return false;
    // A read-only target stays as it is: the replacement is refused.
    if (HasReadOnlyAttribute(target_)) {
        error_ = ERROR_ACCESS_DENIED;
        return false;
    }
    if (!MoveFileExA(temp_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error_ = int(GetLastError());
        return false;
    }
    committed_ = true;
    return true;
}

int WriteFileAtomically(const std::string& FileName, const std::string& Bytes) {
    AtomicFileWriter w(FileName);
    if (w.Write(Bytes.data(), Bytes.size()) && w.Commit())
        return 0;
    return w.Error() ? w.Error() : ERROR_WRITE_FAULT;
}

} // namespace quindle
