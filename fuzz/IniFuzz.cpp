#include "kit/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quindle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::Parse(text);
    doc.Find("INI", "title");
    const auto keys = doc.Keys("ini");
    doc.Set("INI", "port", "8080");
    doc.Set("New", "k", "v\r\n[x]");
    const IniDocument again = IniDocument::Parse(doc.Serialize());
    // What was written reads back, whatever the file held before.
    if (again.Find("ini", "PORT") != "8080")
        std::abort();
    if (again.Find("new", "k") != "v  [x]")
        std::abort();
    doc.Remove("INI", keys.empty() ? "port" : keys.front());
    return 0;
}
