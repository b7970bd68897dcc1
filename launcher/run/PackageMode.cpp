#include "launcher/run/PackageMode.h"
#include "kit/Exceptions.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "launcher/builder/BrandChoices.h"
#include "launcher/builder/PackageBuilder.h"
#include "launcher/run/RunState.h"
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
    const TBrandChoices choices = ReadBrandChoices(brandFile);
    WritePackage(choices, sources);
    // The one choice an author cannot see at work in a folder of their own.
    sources.Progress(
        choices.CopyFilesToHardDisk
            ? "Where the package cannot be written (a disc, an install in /opt), its "
              "site runs from a copy in each user's working folder (copyfilestoharddisk=1)."
            : "Its site is served where the package is installed: a site that writes "
              "into its own folder needs copyfilestoharddisk=1 to work where the "
              "package cannot be written (a disc, an install in /opt).");
}

} // namespace quindle
