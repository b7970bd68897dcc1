// The Debian package module's entry, looked up by name once the builder has loaded the module.

#include "kit/Exceptions.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "launcher/debian/DebianPackage.h"
#include "launcher/modules/Modules.h"

QUINDLE_MODULE_ENTRY void quindle_debian_package(quindle::TDebianPackage& Package,
                                                 const std::string& Ico,
                                                 const std::string& OutputDir, std::string& Result,
                                                 bool& Failed) {
    using namespace quindle;
    try {
        Package.Icons = ThemeIcons(Ico, Package.Name);
        for (const auto& [path, png] : Package.Icons) {
            const std::string file = JoinPath(JoinPath(OutputDir, "icons"), path);
            ForceDirectories(ExtractFileDir(file));
            TKo::WriteTextFile(file, png);
        }
        Result = WriteDebianPackage(Package, OutputDir);
        Failed = false;
    } catch (const std::exception& e) {
        Result = e.what();
        Failed = true;
    }
}
