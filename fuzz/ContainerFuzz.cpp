#include "kit/ResourceContainer.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quindle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const std::optional<ResourceContainer> c = ResourceContainer::Parse(file);
    if (!c)
        return 0;
    // Whatever was read is written back the same way and reads back the same.
    const std::string again = std::string(file.substr(0, c->ExecutableSize())) + c->Serialize();
    const std::optional<ResourceContainer> d = ResourceContainer::Parse(again);
    if (!d || d->Entries().size() != c->Entries().size() ||
        d->ExecutableSize() != c->ExecutableSize())
        std::abort();
    for (std::size_t i = 0; i < c->Entries().size(); ++i)
        if (c->Entries()[i].Data != d->Entries()[i].Data)
            std::abort();
    return 0;
}
