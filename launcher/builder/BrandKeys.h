#pragma once

// Brand.ini's keys in the order the file keeps them: what a run writes there to start from, what
// the package builder reads into the author's choices, and what it stores back. Some keys are the
// file's alone (datadir, srcdir, outputdir, brand): only the defaults write them, and whoever
// needs one reads it from the file.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quindle {

struct TBrandChoices;

using TBrandTexts = std::vector<std::pair<std::string, std::string>>;

// Every key with the text a fresh Brand.ini holds.
TBrandTexts BrandDefaults();
// The keys of the choices, as Brand.ini holds them.
TBrandTexts BrandTexts(const TBrandChoices& Choices);
// The choices from the texts Read gives for the keys (empty for a key the file lacks); raises
// when the port is no number. The output folder is left to the builder.
TBrandChoices BrandChoicesOf(const std::function<std::string(const std::string& Key)>& Read);

} // namespace quindle
