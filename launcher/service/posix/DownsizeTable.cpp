#include "launcher/service/DownsizeTable.h"

namespace quindle {

// PHP runs inside the web server: its extensions are in bin/Apache/ext and enabled by lines of
// the php.ini template beside them. The shared libraries are in lib/, one copy for the program,
// PHP and the database server alike, so no flag deletes any of them: the OpenSSL libraries in
// particular are the program's and the database server's too.
const TDownsizeTable& DownsizeTable() {
    static const TDownsizeTable table = {
        {
            // 2: MySQL (the data folder holds the databases, phpMyAdmin's included), its
            // drivers and the client library they share
            {{"data", "bin/mysql"},
             {"bin/Apache/ext/mysqli.so", "bin/Apache/ext/pdo_mysql.so",
              "bin/Apache/ext/mysqlnd.so"},
             "DIRS",
             "MySQL data directory"},
            // 3: SQLite
            {{}, {"bin/Apache/ext/sqlite3.so", "bin/Apache/ext/pdo_sqlite.so"}},
            // 4: Zend Optimizer, today Zend OPcache
            {{}, {"bin/Apache/ext/opcache.so"}},
            // 5: ionCube PHP Loader, where an author puts it
            {{"bin/Apache/ionCube"}, {}},
            // 6: GD, 7: multibyte strings (and EXIF, which needs them)
            {{}, {"bin/Apache/ext/gd.so"}},
            {{}, {"bin/Apache/ext/mbstring.so", "bin/Apache/ext/exif.so"}},
            // 8: IMAP and mail: the sender, the SMTP client it delivers with and its relay.
            // Without the template's line PHP hands mail to the system's own sendmail, or
            // reports that there is none.
            {{},
             {"bin/Apache/sendmail", "bin/Apache/msmtp", "bin/Apache/sendmail.ini",
              "bin/Apache/ext/imap.so"},
             nullptr,
             nullptr,
             "sendmail_path"},
            // 9: cURL, 10: mcrypt, 11: MHASH, 12: sockets
            {{}, {"bin/Apache/ext/curl.so"}},
            {{}, {"bin/Apache/ext/mcrypt.so"}},
            {{}, {"bin/Apache/ext/mhash.so"}},
            {{}, {"bin/Apache/ext/sockets.so"}},
            // 13: mime_magic, today fileinfo
            {{}, {"bin/Apache/ext/fileinfo.so"}},
            // 14: phpMyAdmin
            {{"www/phpmyadmin", "data/phpmyadmin"}, {}, "URLS", "phpMyAdmin"},
            // 15: OpenSSL (built into this PHP unless an author adds it), 16: xmlrpc, 17: EXIF
            {{}, {"bin/Apache/ext/openssl.so"}},
            {{}, {"bin/Apache/ext/xmlrpc.so"}},
            {{}, {"bin/Apache/ext/exif.so"}},
        },
        {
            {{"bin/Apache/ext/pdo.so"},
             {"bin/Apache/ext/pdo_mysql.so", "bin/Apache/ext/pdo_sqlite.so"}},
        },
        "bin/Apache/ext",
        "bin/Apache/php.ini",
    };
    return table;
}

} // namespace quindle
