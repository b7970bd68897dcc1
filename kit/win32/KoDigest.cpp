// MD5 texts through the system's cryptography provider.

#include "kit/KoClass.h"
#include "kit/Strings.h"

#include <windows.h>

#include <wincrypt.h>

namespace quindle {

std::string TKo::MD5Hex(const std::string& Text) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[16];
    DWORD length = sizeof digest;
    bool ok =
        CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
        CryptHashData(hash, reinterpret_cast<const BYTE*>(Text.data()), DWORD(Text.size()), 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0);
    if (hash)
        CryptDestroyHash(hash);
    if (provider)
        CryptReleaseContext(provider, 0);
    if (!ok)
        return std::string();
    return HexText(digest, length);
}

} // namespace quindle
