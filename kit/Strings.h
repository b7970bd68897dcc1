#pragma once

// Byte-string helpers. Texts are bytes in the system code page; letter case means ASCII letters.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quindle {

std::string Trim(std::string_view Text); // removes blanks and control characters at both ends
std::string LowerCase(std::string_view Text);
std::string UpperCase(std::string_view Text);
bool SameText(std::string_view A, std::string_view B);

// Whole decimal number with optional sign and surrounding blanks; nothing for anything else,
// including numbers outside the int range.
std::optional<int> TryStrToInt(std::string_view Text);
// Bytes as lower-case hexadecimal digits, two for each.
std::string HexText(const unsigned char* Bytes, std::size_t Count);

// The name a desktop knows the program's windows by (their class and instance on X, the
// application id on Wayland, a menu entry's StartupWMClass), made of its title: lower-case ASCII
// letters and digits, every other run of characters one hyphen. A title with nothing of those
// gives "quindle-" and a digest of its bytes, so that two such titles still differ.
std::string DesktopId(std::string_view Title);

// Splits a parameter text the way a Windows program's command line is split: blanks outside
// double quotes separate arguments; the double quotes themselves are dropped; a quote after an
// odd number of backslashes is a quote of the argument, each pair of backslashes before a quote
// one backslash; other backslashes are ordinary text.
std::vector<std::string> SplitCommandLine(std::string_view Text);

// One argument, quoted so that SplitCommandLine (and a Windows program) gives it back exactly,
// whatever it holds: blanks, quotes, backslashes, shell characters.
std::string QuoteArgument(std::string_view Arg);

// The parameter text of a command line with these arguments, separated by single blanks: a mode
// word or switch (letters after at most one '/' or '-') as it is, every other argument through
// QuoteArgument. SplitCommandLine gives the arguments back exactly.
std::string JoinArguments(const std::vector<std::string>& Arguments);

} // namespace quindle
