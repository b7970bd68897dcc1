#pragma once

// What was copied into a folder kept in step with another (TreeSync.h): for each path, the
// source entry as it was when copied and the copy as it was made. Comparing both with what is
// there now tells a change of the source from a change made to the copy.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quindle {

enum class TEntryKind : char { File = 'f', Folder = 'd', Link = 'l' };

// What tells one version of an entry from another: its kind, and for files and links their
// size and modification time. Folders are told apart by kind alone: their times change with
// every entry made in them.
struct TEntryStamp {
    TEntryKind Kind = TEntryKind::File;
    std::uint64_t Size = 0;
    std::int64_t ModifiedNs = 0; // since the epoch
};
bool operator==(const TEntryStamp& A, const TEntryStamp& B);

struct TCopiedEntry {
    TEntryStamp Source;
    // The copy as it was made; nothing when the copy at this path is the site's own (it had
    // changed it, or made it, when the source brought a version of its own), never replaced.
    std::optional<TEntryStamp> Copy;
};

struct TCopyRecord {
    // False while changes are being applied: the copy may then be half of one version and half
    // of another, and is never served as it is.
    bool Complete = true;
    std::map<std::string, TCopiedEntry> Entries; // by path below the folder, '/' between names
};

std::string FormatCopyRecord(const TCopyRecord& Record);
// Nothing when Text is not a record at all. A damaged line is left out: its path then counts as
// never copied. No path it gives leaves the folder: no empty, "." or ".." name, no leading '/'.
std::optional<TCopyRecord> ParseCopyRecord(std::string_view Text);

// Whether Path names an entry inside a folder: names separated by single '/', none of them
// empty, "." or "..", and no NUL.
bool IsPathBelowFolder(std::string_view Path);

} // namespace quindle
