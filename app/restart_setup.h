// Starting the setup again after a prerequisite asked for it: a copy of the setup in a folder of
// its own runs at once (the setup itself must restart) or after the next reboot.
#pragma once

#include <string>
#include <vector>

class LogFile;
namespace platform {
class Processes;
class Registry;
class Security;
}  // namespace platform

struct RestartRequest {
  std::wstring logFolder;       // the restart folder goes below it
  std::wstring setupDirectory;  // with its trailing backslash
  std::wstring commandLine;     // this run's arguments without its secret ones, given with "/restart"
  int exitCode = 0;             // 103011: restart now; 103010: after the reboot
  // Never on a command line or in the registry, where any user can read them: sealed for the
  // machine in a file only administrators can open, beside the copy, and taken on "/restart".
  std::vector<std::wstring> secretArguments;
  platform::Security* security = nullptr;  // keeps the restart folder administrators' alone
  std::wstring systemFolder;  // cmd.exe and xcopy.exe are taken from here by their full paths
};

// The sealed arguments' file in the restart copy's folder.
constexpr wchar_t kRestartArgumentsFile[] = L"RestartArguments.dat";

// Whether "/restart" (in any letter case) is among the arguments: the run is a restart's copy.
bool HasRestartSwitch(const std::vector<std::wstring>& arguments);

// This run's arguments split into those a command line may carry, each quoted so the copy reads
// it back unchanged ("/restart" left out: the restart adds its own), and the secret ones.
void SplitSecretArguments(const std::vector<std::wstring>& arguments, std::wstring& commandLine,
                          std::vector<std::wstring>& secretArguments);
// The arguments with those sealed by the run that asked for the restart added, when "/restart" is
// among them; the file is gone afterwards. A failure is logged and leaves the arguments as they are.
std::vector<std::wstring> WithRestartArguments(LogFile& log, const std::wstring& setupDirectory,
                                               std::vector<std::wstring> arguments);

// Copies the setup into the log folder's Restart folder (unless it runs from there already) and
// starts the copy at once (103011) or names it in the run-once key (103010), with "/restart".
void RestartSetup(LogFile& log, platform::Processes& processes, platform::Registry& registry,
                  const RestartRequest& request);
