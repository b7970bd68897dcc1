#pragma once

// A built package as a Debian package: installed read-only as /opt/<name>, with its menu entry,
// its icons, a command of its name and the files Debian asks of every package. Written with
// libarchive, which travels with the program: the author's machine needs no Debian tools. All of
// it lives in a module of its own ("package", loaded by the builder): a start of the program
// loads neither libarchive nor a picture library.

#include <string>
#include <utility>
#include <vector>

namespace quindle {

struct TDebianPackage {
    std::string Name;       // SoftwareName of the title
    std::string Title;      // the product title, for the description
    std::string Version;    // Debian's rules: a digit first, then letters, digits and .+~-
    std::string Maintainer; // "Name <address>"
    std::string Folder;     // the built package, installed whole but for the desktop's files
    std::string MenuEntry;
    std::vector<std::pair<std::string, std::string>> Icons; // theme path and PNG
};

// The libraries the package leaves to the system, as the packages that bring them.
extern const char* const kDesktopDependencies;

// The icon file's pictures as PNG files of an icon theme, with their paths below the theme's
// folder ("hicolor/48x48/apps/<name>.png"); nothing when the file holds no picture.
std::vector<std::pair<std::string, std::string>> ThemeIcons(const std::string& Ico,
                                                            const std::string& Name);

// Writes "<name>_<version>_amd64.deb" into OutputDir and returns its path; a failure raises,
// naming the file.
std::string WriteDebianPackage(const TDebianPackage& Package, const std::string& OutputDir);

// The module's entry: the icons of Ico into Package (and as files below OutputDir/icons), then
// the Debian package; Result is its path, or the reason it was not written, with Failed set.
using TDebianPackageEntry = void (*)(TDebianPackage& Package, const std::string& Ico,
                                     const std::string& OutputDir, std::string& Result,
                                     bool& Failed);
constexpr const char* kDebianPackageEntry = "quindle_debian_package";

} // namespace quindle
