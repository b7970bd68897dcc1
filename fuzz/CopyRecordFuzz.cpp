#include "kit/CopyRecord.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quindle;

namespace {

bool Same(const TCopyRecord& A, const TCopyRecord& B) {
    if (A.Complete != B.Complete || A.Entries.size() != B.Entries.size())
        return false;
    for (auto a = A.Entries.begin(), b = B.Entries.begin(); a != A.Entries.end(); ++a, ++b) {
        const TCopiedEntry &x = a->second, &y = b->second;
        if (a->first != b->first || x.Source.Kind != y.Source.Kind ||
            x.Source.Size != y.Source.Size || x.Source.ModifiedNs != y.Source.ModifiedNs ||
            bool(x.Copy) != bool(y.Copy) ||
            (x.Copy && (x.Copy->Size != y.Copy->Size || x.Copy->ModifiedNs != y.Copy->ModifiedNs)))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<TCopyRecord> record = ParseCopyRecord(text);
    if (!record)
        return 0;
    // A damaged record never names a path outside the copy: the copy's files are removed and
    // replaced by what it says.
    for (const auto& [path, entry] : record->Entries)
        if (!IsPathBelowFolder(path) || path.front() == '/')
            std::abort();
    // What is written reads back as it was.
    const std::optional<TCopyRecord> again = ParseCopyRecord(FormatCopyRecord(*record));
    if (!again || !Same(*record, *again))
        std::abort();
    return 0;
}
