#pragma once

// The INI engine: sections in square brackets, key=value lines, names compared without regard
// to letter case. Reads follow the rules of the profile functions the packages were written
// for; writes change only the line concerned and keep everything else, comments included.

#include <optional>
#include <string>
#include <vector>

namespace quindle {

// At most this many characters of a value are read back.
constexpr std::size_t kIniMaxValueLength = 2047;
// The key names of a section are listed, each with a terminator, within this many characters.
constexpr std::size_t kIniKeyListBuffer = 16384;

class IniDocument {
public:
    static IniDocument Parse(const std::string& Bytes);
    std::string Serialize() const; // CRLF after every line

    // The value of the first Key in the first Section of that name.
    std::optional<std::string> Find(const std::string& Section, const std::string& Key) const;
    // Key names of the section in file order.
    std::vector<std::string> Keys(const std::string& Section) const;
    // Replaces the value in place, or adds the key (and the section) at the end.
    void Set(const std::string& Section, const std::string& Key, const std::string& Value);
    // True when a line was removed.
    bool Remove(const std::string& Section, const std::string& Key);

private:
    struct TLineRange {
        std::size_t Begin, End;
    };
    // The lines after the header of the first section of that name, up to the next header.
    std::optional<TLineRange> SectionLines(const std::string& Section) const;
    // The line of the first such key in that section, or the line count when there is none.
    std::size_t KeyLine(const std::string& Section, const std::string& Key) const;

    std::vector<std::string> lines_;
    bool bom_ = false;
};

} // namespace quindle
