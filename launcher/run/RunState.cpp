#include "launcher/run/RunState.h"
#include "kit/Accounts.h"
#include "kit/Exceptions.h"
#include "kit/File.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "launcher/builder/BrandKeys.h"
#include "server/ConfigFiles.h"
#include "server/SiteCopy.h"

#include <filesystem>

namespace quindle {
void TRunState::PrepareEnvironment() {
    DataDir = TKo::GetDataDir();
    SetLogFolder(DataDir);
    TKo::SetPHPRCEnv(DataDir);
    TKo::SetOSLanguageEnv();
    TKo::SetEnvironmentVariable("SERVER_FILENAME", TKo::GetAppFileName());
    TKo::SetEnvironmentVariable("SERVER_FILEVERSION", kServerFileVersion);
    TKo::SetEnvironmentVariable("SERVER_APPNAME", kBuiltInTitle);
}

bool TRunState::PrepareRun() {
    PrepareEnvironment();
    Started = false;
    ConfigFile = ExtractConfigIni();
    BrandFile = WriteBrandDefaults();
    ReadTitle();
    TitleRead = true;
    if (!ClaimSingleInstance())
        return false;
    StartSplash();
    return true;
}

void TRunState::StartServers() {
    BinDir = GetBinDir();
    SetStackEnvironment();
    ChooseWebFolders();
    ChooseSiteAccess();
    StartDatabaseServer();
    WritePhpIni();
    ChooseWebPort();
    CopySite();
    WriteHttpdConf();
    PrepareWebServerAccount();
    StartWebServer();
}

void TRunState::ChooseSiteAccess() {
    std::vector<std::string> ignored;
    Access = MakeSiteAccess(DataDir, ReadConfig("ip"), ReadConfig("openpaths"), &ignored);
    for (const std::string& path : ignored)
        LogLine("The open path " + path + " of Config.ini is left out: a path there holds " +
                "letters, digits and / . _ ~ - only.");
}

std::string TRunState::ExtractConfigIni() {
    const std::string file = JoinPath(DataDir, "Config.ini");
    TKo::SaveResourceToFile("RES_CONFIG_INI", file);
    return file;
}

std::string TRunState::ReadConfig(const std::string& Key) const {
    return TKo::ReadIniString(ConfigFile, kConfigSection, Key);
}

void TRunState::WriteConfig(const std::string& Key, const std::string& Value) {
    TKo::WriteIniString(ConfigFile, kConfigSection, Key, Value);
}

std::string TRunState::WriteBrandDefaults() {
    BrandFile = JoinPath(DataDir, "Brand.ini");
    TKo::WriteIniStrings(BrandFile, kConfigSection, BrandDefaults());
    return BrandFile;
}

void TRunState::ReadTitle() {
    const std::string title = Trim(ReadConfig("title"));
    if (!title.empty())
        AppTitle = title;
}

bool TRunState::ClaimSingleInstance() const {
    return TKo::IsFirstInstance(TKo::GetMD5(""));
}

bool TRunState::RunningFromCD() const {
    return TKo::IsRunningFromCD("");
}

std::string TRunState::GetBinDir() {
    // The servers must write beside themselves: from a CD they run from a copy on the hard disk.
    if (RunningFromCD()) {
        const std::string bin = CopyToHardDisk(TKo::GetAppPath(), DataDir, "bin");
        LinkSharedLibraries();
        return bin;
    }
    return TKo::GetAppPath() + "bin";
}

void TRunState::LinkSharedLibraries() const {
    // The servers find their libraries in lib beside bin. A copy of bin needs them too; they
    // are only read, so the disc's own are named rather than copied at every start.
    const std::string libraries = ResolvePathCase(TKo::GetAppPath() + "lib");
    if (!DirectoryExists(libraries))
        return;
    const std::filesystem::path link = JoinPath(DataDir, "lib");
    std::error_code ec;
    if (std::filesystem::is_symlink(link, ec) &&
        std::filesystem::read_symlink(link, ec) == libraries)
        return;
    std::filesystem::remove(link, ec); // a link of another place; never a folder with files
    std::filesystem::create_directory_symlink(libraries, link, ec);
}

void TRunState::SetStackEnvironment() {
    const std::string php = GetShortPath(JoinPath(BinDir, std::string("apache/php") + ExeSuffix));
    const std::string openssl = GetShortPath(JoinPath(BinDir, "apache/openssl.cnf"));
    TKo::SetEnvironmentVariable("PHP_EXE", php);
    TKo::SetEnvironmentVariable("OPENSSL_CONF", openssl);
    TKo::SetEnvironmentVariable("SSLEAY_CONF", openssl);
}

std::string TRunState::MakeCommandCopy() const {
    // The temporary folder may be shared: a name someone else has taken (also the copy's
    // configuration beside it) is passed over, so that we never run or stamp from a file another
    // user can change.
    for (long long n = 0;;) {
        const std::string copy = TKo::MakeTempFileName("qndl_cmd", "", ".tmp", int(n));
        n = std::stoll(ExtractFileName(copy).substr(8)) + 1;
        if (IsForeignEntry(copy) || IsForeignEntry(copy + ".ini"))
            continue;
        TKo::DeleteFiles(copy);
        // A copy that is not all there would never start the program again.
        try {
            CopyFileWithPermissions(TKo::GetAppFileName(), copy);
        } catch (const std::exception& e) {
            TKo::DeleteFiles(copy);
            throw Exception("Unable to copy " + TKo::GetAppFileName() + ": " + e.what());
        }
        TKo::SetReadOnlyTree(copy, false);
        // Taken between our deletion and our copy.
        if (IsForeignEntry(copy))
            continue;
        return copy;
    }
}

void TRunState::ChooseWebFolders() {
    WebDataDir = DataDir;
    WebAccount.clear();
    if (TKo::RunningAsAdministrator()) {
        // The account is the template's to name: the configuration is written from it later.
        const std::string account = WebServerAccount(JoinPath(BinDir, "apache/httpd.conf"));
        const std::optional<TAccountIds> ids =
            account.empty() ? std::nullopt : FindAccount(account);
        if (ids && ids->Uid != 0) {
            WebAccount = account;
            if (!AccountCanAccess(account, DataDir, false)) {
                const std::string folder = AdministratorFolder(ExtractFileName(DataDir));
                if (!folder.empty())
                    WebDataDir = folder;
            }
        }
    }
    // PHP reaches the database through its socket: it goes where the web server's account, and
    // nobody else, can reach it.
    const TServerContext context = ServerContext();
    DatabaseSocket = ChooseDatabaseSocket(context);
    if (DatabaseSocket.empty()) {
        LogLine("No folder for the database's socket could be made where only " +
                (WebAccount.empty() ? std::string("this user") : WebAccount) +
                " can reach it: the site reaches the database by its address only.");
        DatabaseSocket = DatabaseSocketPath(DatabaseSocketFolder(context));
    }
    // The mail sender runs as that account, and keeps what it cannot send there.
    TKo::SetEnvironmentVariable(kWebDataVariable, WebDataDir);
    const std::string site = ResolvePathCase(TKo::GetAppPath() + "www");
    SiteWritable =
        !DirectoryExists(site) ||
        (WebAccount.empty() ? IsFolderWritable(site) : AccountCanAccess(WebAccount, site, true));
}

void TRunState::CopySite() {
    SiteCopyProblem.clear();
    const TServerContext context = ServerContext();
    if (SiteRunsFromCopy(context))
        SiteCopyProblem = quindle::CopySite(context);
}

TServerContext TRunState::ServerContext() const {
    TServerContext c;
    c.AppPath = TKo::GetAppPath();
    c.DataDir = DataDir;
    c.BinDir = BinDir;
    c.Ip = ReadConfig("ip");
    c.RunningFromCD = RunningFromCD();
    c.CopyFilesToHardDisk = IsFlagOn(ReadConfig("copyfilestoharddisk"));
    const std::string data = ResolvePathCase(c.AppPath + "data");
    c.PackageReadOnly =
        !IsFolderWritable(c.AppPath) || (DirectoryExists(data) && !IsFolderWritable(data));
    c.WebDataDir = WebDataDir;
    c.WebAccount = WebAccount;
    c.SiteWritable = SiteWritable;
    c.Access = Access;
    c.DatabaseSocket = DatabaseSocket;
    c.DatabaseTcp = ReadConfig("mysqltcp") != "0";
    return c;
}

void TRunState::PrepareWebServerAccount() {
    WebServerAccessProblem.clear();
    const std::string& account = WebAccount;
    if (account.empty())
        return;
    std::vector<std::string> unreachable;
    const TServerContext context = ServerContext();
    const std::string site = SiteFolder(context);
    if (!AccountCanAccess(account, site, SiteRunsFromCopy(context)))
        unreachable.push_back(site);
    const std::string webData = WebDataFolder(context);
    for (const std::string& folder : {SessionFolder(webData), UploadFolder(webData),
                                      OutboxFolder(webData), AccessFolder(webData)}) {
        GiveFolderToAccount(folder, account);
        if (!AccountCanAccess(account, folder, true))
            unreachable.push_back(folder);
    }
    if (unreachable.empty())
        return;
    WebServerAccessProblem = "The web server serves its pages as the user \"" + account +
                             "\" (the administrator started it), and that user cannot reach";
    for (std::size_t i = 0; i < unreachable.size(); ++i)
        WebServerAccessProblem += (i == 0 ? " " : ", ") + unreachable[i];
    WebServerAccessProblem += ". Pages will answer \"403 Forbidden\" or lose their sessions and "
                              "uploads. Start the program as an ordinary user, or put the package "
                              "where every user can read it.";
}

void TRunState::StartSplash() {
    SplashPid =
        TKo::RunProgram(TKo::GetAppFileName(), TArguments{"splash", ConfigFile}, "", SW_SHOWNORMAL);
}

void TRunState::EndSplash() {
    if (SplashPid != 0)
        TKo::KillProcess(SplashPid);
    SplashPid = 0;
}

void TRunState::EndLeftovers(const std::string& ExePath, const TCooperativeWait& How) {
    if (!KillProcessesByPath(ExePath, How))
        LogLine("A process of " + ExePath + " was ended but has not gone after " +
                std::to_string(kLeftoverEndMs / 1000) +
                " s; its server is started all the same and may find its files or port taken.");
}

void TRunState::StartDatabaseServer() {
    MySqlExe = DatabaseServerExe(BinDir);
    if (!FileExists(MySqlExe) || !DirectoryExists(TKo::GetAppPath() + "data/mysql"))
        return;
    EndLeftovers(MySqlExe, Wait);
    MySqlPort = TKo::ClaimFreePort(3306, true);
    MyIniFile = WriteMyIni(ServerContext(), MySqlPort);
    // A server of this data that ended before we could see it may still hold it.
    if (!WaitForDatabaseFiles(DatabaseDir(), Wait))
        LogLine("The database files in " + DatabaseDir() + " are still held by another process " +
                "after " + std::to_string(kLeftoverEndMs / 1000) +
                " s; the database server is started all the same and may end at once.");
    MySqlPid = SpawnDatabaseServer(MySqlExe, MyIniFile, MySqlPort, BinDir);
}

bool TRunState::TRestarts::Allow(std::chrono::steady_clock::time_point Now) {
    if (GivenUp)
        return false;
    std::erase_if(Times, [&](auto At) { return Now - At >= std::chrono::minutes(5); });
    if (Times.size() >= 3) {
        GivenUp = true;
        return false;
    }
    Times.push_back(Now);
    return true;
}

std::vector<TRunState::TServerNews>
TRunState::KeepServersUp(std::chrono::steady_clock::time_point Now) {
    std::vector<TServerNews> news;
    auto givenUp = [&](const char* Server, const std::string& Log) {
        news.push_back({std::string(), std::string("The ") + Server +
                                           " has stopped three times in five minutes and is not "
                                           "started again. Its log: " +
                                           Log});
    };
    if (ApachePid != 0 && !webRestarts_.GivenUp && !TKo::ProcessExists(std::int32_t(ApachePid))) {
        if (webRestarts_.Allow(Now)) {
            // Workers of the ended parent still hold the port: they go first, and the new
            // server starts once they are gone, or it would find its port taken and end.
            EndLeftovers(ApacheExe, TCooperativeWait());
            ApachePids.clear();
            ApachePid = SpawnWebServer(ApacheExe, HttpdConfFile, DataDir);
            news.push_back({"The web server had stopped and was started again.", std::string()});
        } else {
            givenUp("web server", JoinPath(DataDir, "apache_error.log"));
        }
    }
    if (MySqlPid != 0 && !databasePaused_ && !databaseRestarts_.GivenUp &&
        !TKo::ProcessExists(std::int32_t(MySqlPid))) {
        if (databaseRestarts_.Allow(Now)) {
            MySqlPid = SpawnDatabaseServer(MySqlExe, MyIniFile, MySqlPort, BinDir);
            news.push_back(
                {"The database server had stopped and was started again.", std::string()});
        } else {
            givenUp("database server", JoinPath(DataDir, "mysqld.err"));
        }
    }
    return news;
}

std::string TRunState::DatabaseDir() const {
    const std::string dir =
        MyIniFile.empty() ? std::string() : TKo::ReadIniString(MyIniFile, "mysqld", "datadir");
    return dir.empty() ? TKo::GetAppPath() + "data" : dir;
}

void TRunState::PauseDatabaseServer() {
    if (MySqlPid == 0 || databasePaused_)
        return;
    databasePaused_ = true;
    StopDatabaseServer(MySqlPid, MySqlPort, DatabaseSocket);
}

void TRunState::ResumeDatabaseServer() {
    if (!databasePaused_)
        return;
    databasePaused_ = false;
    MySqlPid = SpawnDatabaseServer(MySqlExe, MyIniFile, MySqlPort, BinDir);
}

std::string TRunState::WritePhpIni() {
    return quindle::WritePhpIni(ServerContext(), MySqlPort);
}

void TRunState::ChooseWebPort() {
    const std::string value = ReadConfig("port");
    const std::optional<int> port = ParsePort(value);
    if (!port)
        throw Exception("'" + value + "' is not a valid integer value");
    WebPort = TKo::ClaimFreePort(*port, IsLoopbackOnly(ReadConfig("ip")));
}

std::string TRunState::WriteHttpdConf() {
    HttpdConfFile = quindle::WriteHttpdConf(ServerContext(), WebPort);
    return HttpdConfFile;
}

void TRunState::StartWebServer() {
    ApacheExe = WebServerExe(BinDir);
    EndLeftovers(ApacheExe, Wait);
    ApachePid = SpawnWebServer(ApacheExe, HttpdConfFile, DataDir);
}

void TRunState::WaitForServers() {
    ApachePids = quindle::WaitForServers(ApacheExe, ApachePid, WebPort, MySqlPid, MySqlPort, Wait,
                                         DatabaseSocket);
}

std::string TRunState::HomeAddress() const {
    return quindle::HomeAddress(WebPort);
}

void TRunState::EndProcesses() {
    EndSplash();
    EndOutsideBrowser();
    EndServers();
}

void TRunState::EndOutsideBrowser() {
    EndProcessTree(BrowserPid);
    EndProcessTree(ReportedPid);
}

void TRunState::EndServers() {
    StopWebServer(ApacheExe, ApachePid, ApachePids);
    // The database closes its files when asked; only one that does not answer is forced.
    StopDatabaseServer(MySqlPid, MySqlPort, DatabaseSocket);
    // A folder made in the temporary folder for this run's socket alone.
    const std::string socketFolder = ExtractFileDir(DatabaseSocket);
    if (ExtractFileName(socketFolder).rfind(kTemporarySocketPrefix, 0) == 0) {
        std::error_code ignored; // a leftover of an empty folder in the temporary folder
        std::filesystem::remove_all(socketFolder, ignored);
    }
}

bool TRunState::FindOutsideBrowser() {
    BrowserIniFile = BrowserIniPath(BinDir);
    BrowserSettings browser = ReadBrowserIni(BinDir, WebPort);
    SilentScriptErrors = browser.Silent;
    SplashTime = browser.SplashTime;
    if (!FileExists(ResolvePathCase(BrowserIniFile)))
        return false;
    BrowserPath = browser.BrowserPath;
    BrowserParameters = browser.Parameters;
    if (BrowserPath.empty() || !FileExists(OutsideBrowserExe()))
        return false;
    if (Access.KeyAsked) {
        // The browser has no key: it is let in once, by a token only its user can read.
        const std::string token = IssueToken(AccessFolder(WebDataFolder(ServerContext())));
        const std::string page = WriteLaunchPage(DataDir, TokenAddress(WebPort, token));
        BrowserParameters = ReadBrowserIni(BinDir, WebPort, page).Parameters;
    }
    return true;
}

std::string TRunState::OutsideBrowserExe() const {
    return ResolvePathCase(TKo::ExpandAppRelativePath(BrowserPath));
}

std::string TRunState::BrowserMessageName() const {
    return "quindle-" + TKo::MD5Hex(UpperCase(GetShortPath(OutsideBrowserExe())));
}

void TRunState::StartOutsideBrowser() {
    BrowserPid = TKo::RunProgram(OutsideBrowserExe(), BrowserParameters, "", SW_SHOWMAXIMIZED);
}

bool TRunState::OutsideBrowserRunning() const {
    return !TKo::FindProcessesByPath(OutsideBrowserExe()).empty();
}

TCardinalArray TRunState::OutsideBrowserProcesses() const {
    return TKo::FindProcessesByPath(OutsideBrowserExe());
}

} // namespace quindle
