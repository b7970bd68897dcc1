#pragma once

#include "launcher/builder/PackageBuilder.h"
#include "launcher/run/RunState.h"

#include <functional>

class QWidget;

namespace quindle {

// What the package builder takes from a run: the program, its folders and the database files
// the run uses, with the stop and the new start of its database server around their copy.
TPackageSources PackageSourcesOf(TRunState& Run);

// The Rebrand button: the dialog, then the package, with the busy cursor; the tray icon ignores
// the mouse meanwhile. Errors of the build are shown in an error dialog.
void BuildRebrandedPackage(const TPackageSources& Sources,
                           const std::function<void(bool)>& EnableTrayIcon, QWidget* Owner);

} // namespace quindle
