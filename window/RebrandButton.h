#pragma once

#include "launcher/RunState.h"
#include "window/PackageBuilder.h"

namespace quindle {

// What the package builder takes from a run: the program, its folders and the database files
// the run uses, with the stop and the new start of its database server around their copy.
TPackageSources PackageSourcesOf(TRunState& Run);

} // namespace quindle
