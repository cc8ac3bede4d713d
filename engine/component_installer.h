// The common base of the downloader and the platform component installers: how they run the
// programs they fetch or find, and where the outcome lands.
#pragma once

#include <cstdint>
#include <string>

#include "app/log_file.h"
#include "platform/processes.h"

class ComponentInstaller {
 public:
  ComponentInstaller(LogFile& log, platform::Processes& processes) : log(log), processes(processes) {}
  virtual ~ComponentInstaller() = default;

  // Shell "open" of the file with its parameters, waited for; `exitCode` gets the child's exit
  // code, or the error when it cannot be started.
  void ShellExecuteAndWait(const std::wstring& file, const std::wstring& parameters);
  // Runs the command line with the 64-bit system folder visible to this 32-bit program, waited
  // for; `exitCode` as above.
  void RunWithoutRedirection(const std::wstring& commandLine);

  bool hidden = true;  // children run without a window
  LogFile& log;
  uint32_t exitCode = 0;
  platform::Processes& processes;

 private:
  void WaitAndRecord(platform::ChildProcess& child);
};
