// Windows Installer: product state and information (installs come with the engine).
#pragma once

#include <windows.h>

#include <string>

namespace platform {

class WindowsInstaller {
 public:
  virtual ~WindowsInstaller() = default;
  // MsiQueryProductStateW: 5 installed, 2 installed for another user, -1 unknown, ...
  virtual int QueryProductState(const std::wstring& productCode) = 0;
  // MsiGetProductInfoW (size query, then the read); false when the property is missing.
  virtual bool GetProductInfo(const std::wstring& productCode, const std::wstring& property, std::wstring& value) = 0;
};

class Win32WindowsInstaller final : public WindowsInstaller {
 public:
  int QueryProductState(const std::wstring& productCode) override;
  bool GetProductInfo(const std::wstring& productCode, const std::wstring& property, std::wstring& value) override;
};

}  // namespace platform
