// Resources on Windows live in the executable's resource section. A file's whole set is read
// through the loader (as a data file) and written back by the resource update functions into a
// copy beside it, which then replaces the file in one move.

#include "kit/ExeResources.h"
#include "kit/File.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <windows.h>

// The resource types as the kit numbers them, not the system's pointer-typed macros.
#undef RT_ICON
#undef RT_GROUP_ICON
#undef RT_RCDATA

namespace quindle {

const int kResourceDamagedCode = ERROR_RESOURCE_DATA_NOT_FOUND;
const int kResourceMissingCode = ERROR_RESOURCE_NAME_NOT_FOUND;

namespace {

struct Collection {
    ResourceContainer* Out;
    bool Ok = true; // false when a resource could not be kept (a type named by text)
};

ResourceName NameOf(LPCSTR Name) {
    return IS_INTRESOURCE(Name) ? ResourceName::Id(std::uint16_t(ULONG_PTR(Name)))
                                : ResourceName::Text(Name);
}

BOOL CALLBACK Language(HMODULE Module, LPCSTR Type, LPCSTR Name, WORD Lang, LONG_PTR Data) {
    auto* c = reinterpret_cast<Collection*>(Data);
    const HRSRC found = FindResourceExA(Module, Type, Name, Lang);
    const HGLOBAL loaded = found ? LoadResource(Module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        c->Ok = false;
        return FALSE;
    }
    c->Out->Put({std::uint16_t(ULONG_PTR(Type)), Lang, NameOf(Name),
                 std::string(static_cast<const char*>(bytes), SizeofResource(Module, found))});
    return TRUE;
}

BOOL CALLBACK Name(HMODULE Module, LPCSTR Type, LPSTR Name, LONG_PTR Data) {
    EnumResourceLanguagesA(Module, Type, Name, Language, Data);
    return reinterpret_cast<Collection*>(Data)->Ok;
}

BOOL CALLBACK Type(HMODULE Module, LPSTR Type, LONG_PTR Data) {
    auto* c = reinterpret_cast<Collection*>(Data);
    // The set in memory keeps numbered types only; a file with others is not rewritten.
    if (!IS_INTRESOURCE(Type)) {
        c->Ok = false;
        return FALSE;
    }
    EnumResourceNamesA(Module, Type, Name, Data);
    return c->Ok;
}

LPCSTR AsName(const ResourceName& N) {
    return N.IsId ? MAKEINTRESOURCEA(N.Number) : N.Name.c_str();
}

} // namespace

std::string TKo::ReadResourceString(const std::string& ResourceName) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceExA(self, MAKEINTRESOURCEA(RT_RCDATA), ResourceName.c_str(), WORD(0));
    if (!found)
        found = FindResourceA(self, ResourceName.c_str(), MAKEINTRESOURCEA(RT_RCDATA));
    const HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        throw Exception("Resource " + ResourceName + " not found");
    return std::string(static_cast<const char*>(bytes), SizeofResource(self, found));
}

ResourceContainer LoadExeResources(const std::string& ExeFile) {
    const HMODULE module = LoadLibraryExA(ExeFile.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        RaiseFileErrorOn("read", ExeFile, int(GetLastError()));
    ResourceContainer resources;
    Collection collection{&resources};
    // A file without any resource enumerates nothing: an empty set.
    EnumResourceTypesA(module, Type, LONG_PTR(&collection));
    FreeLibrary(module);
    if (!collection.Ok)
        throw EFileError("The resources of " + ExeFile + " are damaged", kResourceDamagedCode);
    return resources;
}

void SaveExeResources(const std::string& ExeFile, const ResourceContainer& Resources) {
    // Every resource is written anew into a copy (deleting old ones one by one is not reliable
    // everywhere); the copy then replaces the file.
    const std::string copy = ExeFile + ".qndl-update";
    if (!CopyFileA(ExeFile.c_str(), copy.c_str(), FALSE))
        RaiseFileErrorOn("write", ExeFile, int(GetLastError()));
    SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    int error = 0;
    HANDLE update = BeginUpdateResourceA(copy.c_str(), TRUE);
    if (!update)
        error = int(GetLastError());
    for (const ResourceEntry& e : Resources.Entries()) {
        if (error)
            break;
        if (!UpdateResourceA(update, MAKEINTRESOURCEA(e.Type), AsName(e.Name), e.Language,
                             const_cast<char*>(e.Data.data()), DWORD(e.Data.size())))
            error = int(GetLastError());
    }
    if (update && !EndUpdateResourceA(update, error != 0) && !error)
        error = int(GetLastError());
    if (!error && !MoveFileExA(copy.c_str(), ExeFile.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = int(GetLastError());
    if (error) {
        DeleteFileA(copy.c_str());
        RaiseFileErrorOn("write", ExeFile, error);
    }
}

} // namespace quindle
