// Build step: appends the shipped resources to the program file, through the same container
// code the program uses at run time.
//
//   quindle-stamp EXE [--rcdata NAME=FILE]... [--icon NAME=FILE.ico]...

#include "kit/IconFile.h"
#include "kit/KoClass.h"
#include "kit/ResourceContainer.h"
#include "kit/Strings.h"

#include <cstdio>
#include <cstring>

using namespace quindle;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: quindle-stamp EXE [--rcdata NAME=FILE]... [--icon NAME=FILE]...\n");
    return 2;
}

bool SplitAssignment(const char* text, std::string& name, std::string& file) {
    const char* eq = std::strchr(text, '=');
    if (!eq || eq == text || !eq[1])
        return false;
    name.assign(text, eq);
    file.assign(eq + 1);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const std::string exe = argv[1];
    ResourceContainer c;
    try {
        c = ResourceContainer::Load(exe);
    } catch (const EFileError&) {
        std::fprintf(stderr, "quindle-stamp: %s: cannot read its resources\n", exe.c_str());
        return 1;
    }
    try {
        for (int i = 2; i < argc; ++i) {
            std::string name, file;
            if (i + 1 >= argc || !SplitAssignment(argv[i + 1], name, file))
                return Usage();
            const std::string data = TKo::ReadTextFile(file);
            if (std::strcmp(argv[i], "--rcdata") == 0) {
                c.Put({RT_RCDATA, LANG_NEUTRAL, ResourceName::Text(UpperCase(name)), data});
            } else if (std::strcmp(argv[i], "--icon") == 0) {
                const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
                if (!IsValidIconData(bytes, data.size())) {
                    std::fprintf(stderr, "quindle-stamp: %s: not an icon file\n", file.c_str());
                    return 1;
                }
                const auto entries = ReadIconDirectory(data);
                for (std::size_t k = 0; k < entries.size(); ++k)
                    c.Put({RT_ICON, LANG_ENGLISH_US, ResourceName::Id(std::uint16_t(k + 1)),
                           data.substr(entries[k].ImageOffset, entries[k].BytesInRes)});
                c.Put({RT_GROUP_ICON, LANG_ENGLISH_US, ResourceName::Text(UpperCase(name)),
                       BuildGroupIcon(0, 1, entries)});
            } else {
                return Usage();
            }
            ++i;
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "quindle-stamp: %s\n", e.what());
        return 1;
    }
    try {
        c.Save(exe, exe);
    } catch (const EFileError& e) {
        std::fprintf(stderr, "quindle-stamp: %s: %s\n", exe.c_str(), std::strerror(e.ErrorCode));
        return 1;
    }
    return 0;
}
