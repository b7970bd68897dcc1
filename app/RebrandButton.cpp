// The Rebrand button of the main window: the dialog and the package builder.

#include "brand/PackageBuilder.h"
#include "browser/TfrmMain.h"

namespace quindle {

void TfrmMain::btnBrandClick() {
    try {
        BuildRebrandedPackage(
            OwnPackageSources(state_.BrandFile, state_.DataDir),
            [this](bool On) { EnableTrayIcon(On); }, this);
    } catch (...) {
        // What the builder does not show itself is not shown.
    }
}

} // namespace quindle
