#include "kit/CopyRecord.h"

#include <charconv>

namespace quindle {
namespace {

// The first line; the word after it says whether the copy is whole.
constexpr std::string_view kHeader = "quindle-copy 1 ";
constexpr std::string_view kComplete = "complete";
constexpr std::string_view kUpdating = "updating";

// A path is the rest of its line: only what would end the line, and the escape itself, are
// escaped.
std::string EscapePath(std::string_view Path) {
    std::string out;
    out.reserve(Path.size());
    for (char c : Path) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> UnescapePath(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != '\\') {
            out += Text[i];
            continue;
        }
        if (++i == Text.size())
            return std::nullopt;
        switch (Text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

// The next field up to a blank; false when there is none.
bool NextField(std::string_view& Line, std::string_view& Field) {
    const std::size_t blank = Line.find(' ');
    if (blank == std::string_view::npos || blank == 0)
        return false;
    Field = Line.substr(0, blank);
    Line.remove_prefix(blank + 1);
    return true;
}

template <typename T> bool ParseNumber(std::string_view Field, T& Value) {
    const char* end = Field.data() + Field.size();
    const auto [ptr, ec] = std::from_chars(Field.data(), end, Value);
    return ec == std::errc() && ptr == end;
}

std::optional<std::pair<std::string, TCopiedEntry>> ParseLine(std::string_view Line) {
    std::string_view kind, sourceSize, sourceTime, copySize, copyTime;
    if (!NextField(Line, kind) || !NextField(Line, sourceSize) || !NextField(Line, sourceTime) ||
        !NextField(Line, copySize) || !NextField(Line, copyTime) || kind.size() != 1)
        return std::nullopt;
    TCopiedEntry entry;
    switch (kind[0]) {
    case 'f':
    case 'd':
    case 'l':
        entry.Source.Kind = TEntryKind(kind[0]);
        break;
    default:
        return std::nullopt;
    }
    if (!ParseNumber(sourceSize, entry.Source.Size) ||
        !ParseNumber(sourceTime, entry.Source.ModifiedNs))
        return std::nullopt;
    if (copySize != "-" || copyTime != "-") {
        TEntryStamp copy{entry.Source.Kind, 0, 0};
        if (!ParseNumber(copySize, copy.Size) || !ParseNumber(copyTime, copy.ModifiedNs))
            return std::nullopt;
        entry.Copy = copy;
    }
    std::optional<std::string> path = UnescapePath(Line);
    if (!path || !IsPathBelowFolder(*path))
        return std::nullopt;
    return std::make_pair(std::move(*path), entry);
}

} // namespace

bool operator==(const TEntryStamp& A, const TEntryStamp& B) {
    if (A.Kind != B.Kind)
        return false;
    return A.Kind == TEntryKind::Folder || (A.Size == B.Size && A.ModifiedNs == B.ModifiedNs);
}

bool IsPathBelowFolder(std::string_view Path) {
    if (Path.empty() || Path.find('\0') != std::string_view::npos)
        return false;
    std::size_t start = 0;
    while (start <= Path.size()) {
        std::size_t end = Path.find('/', start);
        if (end == std::string_view::npos)
            end = Path.size();
        const std::string_view name = Path.substr(start, end - start);
        if (name.empty() || name == "." || name == "..")
            return false;
        start = end + 1;
    }
    return true;
}

std::string FormatCopyRecord(const TCopyRecord& Record) {
    std::string out(kHeader);
    out += Record.Complete ? kComplete : kUpdating;
    out += '\n';
    for (const auto& [path, entry] : Record.Entries) {
        out += char(entry.Source.Kind);
        out += ' ' + std::to_string(entry.Source.Size) + ' ' +
               std::to_string(entry.Source.ModifiedNs) + ' ';
        if (entry.Copy)
            out += std::to_string(entry.Copy->Size) + ' ' + std::to_string(entry.Copy->ModifiedNs);
        else
            out += "- -";
        out += ' ' + EscapePath(path) + '\n';
    }
    return out;
}

std::optional<TCopyRecord> ParseCopyRecord(std::string_view Text) {
    const std::size_t firstEnd = Text.find('\n');
    if (firstEnd == std::string_view::npos)
        return std::nullopt;
    const std::string_view first = Text.substr(0, firstEnd);
    if (first.substr(0, kHeader.size()) != kHeader)
        return std::nullopt;
    TCopyRecord record;
    const std::string_view state = first.substr(std::min(kHeader.size(), first.size()));
    if (state == kComplete)
        record.Complete = true;
    else if (state == kUpdating)
        record.Complete = false;
    else
        return std::nullopt;
    // A record cut short ends in a line without its line end: that line is not taken.
    std::size_t start = firstEnd + 1;
    while (start < Text.size()) {
        const std::size_t end = Text.find('\n', start);
        if (end == std::string_view::npos)
            break;
        if (auto line = ParseLine(Text.substr(start, end - start)))
            record.Entries.insert_or_assign(std::move(line->first), line->second);
        start = end + 1;
    }
    return record;
}

} // namespace quindle
