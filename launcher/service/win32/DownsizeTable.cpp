#include "launcher/service/DownsizeTable.h"

namespace quindle {

// The Windows stack keeps PHP in bin/php and its shared libraries beside the web server.
const TDownsizeTable& DownsizeTable() {
    static const TDownsizeTable table = {
        {
            // 2: MySQL (the data folder holds the databases, phpMyAdmin's included)
            {{"data", "bin/mysql"},
             {"bin/Apache/libmysql.dll", "bin/php/ext/php_mysql.dll", "bin/php/ext/php_mysqli.dll",
              "bin/php/ext/php_pdo_mysql.dll"},
             "DIRS",
             "MySQL data directory"},
            // 3: SQLite
            {{},
             {"bin/Apache/sqlite3.dll", "bin/php/ext/php_pdo_sqlite_external.dll",
              "bin/php/ext/php_sqlite.dll"}},
            // 4: Zend Optimizer, 5: ionCube PHP Loader
            {{"bin/php/Zend"}, {}},
            {{"bin/php/ionCube"}, {}},
            // 6: GD, 7: multibyte strings (and EXIF, which needs them)
            {{}, {"bin/php/ext/php_gd2.dll"}},
            {{}, {"bin/php/ext/php_mbstring.dll", "bin/php/ext/php_exif.dll"}},
            // 8: IMAP and mail
            {{},
             {"bin/Apache/sendmail.exe", "bin/Apache/sendmail.ini", "bin/php/ext/php_imap.dll"}},
            // 9: cURL, 10: mcrypt, 11: MHASH, 12: sockets, 13: mime_magic
            {{}, {"bin/php/ext/php_curl.dll"}},
            {{}, {"bin/Apache/libmcrypt.dll", "bin/php/ext/php_mcrypt.dll"}},
            {{}, {"bin/Apache/libmhash.dll", "bin/php/ext/php_mhash.dll"}},
            {{}, {"bin/php/ext/php_sockets.dll"}},
            {{}, {"bin/php/ext/php_mime_magic.dll", "bin/php/ext/magic.mime"}},
            // 14: phpMyAdmin
            {{"www/phpmyadmin", "data/phpmyadmin"}, {}, "URLS", "phpMyAdmin"},
            // 15: OpenSSL, 16: xmlrpc, 17: EXIF
            {{}, {"bin/php/ext/php_openssl.dll"}},
            {{}, {"bin/php/ext/php_xmlrpc.dll"}},
            {{}, {"bin/php/ext/php_exif.dll"}},
        },
        {
            {{"bin/Apache/libeay32.dll", "bin/Apache/ssleay32.dll"},
             {"bin/php/ext/php_curl.dll", "bin/php/ext/php_imap.dll",
              "bin/php/ext/php_openssl.dll"}},
            {{"bin/php/ext/php_pdo.dll"},
             {"bin/php/ext/php_pdo_mysql.dll", "bin/php/ext/php_pdo_sqlite_external.dll"}},
        },
        "",
        "",
    };
    return table;
}

} // namespace quindle
