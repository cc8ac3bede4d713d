#include "platform/file_hash.h"

#include <wincrypt.h>

#include "platform/handles.h"

namespace platform {

namespace {

// CryptoAPI lives in advapi32, a known DLL: nothing here is searched for beside the program.
void ReleaseProvider(HCRYPTPROV provider) { CryptReleaseContext(provider, 0); }
using CryptProvider = UniqueOwner<ClosedBy<HCRYPTPROV, &ReleaseProvider>>;
using CryptHash = UniqueOwner<ClosedBy<HCRYPTHASH, &::CryptDestroyHash>>;

constexpr DWORD kPieceSize = 64 * 1024;
constexpr DWORD kDigestSize = 32;

}  // namespace

std::wstring FileSha256(const std::wstring& path, DWORD& error) {
  const auto fail = [&error]() {
    error = GetLastError();
    if (error == 0) error = ERROR_GEN_FAILURE;
    return std::wstring();
  };
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  CryptProvider provider;
  CryptHash hash;
  if (!file || !CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
      !CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.put()))
    return fail();
  std::string piece(kPieceSize, '\0');
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), piece.data(), kPieceSize, &got, nullptr)) return fail();
    if (got == 0) break;
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(piece.data()), got, 0)) return fail();
  }
  BYTE digest[kDigestSize] = {};
  DWORD size = kDigestSize;
  if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0) || size != kDigestSize) return fail();
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring hex;
  for (BYTE b : digest) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  error = 0;
  return hex;
}

}  // namespace platform
