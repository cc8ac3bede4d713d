#include "checks/msi_probes.h"

#include "core/log_file.h"

namespace {

constexpr int kInstalledHere = 5;

}  // namespace

bool MsiProductInstalled(LogFile& log, platform::WindowsInstaller& installer, const std::wstring& productCode,
                         const std::wstring& displayName) {
  if (platform::IsInstalledState(installer.QueryProductState(productCode))) {
    log.Log(L"%s is installed.", displayName);
    return true;
  }
  log.Log(L"%s is not installed.", displayName);
  return false;
}

std::optional<std::wstring> MsiInstallLocation(platform::WindowsInstaller& installer,
                                               const std::wstring& productCode) {
  std::wstring folder;
  if (!installer.GetProductInfo(productCode, L"InstallLocation", folder)) return std::nullopt;
  return folder;
}

bool AnyProductInstalled(platform::WindowsInstaller& installer, const std::vector<std::wstring>& productCodes) {
  for (const auto& code : productCodes)
    if (installer.QueryProductState(code) == kInstalledHere) return true;
  return false;
}

bool WindowsInstallerVersionCheck(LogFile& log, platform::WindowsInstaller& installer) {
  DWORD major = 0, minor = 0;
  if (!installer.Version(major, minor)) return false;
  log.Log(L"Windows Installer version %d.%d", major, minor);
  return major > 4 || (major == 4 && minor == 5);
}
