#include "kit/Rendering.h"

#include <fcntl.h>
#include <glob.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace quindle {
namespace {

// A render node this process may open: the graphics device OpenGL would draw with.
bool GraphicsDeviceUsable() {
    const char* forced = std::getenv("LIBGL_ALWAYS_SOFTWARE");
    if (forced && *forced && std::string(forced) != "0")
        return false;
    glob_t nodes{};
    bool usable = false;
    if (glob("/dev/dri/renderD*", 0, nullptr, &nodes) == 0) {
        for (std::size_t i = 0; i < nodes.gl_pathc && !usable; ++i) {
            const int fd = open(nodes.gl_pathv[i], O_RDWR | O_CLOEXEC);
            usable = fd >= 0;
            if (fd >= 0)
                close(fd);
        }
    }
    globfree(&nodes);
    return usable;
}

} // namespace

void ChooseRendering() {
    const char* chosen = std::getenv("QT_QUICK_BACKEND");
    if ((chosen && *chosen) || GraphicsDeviceUsable())
        return;
    setenv("QT_QUICK_BACKEND", "software", 0);
    // Pages still get WebGL, through the system's software OpenGL, when they ask for it.
    const std::string flag = "--disable-gpu-compositing";
    const char* flags = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    std::string all = flags ? flags : "";
    if (all.find(flag) == std::string::npos)
        setenv("QTWEBENGINE_CHROMIUM_FLAGS", (all.empty() ? flag : all + " " + flag).c_str(), 1);
}

} // namespace quindle
