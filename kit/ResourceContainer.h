#pragma once

// The resources of an executable, kept after its last byte, where the loader never looks:
//
//   <executable bytes> <entries> <trailer>
//   entry   : type u16 | language u16 | name kind u8 (0 id, 1 text)
//             | name (u16 id, or u16 length + bytes) | size u32 | data
//   trailer : magic "QNDLRSC1" | entry count u32 | CRC-32 of <entries> u32 | size of <entries> u64
//
// All numbers little-endian. No trailer means no resources. A trailer whose checksum or sizes
// do not add up means a damaged file: it is never read from and never written to.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quindle {

enum : std::uint16_t { RT_ICON = 3, RT_RCDATA = 10, RT_GROUP_ICON = 14 };
enum : std::uint16_t { LANG_NEUTRAL = 0, LANG_ENGLISH_US = 1033 };

constexpr std::size_t kResourceTrailerSize = 24;
constexpr char kResourceMagic[] = "QNDLRSC1";

// A resource name: a number, or a text compared without regard to letter case.
struct ResourceName {
    static ResourceName Id(std::uint16_t id) { return {true, id, std::string()}; }
    static ResourceName Text(std::string text) { return {false, 0, std::move(text)}; }
    bool Matches(const ResourceName& other) const;

    bool IsId = false;
    std::uint16_t Number = 0;
    std::string Name;
};

struct ResourceEntry {
    std::uint16_t Type = 0;
    std::uint16_t Language = 0;
    ResourceName Name;
    std::string Data;
};

enum class ContainerState { Ok, Damaged, Unreadable };

class ResourceContainer {
public:
    // Reads the resources of a file. Unreadable: the file cannot be read (ErrorCode says why).
    static ContainerState Load(const std::string& FileName, ResourceContainer& Out, int& ErrorCode);
    // The same over the bytes of a whole file held in memory.
    static ContainerState Parse(std::string_view FileBytes, ResourceContainer& Out);

    // Writes SourceFile's executable bytes followed by these resources to Target, replacing
    // Target atomically. Returns 0 or the system error number.
    int Save(const std::string& SourceFile, const std::string& Target) const;

    // The first entry of that type and name (in any language, or in Language when given).
    const ResourceEntry* Find(std::uint16_t Type, const ResourceName& Name) const;
    const ResourceEntry* Find(std::uint16_t Type, const ResourceName& Name,
                              std::uint16_t Language) const;
    // Adds the entry, or replaces the data of the one with the same type, name and language.
    void Put(ResourceEntry Entry);
    // True when an entry was removed.
    bool Remove(std::uint16_t Type, const ResourceName& Name, std::uint16_t Language);

    const std::vector<ResourceEntry>& Entries() const { return entries_; }
    std::uint64_t ExecutableSize() const { return executableSize_; }

    // The serialised <entries><trailer>.
    std::string Serialize() const;

private:
    // Reads Length bytes at Offset of the file into Out; false when that fails.
    using ByteSource =
        std::function<bool(std::uint64_t Offset, std::size_t Length, std::string& Out)>;
    static ContainerState Read(std::uint64_t FileSize, const ByteSource& ReadAt,
                               ResourceContainer& Out, int& ErrorCode);

    std::vector<ResourceEntry> entries_;
    std::uint64_t executableSize_ = 0;
};

} // namespace quindle
