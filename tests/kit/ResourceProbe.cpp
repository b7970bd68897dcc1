// Prints the MD5 text of each named resource of its own program file, or "missing".
//   resource_probe NAME...
//   resource_probe --save NAME FILE      writes the resource to FILE, or prints the error

#include "kit/KoClass.h"

#include <cstdio>
#include <cstring>

using namespace quindle;

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--save") == 0) {
        try {
            TKo::SaveResourceToFile(argv[2], argv[3]);
            std::printf("saved\n");
        } catch (const Exception& e) {
            std::printf("error: %s\n", e.what());
        }
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        try {
            std::printf("%s=%s\n", argv[i], TKo::MD5Hex(TKo::ReadResourceString(argv[i])).c_str());
        } catch (const Exception&) {
            std::printf("%s=missing\n", argv[i]);
        }
    }
    return 0;
}
