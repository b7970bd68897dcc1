#include "server/SiteAccess.h"
#include "kit/Strings.h"

#include <gtest/gtest.h>

#include <set>

using namespace quindle;

TEST(SiteAccessRules, GoAfterTheLastModuleOutsideEverySectionBeforeAnyRuleOfTheSite) {
    const std::string rules = "#RULES\n";
    EXPECT_EQ(WithAccessRules("ServerRoot x\nLoadModule a a.so\nloadmodule b b.so\n"
                              "RewriteEngine On\nRewriteRule ^/x /y [L]\n",
                              rules),
              "ServerRoot x\nLoadModule a a.so\nloadmodule b b.so\n#RULES\n"
              "RewriteEngine On\nRewriteRule ^/x /y [L]\n");
    // Inside a conditional section they would count only where it holds.
    EXPECT_EQ(WithAccessRules("LoadModule a a.so\n<IfModule !b>\n  <IfModule !c>\n"
                              "    LoadModule b b.so\n  </IfModule>\n</IfModule>\nUser x\r\n",
                              rules),
              "LoadModule a a.so\n<IfModule !b>\n  <IfModule !c>\n    LoadModule b b.so\n"
              "  </IfModule>\n</IfModule>\n#RULES\nUser x\r\n");
    // A server with its modules built in: at the end, on a line of their own.
    EXPECT_EQ(WithAccessRules("Listen 80", rules), "Listen 80\n#RULES\n");
    EXPECT_EQ(WithAccessRules("LoadModule a a.so", rules), "LoadModule a a.so\n#RULES\n");
}

TEST(SiteAccessRules, TheKeyTheHostAndTheOpenPathsAreAskedOnlyOnTheLoopbackAddress) {
    const TSiteAccess loopback = MakeSiteAccess("/data", "127.0.0.1", "");
    const std::string rules = AccessRules(loopback, 8080, "/web data/access");
    EXPECT_NE(rules.find("%{HTTP:" + std::string(kAccessHeader) + "} !=" + loopback.Key + "\n"),
              std::string::npos);
    EXPECT_NE(rules.find(loopback.CookieName + "=" + loopback.Key), std::string::npos);
    EXPECT_NE(rules.find("localhost):8080$"), std::string::npos);
    EXPECT_NE(rules.find("!=/wp-cron.php\n"), std::string::npos);
    EXPECT_NE(rules.find("\"/web data/access/open.php\""), std::string::npos);
    // Port 80 is left out of the host by browsers.
    EXPECT_NE(AccessRules(loopback, 80, "/a").find("localhost)(?::80)?$"), std::string::npos);

    for (const char* everywhere : {"0.0.0.0", "all", "localhost", ""}) {
        const TSiteAccess open = MakeSiteAccess("/data", everywhere, "");
        EXPECT_FALSE(open.KeyAsked) << everywhere;
        const std::string text = AccessRules(open, 8080, "/a");
        EXPECT_EQ(text.find(open.Key), std::string::npos) << everywhere;
        EXPECT_EQ(text.find("HTTP_HOST} !^"), std::string::npos) << everywhere;
        // Other sites' pages are still refused.
        EXPECT_NE(text.find("%{HTTP:Origin}#%{HTTP_HOST}"), std::string::npos) << everywhere;
    }
}

TEST(SiteAccessRules, EveryRunHasItsOwnKeyAndEveryPackageItsOwnCookie) {
    std::set<std::string> keys;
    for (int run = 0; run < 20; ++run) {
        const TSiteAccess a = MakeSiteAccess("/data", "127.0.0.1", "");
        EXPECT_EQ(a.Key.size(), 64u);
        EXPECT_EQ(a.Key.find_first_not_of("0123456789abcdef"), std::string::npos) << a.Key;
        EXPECT_EQ(a.CookieName, MakeSiteAccess("/data", "127.0.0.1", "").CookieName);
        keys.insert(a.Key);
    }
    EXPECT_EQ(keys.size(), 20u);
    EXPECT_NE(MakeSiteAccess("/data", "127.0.0.1", "").CookieName,
              MakeSiteAccess("/other", "127.0.0.1", "").CookieName);
}

TEST(SiteAccessRules, OpenPathsAreAddedByTheAuthorAndOnlyPlainOnesAreTaken) {
    std::vector<std::string> ignored;
    const TSiteAccess a = MakeSiteAccess(
        "/data", "127.0.0.1",
        " /cron.php, api/ping;/wp-cron.php\t/a b /x\"y /$(id) /%2e%2e/etc /ok~_-.txt ", &ignored);
    EXPECT_EQ(a.OpenPaths, (std::vector<std::string>{"/wp-cron.php", "/cron.php", "/api/ping", "/a",
                                                     "/b", "/ok~_-.txt"}));
    EXPECT_EQ(ignored, (std::vector<std::string>{"/x\"y", "/$(id)", "/%2e%2e/etc"}));
}
