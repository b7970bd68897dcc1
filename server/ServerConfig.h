#pragma once

// The three configuration files the servers of a package are started with, written into the
// working folder at every start: httpd.conf and php.ini from the package's templates with this
// run's paths and ports filled in, and the keys of my.ini.

#include "server/SiteAccess.h"

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
    // Who may reach the site: httpd.conf carries the rules, and then only its owner can read it.
    TSiteAccess Access;
    // The database server's socket, made for this run (ChooseDatabaseSocket); empty for the
    // path in the socket folder. Without TCP (Config.ini mysqltcp "0") it is its only way in.
    std::string DatabaseSocket;
    bool DatabaseTcp = true;
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
// A path for a value in double quotes of httpd.conf or php.ini: forward slashes, and \" for a
// quote, which both read as a quote that belongs to the value (a folder's name may hold one).
std::string QuotedPath(const std::string& Path);

// Each writes its file and returns its path; a failure leaves the file as it was, silently.
// php.ini's sessions and uploads folders are made in the working folder, for this user alone;
// my.ini starts from the keys of the stack's own my.ini, when it has one.
// httpd.conf gets the rules of Context.Access and is readable by its owner alone; without a
// template it stays as it was, but a failure to write it raises: the server would otherwise
// start with an earlier run's key, or none.
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

// The database server's socket in a folder.
std::string DatabaseSocketPath(const std::string& Folder);
// The socket of the run: Context.DatabaseSocket, or the one in the socket folder.
std::string DatabaseSocketOf(const TServerContext& Context);
// The start of the name of a socket folder made in the temporary folder.
constexpr const char* kTemporarySocketPrefix = "quindle-db-";
// Makes the folder of this run's database socket and returns the socket's path: the socket
// folder, of this user alone, or shared with the web server's account alone; where that path is
// too long, or the folder is somebody else's, a folder of this user's runtime folder, else a new
// folder of the temporary folder with a name nobody can guess. Empty when none could be made.
std::string ChooseDatabaseSocket(const TServerContext& Context);
// The folder for it: a folder of the one the web server's account writes in, for this user
// alone, or for the administrator and the web server's account alone.
std::string DatabaseSocketFolder(const TServerContext& Context);

} // namespace quindle
