// The Rebrand button of the main window: the dialog and the package builder.

#include "window/RebrandButton.h"
#include "window/TfrmMain.h"

namespace quindle {

TPackageSources PackageSourcesOf(TRunState& Run) {
    TPackageSources sources = OwnPackageSources(Run.BrandFile, Run.DataDir);
    sources.DatabaseDir = Run.DatabaseDir();
    sources.StopDatabase = [&Run] { Run.PauseDatabaseServer(); };
    sources.StartDatabase = [&Run] { Run.ResumeDatabaseServer(); };
    return sources;
}

void TfrmMain::btnBrandClick() {
    try {
        BuildRebrandedPackage(
            PackageSourcesOf(state_), [this](bool On) { EnableTrayIcon(On); }, this);
    } catch (...) {
        // What the builder does not show itself is not shown.
    }
}

} // namespace quindle
