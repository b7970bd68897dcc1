// The INI operations, on top of the INI engine. Writes replace the file atomically.

#include "kit/AtomicFile.h"
#include "kit/IniFile.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"

namespace quindle {
namespace {

bool LoadIni(const std::string& FileName, IniDocument& Doc) {
    if (!FileExists(FileName))
        return false;
    try {
        Doc = IniDocument::Parse(TKo::ReadTextFile(FileName));
        return true;
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

std::string TKo::ReadIniString(const std::string& FileName, const std::string& Section,
                               const std::string& Key) {
    IniDocument doc;
    std::string value;
    if (LoadIni(FileName, doc) && doc.Find(Section, Key, value))
        return value;
    return std::string();
}

void TKo::WriteIniString(const std::string& FileName, const std::string& Section,
                         const std::string& Key, const std::string& Value) {
    WriteIniStrings(FileName, Section, {{Key, Value}});
}

void TKo::WriteIniStrings(const std::string& FileName, const std::string& Section,
                          const std::vector<std::pair<std::string, std::string>>& Values) {
    const std::string path = ResolvePathCase(FileName);
    IniDocument doc;
    const bool exists = FileExists(path);
    if (exists && (HasReadOnlyAttribute(path) || !LoadIni(path, doc)))
        throw Exception("Unable to write to " + FileName);
    for (const auto& [key, value] : Values)
        doc.Set(Section, key, value);
    if (WriteFileAtomically(path, doc.Serialize()) != 0)
        throw Exception("Unable to write to " + FileName);
}

void TKo::DeleteIniKey(const std::string& FileName, const std::string& Section,
                       const std::string& Key) {
    const std::string path = ResolvePathCase(FileName);
    IniDocument doc;
    if (!LoadIni(path, doc) || HasReadOnlyAttribute(path))
        return;
    if (doc.Remove(Section, Key))
        WriteFileAtomically(path, doc.Serialize());
}

void TKo::ReadIniSectionKeys(const std::string& FileName, const std::string& Section,
                             TStringArray& Keys) {
    IniDocument doc;
    if (LoadIni(FileName, doc))
        StringsToArray(doc.Keys(Section), Keys);
}

} // namespace quindle
