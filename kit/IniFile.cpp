#include "kit/IniFile.h"
#include "kit/Strings.h"

namespace quindle {
namespace {

// Editors on the system the packages come from start UTF-8 files with this mark; it is kept.
constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

enum class LineKind { Other, Section, Key };

struct Line {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // raw value, trimmed
};

Line Classify(std::string_view raw) {
    Line l;
    std::string_view s = TrimSpaces(raw);
    if (s.empty() || s.front() == ';')
        return l;
    if (s.front() == '[') {
        s.remove_prefix(1);
        const auto close = s.find(']');
        l.kind = LineKind::Section;
        l.name = TrimSpaces(close == std::string_view::npos ? s : s.substr(0, close));
        return l;
    }
    const auto eq = s.find('=');
    if (eq == std::string_view::npos)
        return l;
    l.kind = LineKind::Key;
    l.name = TrimSpaces(s.substr(0, eq));
    l.value = TrimSpaces(s.substr(eq + 1));
    return l;
}

std::string ReadValue(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    if (v.size() > kIniMaxValueLength)
        v = v.substr(0, kIniMaxValueLength);
    return std::string(v);
}

// A line break inside a name or value would end the line early and let the rest be read as
// further keys or sections.
std::string OneLine(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c == '\r' || c == '\n')
            c = ' ';
    return r;
}

} // namespace

IniDocument IniDocument::Parse(const std::string& Bytes) {
    IniDocument doc;
    std::string_view s = Bytes;
    if (s.substr(0, 3) == kUtf8Bom) {
        s.remove_prefix(3);
        doc.bom_ = true;
    }
    std::size_t start = 0;
    while (start < s.size()) {
        auto nl = s.find('\n', start);
        std::string_view line = s.substr(start, nl == std::string_view::npos ? s.npos : nl - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        doc.lines_.emplace_back(line);
        if (nl == std::string_view::npos)
            break;
        start = nl + 1;
    }
    return doc;
}

std::string IniDocument::Serialize() const {
    std::string out = bom_ ? kUtf8Bom : "";
    for (const auto& l : lines_) {
        out += l;
        out += "\r\n";
    }
    return out;
}

std::optional<IniDocument::TLineRange> IniDocument::SectionLines(const std::string& Section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line l = Classify(lines_[i]);
        if (l.kind != LineKind::Section || !SameText(l.name, Section))
            continue;
        TLineRange r{i + 1, i + 1};
        while (r.End < lines_.size() && Classify(lines_[r.End]).kind != LineKind::Section)
            ++r.End;
        return r;
    }
    return std::nullopt;
}

std::size_t IniDocument::KeyLine(const std::string& Section, const std::string& Key) const {
    if (const auto r = SectionLines(Section))
        for (std::size_t i = r->Begin; i < r->End; ++i) {
            const Line l = Classify(lines_[i]);
            if (l.kind == LineKind::Key && SameText(l.name, Key))
                return i;
        }
    return lines_.size();
}

std::optional<std::string> IniDocument::Find(const std::string& Section,
                                             const std::string& Key) const {
    const std::size_t i = KeyLine(Section, Key);
    if (i == lines_.size())
        return std::nullopt;
    return ReadValue(Classify(lines_[i]).value);
}

std::vector<std::string> IniDocument::Keys(const std::string& Section) const {
    std::vector<std::string> keys;
    std::size_t used = 1; // the list ends with an extra terminator
    const auto r = SectionLines(Section);
    if (!r)
        return keys;
    for (std::size_t i = r->Begin; i < r->End; ++i) {
        const Line l = Classify(lines_[i]);
        if (l.kind != LineKind::Key)
            continue;
        if (used + l.name.size() + 1 > kIniKeyListBuffer)
            break;
        used += l.name.size() + 1;
        keys.emplace_back(l.name);
    }
    return keys;
}

void IniDocument::Set(const std::string& Section, const std::string& Key,
                      const std::string& Value) {
    const std::string key = OneLine(Key), value = OneLine(Value);
    if (const std::size_t i = KeyLine(Section, key); i != lines_.size()) {
        lines_[i] = std::string(Classify(lines_[i]).name) + "=" + value;
        return;
    }
    const auto r = SectionLines(Section);
    if (!r) {
        lines_.push_back("[" + OneLine(Section) + "]");
        lines_.push_back(key + "=" + value);
        return;
    }
    // After the last line of the section that is not blank, so blank separators stay below.
    std::size_t end = r->End;
    while (end > r->Begin && TrimSpaces(lines_[end - 1]).empty())
        --end;
    lines_.insert(lines_.begin() + std::ptrdiff_t(end), key + "=" + value);
}

bool IniDocument::Remove(const std::string& Section, const std::string& Key) {
    const std::size_t i = KeyLine(Section, Key);
    if (i == lines_.size())
        return false;
    lines_.erase(lines_.begin() + std::ptrdiff_t(i));
    return true;
}

} // namespace quindle
