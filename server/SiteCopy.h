#pragma once

// The site of a package that its web server cannot write (a disc, an install by the
// administrator, a medium mounted read-only) runs from a copy where it can, when the package's
// author asks for that (Config.ini copyfilestoharddisk): a site that writes into its own folder
// (a wiki's pages, a blog's media, a CMS's caches) works there. The copy is made once and from
// then on kept in step with the package (kit/TreeSync.h): what the package changes comes in,
// what the site wrote stays.

#include "server/ServerConfig.h"

#include <string>

namespace quindle {

// Whether the site is served from its copy: asked for, and the package's site folder cannot be
// written by the web server's account or is on a disc; or a copy was made at an earlier start (it
// holds what the site wrote, which must not vanish because the package became writable).
bool SiteRunsFromCopy(const TServerContext& Context);

std::string SiteCopyFolder(const TServerContext& Context);
// Our record of what was copied, in the working folder.
std::string SiteCopyRecord(const TServerContext& Context);

// Brings the copy in step with the package, saying in the log each file where the site's version
// stays against the package's. Returns a warning for the user when the package's changes could
// not be brought in but the copy is whole as an earlier start left it; raises Exception, naming
// the folder, when there is no whole copy to serve.
std::string CopySite(const TServerContext& Context);

} // namespace quindle
