// Whole-file reading and writing, text replacement and numbered file names.

#include "kit/File.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quindle {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string SystemText(int code) {
    return std::strerror(code);
}

} // namespace

std::string TKo::ReadTextFile(const std::string& FileName) {
    const std::string path = ResolvePathCase(FileName);
    FilePtr f(std::fopen(path.c_str(), kReadBinaryMode));
    if (!f)
        throw EStreamError("Cannot open file \"" + FileName + "\". " + SystemText(errno));
    std::string data;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0)
        data.append(buf, n);
    if (std::ferror(f.get()))
        throw EStreamError("Cannot open file \"" + FileName + "\". " + SystemText(EIO));
    return data;
}

void TKo::WriteTextFile(const std::string& FileName, const std::string& Text) {
    const std::string path = ResolvePathCase(FileName);
    FilePtr f(std::fopen(path.c_str(), kWriteBinaryMode));
    if (!f)
        throw EStreamError("Cannot create file \"" + FileName + "\". " + SystemText(errno));
    if (std::fwrite(Text.data(), 1, Text.size(), f.get()) != Text.size() ||
        std::fflush(f.get()) != 0)
        throw EStreamError("Cannot write file \"" + FileName + "\". " + SystemText(errno));
}

bool TKo::DeleteFileIfExists(const std::string& FileName) {
    if (FileExists(FileName))
        DeleteFiles(FileName);
    return !FileExists(FileName);
}

std::string TKo::ReplaceText(const std::string& Text, const std::string& OldPattern,
                             const std::string& NewPattern, bool IgnoreCase) {
    if (OldPattern.empty())
        return Text;
    const std::string haystack = IgnoreCase ? LowerCase(Text) : Text;
    const std::string needle = IgnoreCase ? LowerCase(OldPattern) : OldPattern;
    std::string out;
    std::size_t from = 0;
    for (auto pos = haystack.find(needle); pos != std::string::npos;
         pos = haystack.find(needle, from)) {
        out.append(Text, from, pos - from);
        out += NewPattern;
        from = pos + needle.size();
    }
    out.append(Text, from, std::string::npos);
    return out;
}

std::string TKo::MakeTempFileName(const std::string& Prefix, const std::string& Dir,
                                  const std::string& Suffix, int Number) {
    for (long long n = Number;; ++n) {
        const std::string folder = (!Dir.empty() && DirectoryExists(Dir))
                                       ? ExcludeTrailingPathDelimiter(Dir)
                                       : GetTempDir();
        const std::string name = folder + PathDelim + Prefix + std::to_string(n) + Suffix;
        if (!(FileExists(name) && IsFileInUse(name)))
            return name;
    }
}

void TKo::StringsToArray(const std::vector<std::string>& Strings, TStringArray& Items) {
    Items.insert(Items.end(), Strings.begin(), Strings.end());
}

} // namespace quindle
