#include "server/ServerConfig.h"
#include "app/ConfigFiles.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"

#include <cstdlib>

namespace quindle {
namespace {

constexpr std::size_t kMaxSocketPath = 107; // sun_path holds 108 bytes with the terminator

std::string FillTemplate(const std::string& templateFile, const std::string& target,
                         std::initializer_list<std::pair<const char*, std::string>> values) {
    try {
        std::string text = TKo::ReadTextFile(templateFile);
        for (const auto& [placeholder, value] : values)
            text = TKo::ReplaceText(text, placeholder, value, true);
        TKo::WriteTextFile(target, text);
    } catch (const Exception&) {
        // A missing template or an unwritable target: the file of an earlier run stays.
    }
    return target;
}

} // namespace

std::string CopyToHardDisk(const std::string& AppPath, const std::string& DataDir,
                           const std::string& Name) {
    TKo::CopyFiles(AppPath + Name, DataDir);
    const std::string copy = JoinPath(DataDir, Name);
    TKo::SetReadOnlyTree(copy, false);
    return copy;
}

std::string ForwardSlashes(const std::string& Path) {
    return TKo::ReplaceText(Path, "\\", "/", false);
}

std::string SiteFolder(const TServerContext& Context) {
    if (Context.RunningFromCD && Context.CopyFilesToHardDisk)
        return JoinPath(Context.DataDir, "www");
    return Context.AppPath + "www";
}

std::string DatabaseFolder(const TServerContext& Context) {
    return Context.RunningFromCD ? JoinPath(Context.DataDir, "data") : Context.AppPath + "data";
}

std::string WriteHttpdConf(const TServerContext& Context, int WebPort) {
    const std::string result = JoinPath(Context.DataDir, "httpd.conf");
    std::string site = Context.AppPath + "www";
    if (Context.RunningFromCD && Context.CopyFilesToHardDisk)
        site = CopyToHardDisk(Context.AppPath, Context.DataDir, "www");
    return FillTemplate(JoinPath(Context.BinDir, "apache/httpd.conf"), result,
                        {{"$PHPRC$", ForwardSlashes(Context.DataDir)},
                         {"$BINDIR$", ForwardSlashes(Context.BinDir)},
                         {"$IP$", ListenAddress(Context.Ip)},
                         {"$PORT$", std::to_string(WebPort)},
                         {"$DOCROOT$", ForwardSlashes(site)}});
}

std::string WritePhpIni(const TServerContext& Context, int MySqlPort) {
    const std::string result = JoinPath(Context.DataDir, "php.ini");
    const std::string sendmail =
        GetShortPath(JoinPath(Context.BinDir, std::string("apache/sendmail") + ExeSuffix));
    return FillTemplate(JoinPath(Context.BinDir, "apache/php.ini"), result,
                        {{"$PHPRC$", ForwardSlashes(Context.DataDir)},
                         {"$BINDIR$", ForwardSlashes(Context.BinDir)},
                         {"$MYSQLPORT$", std::to_string(MySqlPort)},
                         {"$SENDMAILEXE$", ForwardSlashes(sendmail)}});
}

std::string DatabaseSocketPath(const std::string& DataDir) {
    const std::string inDataDir = JoinPath(DataDir, "mysql.sock");
    if (inDataDir.size() <= kMaxSocketPath)
        return inDataDir;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string dir = runtime && *runtime == '/' ? runtime : TKo::GetTempDir();
    return JoinPath(dir, "quindle-" + TKo::MD5Hex(DataDir) + ".sock");
}

std::string WriteMyIni(const TServerContext& Context, int MySqlPort) {
    const std::string result = JoinPath(Context.DataDir, "my.ini");
    auto quoted = [](const std::string& path) { return "\"" + ForwardSlashes(path) + "\""; };
    try {
        TKo::WriteIniStrings(
            result, "mysqld",
            {{"basedir", quoted(JoinPath(Context.BinDir, "mysql"))},
             {"datadir", quoted(Context.AppPath + "data")},
             {"bind-address", kLoopbackAddress},
             {"port", std::to_string(MySqlPort)},
             // A package's server never touches the system's socket, pid file or error log.
             {"socket", quoted(DatabaseSocketPath(Context.DataDir))},
             {"pid-file", quoted(JoinPath(Context.DataDir, "mysqld.pid"))},
             {"log-error", quoted(JoinPath(Context.DataDir, "mysqld.err"))}});
    } catch (const Exception&) {
        return result;
    }
    if (Context.RunningFromCD) {
        try {
            TKo::WriteIniString(result, "mysqld", "datadir",
                                quoted(CopyToHardDisk(Context.AppPath, Context.DataDir, "data")));
        } catch (const Exception&) {
        }
    }
    return result;
}

} // namespace quindle
