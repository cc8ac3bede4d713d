#include <windows.h>
#include <msi.h>

#include <vector>

#include "platform/windows_installer.h"

namespace platform {

int Win32WindowsInstaller::QueryProductState(const std::wstring& productCode) {
  return MsiQueryProductStateW(productCode.c_str());
}

bool Win32WindowsInstaller::GetProductInfo(const std::wstring& productCode, const std::wstring& property,
                                           std::wstring& value) {
  value.clear();
  DWORD size = 0;
  wchar_t empty[1] = {};
  UINT r = MsiGetProductInfoW(productCode.c_str(), property.c_str(), empty, &size);
  if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA) return false;
  std::vector<wchar_t> buffer(size + 1, L'\0');
  DWORD length = size + 1;
  r = MsiGetProductInfoW(productCode.c_str(), property.c_str(), buffer.data(), &length);
  if (r != ERROR_SUCCESS) return false;
  value.assign(buffer.data(), length);
  return true;
}

}  // namespace platform
