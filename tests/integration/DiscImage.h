#pragma once

// A folder burnt into an iso9660 image and mounted read-only, as a disc in a drive: by the
// kernel when it can (the administrator, a loop device), else in user space (fuseiso).

#include "tests/TestSupport.h"

#include <string>

namespace quindle::test {

class DiscImage {
public:
    // Makes the image of Tree in a work folder of its own and mounts it.
    explicit DiscImage(const std::string& Tree);
    ~DiscImage(); // takes the disc out if still in

    bool Mounted() const { return mounted_; }
    // Why the disc is not mounted, for a skipped test.
    const std::string& Problem() const { return problem_; }
    // Where the disc's files are (a blank in the name, as disc labels have).
    std::string Path() const { return work_ / "disc 1"; }
    // Takes the disc out while programs may still run from it.
    bool Eject();

private:
    TempDir work_;
    bool mounted_ = false;
    std::string problem_;
};

} // namespace quindle::test
