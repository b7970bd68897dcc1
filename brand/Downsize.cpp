#include "brand/Downsize.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"

#include <chrono>
#include <thread>

namespace quindle {
namespace {

// One optional part: whole folders, then files, then a favorites entry, each list in order.
// Paths are relative to the program folder; executables carry the system's suffix.
struct TPart {
    std::vector<const char*> Folders;
    std::vector<std::string> Files;
    const char* FavoriteSection = nullptr;
    const char* FavoriteKey = nullptr;
};

const std::vector<TPart>& Parts() {
    static const std::vector<TPart> parts = {
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
         {std::string("bin/Apache/sendmail") + ExeSuffix, "bin/Apache/sendmail.ini",
          "bin/php/ext/php_imap.dll"}},
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
    };
    return parts;
}

void Pause() {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
}

bool Exists(const std::string& AppPath, const char* File) {
    return FileExists(ResolvePathCase(AppPath + File));
}

void DeleteFilesIf(const std::string& AppPath, std::initializer_list<const char*> Files,
                   std::initializer_list<const char*> UnlessAnyOf) {
    try {
        for (const char* user : UnlessAnyOf)
            if (Exists(AppPath, user))
                return;
        for (const char* file : Files)
            TKo::DeleteFileIfExists(ResolvePathCase(AppPath + file));
    } catch (...) {
    }
}

} // namespace

void RunDownsize(const std::vector<std::string>& Flags, const std::string& AppPath,
                 const std::string& ProgramFile) {
    // Nothing is deleted while another process runs this program (its servers run other files).
    while (TKo::FindProcessesByPath(ProgramFile).size() >= 2)
        Pause();
    Pause();

    const std::vector<TPart>& parts = Parts();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i >= Flags.size() || Flags[i] == "0")
            continue;
        try {
            const TPart& part = parts[i];
            for (const char* folder : part.Folders)
                TKo::DeleteFolder(ResolvePathCase(AppPath + folder));
            for (const std::string& file : part.Files)
                TKo::DeleteFileIfExists(ResolvePathCase(AppPath + file));
            if (part.FavoriteKey)
                TKo::DeleteIniKey(AppPath + "bin/Favorites.ini", part.FavoriteSection,
                                  part.FavoriteKey);
        } catch (...) {
            // A part that cannot be deleted stays; the next is still looked at.
        }
    }
    Pause();

    // Shared libraries go once no extension that needs them is left.
    DeleteFilesIf(
        AppPath, {"bin/Apache/libeay32.dll", "bin/Apache/ssleay32.dll"},
        {"bin/php/ext/php_curl.dll", "bin/php/ext/php_imap.dll", "bin/php/ext/php_openssl.dll"});
    DeleteFilesIf(AppPath, {"bin/php/ext/php_pdo.dll"},
                  {"bin/php/ext/php_pdo_mysql.dll", "bin/php/ext/php_pdo_sqlite_external.dll"});

    TKo::RunProgram(ProgramFile, "", "", SW_SHOWNORMAL);
}

} // namespace quindle
