#include "kit/File.h"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

namespace quindle {

// "N": the handle is not inherited by programs started later.
const char* const kReadBinaryMode = "rbN";
const char* const kWriteBinaryMode = "wbN";

namespace {

HANDLE AsHandle(int Handle) {
    // Kernel handles fit in 32 bits, also in 64-bit processes.
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(Handle));
}

} // namespace

std::string SystemErrorText(int Code) {
    char* buffer = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(Code), 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = n && buffer ? std::string(buffer, n) : std::string();
    if (buffer)
        LocalFree(buffer);
    return text;
}

TFile::TFile(const std::string& FileName, int CreationIndex, int AccessIndex, int ShareIndex) {
    static const DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD creation[] = {CREATE_ALWAYS, CREATE_NEW, OPEN_EXISTING, OPEN_ALWAYS,
                                     TRUNCATE_EXISTING};
    static const DWORD share[] = {0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE};
    if (AccessIndex < 0 || AccessIndex > 2 || CreationIndex < 0 || CreationIndex > 4 ||
        ShareIndex < 0 || ShareIndex > 3)
        RaiseFileError(ERROR_INVALID_PARAMETER);
    const HANDLE h = CreateFileA(FileName.c_str(), access[AccessIndex], share[ShareIndex], nullptr,
                                 creation[CreationIndex], FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        RaiseFileError(int(GetLastError()));
    Handle = int(reinterpret_cast<INT_PTR>(h));
    OwnsHandle = true;
}

TFile::~TFile() {
    if (OwnsHandle && Handle != -1)
        CloseHandle(AsHandle(Handle));
}

std::int64_t TFile::GetSize64() {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(AsHandle(Handle), &size))
        RaiseFileError(int(GetLastError()));
    return size.QuadPart;
}

int TFile::Read(void* Buffer, int Count) {
    if (Count <= 0)
        return 0;
    char* p = static_cast<char*>(Buffer);
    int total = 0;
    while (total < Count) {
        DWORD n = 0;
        if (!ReadFile(AsHandle(Handle), p + total, DWORD(Count - total), &n, nullptr))
            RaiseFileError(int(GetLastError()));
        if (n == 0)
            break;
        total += int(n);
    }
    return total;
}

void CopyFileContents(const std::string& From, const std::string& To) {
    auto fail = [](const char* What, const std::string& Path, int Code) {
        // The C library's errors: not the system's numbers SystemErrorText knows.
        throw EFileError(std::string("Unable to ") + What + " " + Path + ": " +
                             std::generic_category().message(Code),
                         Code);
    };
    std::FILE* in = std::fopen(From.c_str(), kReadBinaryMode);
    if (!in)
        fail("read", From, errno);
    std::FILE* out = std::fopen(To.c_str(), kWriteBinaryMode);
    if (!out) {
        const int code = errno;
        std::fclose(in);
        fail("write", To, code);
    }
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
        if (got < buffer.size() && std::ferror(in)) {
            const int code = errno;
            std::fclose(in), std::fclose(out);
            fail("read", From, code);
        }
        if (got > 0 && std::fwrite(buffer.data(), 1, got, out) != got) {
            const int code = errno;
            std::fclose(in), std::fclose(out);
            fail("write", To, code);
        }
        if (got < buffer.size())
            break;
    }
    std::fclose(in);
    if (std::fclose(out) != 0)
        fail("write", To, errno);
}

} // namespace quindle
