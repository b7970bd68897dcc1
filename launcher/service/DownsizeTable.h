#pragma once

// What each flag of the "downsize" mode deletes, in this system's package layout. Paths are
// relative to the program folder, with forward slashes.

#include <string>
#include <vector>

namespace quindle {

// One optional part: whole folders, then files, then a favorites entry, each list in order.
struct TDownsizePart {
    std::vector<std::string> Folders;
    std::vector<std::string> Files;
    const char* FavoriteSection = nullptr;
    const char* FavoriteKey = nullptr;
    // A key of the php.ini template whose line names the part: it goes with the part's files.
    const char* PhpIniKey = nullptr;
};

// Files that only go once none of the files that need them is left.
struct TSharedFiles {
    std::vector<std::string> Files;
    std::vector<std::string> UnlessAnyOf;
};

struct TDownsizeTable {
    std::vector<TDownsizePart> Parts; // flag positions 2 to 17
    std::vector<TSharedFiles> Shared; // looked at after every part, in order
    // PHP's extension folder and php.ini template: an extension deleted from that folder also
    // loses its line in the template, or PHP would complain at every request. Empty where the
    // template keeps its lines.
    std::string ExtensionFolder;
    std::string PhpIniTemplate;
};

const TDownsizeTable& DownsizeTable();

} // namespace quindle
