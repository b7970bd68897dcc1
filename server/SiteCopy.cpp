#include "server/SiteCopy.h"
#include "kit/Exceptions.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "kit/TreeSync.h"

namespace quindle {
namespace {

std::string ConflictLine(const TTreeConflict& Conflict, const std::string& Copy) {
    const std::string& path = Conflict.Path;
    switch (Conflict.Kind) {
    case TTreeConflict::ChangedInCopy:
        return "The package brings a new version of " + path +
               ", but the site has changed its own copy in " + Copy +
               ": the site's version is kept.";
    case TTreeConflict::MadeInCopy:
        return "The package now brings " + path +
               ", but the site has made a file of that name in " + Copy +
               ": the site's file is kept.";
    case TTreeConflict::RemovedInCopy:
        return "The package brings a new version of " + path +
               ", which the site had removed from its copy in " + Copy + ": it stays removed.";
    case TTreeConflict::GoneChanged:
        return path + " is no longer part of the package, but the site has changed its copy in " +
               Copy + ": the site's version is kept.";
    case TTreeConflict::GoneNotEmpty:
        return "The folder " + path + " is no longer part of the package, but holds files of " +
               "the site in " + Copy + ": it is kept with them.";
    case TTreeConflict::NotPlaced:
        break;
    }
    return "The package's new version of " + path + " could not be put into " + Copy + ": " +
           Conflict.Reason + ".";
}

std::string Why(const TTreeSyncResult& Result) {
    return Result.OutOfSpace ? "its disk is full (" + Result.Error + ")" : Result.Error;
}

} // namespace

std::string SiteCopyFolder(const TServerContext& Context) {
    return JoinPath(WebDataFolder(Context), "www");
}

std::string SiteCopyRecord(const TServerContext& Context) {
    return JoinPath(Context.DataDir, "www.record");
}

bool SiteRunsFromCopy(const TServerContext& Context) {
    return Context.CopyFilesToHardDisk &&
           (Context.RunningFromCD || !Context.SiteWritable || FileExists(SiteCopyRecord(Context)));
}

std::string CopySite(const TServerContext& Context) {
    const std::string copy = SiteCopyFolder(Context);
    const TTreeSyncResult result = SyncTree({ResolvePathCase(Context.AppPath + "www"), copy,
                                             SiteCopyRecord(Context), Context.WebAccount});
    for (const TTreeConflict& conflict : result.Conflicts)
        LogLine(ConflictLine(conflict, copy));
    for (const std::string& unreadable : result.Unreadable)
        LogLine(unreadable + "; it is left out of the site's copy until it can be read.");
    if (result.Complete)
        return std::string();
    const std::string folder = WebDataFolder(Context);
    const std::string advice = result.OutOfSpace
                                   ? "Free some space there, then start the program again."
                                   : "Start the program again once that is mended.";
    if (!result.EarlierCopyWhole)
        throw Exception("The site could not be copied to " + folder +
                        ", where it runs: " + Why(result) + ". " + advice);
    const std::string warning = "The package's changes to the site could not be copied to " +
                                folder + ": " + Why(result) +
                                ". The site is shown as it was copied before. " + advice;
    LogLine(warning);
    return warning;
}

} // namespace quindle
