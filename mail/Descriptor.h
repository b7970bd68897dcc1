#pragma once

// Whole writes and reads on a descriptor, through short writes and interrupted calls: the
// sender's files and the pipes to its SMTP client.

#include <string>
#include <string_view>

namespace quindle {

// False when the descriptor takes no more (errno says why).
bool WriteWhole(int Fd, std::string_view Bytes);
// Everything until the other side closes, or until a read fails.
std::string ReadToEnd(int Fd);

} // namespace quindle
