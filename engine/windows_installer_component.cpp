#include "engine/windows_installer_component.h"

#include "checks/msi_probes.h"

WindowsInstallerComponent::WindowsInstallerComponent(LogFile& log, platform::Platform& machine,
                                                     const VendorLinks& links, const std::wstring& logFolder)
    : ComponentInstaller(log, machine, logFolder), machine_(machine), links_(links) {
  localCopies = &links;
  LoadMsi();
}

void WindowsInstallerComponent::LoadMsi() { msi_ = machine_.installer.LoadTransactions(); }

namespace {
WindowsInstallerPackage Package(VendorLink link) { return {link, VendorLinks::FileName(link)}; }
}  // namespace

std::optional<WindowsInstallerPackage> WindowsInstallerComponent::ChoosePackage(const platform::OsVersion& version,
                                                                                WORD architecture) {
  const bool x86 = architecture == PROCESSOR_ARCHITECTURE_INTEL;
  const bool x64 = architecture == PROCESSOR_ARCHITECTURE_AMD64;
  if (version.major == 5 && version.minor == 1 && x86)
    return Package(VendorLink::WindowsInstaller45XpX86);
  if (version.major == 5 && version.minor == 2 && x86)
    return Package(VendorLink::WindowsInstaller45Server2003X86);
  if (version.major == 5 && version.minor == 2 && x64)
    return Package(VendorLink::WindowsInstaller45Server2003X64);
  if (version.major == 6 && x86)
    return Package(VendorLink::WindowsInstaller45Windows6X86);
  if (version.major == 6 && x64)
    return Package(VendorLink::WindowsInstaller45Windows6X64);
  return std::nullopt;
}

bool WindowsInstallerComponent::InstallWindowsInstaller45() {
  if (WindowsInstallerVersionCheck(log, machine_.installer)) return true;
  platform::OsVersion version;
  DWORD error = 0;
  if (!machine_.system.Version(version, error)) {
    exitCode = error != 0 ? error : ERROR_GEN_FAILURE;
    log.Log(L"GetVersionEx failed with error code %d", exitCode);
    return false;
  }
  const std::optional<WindowsInstallerPackage> package =
      ChoosePackage(version, machine_.system.NativeProcessorArchitecture());
  if (!package) {
    exitCode = ERROR_NOT_SUPPORTED;
    log.Log(L"No Windows Installer 4.5 package for Windows %d.%d on processor architecture %d", version.major,
            version.minor, machine_.system.NativeProcessorArchitecture());
    return false;
  }
  const std::wstring parameters = std::wstring(hidden ? L"/quiet " : L"") + L"/norestart";
  // The update replaces msi.dll: this process must not hold it meanwhile.
  msi_.reset();
  DownloadAndRun(links_.Url(package->link), package->fileName, parameters, links_.Sha256(package->link));
  LoadMsi();
  return WindowsInstallerVersionCheck(log, machine_.installer);
}
