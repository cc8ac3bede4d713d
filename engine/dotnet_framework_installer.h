// Installs the .NET Framework: the 4.x line from the vendor's web installers, and 3.5 SP1 through
// the Windows feature tools where Windows has them, else from the vendor.
#pragma once

#include <string>

#include "checks/dotnet_probe.h"
#include "engine/component_installer.h"
#include "engine/vendor_links.h"
#include "platform/com_apartment.h"

// Windows 8 and later, Windows 7 / 2008 R2 with SP1, Vista / 2008 with SP2 take the current
// 4.x line; older systems get the plain .NET Framework 4.
bool TakesCurrentDotNetLine(OsCode osCode, int servicePack);

// Which web installer a .NET 4.x request downloads on this Windows.
struct DotNet4Package {
  VendorLink link;
  const wchar_t* fileName;
};

class DotNetFrameworkInstaller : public ComponentInstaller {
 public:
  // Logs the service pack. COM is initialised for the thread while the object lives.
  DotNetFrameworkInstaller(LogFile& log, platform::Platform& machine, const VendorLinks& links,
                           const std::wstring& logFolder = {});

  // True when the requested 4.x version is present afterwards, or a reboot is already pending.
  bool InstallDotNet4(const std::wstring& version);
  bool InstallDotNet35Sp1();

  // The package the 4.x line takes for the system, its service pack and the requested version.
  static DotNet4Package ChooseDotNet4Package(OsCode osCode, int servicePack, const std::wstring& version);

  bool enabledByWindowsFeature = false;  // 3.5 came from the Windows feature tools
  OsCode osCode = OsUnknown;
  bool is64Bit = false;
  int servicePack = 0;

 private:
  bool DotNet35Present();
  bool WindowsFeatureStep();
  void FullPackageRoute();

  platform::ComApartment com_;
  platform::Platform& machine_;
  const VendorLinks& links_;
  DotNetFrameworkProbe probe_;
};
