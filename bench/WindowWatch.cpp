#include "bench/WindowWatch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

namespace quindle::bench {
namespace {

Display* Dpy(void* Handle) {
    return static_cast<Display*>(Handle);
}

std::string Title(Display* D, Window W) {
    const Atom utf8 = XInternAtom(D, "UTF8_STRING", False);
    const Atom netName = XInternAtom(D, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long items, rest;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(D, W, netName, 0, 1024, False, utf8, &type, &format, &items, &rest,
                           &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char*>(data), items);
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(D, W, &name) && name) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0; // a window may be gone before it is looked at
}

} // namespace

TWindowWatch::TWindowWatch(const std::string& DisplayName) {
    XSetErrorHandler(IgnoreErrors);
    Display* d = XOpenDisplay(DisplayName.c_str());
    if (!d || pipe(wakeFd_) != 0)
        return;
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
    display_ = d;
    thread_ = std::thread([this] { Run(); });
}

TWindowWatch::~TWindowWatch() {
    if (!display_)
        return;
    const char stop = 0;
    (void)!write(wakeFd_[1], &stop, 1);
    thread_.join();
    XCloseDisplay(Dpy(display_));
    close(wakeFd_[0]);
    close(wakeFd_[1]);
}

void TWindowWatch::Look(unsigned long W) {
    Display* d = Dpy(display_);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(d, W, &attributes) || attributes.map_state != IsViewable)
        return;
    XClassHint hint{};
    std::string windowClass;
    if (XGetClassHint(d, W, &hint)) {
        windowClass = std::string(hint.res_name ? hint.res_name : "") + " " +
                      (hint.res_class ? hint.res_class : "");
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    std::lock_guard<std::mutex> guard(lock_);
    sights_.push_back({Clock::now(), windowClass, Title(d, W)});
}

void TWindowWatch::Run() {
    Display* d = Dpy(display_);
    pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
    for (;;) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            switch (e.type) {
            case CreateNotify:
                // Its own map and title changes are announced to whoever asks for them.
                XSelectInput(d, e.xcreatewindow.window, StructureNotifyMask | PropertyChangeMask);
                Look(e.xcreatewindow.window); // mapped before we asked
                break;
            case MapNotify:
                Look(e.xmap.window);
                break;
            case PropertyNotify:
                Look(e.xproperty.window);
                break;
            default:
                break;
            }
        }
        XFlush(d);
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
            return;
    }
}

std::optional<TWindowWatch::Clock::time_point> TWindowWatch::First(TBy By, const std::string& Text,
                                                                   Clock::time_point Since) {
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& sight : sights_)
        if (sight.When >= Since &&
            (By == TBy::Class ? sight.Class : sight.Title).find(Text) != std::string::npos)
            return sight.When;
    return std::nullopt;
}

TWindowWatch::Clock::time_point TWindowWatch::WaitFor(TBy By, const std::string& Text,
                                                      Clock::time_point Since, int TimeoutMs) {
    const auto deadline = Since + std::chrono::milliseconds(TimeoutMs);
    while (Clock::now() < deadline) {
        if (auto when = First(By, Text, Since))
            return *when;
        usleep(20000); // a look at a list in this process: nothing the measured program feels
    }
    return deadline;
}

} // namespace quindle::bench
