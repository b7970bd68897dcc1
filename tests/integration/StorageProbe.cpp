#include "tests/integration/StorageProbe.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace quindle::test {
namespace {

std::vector<std::string> Reports(const PackageRun& Run) {
    std::vector<std::string> lines;
    std::ifstream in(Run.DataDir() + "/uploads/storage-report.txt");
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

StorageProbe::StorageProbe(const std::string& Package, bool CloseAfterStoring) {
    Install(Package, CloseAfterStoring);
}

void StorageProbe::Install(const std::string& Package, bool CloseAfterStoring) {
    // The stored value is the time of storing: every run stores a value of its own.
    std::ostringstream page;
    page << R"(<?php
$report = ini_get('upload_tmp_dir') . '/storage-report.txt';
if (isset($_GET['report'])) {
    file_put_contents($report, $_GET['report'] . "\n", FILE_APPEND | LOCK_EX);
    exit;
}
$cookie = $_COOKIE['kept'] ?? '';
?><!DOCTYPE html><title>Storage probe</title><p>Storing...</p><script>
const report = (text) => fetch('/?report=' + encodeURIComponent(text));
const local = localStorage.getItem('kept') || '';
report('found cookie=' + <?= json_encode($cookie) ?> + ' local=' + local).then(() => {
    const value = String(Date.now());
    document.cookie = 'kept=' + value + '; max-age=31536000; path=/';
    localStorage.setItem('kept', value);
    return report('stored ' + value);
}))" << (CloseAfterStoring ? ".then(() => setTimeout(() => window.close(), 1000))" : "")
         << ";\n</script>\n";
    WriteFile(Package + "/www/index.php", page.str());
}

void StorageProbe::Mark(const PackageRun& Run) {
    seen_ = Reports(Run).size();
}

std::string StorageProbe::WaitForReport(const PackageRun& Run, const std::string& Kind,
                                        int TimeoutMs) {
    std::string found;
    WaitUntil(
        [&] {
            const auto lines = Reports(Run);
            for (std::size_t i = seen_; i < lines.size(); ++i)
                if (lines[i].rfind(Kind + " ", 0) == 0) {
                    found = lines[i].substr(Kind.size() + 1);
                    seen_ = i + 1;
                    return true;
                }
            return false;
        },
        TimeoutMs);
    return found;
}

std::string StorageProbe::WaitForStored(const PackageRun& Run, int TimeoutMs) {
    return WaitForReport(Run, "stored", TimeoutMs);
}

std::string StorageProbe::WaitForFound(const PackageRun& Run, int TimeoutMs) {
    return WaitForReport(Run, "found", TimeoutMs);
}

} // namespace quindle::test
