#include "engine/aspnet_installer.h"

#include "checks/iis_probe.h"
#include "checks/system_info.h"
#include "platform/text.h"

AspNetInstaller::AspNetInstaller(LogFile& log, platform::Platform& machine, const std::wstring& logFolder)
    : ComponentInstaller(log, machine, logFolder),
      is64Bit(SystemInfo(log, machine.system).Is64Bit()),
      iisMajorVersion(IisMajorVersion(log, machine.registry)) {}

uint32_t AspNetInstaller::EnableAspNet4() {
  const std::wstring windows = WindowsFolder();
  if (iisMajorVersion < 8) {
    const wchar_t* framework = is64Bit ? L"\\Microsoft.NET\\Framework64" : L"\\Microsoft.NET\\Framework";
    ShellExecuteAndWait(windows + framework + L"\\v4.0.30319\\aspnet_regiis.exe", L"-ir -enable");
  } else {
    RunWithoutRedirection(text::QuoteIfBlank(windows + L"\\system32\\dism.exe") +
                          L" /online /enable-feature /all /featureName:IIS-ASPNET45 /quiet /norestart");
  }
  return exitCode;
}
