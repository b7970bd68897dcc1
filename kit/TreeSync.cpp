#include "kit/TreeSync.h"
#include "kit/AtomicFile.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/TreeFiles.h"

#include <cerrno>
#include <filesystem>
#include <unordered_set>

namespace quindle {
namespace {

std::optional<TCopyRecord> ReadRecord(const std::string& File) {
    if (!FileExists(File))
        return std::nullopt;
    try {
        return ParseCopyRecord(TKo::ReadTextFile(File));
    } catch (const Exception&) {
        return std::nullopt;
    }
}

void WriteRecord(const std::string& File, const TCopyRecord& Record) {
    WriteFileAtomically(File, FormatCopyRecord(Record));
}

// The staging folder, empty and the owner's; or gone when Make is false.
void ResetStaging(const TCopySide& Side, const std::string& Staging, bool Make) {
    if (Side.Look(Staging).Exists) {
        Side.RemoveContents(Staging);
        // What is left is the folder itself, in our folder: only we can remove it there.
        std::error_code ec;
        std::filesystem::remove(Staging, ec);
    }
    if (!Make)
        return;
    if (!ForcePrivateDirectory(Staging))
        throw ETreeError("Unable to create " + Staging, errno, false);
    Side.HandOver(Staging);
}

void Fail(TTreeSyncResult& Result, const Exception& Error, bool EarlierCopyWhole) {
    Result.Complete = false;
    Result.EarlierCopyWhole = EarlierCopyWhole;
    Result.Error = Error.Message();
    if (const auto* tree = dynamic_cast<const ETreeError*>(&Error))
        Result.OutOfSpace = !tree->OnSource && IsOutOfSpace(tree->Code);
    else if (const auto* file = dynamic_cast<const EFileError*>(&Error))
        Result.OutOfSpace = IsOutOfSpace(file->ErrorCode);
}

class TSync {
public:
    TSync(const TTreeSyncOptions& Options, TTreeSyncResult& Result)
        : o_(Options), r_(Result), side_(Options.Owner), staging_(TreeSyncStaging(Options.Copy)) {}

    void Run() {
        source_ = ListTree(o_.Source, r_.Unreadable);
        const TCopySide::TFound root = side_.Look(o_.Copy);
        if (!root.Exists) {
            FirstCopy();
        } else if (root.Stamp.Kind != TEntryKind::Folder) {
            throw ETreeError(o_.Copy + " is not a folder", 0, false);
        } else {
            // A copy without a record was still made whole before it was put in its place.
            old_ = ReadRecord(o_.Record).value_or(TCopyRecord());
            Update();
        }
    }

private:
    struct TInstall {
        const TListedEntry* Entry;
        bool Replace;       // over an entry of ours of another kind
        std::string Staged; // where the new version waits (files and links)
        TEntryStamp Stamp;  // of the staged version
    };

    const TTreeSyncOptions& o_;
    TTreeSyncResult& r_;
    TCopySide side_;
    std::string staging_;
    std::vector<TListedEntry> source_;
    TCopyRecord old_, next_;
    std::vector<TInstall> installs_;
    std::vector<std::pair<std::string, TEntryKind>> removals_; // entries before their folders
    bool recordChanged_ = false;

    void NoteUnreadable(const ETreeError& Error) { r_.Unreadable.push_back(Error.Message()); }

    void Conflict(TTreeConflict::TKind Kind, const std::string& Path,
                  const std::string& Reason = std::string()) {
        r_.Conflicts.push_back({Kind, Path, Reason});
    }

    // The whole source into the staging folder, which becomes the copy once it is complete: a
    // copy cut short is never where the copy is looked for.
    void FirstCopy() {
        try {
            ResetStaging(side_, staging_, true);
            for (const TListedEntry& entry : source_) {
                const std::string target = JoinPath(staging_, entry.Path);
                if (entry.Stamp.Kind == TEntryKind::Folder) {
                    side_.MakeFolder(target, entry.Mode);
                    next_.Entries[entry.Path] = {entry.Stamp, entry.Stamp};
                    continue;
                }
                try {
                    const TEntryStamp copy =
                        side_.CopyIn(JoinPath(o_.Source, entry.Path), entry, target);
                    next_.Entries[entry.Path] = {entry.Stamp, copy};
                    ++r_.Copied;
                } catch (const ETreeError& e) {
                    if (!e.OnSource)
                        throw;
                    NoteUnreadable(e); // not recorded: the next call tries it again
                }
            }
            WriteRecord(o_.Record, next_);
            std::filesystem::rename(staging_, o_.Copy);
        } catch (const std::filesystem::filesystem_error& e) {
            ResetStaging(side_, staging_, false);
            throw ETreeError("Unable to move " + staging_ + " to " + o_.Copy + ": " +
                                 e.code().message(),
                             e.code().value(), false);
        } catch (...) {
            ResetStaging(side_, staging_, false);
            throw;
        }
        r_.Complete = true;
    }

    void Update() {
        const bool wasWhole = old_.Complete;
        PlanInstalls();
        PlanRemovals();
        if (installs_.empty() && removals_.empty()) {
            if (recordChanged_ || !wasWhole)
                WriteRecord(o_.Record, next_);
            r_.Complete = true;
            return;
        }
        try {
            ResetStaging(side_, staging_, true);
            Stage();
            // From here the copy is between two versions until the record says otherwise.
            TCopyRecord updating = old_;
            updating.Complete = false;
            WriteRecord(o_.Record, updating);
        } catch (const Exception& e) {
            ResetStaging(side_, staging_, false);
            Fail(r_, e, wasWhole);
            return;
        }
        try {
            Apply();
            ResetStaging(side_, staging_, false);
        } catch (const Exception& e) {
            ResetStaging(side_, staging_, false);
            Fail(r_, e, false);
            return;
        }
        WriteRecord(o_.Record, next_);
        r_.Complete = true;
    }

    void Keep(const std::string& Path, const TCopiedEntry& Entry) { next_.Entries[Path] = Entry; }

    void Record(const std::string& Path, const TCopiedEntry& Entry) {
        next_.Entries[Path] = Entry;
        recordChanged_ = true;
    }

    void PlanInstalls() {
        for (const TListedEntry& s : source_) {
            const auto found = old_.Entries.find(s.Path);
            const TCopiedEntry* m = found == old_.Entries.end() ? nullptr : &found->second;
            // The source's entry is as it was copied: the copy's, whatever it is now, stays.
            if (m && m->Source == s.Stamp) {
                Keep(s.Path, *m);
                continue;
            }
            const std::string path = JoinPath(o_.Copy, s.Path);
            const TCopySide::TFound c = side_.Look(path);
            if (c.Blocked)
                continue; // a folder of the copy's own on the way: said where it began
            const bool ours = m && m->Copy && c.Exists && c.Stamp == *m->Copy;
            if (ours || (!c.Exists && !m)) {
                installs_.push_back({&s, ours && c.Stamp.Kind != s.Stamp.Kind, {}, {}});
                continue;
            }
            if (c.Exists && c.Stamp.Kind == s.Stamp.Kind &&
                side_.SameContent(JoinPath(o_.Source, s.Path), s, path)) {
                Record(s.Path, {s.Stamp, c.Stamp}); // the same as the source, however it came
                continue;
            }
            Conflict(!c.Exists ? TTreeConflict::RemovedInCopy
                     : m       ? TTreeConflict::ChangedInCopy
                               : TTreeConflict::MadeInCopy,
                     s.Path);
            // Said once: the record now has this version of the source, and the copy's own.
            Record(s.Path, {s.Stamp, std::nullopt});
        }
    }

    void PlanRemovals() {
        std::unordered_set<std::string_view> inSource;
        for (const TListedEntry& s : source_)
            inSource.insert(s.Path);
        for (auto it = old_.Entries.rbegin(); it != old_.Entries.rend(); ++it) {
            const auto& [path, m] = *it;
            if (inSource.count(path))
                continue;
            recordChanged_ = true;
            if (!m.Copy)
                continue; // the copy's own: it stays, and is no business of ours any more
            const TCopySide::TFound c = side_.Look(JoinPath(o_.Copy, path));
            if (!c.Exists || c.Blocked)
                continue;
            if (c.Stamp == *m.Copy)
                removals_.emplace_back(path, c.Stamp.Kind);
            else
                Conflict(TTreeConflict::GoneChanged, path);
        }
    }

    void Stage() {
        std::size_t n = 0;
        for (auto it = installs_.begin(); it != installs_.end();) {
            if (it->Entry->Stamp.Kind == TEntryKind::Folder) {
                ++it;
                continue;
            }
            it->Staged = JoinPath(staging_, std::to_string(n++));
            try {
                it->Stamp =
                    side_.CopyIn(JoinPath(o_.Source, it->Entry->Path), *it->Entry, it->Staged);
                ++it;
            } catch (const ETreeError& e) {
                if (!e.OnSource)
                    throw;
                NoteUnreadable(e);
                // The record keeps what it had, so that the next call tries again.
                const auto found = old_.Entries.find(it->Entry->Path);
                if (found != old_.Entries.end())
                    Keep(found->first, found->second);
                it = installs_.erase(it);
            }
        }
    }

    void Apply() {
        for (const auto& [path, kind] : removals_) {
            const std::string target = JoinPath(o_.Copy, path);
            const bool removed = kind == TEntryKind::Folder ? side_.RemoveEmptyFolder(target)
                                                            : side_.RemoveEntry(target);
            if (removed)
                ++r_.Removed;
            else if (kind == TEntryKind::Folder)
                Conflict(TTreeConflict::GoneNotEmpty, path);
        }
        for (const TInstall& install : installs_) {
            try {
                Place(install);
            } catch (const ETreeError& e) {
                if (IsOutOfSpace(e.Code))
                    throw;
                Conflict(TTreeConflict::NotPlaced, install.Entry->Path, e.Message());
                const auto found = old_.Entries.find(install.Entry->Path);
                if (found != old_.Entries.end())
                    Keep(found->first, found->second);
                else
                    next_.Entries.erase(install.Entry->Path);
            }
        }
    }

    void Place(const TInstall& Install) {
        const TListedEntry& s = *Install.Entry;
        const std::string target = JoinPath(o_.Copy, s.Path);
        if (Install.Replace) {
            const bool cleared = s.Stamp.Kind == TEntryKind::Folder
                                     ? side_.RemoveEntry(target)
                                     : side_.RemoveEmptyFolder(target);
            if (!cleared)
                throw ETreeError(target + " holds entries of the copy's own", 0, false);
        }
        if (s.Stamp.Kind == TEntryKind::Folder) {
            side_.MakeFolder(target, s.Mode);
            next_.Entries[s.Path] = {s.Stamp, s.Stamp};
            return;
        }
        // A folder on the way that the copy had removed comes back for the new entry.
        const std::string parent = ExtractFileDir(s.Path);
        if (!parent.empty() && !side_.Look(JoinPath(o_.Copy, parent)).Exists)
            side_.MakeFolder(JoinPath(o_.Copy, parent), 0755);
        side_.Move(Install.Staged, target);
        next_.Entries[s.Path] = {s.Stamp, Install.Stamp};
        ++r_.Copied;
    }
};

} // namespace

std::string TreeSyncStaging(const std::string& Copy) {
    return ExcludeTrailingPathDelimiter(Copy) + ".partial";
}

TTreeSyncResult SyncTree(const TTreeSyncOptions& Options) {
    TTreeSyncResult result;
    try {
        TSync(Options, result).Run();
    } catch (const Exception& e) {
        // Nothing of the copy was touched: the first copy is not there, an update not begun.
        const bool copyThere = DirectoryExists(Options.Copy);
        const std::optional<TCopyRecord> record = ReadRecord(Options.Record);
        Fail(result, e, copyThere && (!record || record->Complete));
    }
    return result;
}

} // namespace quindle
