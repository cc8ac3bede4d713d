// Reading the switches and NAME=VALUE arguments of setup.exe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/run_mode.h"

class LogFile;
class PropertyMap;

// The fields of the application object that the command line fills.
struct CommandLineFields {
  uint32_t modeFlags = mode::Default;
  bool silent = false;
  bool autoUpdate = false;
  std::wstring definitionFileName;
  std::wstring installDirectory;
  std::wstring extraInstallProperties;
  std::wstring commandLine;
  bool layout = false;        // "/layout <folder>": lay the distribution out, nothing else
  std::wstring layoutFolder;  // the argument after "/layout"; empty when none followed it
};

// Applies each argument (program name already removed) in order; never fails.
void ReadCommandLine(const std::vector<std::wstring>& args, CommandLineFields& fields, PropertyMap& properties,
                     LogFile& log);
