#pragma once

// The file operations of a copy kept in step with its source (TreeSync.h), each platform's own.
// The source is read as ourselves; the copy is worked on as the account that owns it.

#include "kit/CopyRecord.h"
#include "kit/Exceptions.h"

#include <string>
#include <vector>

namespace quindle {

struct TListedEntry {
    std::string Path; // below the listed folder, '/' between names
    TEntryStamp Stamp;
    unsigned Mode = 0; // permission bits
};

// Every file, folder and link below Root (links are not followed), each folder before what it
// holds. A folder that cannot be read is named in Unreadable, and what it holds left out.
// Raises when Root itself cannot be read.
std::vector<TListedEntry> ListTree(const std::string& Root, std::vector<std::string>& Unreadable);

// A failure of one entry. OnSource: the source could not be read, and the copy is as it was.
class ETreeError : public Exception {
public:
    ETreeError(const std::string& Message, int Code, bool OnSource)
        : Exception(Message), Code(Code), OnSource(OnSource) {}
    int Code;
    bool OnSource;
};

// Whether the error means the copy's disk (or its owner's quota) is full.
bool IsOutOfSpace(int Code);

// The copy, worked on as its owner: whatever the site made in it can lead nowhere that owner
// could not reach on its own.
class TCopySide {
public:
    // An empty Owner is ourselves; raises when the account does not exist, or we cannot act as
    // another account.
    explicit TCopySide(const std::string& Owner);

    struct TFound {
        bool Exists = false;
        bool Blocked = false; // a folder on the way is none, or cannot be entered
        TEntryStamp Stamp;
    };
    TFound Look(const std::string& Path) const; // a link is not followed

    // Copies the source's file or link From to To, which does not exist yet, with its permission
    // bits (and the owner's right to write) and its modification time; the copy's stamp.
    TEntryStamp CopyIn(const std::string& From, const TListedEntry& Entry,
                       const std::string& To) const;
    // Makes the folder and those missing on the way; one that exists is left as it is.
    void MakeFolder(const std::string& Path, unsigned Mode) const;
    // Renames over a file or link at To.
    void Move(const std::string& From, const std::string& To) const;
    bool RemoveEntry(const std::string& Path) const; // a file or a link; false if it stays
    bool RemoveEmptyFolder(const std::string& Path) const;
    // Empties the folder; links inside are removed, never followed. Nothing happens when Path is
    // no folder.
    void RemoveContents(const std::string& Path) const;
    // Whether the copy's entry at Copy holds what the source's at Source does.
    bool SameContent(const std::string& Source, const TListedEntry& Entry,
                     const std::string& Copy) const;
    // Gives a folder we made, in a folder of ours, to the owner.
    void HandOver(const std::string& Folder) const;

private:
    bool other_ = false; // the owner is another account
    unsigned uid_ = 0, gid_ = 0;
};

} // namespace quindle
