#pragma once

// The "/package" mode: builds the package a Brand.ini describes, as the Rebrand button does, but
// without a window, for an author's scripts and build machines. Says each step on the standard
// output; a failure raises, naming the file that failed.

#include <string>

namespace quindle {

// Builds from this program's own package, with the Rebrand defaults overlaid by the keys of
// section INI of BrandFile (which stays as it is). Refuses while the package runs: its database
// is then held by a server the build cannot stop.
void RunPackageMode(const std::string& BrandFile);

} // namespace quindle
