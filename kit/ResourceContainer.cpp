#include "kit/ResourceContainer.h"
#include "kit/AtomicFile.h"
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

ContainerState ResourceContainer::Read(std::uint64_t FileSize, const ByteSource& ReadAt,
                                       ResourceContainer& Out, int& ErrorCode) {
    Out = ResourceContainer();
    ErrorCode = 0;
    Out.executableSize_ = FileSize;
    if (FileSize < kResourceTrailerSize)
        return ContainerState::Ok;
    std::string tail;
    if (!ReadAt(FileSize - kResourceTrailerSize, kResourceTrailerSize, tail)) {
        ErrorCode = EIO;
        return ContainerState::Unreadable;
    }
    Trailer t;
    switch (ReadTrailer(tail, FileSize, t)) {
    case TrailerState::None:
        return ContainerState::Ok;
    case TrailerState::Damaged:
        return ContainerState::Damaged;
    case TrailerState::Valid:
        break;
    }
    const std::uint64_t start = FileSize - kResourceTrailerSize - t.entriesSize;
    std::string entries;
    if (!ReadAt(start, std::size_t(t.entriesSize), entries)) {
        ErrorCode = EIO;
        return ContainerState::Unreadable;
    }
    if (!ParseEntries(entries, t, Out.entries_)) {
        Out.entries_.clear();
        return ContainerState::Damaged;
    }
    Out.executableSize_ = start;
    return ContainerState::Ok;
}

ContainerState ResourceContainer::Parse(std::string_view FileBytes, ResourceContainer& Out) {
    int unused;
    return Read(
        FileBytes.size(),
        [&](std::uint64_t offset, std::size_t length, std::string& out) {
            out.assign(FileBytes.substr(std::size_t(offset), length));
            return true;
        },
        Out, unused);
}

ContainerState ResourceContainer::Load(const std::string& FileName, ResourceContainer& Out,
                                       int& ErrorCode) {
    Out = ResourceContainer();
    std::ifstream in(ResolvePathCase(FileName), std::ios::binary);
    if (!in) {
        ErrorCode = errno ? errno : ENOENT;
        return ContainerState::Unreadable;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) {
        ErrorCode = EIO;
        return ContainerState::Unreadable;
    }
    return Read(
        std::uint64_t(size),
        [&](std::uint64_t offset, std::size_t length, std::string& out) {
            out.assign(length, '\0');
            in.seekg(std::streamoff(offset));
            return bool(in.read(out.data(), std::streamsize(length)));
        },
        Out, ErrorCode);
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

int ResourceContainer::Save(const std::string& SourceFile, const std::string& Target) const {
    for (const auto& e : entries_)
        if ((!e.Name.IsId && e.Name.Name.size() > 0xFFFF) || e.Data.size() > 0xFFFFFFFFu)
            return EOVERFLOW;
    std::ifstream in(ResolvePathCase(SourceFile), std::ios::binary);
    if (!in)
        return errno ? errno : ENOENT;
    AtomicFileWriter out(ResolvePathCase(Target));
    std::vector<char> buf(1 << 20);
    std::uint64_t left = executableSize_;
    while (left > 0 && out.Ok()) {
        const std::size_t chunk = left < buf.size() ? std::size_t(left) : buf.size();
        if (!in.read(buf.data(), std::streamsize(chunk)))
            return EIO;
        out.Write(buf.data(), chunk);
        left -= chunk;
    }
    // The source may be the target: Windows replaces no file that is still open.
    in.close();
    const std::string tail = Serialize();
    if (out.Write(tail.data(), tail.size()) && out.Commit())
        return 0;
    return out.Error() ? out.Error() : EIO;
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
