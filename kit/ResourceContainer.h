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

#include "kit/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
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

class ResourceContainer {
public:
    // Reads the resources of a file. Raises EFileError "Unable to read <file>: <reason>", or
    // "The resources of <file> are damaged" with the code EBADMSG.
    static ResourceContainer Load(const std::string& FileName);
    // The resources in the bytes of a whole file held in memory; nothing when they are damaged.
    static std::optional<ResourceContainer> Parse(std::string_view FileBytes);

    // Writes SourceFile's executable bytes followed by these resources to Target, replacing
    // Target atomically. Raises EFileError naming the file that failed and why.
    void Save(const std::string& SourceFile, const std::string& Target) const;

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
    // Length bytes at Offset of the file; raises when they cannot be read.
    using ByteSource = std::function<std::string(std::uint64_t Offset, std::size_t Length)>;
    // Nothing when the resources are damaged.
    static std::optional<ResourceContainer> Read(std::uint64_t FileSize, const ByteSource& ReadAt);

    std::vector<ResourceEntry> entries_;
    std::uint64_t executableSize_ = 0;
};

} // namespace quindle
