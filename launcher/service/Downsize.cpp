#include "launcher/service/Downsize.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "launcher/service/DownsizeTable.h"

#include <chrono>
#include <set>
#include <thread>

namespace quindle {
namespace {

void Pause() {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
}

std::string Resolved(const std::string& AppPath, const std::string& Relative) {
    return ResolvePathCase(AppPath + Relative);
}

// Deletes a file when it is there; an extension of PHP's folder is noted for php.ini.
void DeletePartFile(const std::string& AppPath, const std::string& Relative,
                    std::set<std::string>& DeletedExtensions) {
    const std::string path = Resolved(AppPath, Relative);
    const bool existed = FileExists(path);
    TKo::DeleteFileIfExists(path);
    const std::string& folder = DownsizeTable().ExtensionFolder;
    if (existed && !FileExists(path) && !folder.empty() &&
        SameText(ExtractFileDir(Relative), folder)) {
        const std::string name = ExtractFileName(Relative);
        DeletedExtensions.insert(LowerCase(name.substr(0, name.rfind('.'))));
    }
}

// The key of a line of php.ini, lower-cased; empty for a line without one.
std::string LineKey(const std::string& Line) {
    const std::size_t equals = Line.find('=');
    return equals == std::string::npos ? std::string() : LowerCase(Trim(Line.substr(0, equals)));
}

// The name an extension line of php.ini enables ("extension = gd", "zend_extension=opcache.so",
// quoted or not), lower-cased; empty for any other line.
std::string EnabledExtension(const std::string& Line) {
    const std::string text = Trim(Line);
    const std::string key = LineKey(text);
    if (key != "extension" && key != "zend_extension")
        return std::string();
    const std::size_t equals = text.find('=');
    std::string value = Trim(text.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    value = ExtractFileName(value);
    if (value.size() > 3 && SameText(value.substr(value.size() - 3), ".so"))
        value.resize(value.size() - 3);
    return LowerCase(value);
}

// Drops the lines of deleted extensions and of the keys of deleted parts from the php.ini
// template; every other byte stays.
void ForgetDeletedParts(const std::string& AppPath, const std::set<std::string>& Deleted,
                        const std::set<std::string>& DeletedKeys) {
    const std::string& templateFile = DownsizeTable().PhpIniTemplate;
    if ((Deleted.empty() && DeletedKeys.empty()) || templateFile.empty())
        return;
    const std::string path = Resolved(AppPath, templateFile);
    if (!FileExists(path))
        return;
    const std::string text = TKo::ReadTextFile(path);
    std::string kept;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, end - start);
        if (!Deleted.count(EnabledExtension(line)) && !DeletedKeys.count(LineKey(line)))
            kept += line;
        start = end;
    }
    if (kept != text)
        TKo::WriteTextFile(path, kept);
}

} // namespace

void RunDownsize(const std::vector<std::string>& Flags, const std::string& AppPath,
                 const std::string& ProgramFile) {
    // Nothing is deleted while another process runs this program (its servers run other files).
    while (TKo::FindProcessesByPath(ProgramFile).size() >= 2)
        Pause();
    Pause();

    const TDownsizeTable& table = DownsizeTable();
    std::set<std::string> deletedExtensions, deletedKeys;
    for (std::size_t i = 0; i < table.Parts.size(); ++i) {
        if (i >= Flags.size() || Flags[i] == "0")
            continue;
        try {
            const TDownsizePart& part = table.Parts[i];
            for (const std::string& folder : part.Folders)
                TKo::DeleteFolder(Resolved(AppPath, folder));
            for (const std::string& file : part.Files)
                DeletePartFile(AppPath, file, deletedExtensions);
            if (part.FavoriteKey)
                TKo::DeleteIniKey(AppPath + "bin/Favorites.ini", part.FavoriteSection,
                                  part.FavoriteKey);
            bool gone = true;
            for (const std::string& file : part.Files)
                gone = gone && !FileExists(Resolved(AppPath, file));
            if (part.PhpIniKey && gone)
                deletedKeys.insert(LowerCase(part.PhpIniKey));
        } catch (...) {
            // A part that cannot be deleted stays; the next is still looked at.
        }
    }
    Pause();

    // Shared files go once nothing that needs them is left.
    for (const TSharedFiles& shared : table.Shared) {
        try {
            bool needed = false;
            for (const std::string& user : shared.UnlessAnyOf)
                needed = needed || FileExists(Resolved(AppPath, user));
            if (!needed)
                for (const std::string& file : shared.Files)
                    DeletePartFile(AppPath, file, deletedExtensions);
        } catch (...) {
            // What cannot be deleted stays, as a part's files do; nothing is shown.
        }
    }
    try {
        ForgetDeletedParts(AppPath, deletedExtensions, deletedKeys);
    } catch (...) {
        // A template that cannot be written keeps its lines; PHP then warns about them.
    }

    TKo::RunProgram(ProgramFile, TArguments(), "", SW_SHOWNORMAL);
}

} // namespace quindle
