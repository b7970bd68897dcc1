#pragma once

// The state of one interactive run and the operations of its start-up and shutdown that need no
// window: folders, settings files, the single instance, the servers and the processes to end.
// The main window owns one and drives it step by step.

#include "kit/KoClass.h"
#include "kit/Product.h"
#include "server/ServerConfig.h"
#include "server/ServerProcesses.h"

#include <chrono>
#include <string>
#include <vector>

namespace quindle {

// A start whose show command is at least this is the relaunched, interactive run.
constexpr std::uint16_t kRelaunchOffset = 6000;
constexpr const char* kServerFileVersion = kProductVersion;

class TRunState {
public:
    // --- Folders, settings and environment ---------------------------------------------------
    void PrepareEnvironment(); // DataDir, PHPRC, OS_LANGUAGE and the SERVER_ variables
    std::string ExtractConfigIni();
    std::string ReadConfig(const std::string& Key) const;
    void WriteConfig(const std::string& Key, const std::string& Value);
    std::string WriteBrandDefaults();
    void ReadTitle(); // AppTitle from Config.ini
    bool ClaimSingleInstance() const;
    std::string GetBinDir();
    void LinkSharedLibraries() const; // beside the stack's copy in the working folder
    void SetStackEnvironment();       // PHP_EXE, OPENSSL_CONF, SSLEAY_CONF
    // The account the web server hands its pages to, where that account writes (WebDataDir),
    // and whether it can write the package's site folder.
    void ChooseWebFolders();
    // A new key for this run, and the paths served without it (Config.ini openpaths).
    void ChooseSiteAccess();
    // A copy of the program in the temporary folder, under a name nobody else holds; raises
    // "Unable to copy <program>: <reason>" when it cannot be written whole.
    std::string MakeCommandCopy() const;
    bool RunningFromCD() const;
    TServerContext ServerContext() const;

    // The steps before any window: environment, Config.ini and Brand.ini, the title, the single
    // instance and the splash. False when another instance of the program runs. Raises what
    // writing the settings files raises.
    bool PrepareRun();
    // The steps after the splash up to the web server's start: the stack's folder and
    // environment, the database server, php.ini, the web port, httpd.conf, the web server.
    // Raises when the port setting is no number.
    void StartServers();
    bool TitleRead = false; // the application title has been read

    // --- Processes ---------------------------------------------------------------------------
    void StartSplash();
    void StartDatabaseServer();
    std::string WritePhpIni();
    void ChooseWebPort(); // raises when Config.ini port is not a whole number
    // Brings the site's copy in step with the package when the site runs from one.
    void CopySite();
    std::string WriteHttpdConf();
    // Started by the administrator, the web server serves as the account its configuration
    // names: that account gets PHP's folders, and what it cannot reach is described in
    // WebServerAccessProblem.
    void PrepareWebServerAccount();
    void StartWebServer(); // ends leftovers and starts it
    void WaitForServers(); // until they serve
    std::string HomeAddress() const;

    // Ends every process this run started: the splash, an outside browser and a reported
    // process with their descendants, the web server and the database server.
    void EndProcesses();
    // Ends the splash alone.
    void EndSplash();
    // Ends the outside browser and the reported process, each with its descendants.
    void EndOutsideBrowser();
    // Ends the web server and stops the database server.
    void EndServers();

    // --- Keeping the servers up while the window is open --------------------------------------
    // What the window shows of a server that ended without being asked: a line for the status
    // bar when it was started again, an error when it is given up.
    struct TServerNews {
        std::string StatusLine;
        std::string Error;
    };
    // Starts again, on the same port with the same configuration, a server that has ended:
    // at most three times in five minutes each, then it is given up. Called from the window
    // only while it runs, never during the start-up or ShutDown.
    std::vector<TServerNews> KeepServersUp(std::chrono::steady_clock::time_point Now);

    // --- A copy of the database files -----------------------------------------------------------
    // The folder of the database files this run's server uses.
    std::string DatabaseDir() const;
    // Stops the database server in its orderly way, so that its files on disk are complete and
    // stay as they are; the watch leaves it stopped until ResumeDatabaseServer starts it again on
    // the same port with the same configuration. Nothing happens when no database server runs.
    void PauseDatabaseServer();
    void ResumeDatabaseServer();

    // --- The outside browser ----------------------------------------------------------------
    // Reads Browser.ini (also the script-error and splash-time settings); true when it names an
    // outside browser program that exists.
    bool FindOutsideBrowser();
    std::string OutsideBrowserExe() const; // absolute
    // The name of the channel on which the outside browser reports a process id.
    std::string BrowserMessageName() const;
    void StartOutsideBrowser();
    bool OutsideBrowserRunning() const;
    TCardinalArray OutsideBrowserProcesses() const; // every process running it

    // --- The state of the run ----------------------------------------------------------------
    std::string DataDir, ConfigFile, BrandFile, BinDir;
    std::uint32_t SplashPid = 0;
    std::string MySqlExe, MyIniFile;
    int MySqlPort = 0;
    std::uint32_t MySqlPid = 0;
    int WebPort = 0;
    std::string HttpdConfFile, ApacheExe;
    std::string WebServerAccessProblem; // empty when the web server can do its work
    std::string WebDataDir;             // where the web server's account writes
    std::string WebAccount;             // that account, when it is not ours
    bool SiteWritable = true;           // it can write the package's site folder
    std::string SiteCopyProblem;        // the site runs from a copy the package's changes missed
    TSiteAccess Access;                 // who may reach the site
    std::string DatabaseSocket;         // the database server's, chosen for this run
    std::uint32_t ApachePid = 0;
    TCardinalArray ApachePids;
    std::string BrowserIniFile, BrowserPath, BrowserParameters;
    std::uint32_t BrowserPid = 0;
    std::uint32_t ReportedPid = 0;
    bool TrayIconOn = false, ToolbarOn = false, StatusbarOn = false;
    bool Started = false;
    bool SilentScriptErrors = true;
    int SplashTime = 0;
    std::string AppTitle = "Quindle";

    TCooperativeWait Wait;

private:
    // Ends the leftover processes of a server's program file and waits until they are gone; a
    // line in the log when one does not go.
    void EndLeftovers(const std::string& ExePath, const TCooperativeWait& How);

    struct TRestarts {
        std::vector<std::chrono::steady_clock::time_point> Times; // within the last five minutes
        bool GivenUp = false;
        // False when the server is given up now; then it is not started again.
        bool Allow(std::chrono::steady_clock::time_point Now);
    };
    TRestarts webRestarts_, databaseRestarts_;
    bool databasePaused_ = false;
};

} // namespace quindle
