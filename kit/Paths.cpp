#include "kit/Paths.h"

namespace quindle {

std::string IncludeTrailingPathDelimiter(const std::string& Path) {
    if (!Path.empty() && Path.back() == PathDelim)
        return Path;
    return Path + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& Path) {
    if (Path.size() > 1 && Path.back() == PathDelim)
        return Path.substr(0, Path.size() - 1);
    return Path;
}

std::string ExtractFileDir(const std::string& Path) {
    const auto pos = Path.rfind(PathDelim);
    if (pos == std::string::npos)
        return std::string();
    if (pos == 0)
        return Path.substr(0, 1); // the root keeps its delimiter
    return Path.substr(0, pos);
}

std::string ExtractFileName(const std::string& Path) {
    const auto pos = Path.rfind(PathDelim);
    return pos == std::string::npos ? Path : Path.substr(pos + 1);
}

std::string JoinPath(const std::string& Dir, const std::string& Name) {
    if (Dir.empty())
        return Name;
    return IncludeTrailingPathDelimiter(Dir) + Name;
}

} // namespace quindle
