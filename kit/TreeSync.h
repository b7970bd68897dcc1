#pragma once

// A copy of a folder kept in step with it, where what was done to the copy stays: a site that
// writes into its own folder runs from such a copy wherever its package cannot be written. At
// each call only what the source changed since the last one is brought in:
//
// - a file the source changed and the copy did not gets the source's new version;
// - a file new in the source is added;
// - a file the copy changed, made or removed keeps the copy's state, and the conflict is said
//   once for each version of the source;
// - a file gone from the source and unchanged in the copy is removed.
//
// Nothing the copy holds is lost on the way: new versions are first written beside the copy,
// and only once all of them are there are they moved in. A call cut short (the process killed)
// leaves a copy the next call finishes; a full disk leaves the copy as the last call left it.

#include <cstddef>
#include <string>
#include <vector>

namespace quindle {

struct TTreeSyncOptions {
    std::string Source; // the folder that is copied
    std::string Copy;   // the copy; the folder that holds it is ours
    std::string Record; // our file that records what was copied
    std::string Owner;  // the account that owns the copy and works in it; empty for ourselves
};

// An entry whose copy stays as it is against what the source says.
struct TTreeConflict {
    enum TKind {
        ChangedInCopy, // the source has a new version; the copy had changed it
        MadeInCopy,    // the source has a new entry; the copy had one of its own there
        RemovedInCopy, // the source has a new version; the copy had removed it
        GoneChanged,   // gone from the source; the copy had changed it
        GoneNotEmpty,  // a folder gone from the source; the copy had put entries of its own in it
        NotPlaced,     // the new version could not be put in its place (Reason says why)
    };
    TKind Kind;
    std::string Path; // below the folder
    std::string Reason;
};

struct TTreeSyncResult {
    bool Complete = false; // the copy is in step with the source
    // Not complete, but the copy is whole as an earlier call left it: it may be used as that.
    bool EarlierCopyWhole = false;
    std::string Error;       // why it is not complete
    bool OutOfSpace = false; // the copy's disk is full
    std::vector<TTreeConflict> Conflicts;
    // Entries of the source that could not be read, with the reason: left out until they can.
    std::vector<std::string> Unreadable;
    std::size_t Copied = 0, Removed = 0;
};

TTreeSyncResult SyncTree(const TTreeSyncOptions& Options);

// The folder beside the copy where new versions wait to be moved in.
std::string TreeSyncStaging(const std::string& Copy);

} // namespace quindle
