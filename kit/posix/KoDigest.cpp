// MD5 texts through OpenSSL's EVP interface.

#include "kit/KoClass.h"

#include <openssl/evp.h>

namespace quindle {

std::string TKo::MD5Hex(const std::string& Text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(Text.data(), Text.size(), digest, &length, EVP_md5(), nullptr) != 1)
        return std::string();
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

std::string TKo::GetMD5(const std::string& Text) {
    return MD5Hex(Text.empty() ? GetAppFileName() : Text);
}

} // namespace quindle
