#include "kit/KoClass.h"

namespace quindle {

std::string TKo::GetMD5(const std::string& Text) {
    // The empty text stands for the program file's path: the name of the program's own mutex.
    return MD5Hex(Text.empty() ? GetAppFileName() : Text);
}

} // namespace quindle
