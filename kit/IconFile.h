#pragma once

// Icon files (.ico) and the group icon resource built from them. All numbers little-endian.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quindle {

constexpr std::size_t kMaxIconFileSize = 1048576;

struct IconDirEntry {
    std::uint8_t Width = 0, Height = 0, ColorCount = 0, Reserved = 0;
    std::uint16_t Planes = 0, BitCount = 0;
    std::uint32_t BytesInRes = 0;
    std::uint32_t ImageOffset = 0; // in an icon file; the image id in a group resource
};

// True when the data can be taken apart as an icon file: long enough for its header and its
// directory, not an executable, and every image inside the data.
bool IsValidIconData(const std::uint8_t* Data, std::size_t Size);

// The directory of a valid icon file.
std::vector<IconDirEntry> ReadIconDirectory(const std::string& Ico);

// The group icon resource: the two words of the group it replaces, then one 14-byte entry
// per image, whose ids are 1 to N.
std::string BuildGroupIcon(std::uint16_t ReservedWord, std::uint16_t TypeWord,
                           const std::vector<IconDirEntry>& Entries);

struct TGroupIcon {
    std::uint16_t ReservedWord = 0, TypeWord = 0;
    std::vector<IconDirEntry> Entries;
};

// The words and entries of a group icon resource; nothing when the data is too short for its
// count.
std::optional<TGroupIcon> ReadGroupIcon(const std::string& Group);

// An icon file made of a group icon resource and its images; ImageById gives the bytes of an
// image, or null when it is missing. Nothing when the group is damaged or an image is missing.
std::optional<std::string>
IconFileFromGroup(const std::string& Group,
                  const std::function<const std::string*(std::uint16_t)>& ImageById);

} // namespace quindle
