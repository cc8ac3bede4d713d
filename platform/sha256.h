// SHA-256 over bytes given in pieces, for checking what is unpacked while it is written.
#pragma once

#include <windows.h>

#include <wincrypt.h>

#include <string>

#include "platform/handles.h"

namespace platform {

namespace crypt_detail {
inline void ReleaseProvider(HCRYPTPROV provider) { CryptReleaseContext(provider, 0); }
}  // namespace crypt_detail
using CryptProvider = UniqueOwner<ClosedBy<HCRYPTPROV, &crypt_detail::ReleaseProvider>>;
using CryptHash = UniqueOwner<ClosedBy<HCRYPTHASH, &::CryptDestroyHash>>;

class Sha256 {
 public:
  // False (with the system error) when this Windows has no SHA-256 provider.
  bool Start(DWORD& error);
  bool Add(const void* data, size_t size);
  // 64 lower-case hexadecimal digits; empty when the hash failed. Ends the hash.
  std::string HexDigest();

 private:
  CryptProvider provider_;
  CryptHash hash_;
};

// Bytes as lower-case hexadecimal digits, two a byte (how digests are written in manifests).
std::string LowerHex(const unsigned char* bytes, size_t size);

// Bytes from the system's random number generator; false when it cannot give them.
bool SystemRandom(void* buffer, DWORD size);

}  // namespace platform
