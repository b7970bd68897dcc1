// Environment variables handed to the servers, and the shell's "open" for folders and mail.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Product.h"

#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <cstdlib>

namespace quindle {

namespace {

std::string FindInPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const auto end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? end : end - start);
        const std::string candidate = JoinPath(dir.empty() ? "." : dir, program);
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return std::string();
}

void ShellOpen(const std::string& target, int showCommand) {
    const std::string opener = FindInPath("xdg-open");
    if (opener.empty() || target.empty())
        return;
    // The target is one argument whatever it holds: quotes inside it cannot be expressed in the
    // split parameter text and are dropped rather than let it fall apart into several.
    std::string quoted = "\"";
    for (char c : target)
        if (c != '"')
            quoted += c;
    quoted += '"';
    TKo::RunProgram(opener, quoted, std::string(), static_cast<std::uint16_t>(showCommand));
}

} // namespace

bool TKo::SetPHPRCEnv(const std::string& Folder) {
    const std::string folder = Folder.empty() ? GetDataDir() : Folder;
    // A distribution's PHP also reads its own ini folder unless told to scan none.
    return setenv("PHPRC", folder.c_str(), 1) == 0 && setenv("PHP_INI_SCAN_DIR", "", 1) == 0;
}

bool TKo::SetEnvironmentVariable(const std::string& Name, const std::string& Value) {
    return !Name.empty() && setenv(Name.c_str(), Value.c_str(), 1) == 0;
}

bool TKo::SetOSLanguageEnv() {
    std::string language;
    if (locale_t loc = newlocale(LC_ALL_MASK, "", locale_t(0))) {
        language = nl_langinfo_l(_NL_IDENTIFICATION_LANGUAGE, loc);
        freelocale(loc);
    }
    if (language.empty())
        language = "English"; // the C and POSIX locales, and a locale the system does not have
    return setenv("OS_LANGUAGE", language.c_str(), 1) == 0;
}

void TKo::ExploreFolder(const std::string& Folder, int ShowCommand) {
    ShellOpen(ResolvePathCase(Folder), ShowCommand);
}

void TKo::ShellOpenTarget(const std::string& Target, int ShowCommand) {
    ShellOpen(Target, ShowCommand);
}

void TKo::OpenContactMail() {
    ShellOpen(std::string("mailto:") + kContactMail, SW_SHOW);
}

} // namespace quindle
