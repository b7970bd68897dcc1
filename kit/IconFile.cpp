#include "kit/IconFile.h"

namespace quindle {
namespace {

std::uint32_t U16(const std::uint8_t* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
void Put16(std::string& s, std::uint32_t v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
const std::uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

// The first twelve bytes of an entry are the same in an icon file and in a group resource; only
// the last field differs (a 32-bit file offset there, a 16-bit image id here).
IconDirEntry ReadEntryHead(const std::uint8_t* e) {
    IconDirEntry x;
    x.Width = e[0];
    x.Height = e[1];
    x.ColorCount = e[2];
    x.Reserved = e[3];
    x.Planes = std::uint16_t(U16(e + 4));
    x.BitCount = std::uint16_t(U16(e + 6));
    x.BytesInRes = U32(e + 8);
    return x;
}

void PutEntryHead(std::string& s, const IconDirEntry& e, std::uint32_t bytes) {
    s += char(e.Width);
    s += char(e.Height);
    s += char(e.ColorCount);
    s += char(e.Reserved);
    Put16(s, e.Planes);
    Put16(s, e.BitCount);
    Put32(s, bytes);
}

} // namespace

bool IsValidIconData(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 6 || (Data[0] == 'M' && Data[1] == 'Z'))
        return false;
    const std::size_t count = U16(Data + 4);
    if (Size < 6 + 16 * count)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = Data + 6 + 16 * i;
        const std::uint64_t end = std::uint64_t(U32(e + 8)) + U32(e + 12);
        if (end > 0xFFFFFFFFull || end > Size)
            return false;
    }
    return true;
}

std::vector<IconDirEntry> ReadIconDirectory(const std::string& Ico) {
    std::vector<IconDirEntry> entries;
    const std::uint8_t* d = Bytes(Ico);
    const std::size_t count = U16(d + 4);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = d + 6 + 16 * i;
        IconDirEntry x = ReadEntryHead(e);
        x.ImageOffset = U32(e + 12);
        entries.push_back(x);
    }
    return entries;
}

std::string BuildGroupIcon(std::uint16_t ReservedWord, std::uint16_t TypeWord,
                           const std::vector<IconDirEntry>& Entries) {
    std::string g;
    Put16(g, ReservedWord);
    Put16(g, TypeWord);
    Put16(g, std::uint32_t(Entries.size()));
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        PutEntryHead(g, Entries[i], Entries[i].BytesInRes);
        Put16(g, std::uint32_t(i + 1));
    }
    return g;
}

std::optional<TGroupIcon> ReadGroupIcon(const std::string& Group) {
    if (Group.size() < 6)
        return std::nullopt;
    const std::uint8_t* d = Bytes(Group);
    TGroupIcon g;
    g.ReservedWord = std::uint16_t(U16(d));
    g.TypeWord = std::uint16_t(U16(d + 2));
    const std::size_t count = U16(d + 4);
    if (Group.size() < 6 + 14 * count)
        return std::nullopt;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = d + 6 + 14 * i;
        IconDirEntry x = ReadEntryHead(e);
        x.ImageOffset = U16(e + 12);
        g.Entries.push_back(x);
    }
    return g;
}

std::optional<std::string>
IconFileFromGroup(const std::string& Group,
                  const std::function<const std::string*(std::uint16_t)>& ImageById) {
    const std::optional<TGroupIcon> group = ReadGroupIcon(Group);
    if (!group)
        return std::nullopt;
    const std::vector<IconDirEntry>& entries = group->Entries;
    std::string header, images;
    Put16(header, 0);
    Put16(header, 1);
    Put16(header, std::uint32_t(entries.size()));
    std::uint64_t offset = 6 + 16 * entries.size();
    for (const auto& e : entries) {
        const std::string* image = ImageById(std::uint16_t(e.ImageOffset));
        if (!image || offset + image->size() > 0xFFFFFFFFull)
            return std::nullopt;
        PutEntryHead(header, e, std::uint32_t(image->size()));
        Put32(header, std::uint32_t(offset));
        images += *image;
        offset += image->size();
    }
    return header + images;
}

} // namespace quindle
