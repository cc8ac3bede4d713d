#include "checks/dotnet_probe.h"

#include "checks/probe_registry.h"
#include "checks/system_info.h"
#include "core/log_file.h"
#include "platform/text.h"

namespace {

// The last release number before .NET Framework 4.7.2.
constexpr DWORD kLastReleaseBefore472 = 461807;

}  // namespace

DotNetFrameworkProbe::DotNetFrameworkProbe(LogFile& log, platform::SystemQueries& system,
                                           platform::Registry& registry)
    : log_(log), registry_(registry) {
  SystemInfo info(log, system);
  osCode_ = info.GetOsCode();
  is64Bit_ = info.Is64Bit();
  servicePackMajor_ = info.ServicePackMajor();
  if (servicePackMajor_ > 0)
    log_.Log(L"Service pack %d installed.", servicePackMajor_);
  else
    log_.WriteLine(L"No service pack installed.");
}

bool DotNetFrameworkProbe::FrameworkCheck(const std::wstring& key, const std::wstring& valueName,
                                          const std::wstring& displayName, bool releaseTest) {
  const std::wstring path = text::Format(L"Software\\Microsoft\\NET Framework Setup\\NDP\\%s", key);
  bool installed = false;
  if (registry_.KeyExists(platform::Hive::LocalMachine, path, platform::View::Bit32)) {
    DWORD flag = 0, release = 0;
    LONG error = 0;
    if (probe_registry::ReadNumber(registry_, path, valueName, platform::View::Bit32, flag, error) && flag == 1) {
      installed = !releaseTest ||
                  (probe_registry::ReadNumber(registry_, path, L"Release", platform::View::Bit32, release, error) &&
                   text::Contains(displayName, L"4.7.2") && release > kLastReleaseBefore472);
    }
  }
  log_.WriteLine(displayName + (installed ? L" installed." : L" not installed."));
  return installed;
}

bool DotNetFrameworkProbe::UsesNet472Path() const {
  if (osCode_ >= OsWin2016 && osCode_ <= OsWin8) return true;
  if (osCode_ == OsWin7 || osCode_ == OsWin2008R2) return servicePackMajor_ >= 1;
  if (osCode_ == OsWin2008 || osCode_ == OsVista) return servicePackMajor_ >= 2;
  return false;
}

bool DotNetFrameworkProbe::DotNet4Check(const std::wstring& requestedVersion) {
  if (!UsesNet472Path()) return FrameworkCheck(L"v4\\Full", L"Install", L".NET Framework 4 Full", false);
  // On these systems only a 4.7.2 request is looked up; any other counts as met.
  if (!text::EqualsNoCase(requestedVersion, L"4.7.2")) return true;
  return FrameworkCheck(L"v4\\Full", L"Install", L".NET Framework 4.7.2 Full", true);
}
