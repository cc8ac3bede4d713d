// SQL Server, its SQLCMD utility and its Native Client: which versions this machine has.
#pragma once

#include <string>

#include "platform/platform.h"

class LogFile;

// 0 "Unknown", 1..5 SQL Server 2005 (RTM to SP4), 6..9 2008, 10..12 2008 R2, 13..14 2012.
int SqlVersionCode(int major, int minor, int build);
// The code of a version text such as "10.50.2500.0" (its first three numbers).
int SqlVersionCodeOf(const std::wstring& version);
std::wstring SqlVersionName(int code);

enum SqlClientFlavour : int {
  Sql2008x86 = 2,
  Sql2008x64 = 3,
  Sql2008R2x86 = 4,
  Sql2008R2x64 = 5,
  Sql2012x86 = 6,
  Sql2012x64 = 7,
  SqlClientNone = 8,
};

class SqlDetection {
 public:
  // Learns the bitness of Windows from its own SystemInfo.
  SqlDetection(LogFile& log, platform::Platform& machine);
  SqlDetection(LogFile& log, platform::Platform& machine, bool is64Bit)
      : log_(log), machine_(machine), is64Bit_(is64Bit) {}

  // The code of the first installed instance that is not SQL Server 2005; also sets
  // serverFlavour to the client that version calls for.
  int SqlServerVersion();
  bool SqlCmdCheck();
  bool SqlNativeClientCheck();

  bool Is64Bit() const { return is64Bit_; }

  SqlClientFlavour nativeClientFlavour = SqlClientNone;
  SqlClientFlavour sqlCmdFlavour = SqlClientNone;
  SqlClientFlavour serverFlavour = SqlClientNone;

 private:
  LogFile& log_;
  platform::Platform& machine_;
  bool is64Bit_ = false;
};
