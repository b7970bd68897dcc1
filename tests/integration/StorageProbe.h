#pragma once

// A home page that reports what the browser kept of it from the run before (a cookie for a year
// and a local-storage value), then stores a new value in both and reports that. The reports go
// to a file in the run's upload folder, which the web server's workers may write.

#include "tests/integration/PackageRun.h"

#include <string>

namespace quindle::test {

class StorageProbe {
public:
    // Makes the probe the home page of Package. With CloseAfterStoring, the page closes its own
    // window a second after it has stored its values.
    explicit StorageProbe(const std::string& Package, bool CloseAfterStoring = false);
    // Writes the probe page into Package (again), for a package copied anew.
    static void Install(const std::string& Package, bool CloseAfterStoring = false);

    // Marks the reports so far as seen: the waits below look at newer ones only.
    void Mark(const PackageRun& Run);
    // The value the page stored after the mark; empty when it did not within the time.
    std::string WaitForStored(const PackageRun& Run, int TimeoutMs = 60000);
    // What the page found after the mark, as "cookie=<value> local=<value>"; empty when it did
    // not report within the time.
    std::string WaitForFound(const PackageRun& Run, int TimeoutMs = 60000);

private:
    std::string WaitForReport(const PackageRun& Run, const std::string& Kind, int TimeoutMs);

    std::size_t seen_ = 0;
};

// What the probe reports once it finds both values Stored kept.
inline std::string BothKept(const std::string& Stored) {
    return "cookie=" + Stored + " local=" + Stored;
}

} // namespace quindle::test
