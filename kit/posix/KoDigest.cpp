// MD5 texts through OpenSSL's EVP interface.

#include "kit/KoClass.h"
#include "kit/Strings.h"

#include <openssl/evp.h>

namespace quindle {

std::string TKo::MD5Hex(const std::string& Text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(Text.data(), Text.size(), digest, &length, EVP_md5(), nullptr) != 1)
        return std::string();
    return HexText(digest, length);
}

} // namespace quindle
