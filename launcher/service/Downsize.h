#pragma once

// The "downsize" mode: makes an installed package smaller by deleting optional parts of its
// server stack that the flags select, once no other process runs this program file, and then
// starts the program again.

#include <string>
#include <vector>

namespace quindle {

// Flags are the arguments after the mode word, position 2 first; "0" keeps a part, anything else
// deletes it, and a missing flag keeps it. AppPath ends with a separator.
void RunDownsize(const std::vector<std::string>& Flags, const std::string& AppPath,
                 const std::string& ProgramFile);

} // namespace quindle
