#include "kit/Accounts.h"
#include "kit/Paths.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace quindle {
namespace {

struct TAccount {
    uid_t Uid = 0;
    gid_t Gid = 0;
    std::vector<gid_t> Groups;
};

bool LookUp(const std::string& Name, TAccount& Account) {
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwnam_r(Name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return false;
    Account.Uid = found->pw_uid;
    Account.Gid = found->pw_gid;
    int count = 64;
    Account.Groups.resize(std::size_t(count));
    if (getgrouplist(Name.c_str(), Account.Gid, Account.Groups.data(), &count) < 0) {
        Account.Groups.resize(std::size_t(count));
        getgrouplist(Name.c_str(), Account.Gid, Account.Groups.data(), &count);
    }
    Account.Groups.resize(std::size_t(count));
    return true;
}

} // namespace

std::optional<TAccountIds> FindAccount(const std::string& Account) {
    TAccount account;
    if (!LookUp(Account, account))
        return std::nullopt;
    return TAccountIds{unsigned(account.Uid), unsigned(account.Gid)};
}

std::string AdministratorFolder(const std::string& Name) {
    const std::string base = "/var/lib/quindle";
    const std::string folder = base + "/" + Name;
    // Made by us, or by nobody else: the administrator's files go nowhere another account chose.
    auto ours = [](const std::string& Path, mode_t Mode) {
        struct stat st;
        if (mkdir(Path.c_str(), Mode) != 0 && errno != EEXIST)
            return false;
        return lstat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
               chmod(Path.c_str(), Mode) == 0;
    };
    if (geteuid() != 0 || Name.empty() || Name.find('/') != std::string::npos ||
        !ours(base, 0755) || !ours(folder, 0711))
        return std::string();
    return folder;
}

bool AccountCanAccess(const std::string& Account, const std::string& Path, bool Write) {
    TAccount account;
    if (!LookUp(Account, account))
        return true;
    const std::string path = ResolvePathCase(Path);
    // The kernel answers for the account itself, ACLs and all: a child takes on its identity and
    // asks. Only system calls run in the child.
    const pid_t child = fork();
    if (child < 0)
        return true;
    if (child == 0) {
        if (setgroups(account.Groups.size(), account.Groups.data()) != 0 ||
            setgid(account.Gid) != 0 || setuid(account.Uid) != 0)
            _exit(2);
        _exit(access(path.c_str(), Write ? (W_OK | X_OK) : R_OK) == 0 ? 0 : 1);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) != 1;
}

bool ShareFolderWithAccount(const std::string& Path, const std::string& Account) {
    TAccount account;
    const std::string path = ResolvePathCase(Path);
    return LookUp(Account, account) && chown(path.c_str(), uid_t(-1), account.Gid) == 0 &&
           chmod(path.c_str(), 0710) == 0;
}

bool GiveFolderToAccount(const std::string& Path, const std::string& Account) {
    TAccount account;
    return LookUp(Account, account) &&
           chown(ResolvePathCase(Path).c_str(), account.Uid, account.Gid) == 0;
}

} // namespace quindle
