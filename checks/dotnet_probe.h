// Which .NET Framework the machine has, judged against what its Windows can take.
#pragma once

#include <windows.h>

#include <string>

#include "checks/system_info.h"
#include "platform/registry.h"
#include "platform/system_queries.h"

class LogFile;

class DotNetFrameworkProbe {
 public:
  // Reads the operating system, its bitness and service pack, and logs the service pack.
  DotNetFrameworkProbe(LogFile& log, platform::SystemQueries& system, platform::Registry& registry);

  // key is below "Software\Microsoft\NET Framework Setup\NDP\"; valueName must hold 1. The
  // release test also asks for a 4.7.2 release number.
  bool FrameworkCheck(const std::wstring& key, const std::wstring& valueName, const std::wstring& displayName,
                      bool releaseTest);
  // Whether the requested version (e.g. "4.7.2") needs no .NET install on this machine.
  bool DotNet4Check(const std::wstring& requestedVersion);

  OsCode GetOsCode() const { return osCode_; }
  bool Is64Bit() const { return is64Bit_; }
  WORD ServicePackMajor() const { return servicePackMajor_; }

 private:
  bool UsesNet472Path() const;

  LogFile& log_;
  platform::Registry& registry_;
  OsCode osCode_ = OsUnknown;
  bool is64Bit_ = false;
  WORD servicePackMajor_ = 0;
};
