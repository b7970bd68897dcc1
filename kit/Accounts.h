#pragma once

// Other accounts of the machine. Started by the administrator, the web server hands its pages
// to an account of its own, which must be able to reach the site and the folders PHP writes.

#include <string>

namespace quindle {

// Started by us, the web server hands its pages to the account its configuration names: it runs
// with the administrator's rights.
bool WebServerChangesAccount();

// Whether the account (a user name) can open the path for reading or, with Write, create files
// in it, all folders on the way included. True when the account does not exist here: then
// nothing will run as it.
bool AccountCanAccess(const std::string& Account, const std::string& Path, bool Write);

// Makes the account the owner of the folder (not of what is in it); false when that failed.
bool GiveFolderToAccount(const std::string& Path, const std::string& Account);

} // namespace quindle
