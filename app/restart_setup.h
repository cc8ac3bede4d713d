// Starting the setup again after a prerequisite asked for it: a copy of the setup in a folder of
// its own runs at once (the setup itself must restart) or after the next reboot.
#pragma once

#include <string>

class LogFile;
namespace platform {
class Processes;
class Registry;
class Security;
}  // namespace platform

struct RestartRequest {
  std::wstring logFolder;       // the restart folder goes below it
  std::wstring setupDirectory;  // with its trailing backslash
  std::wstring commandLine;     // this run's arguments, given to the copy with "/restart"
  int exitCode = 0;             // 103011: restart now; 103010: after the reboot
  platform::Security* security = nullptr;  // keeps the restart folder administrators' alone
};

void RestartSetup(LogFile& log, platform::Processes& processes, platform::Registry& registry,
                  const RestartRequest& request);
