// The INI operations, on top of the INI engine. Writes replace the file atomically.

#include "kit/AtomicFile.h"
#include "kit/IniFile.h"
#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace quindle {
namespace {

// A file that is missing or cannot be read has no keys: reads give empty values.
std::optional<IniDocument> LoadIni(const std::string& FileName) {
    if (!FileExists(FileName))
        return std::nullopt;
    try {
        return IniDocument::Parse(TKo::ReadTextFile(FileName));
    } catch (const Exception&) {
        return std::nullopt; // unreadable reads as absent, as the profile functions have it
    }
}

} // namespace

std::string TKo::ReadIniString(const std::string& FileName, const std::string& Section,
                               const std::string& Key) {
    const auto doc = LoadIni(FileName);
    return doc ? doc->Find(Section, Key).value_or(std::string()) : std::string();
}

void TKo::WriteIniString(const std::string& FileName, const std::string& Section,
                         const std::string& Key, const std::string& Value) {
    WriteIniStrings(FileName, Section, {{Key, Value}});
}

void TKo::WriteIniStrings(const std::string& FileName, const std::string& Section,
                          const std::vector<std::pair<std::string, std::string>>& Values) {
    const std::string path = ResolvePathCase(FileName);
    std::optional<IniDocument> doc = LoadIni(path);
    if (FileExists(path) && (HasReadOnlyAttribute(path) || !doc))
        throw Exception("Unable to write to " + FileName);
    if (!doc)
        doc.emplace();
    for (const auto& [key, value] : Values)
        doc->Set(Section, key, value);
    try {
        WriteFileAtomically(path, doc->Serialize());
    } catch (const EFileError&) {
        throw Exception("Unable to write to " + FileName);
    }
}

void TKo::DeleteIniKey(const std::string& FileName, const std::string& Section,
                       const std::string& Key) {
    const std::string path = ResolvePathCase(FileName);
    auto doc = LoadIni(path);
    if (!doc || HasReadOnlyAttribute(path) || !doc->Remove(Section, Key))
        return;
    try {
        WriteFileAtomically(path, doc->Serialize());
    } catch (const EFileError&) {
        LogCaught("DeleteIniKey"); // a key that stays is harmless: callers go on without it
    }
}

void TKo::ReadIniSectionKeys(const std::string& FileName, const std::string& Section,
                             TStringArray& Keys) {
    if (const auto doc = LoadIni(FileName))
        StringsToArray(doc->Keys(Section), Keys);
}

} // namespace quindle
