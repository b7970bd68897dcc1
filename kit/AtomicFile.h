#pragma once

// Replacing a file so that a crash at any moment leaves either the old file or the new one:
// the new content goes to a temporary file beside the target, which is flushed to disk and
// then renamed over the target.

#include <cstddef>
#include <string>

namespace quindle {

class AtomicFileWriter {
public:
    // Starts the temporary file beside Target. The new file gets Target's permission bits, or
    // the default ones for a new file when Target does not exist yet.
    explicit AtomicFileWriter(const std::string& Target);
    ~AtomicFileWriter(); // removes the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool Ok() const { return error_ == 0; }
    int Error() const { return error_; } // the system error number of the first failure

    bool Write(const void* Data, std::size_t Size);
    bool Commit();

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
};

// Writes Bytes to FileName through an AtomicFileWriter; returns 0 or the system error number.
int WriteFileAtomically(const std::string& FileName, const std::string& Bytes);

} // namespace quindle
