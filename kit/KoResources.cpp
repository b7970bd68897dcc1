// Changing an executable's data resources and main icon: every change is made to the whole set
// of its resources in memory and written back in one replacement of the file.

#include "kit/ExeResources.h"
#include "kit/File.h"
#include "kit/IconFile.h"
#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

namespace quindle {
namespace {

[[noreturn]] void Fail(const std::string& step) {
    throw Exception("Resource update error: " + step);
}
[[noreturn]] void Fail(const std::string& step, int code) {
    Fail(step + "(" + std::to_string(code) + ")");
}

// The language of the first resource of that type and name, else neutral.
std::uint16_t FirstLanguage(const ResourceContainer& c, std::uint16_t type,
                            const ResourceName& name) {
    const ResourceEntry* e = c.Find(type, name);
    return e ? e->Language : std::uint16_t(LANG_NEUTRAL);
}

bool ClearReadOnly(const std::string& ExeFile) {
    return FileExists(ExeFile) && TKo::SetReadOnlyTree(ExeFile, false);
}

} // namespace

void TKo::SaveResourceToFile(const std::string& ResourceName, const std::string& FileName) {
    WriteTextFile(FileName, ReadResourceString(ResourceName));
}

void TKo::UpdateExeResource(const std::string& ExeFile, const std::string& ResourceName,
                            const std::string& Data) {
    if (!ClearReadOnly(ExeFile))
        return;
    // A program whose resources cannot be read or written keeps the ones it has: the modes that
    // stamp are started by the package builder, which checks the result itself.
    try {
        ResourceContainer c = LoadExeResources(ExeFile);
        c.Put({RT_RCDATA, LANG_NEUTRAL, ResourceName::Text(UpperCase(ResourceName)), Data});
        SaveExeResources(ExeFile, c);
    } catch (const EFileError&) {
        LogCaught("UpdateExeResource");
    }
}

void TKo::UpdateExeIcon(const std::string& ExeFile, const std::string& IcoFile) {
    if (ClearReadOnly(ExeFile))
        ReplaceMainIcon(ExeFile, IcoFile);
}

void ReplaceMainIcon(const std::string& ExeFile, const std::string& IcoFile) {
    std::string ico;
    {
        TFile file(IcoFile, fcOpenExisting, faRead, fsRead);
        const std::int32_t size = file.GetSize();
        if (std::size_t(size) > kMaxIconFileSize)
            Fail("Icon file is too large");
        ico.resize(std::size_t(size));
        file.ReadBuffer(ico.data(), size);
    }
    if (!IsValidIconData(reinterpret_cast<const std::uint8_t*>(ico.data()), ico.size()))
        Fail("Icon file is invalid");

    // Every change is made to a copy in memory; nothing reaches the file before the commit.
    ResourceContainer c;
    try {
        c = LoadExeResources(ExeFile);
    } catch (const EFileError& e) {
        Fail("BeginUpdateResource failed (1)", e.ErrorCode);
    }

    const auto mainIcon = ResourceName::Text("MAINICON");
    const ResourceEntry* group = c.Find(RT_GROUP_ICON, mainIcon);
    if (!group)
        Fail("FindResource failed (1)", kResourceMissingCode);
    const std::optional<TGroupIcon> old = ReadGroupIcon(group->Data);
    if (!old)
        Fail("LoadResource failed (1)", kResourceDamagedCode);

    if (!c.Remove(RT_GROUP_ICON, mainIcon, FirstLanguage(c, RT_GROUP_ICON, mainIcon)))
        Fail("UpdateResource failed (1)", kResourceMissingCode);
    for (const auto& image : old->Entries) {
        const auto id = ResourceName::Id(std::uint16_t(image.ImageOffset));
        c.Remove(RT_ICON, id, FirstLanguage(c, RT_ICON, id)); // an image already gone is fine
    }

    const std::vector<IconDirEntry> entries = ReadIconDirectory(ico);
    for (std::size_t i = 0; i < entries.size(); ++i)
        c.Put({RT_ICON, LANG_ENGLISH_US, ResourceName::Id(std::uint16_t(i + 1)),
               ico.substr(entries[i].ImageOffset, entries[i].BytesInRes)});
    c.Put({RT_GROUP_ICON, LANG_ENGLISH_US, mainIcon,
           BuildGroupIcon(old->ReservedWord, old->TypeWord, entries)});

    try {
        SaveExeResources(ExeFile, c);
    } catch (const EFileError& e) {
        Fail("EndUpdateResource failed", e.ErrorCode);
    }
}

} // namespace quindle
