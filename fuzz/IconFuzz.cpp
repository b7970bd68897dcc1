#include "kit/IconFile.h"
#include "kit/IconImages.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quindle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string ico(reinterpret_cast<const char*>(data), size);
    if (IsValidIconData(data, size)) {
        // Exactly what the icon replacement does with a file that passed.
        const auto entries = ReadIconDirectory(ico);
        std::size_t total = 0;
        for (const auto& e : entries)
            total += ico.substr(e.ImageOffset, e.BytesInRes).size();
        const std::string group = BuildGroupIcon(0, 1, entries);
        if (group.size() != 6 + 14 * entries.size())
            std::abort();
        (void)total;
    }
    // The same bytes read as a group resource and turned back into an icon file.
    IconFileFromGroup(
        ico, [&](std::uint16_t id) -> const std::string* { return id % 2 ? &ico : nullptr; });
    // Its pictures, as the package's menu icons are made of them, and the bytes as one picture.
    for (const TBitmap& image : IconImages(ico))
        if (EncodePng(image).empty())
            std::abort();
    DecodeIconImage(ico);
    return 0;
}
