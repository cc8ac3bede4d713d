#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/files.h"

namespace platform {

std::wstring FileProductVersion(const std::wstring& path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
  struct Translation {
    WORD language, codePage;
  };
  Translation* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof(Translation))
    return {};
  wchar_t query[64];
  swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", translation->language, translation->codePage);
  wchar_t* version = nullptr;
  if (!VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&version), &length) || !version) return {};
  return std::wstring(version, length > 0 && version[length - 1] == L'\0' ? length - 1 : length);
}

}  // namespace platform
