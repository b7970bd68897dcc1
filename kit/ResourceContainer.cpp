#include "kit/ResourceContainer.h"
#include "kit/AtomicFile.h"
#include "kit/File.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace quindle {
namespace {

std::uint32_t Crc32(std::string_view bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    const auto* p = reinterpret_cast<const Bytef*>(bytes.data());
    std::size_t left = bytes.size();
    while (left > 0) {
        const uInt chunk = left > (1u << 30) ? (1u << 30) : uInt(left);
        crc = crc32(crc, p, chunk);
        p += chunk;
        left -= chunk;
    }
    return std::uint32_t(crc);
}

class Cursor {
public:
    explicit Cursor(std::string_view b) : b_(b) {}
    bool Take(std::size_t n, std::string_view& out) {
        if (n > b_.size() - pos_)
            return false;
        out = b_.substr(pos_, n);
        pos_ += n;
        return true;
    }
    template <typename T> bool Num(T& v) {
        std::string_view s;
        if (!Take(sizeof(T), s))
            return false;
        std::uint64_t r = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            r |= std::uint64_t(static_cast<unsigned char>(s[i])) << (8 * i);
        v = T(r);
        return true;
    }
    bool AtEnd() const { return pos_ == b_.size(); }

private:
    std::string_view b_;
    std::size_t pos_ = 0;
};

template <typename T> void PutNum(std::string& out, T v) {
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out += char((std::uint64_t(v) >> (8 * i)) & 0xFF);
}

struct Trailer {
    std::uint32_t count = 0;
    std::uint32_t crc = 0;
    std::uint64_t entriesSize = 0;
};

enum class TrailerState { None, Valid, Damaged };

TrailerState ReadTrailer(std::string_view tail, std::uint64_t fileSize, Trailer& t) {
    if (tail.size() != kResourceTrailerSize || std::memcmp(tail.data(), kResourceMagic, 8) != 0)
        return TrailerState::None;
    Cursor c(tail.substr(8));
    c.Num(t.count);
    c.Num(t.crc);
    c.Num(t.entriesSize);
    if (t.entriesSize > fileSize - kResourceTrailerSize)
        return TrailerState::Damaged;
    return TrailerState::Valid;
}

bool ParseEntries(std::string_view bytes, const Trailer& t, std::vector<ResourceEntry>& out) {
    if (Crc32(bytes) != t.crc)
        return false;
    Cursor c(bytes);
    for (std::uint32_t i = 0; i < t.count; ++i) {
        ResourceEntry e;
        std::uint8_t kind;
        if (!c.Num(e.Type) || !c.Num(e.Language) || !c.Num(kind) || kind > 1)
            return false;
        if (kind == 0) {
            e.Name.IsId = true;
            if (!c.Num(e.Name.Number))
                return false;
        } else {
            std::uint16_t len;
            std::string_view name;
            if (!c.Num(len) || !c.Take(len, name))
                return false;
            e.Name.Name.assign(name);
        }
        std::uint32_t size;
        std::string_view data;
        if (!c.Num(size) || !c.Take(size, data))
            return false;
        e.Data.assign(data);
        out.push_back(std::move(e));
    }
    return c.AtEnd();
}

} // namespace

bool ResourceName::Matches(const ResourceName& other) const {
    if (IsId != other.IsId)
        return false;
    return IsId ? Number == other.Number : SameText(Name, other.Name);
}

std::optional<ResourceContainer> ResourceContainer::Read(std::uint64_t FileSize,
                                                         const ByteSource& ReadAt) {
    ResourceContainer out;
    out.executableSize_ = FileSize;
    if (FileSize < kResourceTrailerSize)
        return out;
    Trailer t;
    switch (
        ReadTrailer(ReadAt(FileSize - kResourceTrailerSize, kResourceTrailerSize), FileSize, t)) {
    case TrailerState::None:
        return out;
    case TrailerState::Damaged:
        return std::nullopt;
    case TrailerState::Valid:
        break;
    }
    const std::uint64_t start = FileSize - kResourceTrailerSize - t.entriesSize;
    if (!ParseEntries(ReadAt(start, std::size_t(t.entriesSize)), t, out.entries_))
        return std::nullopt;
    out.executableSize_ = start;
    return out;
}

std::optional<ResourceContainer> ResourceContainer::Parse(std::string_view FileBytes) {
    return Read(FileBytes.size(), [&](std::uint64_t offset, std::size_t length) {
        return std::string(FileBytes.substr(std::size_t(offset), length));
    });
}

ResourceContainer ResourceContainer::Load(const std::string& FileName) {
    std::ifstream in(ResolvePathCase(FileName), std::ios::binary);
    if (!in)
        RaiseFileErrorOn("read", FileName, errno ? errno : ENOENT);
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        RaiseFileErrorOn("read", FileName, EIO);
    auto c = Read(std::uint64_t(size), [&](std::uint64_t offset, std::size_t length) {
        std::string bytes(length, '\0');
        in.seekg(std::streamoff(offset));
        if (!in.read(bytes.data(), std::streamsize(length)))
            RaiseFileErrorOn("read", FileName, EIO);
        return bytes;
    });
    if (!c)
        throw EFileError("The resources of " + FileName + " are damaged", EBADMSG);
    return std::move(*c);
}

std::string ResourceContainer::Serialize() const {
    std::string entries;
    for (const auto& e : entries_) {
        PutNum<std::uint16_t>(entries, e.Type);
        PutNum<std::uint16_t>(entries, e.Language);
        PutNum<std::uint8_t>(entries, e.Name.IsId ? 0 : 1);
        if (e.Name.IsId) {
            PutNum<std::uint16_t>(entries, e.Name.Number);
        } else {
            PutNum<std::uint16_t>(entries, std::uint16_t(e.Name.Name.size()));
            entries += e.Name.Name;
        }
        PutNum<std::uint32_t>(entries, std::uint32_t(e.Data.size()));
        entries += e.Data;
    }
    std::string out = entries;
    out.append(kResourceMagic, 8);
    PutNum<std::uint32_t>(out, std::uint32_t(entries_.size()));
    PutNum<std::uint32_t>(out, Crc32(entries));
    PutNum<std::uint64_t>(out, entries.size());
    return out;
}

void ResourceContainer::Save(const std::string& SourceFile, const std::string& Target) const {
    for (const auto& e : entries_)
        if ((!e.Name.IsId && e.Name.Name.size() > 0xFFFF) || e.Data.size() > 0xFFFFFFFFu)
            RaiseFileErrorOn("write", Target, EOVERFLOW);
    std::ifstream in(ResolvePathCase(SourceFile), std::ios::binary);
    if (!in)
        RaiseFileErrorOn("read", SourceFile, errno ? errno : ENOENT);
    AtomicFileWriter out(ResolvePathCase(Target));
    std::vector<char> buf(1 << 20);
    for (std::uint64_t left = executableSize_; left > 0;) {
        const std::size_t chunk = left < buf.size() ? std::size_t(left) : buf.size();
        if (!in.read(buf.data(), std::streamsize(chunk)))
            RaiseFileErrorOn("read", SourceFile, EIO);
        out.Write(buf.data(), chunk);
        left -= chunk;
    }
    // The source may be the target: Windows replaces no file that is still open.
    in.close();
    const std::string tail = Serialize();
    out.Write(tail.data(), tail.size());
    out.Commit();
}

const ResourceEntry* ResourceContainer::Find(std::uint16_t Type, const ResourceName& Name) const {
    for (const auto& e : entries_)
        if (e.Type == Type && e.Name.Matches(Name))
            return &e;
    return nullptr;
}

const ResourceEntry* ResourceContainer::Find(std::uint16_t Type, const ResourceName& Name,
                                             std::uint16_t Language) const {
    for (const auto& e : entries_)
        if (e.Type == Type && e.Language == Language && e.Name.Matches(Name))
            return &e;
    return nullptr;
}

void ResourceContainer::Put(ResourceEntry Entry) {
    for (auto& e : entries_) {
        if (e.Type == Entry.Type && e.Language == Entry.Language && e.Name.Matches(Entry.Name)) {
            e.Data = std::move(Entry.Data);
            return;
        }
    }
    entries_.push_back(std::move(Entry));
}

bool ResourceContainer::Remove(std::uint16_t Type, const ResourceName& Name,
                               std::uint16_t Language) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->Type == Type && it->Language == Language && it->Name.Matches(Name)) {
            entries_.erase(it);
            return true;
        }
    }
    return false;
}

} // namespace quindle
