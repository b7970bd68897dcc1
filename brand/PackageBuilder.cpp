#include "brand/PackageBuilder.h"
#include "app/ErrorReport.h"
#include "brand/ServiceModes.h"
#include "brand/TfrmBrand.h"
#include "browser/WindowHelpers.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <QCoreApplication>

#include <chrono>
#include <filesystem>
#include <thread>

namespace quindle {
namespace {

std::string Quoted(const QString& Text) {
    return "\"" + Text.toLocal8Bit().toStdString() + "\"";
}

void RunModeAndWait(const TPackageSources& Sources, const std::string& Mode,
                    const std::string& Target, const std::string& File) {
    TKo::RunProgramAndWait(Sources.ProgramFile, ModeCommandLine(Mode, Target, File), "",
                           SW_SHOWNORMAL);
}

template <typename Step> void Quietly(Step step) {
    try {
        step();
    } catch (...) {
    }
}

// What the program itself loads, beside it in the package: its libraries (shared with the
// servers), the browser engine's helper, plugins, resources and locales, and the toolkit's
// settings that name them. A package without one of them runs on the system's.
constexpr const char* kRuntimeEntries[] = {"lib",       "libexec",      "plugins",
                                           "resources", "translations", "qt.conf"};

std::string Brand(const std::string& BrandFile, const char* Key) {
    return TKo::ReadIniString(BrandFile, "INI", Key);
}

} // namespace

std::string GetOutputDir() {
    const std::string dir = JoinPath(TKo::GetMyDocumentsDir(), "OutQNL");
    Quietly([&] { ForceDirectories(dir); });
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
    return {TKo::GetAppFileName(), TKo::GetAppPath(), BrandFile, DataDir};
}

void ReadBrandFields(TfrmBrand& Form, const std::string& BrandFile) {
    auto read = [&](const char* Key) { return QString::fromLocal8Bit(Brand(BrandFile, Key)); };
    Form.SplashFileName = read("splashfilename");
    Form.Title = read("title");
    Form.IconFileName = read("iconfile");
    Form.ShowToolbar = read("toolbar");
    Form.ShowStatusbar = read("statusbar");
    Form.ShowTrayIcon = read("trayicon");
    Form.FullScreen = read("fullscreen");
    Form.IPAddress = read("ip");
    int port = 0;
    if (!TryStrToInt(Brand(BrandFile, "port"), port))
        throw Exception("'" + Brand(BrandFile, "port") + "' is not a valid integer value");
    Form.Port = port;
    Form.OutputDir = QString::fromLocal8Bit(GetOutputDir());
    Form.CopyFilesToHardDisk = read("copyfilestoharddisk");
    Form.IncludeMySQL = read("includemysql");
}

void WritePackage(TfrmBrand& Form, const TPackageSources& Sources) {
    const std::string& brandFile = Sources.BrandFile;
    auto plain = [](const QString& Text) { return Text.toLocal8Bit().toStdString(); };
    TKo::WriteIniString(brandFile, "INI", "splashfilename", Quoted(Form.SplashFileName));
    TKo::WriteIniString(brandFile, "INI", "title", Quoted(Form.Title));
    TKo::WriteIniString(brandFile, "INI", "iconfile", Quoted(Form.IconFileName));
    TKo::WriteIniString(brandFile, "INI", "toolbar", plain(Form.ShowToolbar));
    TKo::WriteIniString(brandFile, "INI", "statusbar", plain(Form.ShowStatusbar));
    TKo::WriteIniString(brandFile, "INI", "trayicon", plain(Form.ShowTrayIcon));
    TKo::WriteIniString(brandFile, "INI", "fullscreen", plain(Form.FullScreen));
    TKo::WriteIniString(brandFile, "INI", "ip", plain(Form.IPAddress));
    TKo::WriteIniString(brandFile, "INI", "port", std::to_string(Form.Port));
    TKo::WriteIniString(brandFile, "INI", "copyfilestoharddisk", plain(Form.CopyFilesToHardDisk));
    TKo::WriteIniString(brandFile, "INI", "includemysql", plain(Form.IncludeMySQL));

    // Every build starts from an empty folder.
    std::string outputDir = GetOutputDir();
    Quietly([&] {
        TKo::DeleteFolder(outputDir);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        QCoreApplication::processEvents();
        outputDir = GetOutputDir();
    });

    const std::string runme = JoinPath(outputDir, std::string("runme") + ExeSuffix);
    TKo::WriteTextFile(runme, TKo::ReadTextFile(Sources.ProgramFile));
    // The copy runs in the package: it keeps the program's permission to run.
    Quietly([&] {
        std::filesystem::permissions(runme,
                                     std::filesystem::status(Sources.ProgramFile).permissions() |
                                         std::filesystem::perms::owner_write);
    });

    const std::string defaultSplash = ExtractDefaultSplash(Sources.DataDir);
    if (!FileExists(plain(Form.SplashFileName)))
        Form.SplashFileName = QString::fromLocal8Bit(defaultSplash);
    RunModeAndWait(Sources, "/splash", runme, plain(Form.SplashFileName));
    const std::string defaultIcon = ExtractDefaultIcon(Sources.DataDir);
    if (!FileExists(plain(Form.IconFileName)))
        Form.IconFileName = QString::fromLocal8Bit(defaultIcon);
    RunModeAndWait(Sources, "/icon", runme, plain(Form.IconFileName));
    RunModeAndWait(Sources, "/config", runme, brandFile);
    TKo::SaveResourceToFile("RES_AUTORUN", JoinPath(outputDir, "autorun.inf"));

    Quietly([&] { TKo::CopyFiles(Sources.AppPath + "bin", outputDir); });
    for (const char* entry : kRuntimeEntries) {
        const std::string source = ResolvePathCase(Sources.AppPath + entry);
        if (FileExists(source) || DirectoryExists(source))
            Quietly([&] { TKo::CopyFiles(source, outputDir); });
    }
    if (DirectoryExists(ResolvePathCase(Sources.AppPath + "data/mysql"))) {
        const std::string data = JoinPath(outputDir, "data");
        Quietly([&] { ForceDirectories(data); });
        Quietly([&] { TKo::CopyFiles(Sources.AppPath + "data/mysql", data); });
        Quietly([&] { TKo::CopyFiles(Sources.AppPath + "data/quindle", data); });
    }
    Quietly([&] { ForceDirectories(JoinPath(outputDir, "www")); });
    Quietly([&] { TKo::SetReadOnlyTree(outputDir, false); });
    if (Form.IncludeMySQL == "0")
        for (const char* part : {"bin/phpmyadmin", "bin/mysql", "data"})
            Quietly([&] { TKo::DeleteFolder(JoinPath(outputDir, part)); });
    TKo::ExploreFolder(outputDir, SW_SHOW);
}

void BuildRebrandedPackage(const TPackageSources& Sources,
                           const std::function<void(bool)>& EnableTrayIcon, QWidget* Owner) {
    if (EnableTrayIcon)
        EnableTrayIcon(false);
    {
        TfrmBrand form(Owner);
        ReadBrandFields(form, Sources.BrandFile);
        const int result = form.exec();
        form.hide();
        QCoreApplication::processEvents();
        SetBusy(true);
        if (result == QDialog::Accepted) {
            try {
                WritePackage(form, Sources);
            } catch (const Exception& e) {
                SetBusy(false);
                ShowErrorBox("Error", e.Message(), Owner);
            }
        }
        SetBusy(false);
    }
    if (EnableTrayIcon)
        EnableTrayIcon(true);
}

} // namespace quindle
