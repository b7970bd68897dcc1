// The environment the servers inherit, and the shell's "open".

#include "kit/KoClass.h"
#include "kit/Product.h"

#include <windows.h>

#include <shellapi.h>

// TKo's member, not the system's macro of the same name.
#undef SetEnvironmentVariable

namespace quindle {

bool TKo::SetPHPRCEnv(const std::string& Folder) {
    const std::string folder = Folder.empty() ? GetDataDir() : Folder;
    return SetEnvironmentVariable("PHPRC", folder);
}

bool TKo::SetEnvironmentVariable(const std::string& Name, const std::string& Value) {
    // The C runtime keeps a copy of its own for getenv: both are set.
    return !Name.empty() && SetEnvironmentVariableA(Name.c_str(), Value.c_str()) &&
           _putenv_s(Name.c_str(), Value.c_str()) == 0;
}

bool TKo::SetOSLanguageEnv() {
    char language[128];
    if (!GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGLANGUAGE, language, sizeof language))
        language[0] = '\0';
    return SetEnvironmentVariable("OS_LANGUAGE", language);
}

void TKo::ExploreFolder(const std::string& Folder, int ShowCommand) {
    ShellExecuteA(nullptr, "explore", Folder.c_str(), nullptr, nullptr, ShowCommand);
}

void TKo::ShellOpenTarget(const std::string& Target, int ShowCommand) {
    ShellExecuteA(nullptr, "open", Target.c_str(), nullptr, nullptr, ShowCommand);
}

void TKo::OpenContactMail() {
    ShellOpenTarget(std::string("mailto:") + kContactMail, SW_SHOW);
}

} // namespace quindle
