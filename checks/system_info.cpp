#include "checks/system_info.h"

#include "core/log_file.h"
#include "core/property_map.h"

SystemInfo::SystemInfo(LogFile& log, platform::SystemQueries& queries) : log_(log), queries_(queries) {
  DWORD error = 0;
  if (queries_.Is64BitWindows(is64Bit_, error)) {
    log_.WriteLine(is64Bit_ ? L"Running on 64 bit" : L"Running on 32 bit");
  } else {
    is64Bit_ = false;
    log_.Log(L"IsWow64Process failed with error code %d", error);
  }
  if (!queries_.Version(version_, error)) {
    version_ = platform::OsVersion{};
    log_.Log(L"GetVersionEx failed with error code %d", error);
  }
  if (!queries_.TotalPhysicalMemory(totalMemory_, error)) {
    totalMemory_ = 0;
    log_.Log(L"GlobalMemoryStatusEx failed with error code %d", error);
  }
}

OsCode SystemInfo::GetOsCode() {
  if (osCode_ != OsCode{}) return osCode_;
  const bool workstation = version_.productType == VER_NT_WORKSTATION;
  const DWORD major = version_.major, minor = version_.minor;
  const wchar_t* line = nullptr;
  OsCode code = OsUnknown;
  if (major == 10 && workstation) {
    code = OsWin10, line = L"OS is Windows 10";
  } else if (major == 10 && minor == 0) {
    code = OsWin2016, line = L"OS is Windows Server 2016";
  } else if (major == 6 && minor == 3) {
    workstation ? (code = OsWin81, line = L"OS is Windows 8.1") : (code = OsWin2012R2, line = L"OS is Windows Server 2012 R2");
  } else if (major == 6 && minor == 2) {
    workstation ? (code = OsWin8, line = L"OS is Windows 8") : (code = OsWin2012, line = L"OS is Windows Server 2012");
  } else if (major == 6 && minor == 1) {
    workstation ? (code = OsWin7, line = L"OS is Windows 7") : (code = OsWin2008R2, line = L"OS is Windows Server 2008 R2");
  } else if (major == 6 && minor == 0) {
    workstation ? (code = OsVista, line = L"OS is Windows Vista") : (code = OsWin2008, line = L"OS is Windows Server 2008");
  } else if (major == 5 && minor == 2) {
    const int r2 = queries_.ServerR2Metric();
    if (r2 != 0) {
      code = OsWin2003R2, line = L"OS is Windows Server 2003 R2";
    } else if (version_.suiteMask & 0x8000) {
      code = OsWinHomeServer, line = L"OS is Windows Home Server";
    } else if (workstation && is64Bit_) {
      code = OsWinXPx64, line = L"OS is Windows XP Professional x64";
    } else {
      code = OsWin2003, line = L"OS is Windows Server 2003";
    }
  } else if (major == 5 && minor == 1) {
    code = OsWinXP, line = L"OS is Windows XP";
  }
  if (line)
    log_.WriteLine(line);
  else
    log_.Log(L"OS is unknown. Version %d.%d", major, minor);
  osCode_ = code;
  return osCode_;
}

std::wstring OsKeyword(OsCode code) {
  static const wchar_t* const kWords[] = {L"Win2016",  L"Win2012", L"Win2012R2", L"Win10",       L"Win81",
                                          L"Win8",     L"Win7",    L"Win2008R2", L"Win2008",     L"Vista",
                                          L"Win2003R2", L"WinHomeServer", L"Win2003", L"WinXPx64", L"XP"};
  if (code >= 2 && code <= 16) return kWords[code - 2];
  return L"Unknown";
}

bool IsRetiredSystem(const std::wstring& osKeyword) {
  return text::Contains(osKeyword, L"XP") || text::Contains(osKeyword, L"Win2003") ||
         text::EqualsNoCase(osKeyword, L"Vista");
}

bool PredatesSessionIsolation(OsCode code) { return code != OsVista && IsRetiredSystem(OsKeyword(code)); }

uint64_t MemoryInGigabytes(uint64_t bytes) {
  const uint64_t gigabyte = 1ULL << 30;
  return bytes / gigabyte + (bytes % gigabyte != 0 ? 1 : 0);
}

void PublishSystemProperties(LogFile& log, PropertyMap& properties, platform::SystemQueries& queries) {
  SystemInfo info(log, queries);
  properties.Set(L"OS", OsKeyword(info.GetOsCode()));
  properties.Set(L"Processor", info.Is64Bit() ? L"x64" : L"x86");
  if (info.ProductType() == VER_NT_DOMAIN_CONTROLLER) {
    log.WriteLine(L"System is domain controller.");
    properties.Set(L"DomainController", L"True");
  } else {
    properties.Set(L"DomainController", L"False");
  }
  const uint64_t gigabytes = MemoryInGigabytes(info.TotalPhysicalMemory());
  log.Log(L"Physical memory is %d GB.", static_cast<int>(gigabytes));
  properties.Set(L"RAM", std::to_wstring(gigabytes));

  platform::RebootQuery reboot = queries.RebootRequired();
  bool required = false;
  if (FAILED(reboot.created)) {
    log.Log(L"Getting ISystemInformation interface pointer. Error: %#X", reboot.created);
  } else if (reboot.readOk && reboot.required) {
    log.WriteLine(L"Reboot required by update.");
    required = true;
  }
  properties.Set(L"RebootRequired", required ? L"True" : L"False");
}
