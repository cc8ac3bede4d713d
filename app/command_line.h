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

  // The switches of Windows Installer's conventions, for deployment tools.
  bool passive = false;    // no questions, only the progress of the run
  bool noRestart = false;  // nothing restarts or is scheduled to restart by the setup itself
  bool help = false;       // the switches and exit codes are shown, nothing else is done
  bool plan = false;       // what the run would do is worked out and reported; nothing changes
  std::wstring logFile;       // Setup.log goes here instead of the log folder
  std::wstring resultFile;    // a copy of the result file goes here
  std::wstring layoutFolder;  // an offline copy of the distribution is made here
  // Switches that are none of the above, and switches whose value is missing: the command line
  // is refused, so a typing error never runs an install the caller did not ask for.
  std::vector<std::wstring> refused;
};

// Applies each argument (program name already removed) in order; never fails.
void ReadCommandLine(const std::vector<std::wstring>& args, CommandLineFields& fields, PropertyMap& properties,
                     LogFile& log);
