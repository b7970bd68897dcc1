#pragma once

// What a Linux desktop needs to know a package as installed software: its name, its menu entry
// and its icon at every size the icon holds, in the places a system install puts them.

#include <string>

namespace quindle {

// The package's name for the system: the desktop id of its title (what its windows carry), which
// is also a valid Debian package name once it has two characters.
std::string SoftwareName(const std::string& Title);

// Where an installed package lives: /opt/<name>.
std::string InstallFolder(const std::string& Name);

// The menu entry of an installed package: its title, the installed program, its icon by name,
// and the class its windows carry.
std::string MenuEntry(const std::string& Title, const std::string& Name);

// What a version must look like for Debian; the reason when it does not, empty when it does.
std::string VersionProblem(const std::string& Version);

} // namespace quindle
