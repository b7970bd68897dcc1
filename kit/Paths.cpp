#include "kit/Paths.h"

namespace quindle {
namespace {

// Windows takes either slash between names; elsewhere the system's own is the forward one.
const std::string& Delimiters() {
    static const std::string delimiters = std::string("/") + PathDelim;
    return delimiters;
}

} // namespace

bool IsPathDelimiter(char C) {
    return C == '/' || C == PathDelim;
}

std::string IncludeTrailingPathDelimiter(const std::string& Path) {
    if (!Path.empty() && IsPathDelimiter(Path.back()))
        return Path;
    return Path + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& Path) {
    if (Path.size() > 1 && IsPathDelimiter(Path.back()))
        return Path.substr(0, Path.size() - 1);
    return Path;
}

std::string ExtractFileDir(const std::string& Path) {
    const auto pos = Path.find_last_of(Delimiters());
    if (pos == std::string::npos)
        return std::string();
    if (pos == 0)
        return Path.substr(0, 1); // the root keeps its delimiter
    return Path.substr(0, pos);
}

std::string ExtractFileName(const std::string& Path) {
    const auto pos = Path.find_last_of(Delimiters());
    return pos == std::string::npos ? Path : Path.substr(pos + 1);
}

std::string JoinPath(const std::string& Dir, const std::string& Name) {
    if (Dir.empty())
        return Name;
    return IncludeTrailingPathDelimiter(Dir) + Name;
}

} // namespace quindle
