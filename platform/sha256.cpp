#include "platform/sha256.h"

namespace platform {

bool Sha256::Start(DWORD& error) {
  // CryptoAPI lives in advapi32, a known DLL: nothing here is searched for beside the program.
  if (CryptAcquireContextW(provider_.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
      CryptCreateHash(provider_.get(), CALG_SHA_256, 0, 0, hash_.put())) {
    error = 0;
    return true;
  }
  error = GetLastError();
  if (error == 0) error = ERROR_GEN_FAILURE;
  return false;
}

bool Sha256::Add(const void* data, size_t size) {
  const BYTE* bytes = static_cast<const BYTE*>(data);
  while (size > 0) {
    const DWORD piece = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (!hash_ || !CryptHashData(hash_.get(), bytes, piece, 0)) return false;
    bytes += piece;
    size -= piece;
  }
  return true;
}

std::string Sha256::HexDigest() {
  BYTE digest[32] = {};
  DWORD size = sizeof(digest);
  if (!hash_ || !CryptGetHashParam(hash_.get(), HP_HASHVAL, digest, &size, 0) || size != sizeof(digest)) return {};
  hash_.reset();
  return LowerHex(digest, sizeof(digest));
}

std::string LowerHex(const unsigned char* bytes, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 15];
  }
  return hex;
}

bool SystemRandom(void* buffer, DWORD size) {
  CryptProvider provider;
  return CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
         CryptGenRandom(provider.get(), size, static_cast<BYTE*>(buffer));
}

}  // namespace platform
