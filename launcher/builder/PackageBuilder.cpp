#include "launcher/builder/PackageBuilder.h"
#include "kit/ExeResources.h"
#include "kit/File.h"
#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "launcher/builder/BrandChoices.h"
#include "launcher/builder/BrandKeys.h"
#include "launcher/debian/DebianPackage.h"
#include "launcher/debian/DesktopFiles.h"
#include "launcher/modules/Modules.h"
#include "launcher/service/ServiceModes.h"
#include "server/ConfigFiles.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace quindle {
namespace {

void RunModeAndWait(const TPackageSources& Sources, const std::string& Mode,
                    const std::string& Target, const std::string& File) {
    TKo::RunProgramAndWait(Sources.ProgramFile, ModeArguments(Mode, Target, File), "",
                           SW_SHOWNORMAL);
}

// Runs a step whose failure the build survives, and logs that failure: a later step that needs
// its result fails loudly itself (the output folder), and what is left otherwise (a permission
// bit, a read-only mark, a part not deleted) still makes a package that runs.
template <typename Step> void Survivable(const char* What, Step step) {
    try {
        step();
    } catch (...) {
        LogCaught(What);
    }
}

// What the program itself loads, beside it in the package: its libraries (shared with the
// servers), the browser engine's helper, plugins, resources and locales, and the toolkit's
// settings that name them. A package without one of them runs on the system's.
constexpr const char* kRuntimeEntries[] = {"lib",       "libexec",      "plugins",
                                           "resources", "translations", "qt.conf"};

namespace fs = std::filesystem;

[[noreturn]] void FailOn(const std::string& What, const fs::path& Path, const std::error_code& Ec) {
    throw Exception("Unable to " + What + " " + Path.string() + ": " + Ec.message());
}

// Copies the folder From to To, file by file; the first file that cannot be copied ends the
// build, named with the reason. A package with a hole in it is no package.
void CopyTree(const fs::path& From, const fs::path& To) {
    std::error_code ec;
    fs::create_directory(To, ec);
    if (ec)
        FailOn("create", To, ec);
    fs::directory_iterator it(From, ec);
    if (ec)
        FailOn("read", From, ec);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            FailOn("read", From, ec);
        const fs::path source = it->path();
        const fs::path target = To / source.filename();
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            CopyTree(source, target);
        } else {
            CopyFileWithPermissions(source.string(), target.string());
        }
    }
}

// The files below a folder and their bytes.
std::pair<std::uintmax_t, std::uintmax_t> FilesAndBytes(const fs::path& Folder) {
    std::uintmax_t files = 0, bytes = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(Folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec)) {
            ++files;
            bytes += it->file_size(ec);
        }
    }
    return {files, bytes};
}

// Copies a folder into the package as To and checks that all of it arrived.
void CopyFolderAs(const std::string& Source, const fs::path& To) {
    const fs::path from = ResolvePathCase(Source);
    CopyTree(from, To);
    if (FilesAndBytes(from) != FilesAndBytes(To))
        throw Exception("Unable to copy " + from.string() + " completely to " + To.string());
}

// Copies a folder of the program's into the package, where it arrives under its own name.
void CopyIntoPackage(const std::string& Source, const std::string& TargetDir) {
    CopyFolderAs(Source, fs::path(TargetDir) / fs::path(ResolvePathCase(Source)).filename());
}

// The run's database server is stopped while this lives, and started again after, also when
// the copy fails: the author's own window goes on reaching its database.
class TDatabaseStopped {
public:
    explicit TDatabaseStopped(const TPackageSources& Sources) : sources_(Sources) {
        if (sources_.StopDatabase)
            sources_.StopDatabase();
    }
    ~TDatabaseStopped() {
        if (!sources_.StartDatabase)
            return;
        // Only the author's own window misses its database then; the package is complete.
        Survivable("Starting the database server again", sources_.StartDatabase);
    }
    TDatabaseStopped(const TDatabaseStopped&) = delete;
    TDatabaseStopped& operator=(const TDatabaseStopped&) = delete;

private:
    const TPackageSources& sources_;
};

// The copy carries the resource a stamping child was to write; Expected, when given, byte for
// byte. A child that failed is noticed here.
void CheckStamp(const std::string& Runme, std::uint16_t Type, const char* Name,
                const std::string& From, const std::string* Expected) {
    try {
        const ResourceContainer resources = LoadExeResources(Runme);
        const ResourceEntry* entry = resources.Find(Type, ResourceName::Text(Name));
        if (entry && (!Expected || entry->Data == *Expected))
            return;
    } catch (const EFileError&) {
        LogCaught("CheckStamp"); // a copy without readable resources has no stamp either
    }
    throw Exception("Unable to write " + From + " into " + Runme);
}

std::string Brand(const std::string& BrandFile, const char* Key) {
    return TKo::ReadIniString(BrandFile, "INI", Key);
}

void StoreChoices(const TBrandChoices& Choices, const std::string& BrandFile) {
    TKo::WriteIniStrings(BrandFile, "INI", BrandTexts(Choices));
    if (const std::string problem = VersionProblem(Choices.Version); !problem.empty())
        throw Exception(problem + " (" + BrandFile + ", key version)");
}

struct TBuildNeeds {
    std::string Program; // the program's bytes
    std::string Stack;   // the server stack's folder
};

// Read before the earlier package is emptied: a build that cannot start leaves that package as
// it was.
TBuildNeeds ReadWhatTheBuildNeeds(const TPackageSources& Sources) {
    TBuildNeeds needs{TKo::ReadTextFile(Sources.ProgramFile),
                      ResolvePathCase(Sources.AppPath + "bin")};
    if (!DirectoryExists(needs.Stack))
        throw Exception("Unable to copy " + needs.Stack + ": " +
                        std::make_error_code(std::errc::no_such_file_or_directory).message());
    return needs;
}

// Every build starts from an empty folder.
std::string EmptyOutputFolder(const TPackageSources& Sources) {
    std::string outputDir = GetOutputDir();
    Sources.Progress("Building the package in " + outputDir);
    Survivable("Emptying the output folder", [&] {
        // The system may take a moment to let go of what was deleted; an empty folder has
        // nothing to let go of.
        if (fs::is_empty(outputDir))
            return;
        TKo::DeleteFolder(outputDir);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        Sources.LetMessagesRun();
        outputDir = GetOutputDir();
    });
    return outputDir;
}

// The package's runme, a copy of the program.
std::string WriteProgram(const TBuildNeeds& Needs, const TPackageSources& Sources,
                         const std::string& OutputDir) {
    const std::string runme = JoinPath(OutputDir, std::string("runme") + ExeSuffix);
    TKo::WriteTextFile(runme, Needs.Program);
    // The copy runs in the package: it keeps the program's permission to run.
    Survivable("Letting the package's program run", [&] {
        fs::permissions(runme,
                        fs::status(Sources.ProgramFile).permissions() | fs::perms::owner_write);
    });
    return runme;
}

// The chosen file, or the default the program carries when there is none.
std::string ChosenOr(const std::string& Chosen, const std::string& Default) {
    return FileExists(Chosen) ? Chosen : Default;
}

// Stamps the splash picture, the icon and the settings into runme and writes autorun.inf beside
// it; returns the icon stamped, which the desktop's files show too.
std::string StampResources(const TBrandChoices& Choices, const TPackageSources& Sources,
                           const std::string& Runme, const std::string& OutputDir) {
    const std::string picture =
        ChosenOr(Choices.SplashFileName, ExtractDefaultSplash(Sources.DataDir));
    Sources.Progress("Stamping the splash picture " + picture + " into " + Runme);
    RunModeAndWait(Sources, "/splash", Runme, picture);
    const std::string splash = TKo::ReadTextFile(picture);
    CheckStamp(Runme, 10, "RES_SPLASH", picture, &splash);
    const std::string icon = ChosenOr(Choices.IconFileName, ExtractDefaultIcon(Sources.DataDir));
    Sources.Progress("Stamping the icon " + icon);
    RunModeAndWait(Sources, "/icon", Runme, icon);
    CheckStamp(Runme, 14, "MAINICON", icon, nullptr);
    const std::string& brandFile = Sources.BrandFile;
    Sources.Progress("Stamping the settings " + brandFile);
    RunModeAndWait(Sources, "/config", Runme, brandFile);
    const std::string configuration = TKo::ReadTextFile(brandFile);
    CheckStamp(Runme, 10, "RES_CONFIG_INI", brandFile, &configuration);
    TKo::SaveResourceToFile("RES_AUTORUN", JoinPath(OutputDir, "autorun.inf"));
    return icon;
}

void CopyRuntime(const TBuildNeeds& Needs, const TPackageSources& Sources,
                 const std::string& OutputDir) {
    Sources.Progress("Copying the server stack and the program's runtime");
    CopyIntoPackage(Needs.Stack, OutputDir);
    for (const char* entry : kRuntimeEntries) {
        const std::string source = ResolvePathCase(Sources.AppPath + entry);
        if (DirectoryExists(source))
            CopyIntoPackage(source, OutputDir);
        else if (FileExists(source))
            TKo::WriteTextFile(JoinPath(OutputDir, entry), TKo::ReadTextFile(source));
    }
}

// The database goes in whole and as committed: a running server holds part of it in memory and
// in its logs, and its tables are only readable together with its system files.
void CopyDatabase(const TBrandChoices& Choices, const TPackageSources& Sources,
                  const std::string& OutputDir) {
    const std::string database = ResolvePathCase(Sources.DatabaseDir);
    if (!Choices.IncludeMySQL || !DirectoryExists(JoinPath(database, "mysql")))
        return;
    Sources.Progress("Copying the database " + database);
    TDatabaseStopped stopped(Sources);
    CopyFolderAs(database, JoinPath(OutputDir, "data"));
}

// The site goes in when Brand.ini names its folder (a build by a script, whose Debian package
// must hold it); otherwise the author drops it into the empty www.
void CopySite(const TPackageSources& Sources, const std::string& OutputDir) {
    const std::string site = Trim(Brand(Sources.BrandFile, "srcdir"));
    if (!site.empty()) {
        Sources.Progress("Copying the site " + site);
        CopyFolderAs(site, JoinPath(OutputDir, "www"));
    } else if (!ForceDirectories(JoinPath(OutputDir, "www"))) {
        throw Exception("Unable to create " + JoinPath(OutputDir, "www"));
    }
}

void TrimPackage(const TBrandChoices& Choices, const std::string& OutputDir) {
    Survivable("Making the package writable", [&] { TKo::SetReadOnlyTree(OutputDir, false); });
    if (!Choices.IncludeMySQL)
        for (const char* part : {"bin/phpmyadmin", "bin/mysql", "data"})
            Survivable("Leaving out a part of the package",
                       [&] { TKo::DeleteFolder(JoinPath(OutputDir, part)); });
}

// As Linux desktops install software: a menu entry and the icon's pictures beside the package,
// and all of it as a Debian package, written by the module of the program that is packaged.
void WriteDebianPackageOf(const TBrandChoices& Choices, const TPackageSources& Sources,
                          const std::string& Icon, const std::string& OutputDir) {
    const std::string title = Trim(Choices.Title).empty() ? kBuiltInTitle : Trim(Choices.Title);
    const std::string name = SoftwareName(title);
    Sources.Progress("Writing the menu entry and the Debian package of " + name);
    TDebianPackage deb{
        name, title, Choices.Version, Choices.Maintainer, OutputDir, MenuEntry(title, name), {}};
    TKo::WriteTextFile(JoinPath(OutputDir, name + ".desktop"), deb.MenuEntry);
    std::string error;
    const std::string module = ModuleFile("package", Sources.ProgramFile);
    const auto write =
        reinterpret_cast<TDebianPackageEntry>(LoadModuleEntry(module, kDebianPackageEntry, error));
    if (!write)
        throw Exception("Unable to load " + module + ": " + error);
    std::string result;
    bool failed = true;
    write(deb, TKo::ReadTextFile(Icon), OutputDir, result, failed);
    if (failed)
        throw Exception(result);
}

} // namespace

std::string GetOutputDir() {
    const std::string dir = JoinPath(TKo::GetMyDocumentsDir(), "OutQNL");
    Survivable("Making a folder of the package", [&] { ForceDirectories(dir); });
    return dir;
}

std::string ExtractDefaultSplash(const std::string& DataDir) {
    const std::string file = JoinPath(DataDir, "CDSplash.png");
    TKo::SaveResourceToFile("RES_CDSPLASH", file);
    return file;
}

std::string ExtractDefaultIcon(const std::string& DataDir) {
    const std::string file = JoinPath(DataDir, "CD.ico");
    TKo::SaveResourceToFile("RES_CD", file);
    return file;
}

TPackageSources OwnPackageSources(const std::string& BrandFile, const std::string& DataDir) {
    return {TKo::GetAppFileName(),
            TKo::GetAppPath(),
            BrandFile,
            DataDir,
            TKo::GetAppPath() + "data",
            {},
            {}};
}

TBrandChoices ReadBrandChoices(const std::string& BrandFile) {
    TBrandChoices choices =
        BrandChoicesOf([&](const std::string& Key) { return Brand(BrandFile, Key.c_str()); });
    choices.OutputDir = GetOutputDir();
    return choices;
}

std::string WritePackage(const TBrandChoices& Choices, const TPackageSources& Sources) {
    StoreChoices(Choices, Sources.BrandFile);
    const TBuildNeeds needs = ReadWhatTheBuildNeeds(Sources);
    const std::string outputDir = EmptyOutputFolder(Sources);
    const std::string runme = WriteProgram(needs, Sources, outputDir);
    const std::string icon = StampResources(Choices, Sources, runme, outputDir);
    CopyRuntime(needs, Sources, outputDir);
    CopyDatabase(Choices, Sources, outputDir);
    CopySite(Sources, outputDir);
    TrimPackage(Choices, outputDir);
    WriteDebianPackageOf(Choices, Sources, icon, outputDir);
    Sources.Progress("The package is ready: " + outputDir);
    if (Sources.ShowFolder)
        TKo::ExploreFolder(outputDir, SW_SHOW);
    return outputDir;
}

} // namespace quindle
