#include "launcher/PackageMode.h"
#include "kit/Exceptions.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "launcher/BrandChoices.h"
#include "launcher/PackageBuilder.h"
#include "launcher/RunState.h"
#include "server/ConfigFiles.h"
#include "server/ServerProcesses.h"

#include <cstdio>
#include <system_error>

namespace quindle {

void RunPackageMode(const std::string& BrandFile) {
    if (!FileExists(BrandFile))
        throw Exception("Unable to read " + BrandFile + ": " +
                        std::make_error_code(std::errc::no_such_file_or_directory).message());
    const std::string databaseServer = DatabaseServerExe(TKo::GetAppPath() + "bin");
    if (!TKo::FindProcessesByPath(databaseServer).empty())
        throw Exception("The package is running (" + databaseServer +
                        "): end it before building it, or build it with its Rebrand button");

    // The choices start from the defaults the Rebrand dialog starts from, in the working folder;
    // the author's file only names what differs.
    TRunState run;
    run.DataDir = TKo::GetDataDir();
    const std::string brandFile = run.WriteBrandDefaults();
    TStringArray keys;
    TKo::ReadIniSectionKeys(BrandFile, kConfigSection, keys);
    std::vector<std::pair<std::string, std::string>> values;
    for (const std::string& key : keys)
        values.emplace_back(key, TKo::ReadIniString(BrandFile, kConfigSection, key));
    TKo::WriteIniStrings(brandFile, kConfigSection, values);

    TPackageSources sources = OwnPackageSources(brandFile, run.DataDir);
    sources.Progress = [](const std::string& Step) {
        std::printf("%s\n", Step.c_str());
        std::fflush(stdout);
    };
    sources.ShowFolder = false;
    WritePackage(ReadBrandChoices(brandFile), sources);
}

} // namespace quindle
