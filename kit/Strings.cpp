#include "kit/Strings.h"

#include <charconv>
#include <cstdint>

namespace quindle {

namespace {
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 32) : c;
}
} // namespace

std::string Trim(std::string_view Text) {
    std::size_t b = 0, e = Text.size();
    while (b < e && IsBlank(Text[b]))
        ++b;
    while (e > b && IsBlank(Text[e - 1]))
        --e;
    return std::string(Text.substr(b, e - b));
}

std::string LowerCase(std::string_view Text) {
    std::string r(Text);
    for (char& c : r)
        c = Lower(c);
    return r;
}

std::string UpperCase(std::string_view Text) {
    std::string r(Text);
    for (char& c : r)
        c = Upper(c);
    return r;
}

bool SameText(std::string_view A, std::string_view B) {
    if (A.size() != B.size())
        return false;
    for (std::size_t i = 0; i < A.size(); ++i)
        if (Lower(A[i]) != Lower(B[i]))
            return false;
    return true;
}

std::optional<int> TryStrToInt(std::string_view Text) {
    std::string t = Trim(Text);
    std::string_view s = t;
    if (!s.empty() && s[0] == '+')
        s.remove_prefix(1);
    if (s.empty())
        return std::nullopt;
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

std::vector<std::string> SplitCommandLine(std::string_view Text) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (true) {
        while (i < Text.size() && IsBlank(Text[i]))
            ++i;
        if (i >= Text.size())
            break;
        std::string arg;
        bool quoted = false;
        while (i < Text.size() && (quoted || !IsBlank(Text[i]))) {
            std::size_t slashes = 0;
            while (i < Text.size() && Text[i] == '\\')
                ++slashes, ++i;
            if (i < Text.size() && Text[i] == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2 == 1)
                    arg += '"';
                else
                    quoted = !quoted;
                ++i;
            } else {
                arg.append(slashes, '\\');
                if (i < Text.size() && (quoted || !IsBlank(Text[i])))
                    arg += Text[i++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string QuoteArgument(std::string_view Arg) {
    std::string out = "\"";
    std::size_t slashes = 0;
    for (char c : Arg) {
        if (c == '\\') {
            ++slashes;
        } else {
            // Backslashes before a quote are doubled, and the quote gets one of its own.
            if (c == '"')
                out.append(slashes + 1, '\\');
            slashes = 0;
        }
        out += c;
    }
    // And before the closing quote.
    out.append(slashes, '\\');
    return out + "\"";
}

namespace {

// Reads back the same without quotes, and is written without them on the command lines the
// program makes: "splash", "/config", "-f".
bool IsPlainWord(std::string_view Arg) {
    if (!Arg.empty() && (Arg.front() == '/' || Arg.front() == '-'))
        Arg.remove_prefix(1);
    if (Arg.empty())
        return false;
    for (char c : Arg)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    return true;
}

} // namespace

std::string JoinArguments(const std::vector<std::string>& Arguments) {
    std::string line;
    for (std::size_t i = 0; i < Arguments.size(); ++i) {
        if (i > 0)
            line += ' ';
        line += IsPlainWord(Arguments[i]) ? Arguments[i] : QuoteArgument(Arguments[i]);
    }
    return line;
}

std::string DesktopId(std::string_view Title) {
    std::string id;
    for (const char c : Trim(Title)) {
        const char lower = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        if ((lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9'))
            id += lower;
        else if (!id.empty() && id.back() != '-')
            id += '-';
    }
    while (!id.empty() && id.back() == '-')
        id.pop_back();
    if (!id.empty())
        return id;
    // FNV-1a: short, and the same on every platform.
    std::uint32_t hash = 2166136261u;
    for (const char c : Title)
        hash = (hash ^ std::uint8_t(c)) * 16777619u;
    const unsigned char bytes[] = {std::uint8_t(hash >> 24), std::uint8_t(hash >> 16),
                                   std::uint8_t(hash >> 8), std::uint8_t(hash)};
    return "quindle-" + HexText(bytes, sizeof bytes);
}

std::string HexText(const unsigned char* Bytes, std::size_t Count) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < Count; ++i) {
        out += hex[Bytes[i] >> 4];
        out += hex[Bytes[i] & 15];
    }
    return out;
}

} // namespace quindle
