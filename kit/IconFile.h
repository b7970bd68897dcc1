#pragma once

// Icon files (.ico) and the group icon resource built from them. All numbers little-endian.

#include <cstddef>
#include <cstdint>
#include <functional>
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

// The entries of a group icon resource; false when the data is too short for its count.
bool ReadGroupIcon(const std::string& Group, std::uint16_t& ReservedWord, std::uint16_t& TypeWord,
                   std::vector<IconDirEntry>& Entries);

// An icon file made of a group icon resource and its images; ImageById gives the bytes of an
// image, or null when it is missing. False when the group is damaged or an image is missing.
bool IconFileFromGroup(const std::string& Group,
                       const std::function<const std::string*(std::uint16_t)>& ImageById,
                       std::string& Ico);

} // namespace quindle
