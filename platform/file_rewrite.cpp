#include "platform/files.h"

namespace platform {

bool RewriteInPlace(const std::wstring& path, const std::function<std::string(const std::string&)>& change) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x40000000) return false;  // 1 GB: no log is that large
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size()))
    return false;
  std::string changed = change(bytes);
  if (changed == bytes) return true;
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_BEGIN)) return false;
  DWORD written = 0;
  if (!WriteFile(file.get(), changed.data(), static_cast<DWORD>(changed.size()), &written, nullptr) ||
      written != changed.size())
    return false;
  return SetEndOfFile(file.get()) != FALSE;
}

}  // namespace platform
