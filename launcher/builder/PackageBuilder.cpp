#include "launcher/builder/PackageBuilder.h"
#include "kit/ExeResources.h"
#include "kit/File.h"
#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "launcher/builder/BrandChoices.h"
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

std::string Quoted(const std::string& Text) {
    return "\"" + Text + "\"";
}

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

// Copies one file with its permissions; a failure names the file that could not be read or
// written, and why (a full disk, say).
void CopyOneFile(const fs::path& From, const fs::path& To) {
    CopyFileContents(From.string(), To.string());
    std::error_code ec;
    fs::permissions(To, fs::status(From, ec).permissions(), ec);
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
            CopyOneFile(source, target);
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
    auto read = [&](const char* Key) { return Brand(BrandFile, Key); };
    auto flag = [&](const char* Key) { return Brand(BrandFile, Key) != "0"; };
    TBrandChoices c;
    c.SplashFileName = read("splashfilename");
    c.Title = read("title");
    c.IconFileName = read("iconfile");
    c.ShowToolbar = flag("toolbar");
    c.ShowStatusbar = flag("statusbar");
    c.ShowTrayIcon = flag("trayicon");
    c.FullScreen = flag("fullscreen");
    c.IPAddress = read("ip");
    const std::optional<int> port = TryStrToInt(Brand(BrandFile, "port"));
    if (!port)
        throw Exception("'" + Brand(BrandFile, "port") + "' is not a valid integer value");
    c.Port = *port;
    c.OutputDir = GetOutputDir();
    c.CopyFilesToHardDisk = flag("copyfilestoharddisk");
    c.IncludeMySQL = flag("includemysql");
    // Keys a Brand.ini of an earlier version lacks keep their defaults.
    if (const std::string version = Trim(Brand(BrandFile, "version")); !version.empty())
        c.Version = version;
    if (const std::string maintainer = Trim(Brand(BrandFile, "maintainer")); !maintainer.empty())
        c.Maintainer = maintainer;
    return c;
}

std::string WritePackage(const TBrandChoices& Choices, const TPackageSources& Sources) {
    const std::string& brandFile = Sources.BrandFile;
    auto flag = [](bool On) { return std::string(On ? "1" : "0"); };
    TKo::WriteIniStrings(brandFile, "INI",
                         {{"splashfilename", Quoted(Choices.SplashFileName)},
                          {"title", Quoted(Choices.Title)},
                          {"iconfile", Quoted(Choices.IconFileName)},
                          {"toolbar", flag(Choices.ShowToolbar)},
                          {"statusbar", flag(Choices.ShowStatusbar)},
                          {"trayicon", flag(Choices.ShowTrayIcon)},
                          {"fullscreen", flag(Choices.FullScreen)},
                          {"ip", Choices.IPAddress},
                          {"port", std::to_string(Choices.Port)},
                          {"copyfilestoharddisk", flag(Choices.CopyFilesToHardDisk)},
                          {"includemysql", flag(Choices.IncludeMySQL)},
                          {"version", Choices.Version},
                          {"maintainer", Choices.Maintainer}});
    if (const std::string problem = VersionProblem(Choices.Version); !problem.empty())
        throw Exception(problem + " (" + brandFile + ", key version)");

    // What the build needs is read before the earlier package is emptied: a build that cannot
    // start leaves that package as it was.
    const std::string program = TKo::ReadTextFile(Sources.ProgramFile);
    const std::string stack = ResolvePathCase(Sources.AppPath + "bin");
    if (!DirectoryExists(stack))
        throw Exception("Unable to copy " + stack + ": " +
                        std::make_error_code(std::errc::no_such_file_or_directory).message());

    // Every build starts from an empty folder.
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

    const std::string runme = JoinPath(outputDir, std::string("runme") + ExeSuffix);
    TKo::WriteTextFile(runme, program);
    // The copy runs in the package: it keeps the program's permission to run.
    Survivable("Letting the package's program run", [&] {
        std::filesystem::permissions(runme,
                                     std::filesystem::status(Sources.ProgramFile).permissions() |
                                         std::filesystem::perms::owner_write);
    });

    const std::string defaultSplash = ExtractDefaultSplash(Sources.DataDir);
    std::string picture = Choices.SplashFileName;
    if (!FileExists(picture))
        picture = defaultSplash;
    Sources.Progress("Stamping the splash picture " + picture + " into " + runme);
    RunModeAndWait(Sources, "/splash", runme, picture);
    const std::string splash = TKo::ReadTextFile(picture);
    CheckStamp(runme, 10, "RES_SPLASH", picture, &splash);
    const std::string defaultIcon = ExtractDefaultIcon(Sources.DataDir);
    std::string icon = Choices.IconFileName;
    if (!FileExists(icon))
        icon = defaultIcon;
    Sources.Progress("Stamping the icon " + icon);
    RunModeAndWait(Sources, "/icon", runme, icon);
    CheckStamp(runme, 14, "MAINICON", icon, nullptr);
    Sources.Progress("Stamping the settings " + brandFile);
    RunModeAndWait(Sources, "/config", runme, brandFile);
    const std::string configuration = TKo::ReadTextFile(brandFile);
    CheckStamp(runme, 10, "RES_CONFIG_INI", brandFile, &configuration);
    TKo::SaveResourceToFile("RES_AUTORUN", JoinPath(outputDir, "autorun.inf"));

    Sources.Progress("Copying the server stack and the program's runtime");
    CopyIntoPackage(stack, outputDir);
    for (const char* entry : kRuntimeEntries) {
        const std::string source = ResolvePathCase(Sources.AppPath + entry);
        if (DirectoryExists(source))
            CopyIntoPackage(source, outputDir);
        else if (FileExists(source))
            TKo::WriteTextFile(JoinPath(outputDir, entry), TKo::ReadTextFile(source));
    }
    // The database goes in whole and as committed: a running server holds part of it in memory
    // and in its logs, and its tables are only readable together with its system files.
    const std::string database = ResolvePathCase(Sources.DatabaseDir);
    if (Choices.IncludeMySQL && DirectoryExists(JoinPath(database, "mysql"))) {
        Sources.Progress("Copying the database " + database);
        TDatabaseStopped stopped(Sources);
        CopyFolderAs(database, JoinPath(outputDir, "data"));
    }
    // The site goes in when Brand.ini names its folder (a build by a script, whose Debian package
    // must hold it); otherwise the author drops it into the empty www.
    const std::string site = Trim(Brand(brandFile, "srcdir"));
    if (!site.empty()) {
        Sources.Progress("Copying the site " + site);
        CopyFolderAs(site, JoinPath(outputDir, "www"));
    } else if (!ForceDirectories(JoinPath(outputDir, "www"))) {
        throw Exception("Unable to create " + JoinPath(outputDir, "www"));
    }
    Survivable("Making the package writable", [&] { TKo::SetReadOnlyTree(outputDir, false); });
    if (!Choices.IncludeMySQL)
        for (const char* part : {"bin/phpmyadmin", "bin/mysql", "data"})
            Survivable("Leaving out a part of the package",
                       [&] { TKo::DeleteFolder(JoinPath(outputDir, part)); });
    // As Linux desktops install software: a menu entry and the icon's pictures beside the
    // package, and all of it as a Debian package.
    const std::string title = Trim(Choices.Title).empty() ? kBuiltInTitle : Trim(Choices.Title);
    const std::string name = SoftwareName(title);
    Sources.Progress("Writing the menu entry and the Debian package of " + name);
    TDebianPackage deb{
        name, title, Choices.Version, Choices.Maintainer, outputDir, MenuEntry(title, name), {}};
    TKo::WriteTextFile(JoinPath(outputDir, name + ".desktop"), deb.MenuEntry);
    std::string error;
    // The module of the program that is packaged, in its lib folder.
    const std::string module =
        JoinPath(JoinPath(ExtractFileDir(Sources.ProgramFile), "lib"), "libquindle-package.so");
    const auto write =
        reinterpret_cast<TDebianPackageEntry>(LoadModuleEntry(module, kDebianPackageEntry, error));
    if (!write)
        throw Exception("Unable to load " + module + ": " + error);
    std::string result;
    bool failed = true;
    write(deb, TKo::ReadTextFile(icon), outputDir, result, failed);
    if (failed)
        throw Exception(result);
    Sources.Progress("The package is ready: " + outputDir);
    if (Sources.ShowFolder)
        TKo::ExploreFolder(outputDir, SW_SHOW);
    return outputDir;
}

} // namespace quindle
