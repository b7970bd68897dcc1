#include "tests/integration/DiscImage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace quindle::test {
namespace {

bool Run(const std::string& Command) {
    return std::system((Command + " > /dev/null 2>&1").c_str()) == 0;
}

bool Installed(const char* Program) {
    return Run(std::string("command -v ") + Program);
}

} // namespace

DiscImage::DiscImage(const std::string& Tree) {
    // The web server's workers read the site from the disc under another account.
    chmod(work_.Path().c_str(), 0755);
    const std::string iso = work_ / "disc.iso", mnt = Path();
    std::filesystem::create_directories(mnt);
    if (!Installed("xorriso")) {
        problem_ = "xorriso is not installed";
        return;
    }
    // Rock Ridge keeps the execute bits and the long names.
    if (!Run("xorriso -as mkisofs -quiet -R -o '" + iso + "' '" + Tree + "'")) {
        problem_ = "xorriso could not make the image";
        return;
    }
    if (geteuid() == 0 && Run("mount -o loop,ro '" + iso + "' '" + mnt + "'")) {
        mounted_ = true;
        return;
    }
    if (!Installed("fuseiso")) {
        problem_ = "no loop mount of iso9660 here, and fuseiso is not installed";
        return;
    }
    // Root may let the web server's account in; another user needs user_allow_other for that.
    // One thread (-s): fuseiso's readers share one file position, and two reads at once (the
    // program copying the stack while the splash loads its libraries) give wrong bytes or end
    // fuseiso with a segmentation fault, and every program on the disc with it.
    const std::string fuseiso = "fuseiso -n '" + iso + "' '" + mnt + "' -s -o ";
    mounted_ = Run(fuseiso + "allow_other,ro") || Run(fuseiso + "ro");
    if (!mounted_)
        problem_ = "neither a loop mount nor fuseiso could mount the image";
}

DiscImage::~DiscImage() {
    if (mounted_)
        Eject();
}

bool DiscImage::Eject() {
    // Lazily: programs that still run from the disc keep it busy.
    const bool out = Run("umount -l '" + Path() + "'") || Run("fusermount -uz '" + Path() + "'");
    mounted_ = mounted_ && !out;
    return out;
}

} // namespace quindle::test
