// IIS: its version, its IIS 6 metabase compatibility, and ASP.NET's place in it.
#pragma once

#include <string>

#include "platform/platform.h"

class LogFile;

// The major version of the installed IIS; 0 when there is none.
int IisMajorVersion(LogFile& log, platform::Registry& registry);
bool IisMetabaseCompatibility(LogFile& log, platform::Registry& registry, platform::SystemQueries& system);

class AspNetProbe {
 public:
  // is64Bit: Windows is 64-bit (as SystemInfo reports it).
  AspNetProbe(LogFile& log, platform::Platform& machine, int iisMajorVersion, bool is64Bit)
      : log_(log), machine_(machine), iisMajorVersion_(iisMajorVersion), is64Bit_(is64Bit) {}

  bool AspNetComponentCheck();
  // bit64 picks the 64-bit registration (and, on IIS 6, the 64-bit restriction-list entry).
  bool AspNet4RegistrationCheck(bool bit64);
  bool AspNet4MetabaseCheck(bool bit64);

  int IisVersion() const { return iisMajorVersion_; }
  bool Is64Bit() const { return is64Bit_; }

 private:
  bool MetabaseListAllows(const std::wstring& path, const std::wstring& entry, const wchar_t* bitness);

  LogFile& log_;
  platform::Platform& machine_;
  int iisMajorVersion_;
  bool is64Bit_;
};
