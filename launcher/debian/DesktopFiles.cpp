#include "launcher/debian/DesktopFiles.h"
#include "kit/Strings.h"

#include <algorithm>

namespace quindle {

std::string SoftwareName(const std::string& Title) {
    const std::string id = DesktopId(Title);
    return id.size() >= 2 ? id : "quindle-" + id;
}

std::string InstallFolder(const std::string& Name) {
    return "/opt/" + Name;
}

std::string MenuEntry(const std::string& Title, const std::string& Name) {
    // A title is one line of Brand.ini; the entry's own escapes keep its backslashes.
    std::string name;
    for (const char c : Title)
        name += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           name +
           "\n"
           "Exec=" +
           InstallFolder(Name) +
           "/runme\n"
           "Icon=" +
           Name +
           "\n"
           "Terminal=false\n"
           "Categories=Utility;\n"
           "StartupWMClass=" +
           DesktopId(Title) + "\n";
}

std::string VersionProblem(const std::string& Version) {
    const bool digitFirst = !Version.empty() && Version[0] >= '0' && Version[0] <= '9';
    const bool allowed = std::all_of(Version.begin(), Version.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == '.' || c == '+' || c == '~' || c == '-';
    });
    if (digitFirst && allowed)
        return std::string();
    return "'" + Version +
           "' is not a package version: it must begin with a digit and hold only letters, "
           "digits and . + ~ -";
}

} // namespace quindle
