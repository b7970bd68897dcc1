#pragma once

// Replacing a file so that a crash at any moment leaves either the old file or the new one:
// the new content goes to a temporary file beside the target, which is flushed to disk and
// then renamed over the target.

#include "kit/Exceptions.h"

#include <cstddef>
#include <string>

namespace quindle {

// Every step raises EFileError "Unable to write <Target>: <reason>"; the temporary file is gone
// by then, and the target is as it was.
class AtomicFileWriter {
public:
    // Starts the temporary file beside Target. The new file gets Target's permission bits, or
    // the default ones for a new file when Target does not exist yet.
    explicit AtomicFileWriter(const std::string& Target);
    ~AtomicFileWriter(); // removes the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(const void* Data, std::size_t Size);
    void Commit();

private:
    // Removes the temporary file and raises the error for Code.
    [[noreturn]] void Fail(int Code);
    void Discard() noexcept;

    std::string name_; // as the caller gave it, for the message
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
};

// Replaces FileName by Bytes through an AtomicFileWriter.
void WriteFileAtomically(const std::string& FileName, const std::string& Bytes);

} // namespace quindle
