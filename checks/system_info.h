// What Windows this is, its bitness and memory, and the properties made from them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_queries.h"

class LogFile;
class PropertyMap;

enum OsCode : int {
  OsUnknown = 1,
  OsWin2016 = 2,
  OsWin2012 = 3,
  OsWin2012R2 = 4,
  OsWin10 = 5,
  OsWin81 = 6,
  OsWin8 = 7,
  OsWin7 = 8,
  OsWin2008R2 = 9,
  OsWin2008 = 10,
  OsVista = 11,
  OsWin2003R2 = 12,
  OsWinHomeServer = 13,
  OsWin2003 = 14,
  OsWinXPx64 = 15,
  OsWinXP = 16,
};

class SystemInfo {
 public:
  // Gathers the facts at once, logging each failure.
  SystemInfo(LogFile& log, platform::SystemQueries& queries);

  // Classifies the version; computed and logged on the first call only.
  OsCode GetOsCode();
  bool Is64Bit() const { return is64Bit_; }
  const platform::OsVersion& Version() const { return version_; }
  WORD ServicePackMajor() const { return version_.servicePackMajor; }
  BYTE ProductType() const { return version_.productType; }
  uint64_t TotalPhysicalMemory() const { return totalMemory_; }

 private:
  LogFile& log_;
  platform::SystemQueries& queries_;
  platform::OsVersion version_;
  OsCode osCode_ = OsCode{};  // none yet
  bool is64Bit_ = false;
  uint64_t totalMemory_ = 0;
};

// "Win10", "XP", ... ; "Unknown" for any other code.
std::wstring OsKeyword(OsCode code);
// The systems the current releases have left behind (XP, Server 2003, Vista), by the "OS" keyword:
// the .NET Framework 4 is not offered there and an upgrade is refused before anything is removed.
bool IsRetiredSystem(const std::wstring& osKeyword);
// The retired systems older than Vista, which run services and users in one session.
bool PredatesSessionIsolation(OsCode code);
// Whole gigabytes, rounded up.
uint64_t MemoryInGigabytes(uint64_t bytes);
// Sets "OS", "Processor", "DomainController", "RAM" and "RebootRequired".
void PublishSystemProperties(LogFile& log, PropertyMap& properties, platform::SystemQueries& queries);
