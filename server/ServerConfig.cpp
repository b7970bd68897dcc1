#include "server/ServerConfig.h"
#include "kit/Accounts.h"
#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "kit/Random.h"
#include "kit/Strings.h"
#include "server/ConfigFiles.h"
#include "server/SiteCopy.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quindle {
namespace {

constexpr std::size_t kMaxSocketPath = 107; // sun_path holds 108 bytes with the terminator

std::string Filled(std::string Text,
                   std::initializer_list<std::pair<const char*, std::string>> Values) {
    for (const auto& [placeholder, value] : Values)
        Text = TKo::ReplaceText(Text, placeholder, value, true);
    return Text;
}

std::string FillTemplate(const std::string& templateFile, const std::string& target,
                         std::initializer_list<std::pair<const char*, std::string>> values) {
    try {
        TKo::WriteTextFile(target, Filled(TKo::ReadTextFile(templateFile), values));
    } catch (const Exception&) {
        // A missing template or an unwritable target: the file of an earlier run stays.
    }
    return target;
}

// The database files of an install this user cannot write, copied into the working folder once:
// from then on they are the user's, and never replaced from the package again. The copy is made
// under another name and renamed when complete, so that a start cut short copies again.
std::string PrivateDatabaseCopy(const std::string& AppPath, const std::string& DataDir) {
    const std::string copy = JoinPath(DataDir, "data");
    if (DirectoryExists(JoinPath(copy, "mysql")))
        return copy;
    const std::string staging = JoinPath(DataDir, "data.partial");
    std::error_code ec;
    std::filesystem::remove_all(staging, ec);
    ForceDirectories(staging);
    TKo::CopyFiles(AppPath + "data", staging);
    TKo::SetReadOnlyTree(staging, false);
    std::filesystem::remove_all(copy, ec);
    std::filesystem::rename(JoinPath(staging, "data"), copy, ec);
    std::filesystem::remove_all(staging, ec);
    return copy;
}

// PHP hands sendmail_path to the shell, so on POSIX a path with blanks or other characters the
// shell reads (a package in "/media/user/USB DISK") is one word only in single quotes. Windows
// gets the short path, which has none of them. Plain paths stay as they are.
std::string SendmailCommandWord(const std::string& Path) {
    if (PathDelim == '\\' ||
        Path.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                               "0123456789/._+,:@%=-") == std::string::npos)
        return QuotedPath(Path);
    // Not QuotedPath: that would turn the backslash of the shell's quoted quote into a slash.
    const std::string word = "'" + TKo::ReplaceText(Path, "'", "'\\''", true) + "'";
    return TKo::ReplaceText(word, "\"", "\\\"", true);
}

} // namespace

std::string CopyToHardDisk(const std::string& AppPath, const std::string& DataDir,
                           const std::string& Name) {
    TKo::CopyFiles(AppPath + Name, DataDir);
    const std::string copy = JoinPath(DataDir, Name);
    TKo::SetReadOnlyTree(copy, false);
    return copy;
}

std::string QuotedPath(const std::string& Path) {
    return TKo::ReplaceText(ForwardSlashes(Path), "\"", "\\\"", true);
}

std::string ForwardSlashes(const std::string& Path) {
    return TKo::ReplaceText(Path, "\\", "/", false);
}

std::string WebDataFolder(const TServerContext& Context) {
    return Context.WebDataDir.empty() ? Context.DataDir : Context.WebDataDir;
}

std::string SiteFolder(const TServerContext& Context) {
    if (SiteRunsFromCopy(Context))
        return SiteCopyFolder(Context);
    return Context.AppPath + "www";
}

std::string DatabaseFolder(const TServerContext& Context) {
    if (Context.RunningFromCD || Context.PackageReadOnly)
        return JoinPath(Context.DataDir, "data");
    return Context.AppPath + "data";
}

std::string SessionFolder(const std::string& WebDataDir) {
    return JoinPath(WebDataDir, "sessions");
}

std::string UploadFolder(const std::string& WebDataDir) {
    return JoinPath(WebDataDir, "uploads");
}

std::string OutboxFolder(const std::string& WebDataDir) {
    return JoinPath(WebDataDir, "outbox"); // the sender's own name for it (mail/Outbox.h)
}

std::string WriteHttpdConf(const TServerContext& Context, int WebPort) {
    const std::string result = JoinPath(Context.DataDir, "httpd.conf");
    std::string text;
    try {
        text = TKo::ReadTextFile(JoinPath(Context.BinDir, "apache/httpd.conf"));
    } catch (const Exception&) {
        return result; // no template: the file of an earlier run stays
    }
    const std::string folder = AccessFolder(WebDataFolder(Context));
    if (Context.Access.KeyAsked)
        PrepareAccessFolder(folder);
    text = Filled(text, {{"$PHPRC$", QuotedPath(Context.DataDir)},
                         {"$BINDIR$", QuotedPath(Context.BinDir)},
                         {"$IP$", ListenAddress(Context.Ip)},
                         {"$PORT$", std::to_string(WebPort)},
                         {"$DOCROOT$", QuotedPath(SiteFolder(Context))}});
    text = WithAccessRules(text, AccessRules(Context.Access, WebPort, folder));
    // It holds the run's key.
    WritePrivateFile(result, text);
    return result;
}

std::string WritePhpIni(const TServerContext& Context, int MySqlPort) {
    const std::string result = JoinPath(Context.DataDir, "php.ini");
    const std::string sendmail =
        GetShortPath(JoinPath(Context.BinDir, std::string("apache/sendmail") + ExeSuffix));
    // Session files, uploads and unsent mail of one user are nobody else's business.
    const std::string webData = WebDataFolder(Context);
    ForcePrivateDirectory(SessionFolder(webData));
    ForcePrivateDirectory(UploadFolder(webData));
    ForcePrivateDirectory(OutboxFolder(webData));
    return FillTemplate(JoinPath(Context.BinDir, "apache/php.ini"), result,
                        {{"$PHPRC$", QuotedPath(Context.DataDir)},
                         {"$WEBDATA$", QuotedPath(webData)},
                         {"$BINDIR$", QuotedPath(Context.BinDir)},
                         {"$MYSQLPORT$", std::to_string(MySqlPort)},
                         {"$SENDMAILEXE$", SendmailCommandWord(ForwardSlashes(sendmail))},
                         {"$MYSQLSOCKET$", QuotedPath(DatabaseSocketOf(Context))}});
}

std::string WebServerAccount(const std::string& HttpdConfFile) {
    std::string text;
    try {
        text = TKo::ReadTextFile(HttpdConfFile);
    } catch (const Exception&) {
        return std::string();
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.size() < 5 || !SameText(line.substr(0, 4), "user") ||
            (line[4] != ' ' && line[4] != '\t'))
            continue;
        std::string account = Trim(line.substr(5));
        if (account.size() >= 2 && account.front() == '"' && account.back() == '"')
            account = account.substr(1, account.size() - 2);
        return account.empty() || account[0] == '#' ? std::string() : account;
    }
    return std::string();
}

std::string DatabaseSocketFolder(const TServerContext& Context) {
    return JoinPath(WebDataFolder(Context), "mysql");
}

std::string DatabaseSocketPath(const std::string& Folder) {
    return JoinPath(Folder, "mysql.sock");
}

std::string ChooseDatabaseSocket(const TServerContext& Context) {
    // Whoever can enter the folder can talk to the server, as root without a password.
    auto usable = [&](const std::string& Folder) {
        if (DatabaseSocketPath(Folder).size() > kMaxSocketPath || !OwnPrivateDirectory(Folder))
            return false;
        return Context.WebAccount.empty() || ShareFolderWithAccount(Folder, Context.WebAccount);
    };
    const std::string folder = DatabaseSocketFolder(Context);
    if (usable(folder))
        return DatabaseSocketPath(folder);
    // The runtime folder is the user's alone; the web server's account of an administrator's
    // run cannot enter it.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (Context.WebAccount.empty() && runtime && *runtime == '/') {
        const std::string own = JoinPath(runtime, "quindle-" + TKo::MD5Hex(folder));
        if (usable(own))
            return DatabaseSocketPath(own);
    }
    // In the shared temporary folder a name that can be guessed can be taken first.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string fresh =
            JoinPath(TKo::GetTempDir(), kTemporarySocketPrefix + RandomHex(8));
        if (!DirectoryExists(fresh) && usable(fresh))
            return DatabaseSocketPath(fresh);
    }
    return std::string();
}

std::string DatabaseSocketOf(const TServerContext& Context) {
    return Context.DatabaseSocket.empty() ? DatabaseSocketPath(DatabaseSocketFolder(Context))
                                          : Context.DatabaseSocket;
}

std::string WriteMyIni(const TServerContext& Context, int MySqlPort) {
    const std::string result = JoinPath(Context.DataDir, "my.ini");
    auto quoted = [](const std::string& path) { return "\"" + ForwardSlashes(path) + "\""; };
    try {
        // The stack's own settings (the redo log's size, for one) must match its data files.
        const std::string stackIni = JoinPath(Context.BinDir, "mysql/my.ini");
        std::vector<std::pair<std::string, std::string>> stackKeys;
        if (FileExists(stackIni)) {
            TStringArray keys;
            TKo::ReadIniSectionKeys(stackIni, "mysqld", keys);
            for (const std::string& key : keys)
                stackKeys.emplace_back(key, TKo::ReadIniString(stackIni, "mysqld", key));
        }
        if (!stackKeys.empty())
            TKo::WriteIniStrings(result, "mysqld", stackKeys);
        // Copied once from a disc too: copied at every start, it would take back every row
        // written since the first.
        const std::string data = Context.PackageReadOnly || Context.RunningFromCD
                                     ? PrivateDatabaseCopy(Context.AppPath, Context.DataDir)
                                     : Context.AppPath + "data";
        TKo::WriteIniStrings(
            result, "mysqld",
            {{"basedir", quoted(JoinPath(Context.BinDir, "mysql"))},
             {"datadir", quoted(data)},
             {"bind-address", kLoopbackAddress},
             {"port", std::to_string(MySqlPort)},
             // Without TCP only those who can enter the socket's folder reach the server.
             {"skip-networking", Context.DatabaseTcp ? "0" : "1"},
             // A package's server never touches the system's socket, pid file or error log.
             {"socket", quoted(DatabaseSocketOf(Context))},
             {"pid-file", quoted(JoinPath(Context.DataDir, "mysqld.pid"))},
             {"log-error", quoted(JoinPath(Context.DataDir, "mysqld.err"))}});
    } catch (const Exception&) {
        return result;
    }
    return result;
}

} // namespace quindle
