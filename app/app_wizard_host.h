// The run as the wizard sees it: the application object behind the wizard's interface.
#pragma once

#include <optional>

#include "app/app_run_services.h"
#include "ui/wizard_host.h"

class CCommonBootstrapperApp;

class AppWizardHost final : public WizardHost {
 public:
  // driver: the wizard's own plan, or the silent run's for a passive run.
  explicit AppWizardHost(CCommonBootstrapperApp& app, RunDriver driver = RunDriver::Wizard)
      : app_(app), services_(app), driver_(driver) {}

  LogFile& Log() override;
  PropertyMap& Properties() override;
  Localization* GetLocalization() override;
  platform::Platform& GetPlatform() override;
  uint32_t ModeFlags() const override;
  int SetupResultCode() const override;
  void SetSetupResultCode(int code) override;
  ::PlatformKind PlatformKind() const override;
  const std::wstring& ShortName() const override;
  const std::wstring& SetupDirectory() const override;
  ProductCatalog& Products() override;
  bool SoloProduct() const override;
  const XmlDocument& SetupDocument() const override;
  HMODULE ProductLibrary() const override;
  const std::wstring& ProductDisplayName() const override;
  const std::wstring& ProductText1007() const override;
  const std::wstring& ProductText1008() const override;
  const std::wstring& CurrentTitle() const override;
  std::wstring ProductText(UINT id) override;
  std::wstring ResultText(uint32_t code) override;
  std::wstring InstallDirectory() const override;
  void SetInstallDirectory(const std::wstring& directory) override;
  bool ValidateInstallPath(const std::wstring& path) override;
  bool ResolveInstallDirectory(std::wstring& out) override;
  std::wstring DefaultInstallDirectory() override;
  const std::wstring& QVDirectory() const override;
  bool CheckRunningApps(HWND owner) override;
  const RunPlan& Plan() override;
  RunServices& Services() override { return services_; }
  bool PrerequisiteResult() const override { return prerequisiteResult_; }
  void SetPrerequisiteResult(bool passed) override { prerequisiteResult_ = passed; }
  bool RestartRequired() override;
  void SetRebootRequiredFlag() override;
  const std::wstring& RebootPrerequisiteName() const override;
  void ShowUnsupportedSystem(HWND owner) override;

 private:
  CCommonBootstrapperApp& app_;
  AppRunServices services_;
  RunDriver driver_;
  std::optional<RunPlan> plan_;  // decided on first use: the mode is settled before the wizard shows
  bool prerequisiteResult_ = true;
};
