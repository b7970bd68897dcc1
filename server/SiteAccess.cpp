#include "server/SiteAccess.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Random.h"
#include "kit/Strings.h"
#include "server/ConfigFiles.h"
#include "server/ServerConfig.h"

#include <filesystem>
#include <system_error>

namespace quindle {
namespace {

constexpr const char* kDefaultOpenPaths = "/wp-cron.php";
constexpr const char* kOpenPageFile = "open.php";
constexpr const char* kLeavePageFile = "leave.php";
constexpr const char* kLeavePagePath = "/.quindle/leave";
constexpr const char* kTokenSuffix = ".token";

// What a refused request is told. A message of the web server's own: no page of the site runs
// for a request that may not reach it. No double quotes: it stands in them.
constexpr const char* kRefusalPage =
    "<!DOCTYPE html><html><head><title>403 Forbidden</title></head><body>"
    "<h1>Forbidden</h1><p>This site answers its own program only. To open it, start the "
    "program: the site shows in the program's window, or in the browser the program opens "
    "for it.</p></body></html>";

// Swaps a one-time token for the run's cookie. The token is a file of the folder: deleting it
// succeeds once, so a token is good once, whoever asks first. SameSite=Strict keeps the cookie
// from requests other sites start, and the page goes on to the site by a step of its own: a
// cookie set while a navigation from elsewhere redirects is left out of that navigation.
constexpr const char* kOpenPage = R"(<?php
header('Cache-Control: no-store');
header('Referrer-Policy: no-referrer');
$key = $_SERVER['QUINDLE_ACCESS_KEY'] ?? '';
$cookie = $_SERVER['QUINDLE_ACCESS_COOKIE'] ?? '';
$token = $_GET['t'] ?? '';
$file = __DIR__ . '/' . $token . '.token';
$age = is_string($token) && preg_match('/^[0-9a-f]{64}$/', $token) ? time() - (int) @filemtime($file) : -1;
if ($key === '' || $cookie === '' || $age < 0 || !@unlink($file) || $age > LIFETIME) {
    http_response_code(403);
    echo '<!DOCTYPE html><html><head><title>403 Forbidden</title></head><body><h1>Forbidden</h1>',
        '<p>This way into the site has been used already or is too old. Start the program ',
        'again to open the site.</p></body></html>';
    exit;
}
header('Set-Cookie: ' . $cookie . '=' . $key . '; Path=/; HttpOnly; SameSite=Strict');
echo '<!DOCTYPE html><html><head><meta http-equiv="refresh" content="0;url=/">',
    '<title>Opening the site</title></head><body><p><a href="/">Open the site</a></p></body></html>';
)";

// Where the site redirects the window elsewhere, the window goes there from this page: a
// redirect would take the window's key along to the other server, a new request does not.
constexpr const char* kLeavePage = R"(<?php
header('Cache-Control: no-store');
header('Referrer-Policy: no-referrer');
$to = $_SERVER['QUERY_STRING'] ?? '';
if (strncmp($to, '//', 2) === 0) {
    $to = 'http:' . $to;
}
if (!preg_match('~^https?://~i', $to)) {
    http_response_code(400);
    exit;
}
$shown = htmlspecialchars($to, ENT_QUOTES, 'UTF-8');
echo '<!DOCTYPE html><html><head><meta http-equiv="refresh" content="0;url=', $shown, '">',
    '<title>Leaving the site</title></head><body><p><a href="', $shown, '">', $shown,
    '</a></p></body></html>';
)";

bool PathCharacter(char C) {
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '/' ||
           C == '.' || C == '_' || C == '~' || C == '-';
}

std::string RegexText(const std::string& Text) {
    std::string out;
    for (char c : Text) {
        if (c == '.')
            out += '\\';
        out += c;
    }
    return out;
}

std::string DirectoryValue(const std::string& Path) {
    return "\"" + QuotedPath(Path) + "\"";
}

std::string PercentEncodedPath(const std::string& Path) {
    static const char* digits = "0123456789ABCDEF";
    std::string out = Path.empty() || IsPathDelimiter(Path[0]) ? "" : "/"; // a drive letter
    for (char c : ForwardSlashes(Path)) {
        if (PathCharacter(c) || c == ':') {
            out += c;
        } else {
            out += '%';
            out += digits[(unsigned char)c >> 4];
            out += digits[(unsigned char)c & 15];
        }
    }
    return out;
}

} // namespace

TSiteAccess MakeSiteAccess(const std::string& DataDir, const std::string& Ip,
                           const std::string& OpenPathsSetting,
                           std::vector<std::string>* IgnoredPaths) {
    TSiteAccess access;
    access.KeyAsked = IsLoopbackOnly(Ip);
    access.Key = RandomHex(32);
    access.CookieName = "quindle_" + TKo::MD5Hex(DataDir).substr(0, 16);
    std::string words = std::string(kDefaultOpenPaths) + " " + OpenPathsSetting;
    for (char& c : words)
        if (c == ',' || c == ';' || c == '\t')
            c = ' ';
    std::size_t start = 0;
    while (start < words.size()) {
        std::size_t end = words.find(' ', start);
        if (end == std::string::npos)
            end = words.size();
        std::string path = words.substr(start, end - start);
        start = end + 1;
        if (path.empty())
            continue;
        if (path[0] != '/')
            path = "/" + path;
        bool plain = true;
        for (char c : path)
            plain = plain && PathCharacter(c);
        if (!plain) {
            if (IgnoredPaths)
                IgnoredPaths->push_back(path);
            continue;
        }
        bool known = false;
        for (const std::string& p : access.OpenPaths)
            known = known || p == path;
        if (!known)
            access.OpenPaths.push_back(path);
    }
    return access;
}

namespace {

// The host of a request for the run's own address and port, as a pattern. A browser leaves out
// the port it would take for http anyway.
std::string OwnHostPattern(int WebPort) {
    return "(?:127\\.0\\.0\\.1|localhost)" +
           (WebPort == 80 ? std::string("(?::80)?") : ":" + std::to_string(WebPort));
}

std::string KeyRules(const TSiteAccess& Access, int WebPort, const std::string& Folder) {
    std::string r =
        "RewriteCond %{HTTP_HOST} !^" + OwnHostPattern(WebPort) +
        "$ [NC]\n"
        "RewriteRule ^ - [F]\n"
        "# The browser the program opened swaps its one-time token for the key here.\n"
        "RewriteRule ^" +
        RegexText(kOpenPagePath) + "$ " + DirectoryValue(JoinPath(Folder, kOpenPageFile)) +
        " [L,E=QUINDLE_ACCESS_KEY:" + Access.Key + ",E=QUINDLE_ACCESS_COOKIE:" + Access.CookieName +
        "]\n"
        "# Everything else asks for the key: as the window's header, or as the cookie.\n"
        "RewriteCond %{HTTP:" +
        kAccessHeader + "} !=" + Access.Key +
        "\n"
        "RewriteCond %{HTTP_COOKIE} !(^|;)\\s*" +
        Access.CookieName + "=" + Access.Key + "\\s*(;|$)\n";
    for (const std::string& path : Access.OpenPaths)
        r += "RewriteCond %{REQUEST_URI} !=" + path + "\n";
    return r + "RewriteRule ^ - [F]\n";
}

// The window holds no cookie with the key (the engine would send it to every port of the
// address), so the site is handed one: what it asks of itself with its visitor's cookies then
// gets through. And a redirect of the site's to another server would take the window's key
// along: the window leaves by a page of the server's instead, a request of its own without it.
std::string WindowRules(const TSiteAccess& Access, int WebPort, const std::string& Folder) {
    const std::string cookie = Access.CookieName + "=" + Access.Key;
    const std::string away = "\"(?i)^(https?:)?//(?!" + OwnHostPattern(WebPort) +
                             "(?:[/?#]|$))(.*)$\" \"" + kLeavePagePath + "?$1//$2\"\n";
    return "RewriteCond %{HTTP:" + std::string(kAccessHeader) + "} =" + Access.Key +
           "\n"
           "RewriteRule ^ - [E=QUINDLE_WINDOW:1]\n"
           "RewriteRule ^" +
           RegexText(kLeavePagePath) + "$ " + DirectoryValue(JoinPath(Folder, kLeavePageFile)) +
           " [L]\n"
           "RequestHeader edit Cookie \"^(.+)$\" \"$1; " +
           cookie +
           "\" env=QUINDLE_WINDOW\n"
           "RequestHeader setifempty Cookie \"" +
           cookie +
           "\" env=QUINDLE_WINDOW\n"
           "Header edit Location " +
           away + "Header always edit Location " + away;
}

std::string AccessFolderSection(const std::string& Folder) {
    return "<Directory " + DirectoryValue(Folder) +
           ">\n"
           "    AllowOverride None\n"
           "    Options None\n"
           "    Require all granted\n"
           "    <IfModule php_module>\n"
           "        SetHandler application/x-httpd-php\n"
           "    </IfModule>\n"
           "    <IfModule php7_module>\n"
           "        SetHandler application/x-httpd-php\n"
           "    </IfModule>\n"
           "</Directory>\n";
}

} // namespace

std::string AccessRules(const TSiteAccess& Access, int WebPort, const std::string& AccessFolder) {
    std::string r = "\n# Who reaches the site: written by the program at every start.\n";
    for (const char* module : {"rewrite", "headers"})
        r += std::string("<IfModule !") + module + "_module>\n    LoadModule " + module +
             "_module modules/mod_" + module + ".so\n</IfModule>\n";
    r += "RewriteEngine On\n"
         "# Every virtual host applies these rules before its own.\n"
         "RewriteOptions InheritDownBefore\n"
         "# A page of another site, in any browser, may send requests here: from its own origin,\n"
         "# or by a name of its own that points at this address.\n"
         "RewriteCond %{HTTP:Origin} .\n"
         "RewriteCond \"%{HTTP:Origin}#%{HTTP_HOST}\" !^https?://([^/#]+)#\\1$ [NC]\n"
         "RewriteRule ^ - [F]\n";
    if (Access.KeyAsked) {
        const std::string folder = ForwardSlashes(AccessFolder);
        r += KeyRules(Access, WebPort, folder) + WindowRules(Access, WebPort, folder) +
             AccessFolderSection(folder);
    }
    // Refused before the site's folders are looked at, a request gets this message; the site's
    // own refusals keep their own, or the server's usual one.
    return r + "ErrorDocument 403 \"" + kRefusalPage +
           "\"\n"
           "<Directory \"/\">\n"
           "    ErrorDocument 403 default\n"
           "</Directory>\n";
}

std::string WithAccessRules(const std::string& HttpdConf, const std::string& Rules) {
    // After the last module is loaded, outside any section: the site's own rules, and a
    // rewrite that ends the rewriting, come later.
    std::size_t insertAt = std::string::npos, start = 0;
    int depth = 0;
    bool pending = false;
    while (start < HttpdConf.size()) {
        std::size_t end = HttpdConf.find('\n', start);
        end = end == std::string::npos ? HttpdConf.size() : end + 1;
        const std::string line = Trim(HttpdConf.substr(start, end - start));
        if (line.rfind("</", 0) == 0)
            depth = depth > 0 ? depth - 1 : 0;
        else if (line.rfind("<", 0) == 0)
            ++depth;
        else if (line.size() > 10 && SameText(line.substr(0, 10), "LoadModule"))
            pending = true;
        if (pending && depth == 0) {
            insertAt = end;
            pending = false;
        }
        start = end;
    }
    if (insertAt == std::string::npos) {
        std::string text = HttpdConf;
        if (!text.empty() && text.back() != '\n')
            text += '\n';
        return text + Rules;
    }
    std::string text = HttpdConf.substr(0, insertAt);
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    return text + Rules + HttpdConf.substr(insertAt);
}

std::string AccessFolder(const std::string& WebDataDir) {
    return JoinPath(WebDataDir, "access");
}

void PrepareAccessFolder(const std::string& Folder) {
    if (!ForcePrivateDirectory(Folder))
        throw Exception("The folder " + Folder + " could not be made for this user alone.");
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(Folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 6 && name.substr(name.size() - 6) == kTokenSuffix)
            std::filesystem::remove(entry.path(), ec);
    }
    TKo::WriteTextFile(
        JoinPath(Folder, kOpenPageFile),
        TKo::ReplaceText(kOpenPage, "LIFETIME", std::to_string(kTokenLifetimeSeconds), false));
    TKo::WriteTextFile(JoinPath(Folder, kLeavePageFile), kLeavePage);
}

std::string IssueToken(const std::string& Folder) {
    const std::string token = RandomHex(32);
    WritePrivateFile(JoinPath(Folder, token + kTokenSuffix), std::string());
    return token;
}

std::string TokenAddress(int WebPort, const std::string& Token) {
    return LocalAddress(WebPort, std::string(kOpenPagePath) + "?t=" + Token);
}

std::string WriteLaunchPage(const std::string& DataDir, const std::string& Address) {
    const std::string page = JoinPath(DataDir, "open.html");
    WritePrivateFile(
        page, "<!DOCTYPE html><html><head><meta http-equiv=\"refresh\" content=\"0;url=" + Address +
                  "\"><title>Opening the site</title></head><body><p><a href=\"" + Address +
                  "\">Open the site</a></p></body></html>\n");
    return "file://" + PercentEncodedPath(page);
}

} // namespace quindle
