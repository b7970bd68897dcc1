#include "kit/KoClass.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quindle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TBitmap bitmap;
    TKo::LoadGraphicFromString(bitmap, std::string(reinterpret_cast<const char*>(data), size));
    if (bitmap.Pixels.size() != std::size_t(bitmap.Width) * std::size_t(bitmap.Height) * 4)
        std::abort();
    return 0;
}
