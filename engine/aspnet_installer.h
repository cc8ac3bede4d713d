// Enables ASP.NET 4 in IIS: aspnet_regiis before IIS 8, the Windows feature from IIS 8 on.
#pragma once

#include <cstdint>
#include <string>

#include "engine/component_installer.h"
#include "platform/com_apartment.h"

class AspNetInstaller : public ComponentInstaller {
 public:
  // Reads the bitness of Windows and the IIS version. COM is initialised for the thread while the
  // object lives.
  AspNetInstaller(LogFile& log, platform::Platform& machine, const std::wstring& logFolder = {});

  // The tool's exit code (0 is success), or the error that kept it from starting.
  uint32_t EnableAspNet4();

  bool is64Bit = false;
  int iisMajorVersion = 0;

 private:
  platform::ComApartment com_;
};
