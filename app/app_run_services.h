// The run as the plan's executor sees it: the application behind RunServices, the same for the
// silent run and the wizard.
#pragma once

#include "engine/run_executor.h"

class CCommonBootstrapperApp;

class AppRunServices final : public RunServices {
 public:
  explicit AppRunServices(CCommonBootstrapperApp& app) : app_(app) {}

  EngineContext MakeEngineContext() override;
  ProductCatalog& Products() override;
  bool InstallPrerequisites(EngineContext& context) override;
  bool PlanPrerequisites(EngineContext& context) override;
  std::wstring ExtraInstallProperties() override;
  void AppendExtraInstallProperties(const std::wstring& text) override;
  void QuietInstaller() override;
  void DefaultServerName() override;
  void DefaultInstallDirectory() override;
  void DocumentServerDefaults() override;
  void RerunMsiChecks() override;
  bool FirstProductInstalled() override;
  bool RebootNeeded() override;
  bool RestartRequired() override;
  void SetRebootRequiredFlag() override;
  void RestartSetup() override;
  void SetSuccessProperty(bool succeeded) override;
  int ExitCode() override;
  void SetExitCode(int code) override;
  void Log(const std::wstring& line) override;

 private:
  CCommonBootstrapperApp& app_;
};
