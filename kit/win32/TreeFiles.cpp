// The copy's file operations on Windows: the web server serves as the user who started it, so
// the copy is always our own.

#include "kit/TreeFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace quindle {
namespace {

std::int64_t Nanoseconds(fs::file_time_type Time) {
    return std::int64_t(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Time.time_since_epoch()).count());
}

std::optional<TEntryStamp> StampOf(const fs::path& Path, std::error_code& Ec) {
    const fs::file_status status = fs::symlink_status(Path, Ec);
    if (Ec)
        return std::nullopt;
    if (fs::is_directory(status))
        return TEntryStamp{TEntryKind::Folder, 0, 0};
    const bool link = fs::is_symlink(status);
    if (!link && !fs::is_regular_file(status))
        return std::nullopt;
    const std::uint64_t size = link ? 0 : fs::file_size(Path, Ec);
    const std::int64_t time = link ? 0 : Nanoseconds(fs::last_write_time(Path, Ec));
    if (Ec)
        return std::nullopt;
    return TEntryStamp{link ? TEntryKind::Link : TEntryKind::File, size, time};
}

[[noreturn]] void Fail(const std::string& What, const std::string& Path, const std::error_code& Ec,
                       bool OnSource) {
    throw ETreeError("Unable to " + What + " " + Path + ": " + Ec.message(), Ec.value(), OnSource);
}

unsigned ModeOf(const fs::path& Path) {
    std::error_code ec;
    return unsigned(fs::symlink_status(Path, ec).permissions()) & 07777;
}

} // namespace

bool IsOutOfSpace(int Code) {
    return Code == int(std::errc::no_space_on_device) || Code == 112 /* ERROR_DISK_FULL */ ||
           Code == 39 /* ERROR_HANDLE_DISK_FULL */;
}

std::vector<TListedEntry> ListTree(const std::string& Root, std::vector<std::string>& Unreadable) {
    std::error_code ec;
    fs::recursive_directory_iterator it(Root, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        Fail("read", Root, ec, true);
    std::vector<TListedEntry> entries;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            Unreadable.push_back(Root + ": " + ec.message());
            break;
        }
        const fs::path path = it->path();
        std::error_code stampEc;
        const std::optional<TEntryStamp> stamp = StampOf(path, stampEc);
        if (!stamp)
            continue;
        entries.push_back({fs::relative(path, Root).generic_string(), *stamp, ModeOf(path)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const TListedEntry& A, const TListedEntry& B) { return A.Path < B.Path; });
    return entries;
}

TCopySide::TCopySide(const std::string& Owner) {
    if (!Owner.empty())
        throw Exception("Files are made for the account " + Owner + " only by the system");
}

TCopySide::TFound TCopySide::Look(const std::string& Path) const {
    TFound found;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(Path, ec);
    if (!fs::exists(status)) {
        found.Blocked = ec && ec != std::errc::no_such_file_or_directory;
        return found;
    }
    found.Exists = true;
    const std::optional<TEntryStamp> stamp = StampOf(Path, ec);
    found.Blocked = !stamp;
    if (stamp)
        found.Stamp = *stamp;
    return found;
}

TEntryStamp TCopySide::CopyIn(const std::string& From, const TListedEntry& Entry,
                              const std::string& To) const {
    std::error_code ec;
    if (Entry.Stamp.Kind == TEntryKind::Link) {
        const fs::path target = fs::read_symlink(From, ec);
        if (ec)
            Fail("read", From, ec, true);
        fs::create_symlink(target, To, ec);
    } else {
        std::ifstream probe(From, std::ios::binary);
        if (!probe)
            Fail("read", From, std::make_error_code(std::errc::permission_denied), true);
        probe.close();
        fs::copy_file(From, To, fs::copy_options::none, ec);
        if (!ec)
            fs::last_write_time(To, fs::last_write_time(From, ec), ec);
        if (!ec)
            fs::permissions(To, fs::perms::owner_write, fs::perm_options::add, ec);
    }
    std::optional<TEntryStamp> stamp;
    if (!ec)
        stamp = StampOf(To, ec);
    if (ec || !stamp) {
        std::error_code ignored;
        fs::remove(To, ignored);
        Fail("write", To, ec, false);
    }
    return *stamp;
}

void TCopySide::MakeFolder(const std::string& Path, unsigned) const {
    std::error_code ec;
    fs::create_directories(Path, ec);
    if (ec || !fs::is_directory(Path))
        Fail("create", Path, ec ? ec : std::make_error_code(std::errc::not_a_directory), false);
}

void TCopySide::Move(const std::string& From, const std::string& To) const {
    std::error_code ec;
    fs::rename(From, To, ec);
    if (ec)
        Fail("write", To, ec, false);
}

bool TCopySide::RemoveEntry(const std::string& Path) const {
    std::error_code ec;
    fs::remove(Path, ec);
    return !ec;
}

bool TCopySide::RemoveEmptyFolder(const std::string& Path) const {
    std::error_code ec;
    if (!fs::is_empty(Path, ec) && !ec)
        return false;
    fs::remove(Path, ec);
    return !ec;
}

void TCopySide::RemoveContents(const std::string& Path) const {
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(Path, ec)))
        return;
    for (const fs::directory_entry& entry : fs::directory_iterator(Path, ec)) {
        std::error_code removeEc;
        fs::remove_all(entry.path(), removeEc);
        if (removeEc)
            Fail("remove", entry.path().string(), removeEc, false);
    }
}

bool TCopySide::SameContent(const std::string& Source, const TListedEntry& Entry,
                            const std::string& Copy) const {
    std::error_code ec;
    if (Entry.Stamp.Kind == TEntryKind::Folder)
        return fs::is_directory(fs::symlink_status(Copy, ec));
    if (Entry.Stamp.Kind == TEntryKind::Link)
        return fs::read_symlink(Source, ec) == fs::read_symlink(Copy, ec) && !ec;
    std::ifstream a(Source, std::ios::binary), b(Copy, std::ios::binary);
    if (!a || !b)
        return false;
    return std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(b), std::istreambuf_iterator<char>());
}

void TCopySide::HandOver(const std::string&) const {}

} // namespace quindle
