#include "engine/dotnet_framework_installer.h"

#include "checks/msi_probes.h"
#include "checks/system_info.h"
#include "core/exit_codes.h"
#include "engine/reboot_flag.h"
#include "platform/text.h"

namespace {

constexpr DWORD kRequirementsNotMet = 5100;
constexpr wchar_t kRequirementsText[] = L"This computer does not meet the .NET Framework minimum system requirements.";
constexpr wchar_t kRasterizerX64[] = L"{C106C9CF-3B7C-4F7D-88DD-82661E01414E}";
constexpr wchar_t kRasterizerX86[] = L"{54A4143B-6B4B-4082-B248-643B25561CCB}";
constexpr int kUiLevelNone = 2;  // INSTALLUILEVEL_NONE

}  // namespace

bool TakesCurrentDotNetLine(OsCode osCode, int servicePack) {
  if (osCode >= OsWin2016 && osCode <= OsWin8) return true;
  if (osCode == OsWin7 || osCode == OsWin2008R2) return servicePack >= 1;
  if (osCode == OsWin2008 || osCode == OsVista) return servicePack >= 2;
  return false;
}

DotNetFrameworkInstaller::DotNetFrameworkInstaller(LogFile& log, platform::Platform& machine, const VendorLinks& links,
                                                   const std::wstring& logFolder)
    : ComponentInstaller(log, machine, logFolder),
      machine_(machine),
      links_(links),
      probe_(log, machine.system, machine.registry) {
  localCopies = &links;
  osCode = probe_.GetOsCode();
  is64Bit = probe_.Is64Bit();
  servicePack = probe_.ServicePackMajor();
}

namespace {
DotNet4Package Package(VendorLink link) { return {link, VendorLinks::FileName(link)}; }
}  // namespace

DotNet4Package DotNetFrameworkInstaller::ChooseDotNet4Package(OsCode osCode, int servicePack,
                                                              const std::wstring& version) {
  if (!TakesCurrentDotNetLine(osCode, servicePack)) return Package(VendorLink::DotNet4Web);
  if (version == L"4.7.2") return Package(VendorLink::DotNet472Web);
  return Package(VendorLink::DotNet45Web);
}

bool DotNetFrameworkInstaller::InstallDotNet4(const std::wstring& version) {
  if (probe_.DotNet4Check(version)) return true;
  // The pending reboot is reported by the caller.
  if (RebootRequired(log)) return true;
  const std::wstring parameters = std::wstring(hidden ? L"/q " : L"") + L"/lcid 1033 /norestart";
  const DotNet4Package package = ChooseDotNet4Package(osCode, servicePack, version);
  DownloadAndRun(links_.Url(package.link), package.fileName, parameters, links_.Sha256(package.link));
  if (exitCode == kRequirementsNotMet)
    errorText = std::wstring(kRequirementsText) + L" Disk space required is 850 MB (32-bit) and 3.5 GB (64-bit).";
  if (exit_code::AsksForRestart(static_cast<int>(exitCode))) {
    log.Log(L"%s installed. Reboot required.", version);
    return true;
  }
  return exitCode == 0;
}

bool DotNetFrameworkInstaller::DotNet35Present() {
  return probe_.FrameworkCheck(L"v3.5", L"SP", L".NET Framework 3.5 SP1", false);
}

bool DotNetFrameworkInstaller::WindowsFeatureStep() {
  const std::wstring system32 = WindowsFolder() + L"\\system32\\";
  switch (osCode) {
    case OsWin2012:
    case OsWin2012R2:
    case OsWin10:
    case OsWin81:
    case OsWin8:
      RunWithoutRedirection(text::QuoteIfBlank(system32 + L"dism.exe") +
                            L" /online /enable-feature /all /featureName:NetFx3 /quiet /norestart");
      break;
    case OsWin7:
      ShellExecuteAndWait(system32 + L"ocsetup.exe", L"NetFx3 /quiet /norestart");
      break;
    case OsWin2008R2:
      RunWithoutRedirection(text::QuoteIfBlank(system32 + L"servermanagercmd.exe") + L" -install NET-Framework");
      break;
    default:
      return true;  // no feature tool here: the vendor's installer does it
  }
  enabledByWindowsFeature = exitCode == 0;
  return enabledByWindowsFeature;
}

bool DotNetFrameworkInstaller::InstallDotNet35Sp1() {
  if (DotNet35Present()) return true;
  if (!WindowsFeatureStep()) return false;
  if (enabledByWindowsFeature) return true;
  const std::wstring parameters = std::wstring(hidden ? L"/q " : L"") + L"/lang:enu /norestart";
  const bool windowsXp = osCode == OsWinXPx64 || osCode == OsWinXP;
  if (windowsXp &&
      !MsiProductInstalled(log, machine_.installer, is64Bit ? kRasterizerX64 : kRasterizerX86, L"RGB9RAST"))
    FullPackageRoute();
  else
    DownloadAndRun(links_.Url(VendorLink::DotNet35Sp1Web), VendorLinks::FileName(VendorLink::DotNet35Sp1Web), parameters,
                   links_.Sha256(VendorLink::DotNet35Sp1Web));
  if (exitCode == kRequirementsNotMet)
    errorText = std::wstring(kRequirementsText) + L" Disk space required is 280 MB (32-bit) and 610 MB (64-bit).";
  return DotNet35Present();
}

// Windows XP without the rasterizer: the web installer cannot bring it, the full package can.
void DotNetFrameworkInstaller::FullPackageRoute() {
  const std::wstring package =
      Fetch(links_.Url(VendorLink::DotNet35Sp1Full), VendorLinks::FileName(VendorLink::DotNet35Sp1Full),
            links_.Sha256(VendorLink::DotNet35Sp1Full));
  if (package.empty()) return;
  // Quoted when needed: the temporary folder of Windows XP lies under "Documents and Settings".
  const std::wstring extracted = workFolder + L"\\dotnetfx35";
  ShellExecuteAndWait(package, text::Format(L"/q /x:%s", text::QuoteIfBlank(extracted)));

  const std::wstring rasterizer = extracted + L"\\wcu\\dotNetFramework\\dotNetFX30\\" +
                                  (is64Bit ? L"RGB9RAST_x64.msi" : L"RGB9RAST_x86.msi");
  const int previous = machine_.installer.SetInternalUI(kUiLevelNone);
  UINT result = machine_.installer.InstallProduct(rasterizer, L"ALLUSERS=1 REBOOT=ReallySuppress");
  machine_.installer.SetInternalUI(previous);
  log.Log(L"Installation of %s returned %d", rasterizer, result);

  ShellExecuteAndWait(extracted + L"\\wcu\\dotNetFramework\\dotNetFx35setup.exe", L"/q /norestart");
}
