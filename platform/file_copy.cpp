#include "platform/file_copy.h"

#include <vector>

#include "platform/files.h"
#include "platform/handles.h"

namespace platform {

namespace {

constexpr DWORD kPieceSize = 64 * 1024;

// A failed call that left no error behind still failed.
DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = GetLastError();
  return error != 0 ? error : fallback;
}

}  // namespace

DWORD CopyAsNewFile(const std::wstring& from, const std::wstring& to) {
  UniqueHandle in(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in) return LastErrorOr(ERROR_OPEN_FAILED);
  UniqueHandle out = CreateNewFile(to, GENERIC_WRITE, 0);
  if (!out) return LastErrorOr(ERROR_OPEN_FAILED);
  std::vector<char> piece(kPieceSize);
  DWORD error = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.get(), piece.data(), kPieceSize, &got, nullptr)) {
      error = LastErrorOr(ERROR_READ_FAULT);
      break;
    }
    if (got == 0) break;
    DWORD written = 0;
    if (!WriteFile(out.get(), piece.data(), got, &written, nullptr) || written != got) {
      error = LastErrorOr(ERROR_WRITE_FAULT);
      break;
    }
  }
  if (error == 0 && !FlushFileBuffers(out.get())) error = LastErrorOr(ERROR_WRITE_FAULT);
  out.reset();
  // Half a file must never pass for the whole one.
  if (error != 0) DeleteFileW(to.c_str());
  return error;
}

}  // namespace platform
