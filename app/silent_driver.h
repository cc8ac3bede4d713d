// The silent run: checks, prerequisites, the package sequence of the mode and the outcome.
#pragma once

class CCommonBootstrapperApp;
struct CheckContext;
struct EngineContext;

class SilentDriver {
 public:
  explicit SilentDriver(CCommonBootstrapperApp& app) : app_(app) {}
  void Run(bool silenceForced);

 private:
  void InstallBranch(EngineContext& context);
  bool RunRefusingChecks(CheckContext& checks);
  bool InstallPrerequisites(EngineContext& context);
  // "Stopping progress dialog" and the finished message, when the progress program runs.
  void StopProgress();
  void UninstallBranch(EngineContext& context, CheckContext& checks);
  void RepairBranch(EngineContext& context);
  void UpgradeBranch(EngineContext& context);
  void SetSuccessProperty(bool succeeded);

  CCommonBootstrapperApp& app_;
};
