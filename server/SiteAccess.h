#pragma once

// Who reaches the site of a run. On the loopback address every account of the machine and every
// page open in any browser could reach it: other accounts directly, pages through a name of
// their own that points at 127.0.0.1 or through forms and scripts sent across sites. So the web
// server answers only requests that carry the run's key (the program's window sends it as a
// header, the outside browser holds it as a cookie), that name the run's own address as their
// host, and that come from no other origin. The rules go into httpd.conf ahead of anything of
// the site, and no .htaccess can lift them.

#include <string>
#include <vector>

namespace quindle {

// The request header the program's window sends the key in, to its own address and port only.
constexpr const char* kAccessHeader = "X-Quindle-Access";
// The page that swaps the outside browser's one-time token for the cookie.
constexpr const char* kOpenPagePath = "/.quindle/open";
// How long a one-time token is good for, in seconds.
constexpr int kTokenLifetimeSeconds = 60;

struct TSiteAccess {
    // The key is asked for: the site is on the loopback address. An author who puts it on every
    // address wants other machines to reach it, and they cannot have the key.
    bool KeyAsked = false;
    std::string Key;        // this run's, 64 hexadecimal digits from the system's random source
    std::string CookieName; // names the package: a browser does not tell cookies apart by port
    // Paths a site asks of itself without the visitor's cookies (WordPress's cron): served
    // without the key, still only to the run's own host.
    std::vector<std::string> OpenPaths;
};

// The access of a run of the package whose working folder is DataDir: a new key, the cookie's
// name, and the open paths: /wp-cron.php and those of the Config.ini setting (blanks, commas or
// semicolons between them). A path with characters beyond letters, digits and / . _ ~ - is left
// out; IgnoredPaths gets those.
TSiteAccess MakeSiteAccess(const std::string& DataDir, const std::string& Ip,
                           const std::string& OpenPathsSetting,
                           std::vector<std::string>* IgnoredPaths = nullptr);

// The lines httpd.conf gets for it, with the run's port and the folder of the open page.
std::string AccessRules(const TSiteAccess& Access, int WebPort, const std::string& AccessFolder);
// The configuration with those lines after the last module it loads (before any rule of the
// site's own), or at the end when it loads none.
std::string WithAccessRules(const std::string& HttpdConf, const std::string& Rules);

// The folder of the open page and of the tokens, in the folder the web server's account writes.
std::string AccessFolder(const std::string& WebDataDir);
// Writes the open page into the folder and removes every token an earlier run left there.
void PrepareAccessFolder(const std::string& Folder);
// A new one-time token, written into the folder; raises what writing it raises.
std::string IssueToken(const std::string& Folder);
// The address that takes a browser in with that token.
std::string TokenAddress(int WebPort, const std::string& Token);
// A page in the working folder, readable by its owner alone, that sends a browser on to Address:
// what a browser is given instead of an address with a token, which every account of the machine
// could read off its command line. Returns the page's file:// address.
std::string WriteLaunchPage(const std::string& DataDir, const std::string& Address);

} // namespace quindle
