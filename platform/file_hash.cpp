#include "platform/file_hash.h"

#include "platform/handles.h"
#include "platform/sha256.h"
#include "platform/text.h"

namespace platform {

namespace {
constexpr DWORD kPieceSize = 64 * 1024;
}  // namespace

std::wstring FileSha256(const std::wstring& path, DWORD& error) {
  const auto fail = [&error]() {
    error = GetLastError();
    if (error == 0) error = ERROR_GEN_FAILURE;
    return std::wstring();
  };
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return fail();
  Sha256 hash;
  if (!hash.Start(error)) return {};
  std::string piece(kPieceSize, '\0');
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), piece.data(), kPieceSize, &got, nullptr)) return fail();
    if (got == 0) break;
    if (!hash.Add(piece.data(), got)) return fail();
  }
  const std::string hex = hash.HexDigest();
  if (hex.empty()) return fail();
  error = 0;
  return text::FromUtf8(hex);
}

}  // namespace platform
