#pragma once

// A Wayland desktop of its own for a test, with no X server at all: a compositor without a
// screen (weston's headless backend, drawing in memory) that logs what its clients ask of it.

#include "tests/TestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quindle::test {

class WaylandDesktop {
public:
    // 1280 x 800; false from Started() when weston is missing or does not come up.
    WaylandDesktop();
    ~WaylandDesktop();
    bool Started() const { return pid_ != 0; }
    // What a client names in WAYLAND_DISPLAY: the socket's whole path.
    std::string Socket() const { return runtime_.Path() + "/wayland-test"; }

    // Every title and application id the clients gave their windows so far, in their order.
    std::vector<std::string> Titles() const { return Requested("set_title"); }
    std::vector<std::string> AppIds() const { return Requested("set_app_id"); }
    // Saves the whole output as a PNG.
    bool Screenshot(const std::string& File) const;

private:
    std::vector<std::string> Requested(const std::string& Request) const;
    TempDir runtime_;
    std::uint32_t pid_ = 0;
};

} // namespace quindle::test
