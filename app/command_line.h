// Reading the switches and NAME=VALUE arguments of setup.exe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class LogFile;
class PropertyMap;

namespace mode {
constexpr uint32_t Default = 1, Install = 2, Uninstall = 4, Repair = 8, Upgrade = 16;
}

// The fields of the application object that the command line fills.
struct CommandLineFields {
  uint32_t modeFlags = mode::Default;
  bool silent = false;
  bool autoUpdate = false;
  std::wstring definitionFileName;
  std::wstring installDirectory;
  std::wstring extraInstallProperties;
  std::wstring commandLine;
};

// Applies each argument (program name already removed) in order; never fails.
void ReadCommandLine(const std::vector<std::wstring>& args, CommandLineFields& fields, PropertyMap& properties,
                     LogFile& log);
