#include "kit/AtomicFile.h"
#include "kit/File.h"
#include "kit/Paths.h"

#include <windows.h>

namespace quindle {

AtomicFileWriter::AtomicFileWriter(const std::string& Target) : name_(Target), target_(Target) {
    std::string dir = ExtractFileDir(target_);
    if (dir.empty())
        dir = ".";
    char temp[MAX_PATH];
    // Creates the file with a name of its own beside the target.
    if (!GetTempFileNameA(dir.c_str(), "qnd", 0, temp))
        Fail(int(GetLastError()));
    temp_ = temp;
    const HANDLE h = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        Fail(int(GetLastError()));
    fd_ = int(reinterpret_cast<INT_PTR>(h));
}

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

void AtomicFileWriter::Discard() noexcept {
    if (fd_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(fd_)));
    fd_ = -1;
    if (!committed_ && !temp_.empty())
        DeleteFileA(temp_.c_str());
    temp_.clear();
}

void AtomicFileWriter::Fail(int Code) {
    Discard();
    RaiseFileErrorOn("write", name_, Code);
}

void AtomicFileWriter::Write(const void* Data, std::size_t Size) {
    const char* p = static_cast<const char*>(Data);
    const HANDLE h = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(fd_));
    while (Size > 0) {
        const DWORD chunk = Size > 0x40000000 ? 0x40000000 : DWORD(Size);
        DWORD n = 0;
        if (!WriteFile(h, p, chunk, &n, nullptr))
            Fail(int(GetLastError()));
        p += n;
        Size -= n;
    }
}

void AtomicFileWriter::Commit() {
    const HANDLE h = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(fd_));
    if (!FlushFileBuffers(h))
        Fail(int(GetLastError()));
    CloseHandle(h);
    fd_ = -1;
    // A read-only target stays as it is: the replacement is refused.
    if (HasReadOnlyAttribute(target_))
        Fail(ERROR_ACCESS_DENIED);
    if (!MoveFileExA(temp_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail(int(GetLastError()));
    committed_ = true;
}

void WriteFileAtomically(const std::string& FileName, const std::string& Bytes) {
    AtomicFileWriter w(FileName);
    w.Write(Bytes.data(), Bytes.size());
    w.Commit();
}

} // namespace quindle
