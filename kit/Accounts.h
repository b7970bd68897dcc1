#pragma once

// Other accounts of the machine. Started by the administrator (TKo::RunningAsAdministrator), a
// web server on POSIX hands its pages to an account of its own, which must be able to reach the
// site and the folders PHP writes. On Windows it keeps the account that started it.

#include <optional>
#include <string>

namespace quindle {

struct TAccountIds {
    unsigned Uid = 0, Gid = 0; // the account's own user and its first group
};
// Nothing when the account does not exist here (or accounts are not told apart, as on Windows).
std::optional<TAccountIds> FindAccount(const std::string& Account);

// Whether the account (a user name) can open the path for reading or, with Write, create files
// in it, all folders on the way included. True when the account does not exist here: then
// nothing will run as it.
bool AccountCanAccess(const std::string& Account, const std::string& Path, bool Write);

// Makes the account the owner of the folder (not of what is in it); false when that failed.
bool GiveFolderToAccount(const std::string& Path, const std::string& Account);
// Lets the account, and nobody else but the owner, pass through the folder to what is in it:
// its group becomes the account's, and its mode 0710.
bool ShareFolderWithAccount(const std::string& Path, const std::string& Account);

// Where the administrator's runs keep what the web server's account writes (PHP's sessions and
// uploads, the outbox, a copy of the site) when the administrator's own working folder is closed
// to that account, as a home of mode 0700 is: the folder Name in a folder of the machine only
// the administrator can make entries in (/var/lib/quindle), made when missing. Others may pass
// through it, not look into it. Empty when it cannot be had, or where the web server keeps the
// account that started it.
std::string AdministratorFolder(const std::string& Name);

} // namespace quindle
