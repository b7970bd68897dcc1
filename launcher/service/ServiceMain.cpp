// The entry point of a build without the window toolkit: the service modes alone. A start
// without arguments would need the browser window, which such a build does not have.

#include "kit/KoClass.h"
#include "launcher/service/ServiceModes.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

using namespace quindle;

int main(int argc, char** argv) {
    TKo::ExpandAppRelativePath("."); // the program folder becomes the current folder
    if (argc < 2) {
        std::fprintf(stderr, "This build runs the service modes only.\n");
        return 2;
    }
    try {
        RunServiceMode(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        // What a mode does not catch ends it with the message and a failure code.
        std::fprintf(stderr, "%s\n", e.what());
        std::fflush(stderr);
        std::_Exit(1);
    }
    return 0;
}
