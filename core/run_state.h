// What a run has decided and what has become of it, with one owner: the application holds it and
// hands it by reference to whatever changes it. A value that has a property of its own is written
// to the property map by its setter, so the two never disagree.
#pragma once

#include <cstdint>
#include <string>

#include "core/property_map.h"
#include "core/run_mode.h"
#include "core/run_report.h"

class RunState {
 public:
  explicit RunState(PropertyMap& properties) : properties_(properties) {}
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;

  // The resolved mode flags.
  uint32_t ModeFlags() const { return modeFlags_; }
  void SetModeFlags(uint32_t flags) { modeFlags_ = flags; }

  // The run's result and the process exit code; the last writer wins.
  int ExitCode() const { return exitCode_; }
  void SetExitCode(int code) { exitCode_ = code; }

  // A prerequisite asked for the computer to be restarted.
  bool RebootNeeded() const { return rebootNeeded_; }
  void SetRebootNeeded(bool needed) { rebootNeeded_ = needed; }

  // A package or a group commit answered 3010.
  bool PackageRestartRequested() const { return packageRestart_; }
  void RequestPackageRestart() { packageRestart_ = true; }

  // What became of each prerequisite and product.
  RunReport& Report() { return report_; }
  const RunReport& Report() const { return report_; }

  // The products' folder, also "[INSTALLDIRECTORY]".
  const std::wstring& InstallDirectory() const { return installDirectory_; }
  void SetInstallDirectory(const std::wstring& directory) {
    installDirectory_ = directory;
    properties_.Set(L"[INSTALLDIRECTORY]", directory);
  }

 private:
  PropertyMap& properties_;
  uint32_t modeFlags_ = mode::Default;
  int exitCode_ = 0;
  bool rebootNeeded_ = false;
  bool packageRestart_ = false;
  std::wstring installDirectory_;
  RunReport report_;
};
