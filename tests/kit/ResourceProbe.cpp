// Prints the MD5 text of each named resource of its own program file, or "missing".
//   resource_probe NAME...

#include "kit/KoClass.h"

#include <cstdio>

using namespace quindle;

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        try {
            std::printf("%s=%s\n", argv[i], TKo::MD5Hex(TKo::ReadResourceString(argv[i])).c_str());
        } catch (const Exception&) {
            std::printf("%s=missing\n", argv[i]);
        }
    }
    return 0;
}
