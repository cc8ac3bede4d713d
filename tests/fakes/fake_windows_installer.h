// Windows Installer answers chosen by the test, with every call recorded.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/windows_installer.h"

class FakeWindowsInstaller : public platform::WindowsInstaller {
 public:
  std::map<std::wstring, int> states;                         // product code (upper case) -> state
  std::map<std::wstring, std::wstring> installLocations;      // product code (upper case) -> InstallLocation
  std::vector<std::wstring> calls;

  static std::wstring Key(const std::wstring& code) {
    std::wstring k = code;
    for (auto& c : k) c = static_cast<wchar_t>(towupper(c));
    return k;
  }
  int QueryProductState(const std::wstring& code) override {
    calls.push_back(L"QueryProductState " + code);
    auto it = states.find(Key(code));
    return it == states.end() ? -1 : it->second;
  }
  bool GetProductInfo(const std::wstring& code, const std::wstring& property, std::wstring& value) override {
    calls.push_back(L"GetProductInfo " + code + L" " + property);
    value.clear();
    if (property != L"InstallLocation") return false;
    auto it = installLocations.find(Key(code));
    if (it == installLocations.end()) return false;
    value = it->second;
    return true;
  }
};
