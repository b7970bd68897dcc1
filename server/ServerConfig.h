#pragma once

// The three configuration files the servers of a package are started with, written into the
// working folder at every start: httpd.conf and php.ini from the package's templates with this
// run's paths and ports filled in, and the keys of my.ini.

#include <string>

namespace quindle {

// What the configuration of one run is made from.
struct TServerContext {
    std::string AppPath; // the program folder, with its trailing delimiter
    std::string DataDir; // the working folder
    std::string BinDir;  // the server stack
    std::string Ip;      // Config.ini ip, as written
    bool RunningFromCD = false;
    bool CopyFilesToHardDisk = false; // Config.ini copyfilestoharddisk is not "0"
    // The program folder or its data folder cannot be written by this user (an install made by
    // an administrator): the database files are used from a copy in the working folder.
    bool PackageReadOnly = false;
    // Where the web server's account writes: PHP's sessions and uploads, the outbox and a copy
    // of the site. The working folder, unless the administrator's is closed to that account.
    // Empty means the working folder.
    std::string WebDataDir;
    // The account the web server hands its pages to when it is not ours (the administrator's
    // run); empty for ourselves.
    std::string WebAccount;
    // That account can write the package's site folder.
    bool SiteWritable = true;
};

// The folder the web server's account writes in (TServerContext::WebDataDir).
std::string WebDataFolder(const TServerContext& Context);

// Copies the folder Name of the program folder into the working folder, where the servers can
// write, and clears the read-only attribute of the copy; returns the copy's path. Earlier copies
// are overwritten file by file: for the server stack, which nothing but the package changes.
std::string CopyToHardDisk(const std::string& AppPath, const std::string& DataDir,
                           const std::string& Name);

// The path as configuration files want it: forward slashes.
std::string ForwardSlashes(const std::string& Path);

// Each writes its file and returns its path; a failure leaves the file as it was, silently.
// php.ini's sessions and uploads folders are made in the working folder, for this user alone;
// my.ini starts from the keys of the stack's own my.ini, when it has one.
std::string WriteHttpdConf(const TServerContext& Context, int WebPort);
std::string WritePhpIni(const TServerContext& Context, int MySqlPort);
std::string WriteMyIni(const TServerContext& Context, int MySqlPort);

// The site folder the web server serves, and the database files the database server uses.
std::string SiteFolder(const TServerContext& Context);
std::string DatabaseFolder(const TServerContext& Context);

// The folder that holds PHP's session files, and the one that receives uploads, in the folder
// the web server's account writes in.
std::string SessionFolder(const std::string& WebDataDir);
std::string UploadFolder(const std::string& WebDataDir);
// Where the stack's mail sender keeps what it could not deliver.
std::string OutboxFolder(const std::string& WebDataDir);
// The environment variable that tells the mail sender that folder (mail/Outbox.h has its name).
constexpr const char* kWebDataVariable = "QUINDLE_WEBDATA";

// The account the web server's configuration hands its pages to (its User directive); empty
// when it names none, or names it by number.
std::string WebServerAccount(const std::string& HttpdConfFile);

// Where the database server's socket goes: in the folder, unless that path is too long for a
// socket address.
std::string DatabaseSocketPath(const std::string& Folder);
// The folder for it: the working folder, or, where the web server's account cannot enter that
// (the administrator's closed home), a folder of the web server's own folder that only the
// administrator and that account can pass through.
std::string DatabaseSocketFolder(const TServerContext& Context);

} // namespace quindle
