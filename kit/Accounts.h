#pragma once

// Other accounts of the machine. Started by the administrator (TKo::RunningAsAdministrator), a
// web server on POSIX hands its pages to an account of its own, which must be able to reach the
// site and the folders PHP writes. On Windows it keeps the account that started it.

#include <string>

namespace quindle {

// Whether the account (a user name) can open the path for reading or, with Write, create files
// in it, all folders on the way included. True when the account does not exist here: then
// nothing will run as it.
bool AccountCanAccess(const std::string& Account, const std::string& Path, bool Write);

// Makes the account the owner of the folder (not of what is in it); false when that failed.
bool GiveFolderToAccount(const std::string& Path, const std::string& Account);

} // namespace quindle
