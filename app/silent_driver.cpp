#include "app/silent_driver.h"

#include <memory>

#include "app/app.h"
#include "app/app_run_services.h"
#include "checks/app_checks.h"
#include "checks/install_checks.h"
#include "checks/launch_checks.h"
#include "checks/minimum_requirements.h"
#include "checks/msi_registry_checks.h"
#include "checks/system_info.h"
#include "core/exit_codes.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "engine/builtin_prerequisites.h"
#include "engine/finalize_actions.h"
#include "engine/package_file.h"
#include "engine/prerequisite_installer.h"
#include "engine/progress_interface.h"
#include "engine/run_executor.h"
#include "engine/run_progress.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "checks/document_defaults.h"

// The silent run's observer: status and outcome go down the progress pipe while the progress
// program runs, and the log says what the administrator would otherwise not learn.
class SilentObserver final : public RunObserver {
 public:
  explicit SilentObserver(CCommonBootstrapperApp& app) : app_(app) {}
  bool ShowsStatus() const override { return app_.ProgressRunning(); }
  void OnStatus(const std::wstring& text) override { app_.SendProgress(ProgressInterface::kStatus, text); }
  void OnPrerequisitesDone(bool passed) override {
    if (passed) return;
    app_.Log().WriteLine(L"Installing prerequisite failed.");
    // The administrator of a silent run sees the reason nowhere else.
    const std::wstring reason = ResultText();
    app_.Log().Log(L"Result text is %s", reason);
    app_.SendProgress(ProgressInterface::kFailed, reason);
  }
  void OnRetiredSystem() override { app_.SendProgress(ProgressInterface::kNotSupported, L""); }
  // The progress program's bar shows the figure the wizard's install page would.
  bool WantsInstallerMessages() const override { return app_.ProgressRunning(); }
  void OnWorkMeasured(int packages) override { progress_.SetPackageCount(packages); }
  void OnPackageTurnBegins() override {
    progress_.PackageTurnBegins();
    ReportPosition();
  }
  void OnPackageTurnEnds() override {
    progress_.PackageTurnEnds();
    ReportPosition();
  }
  int OnInstallerMessage(uint32_t type, const wchar_t* message) override {
    progress_.InstallerMessage(type, message);
    ReportPosition();
    return 0;  // Windows Installer goes on as it would without us
  }
  void OnWorkDone() override {
    if (!app_.ProgressRunning()) return;
    app_.Log().WriteLine(L"Stopping progress dialog");
    app_.SendProgress(ProgressInterface::kFinished, L"");
  }
  void OnWorkStopped() override {
    if (app_.ProgressRunning()) app_.SendProgress(ProgressInterface::kFailed, ResultText());
  }

 private:
  std::wstring ResultText() { return app_.ResultText(static_cast<uint32_t>(app_.SetupResultCode())); }
  void ReportPosition() {
    if (const std::optional<int> position = progress_.Moved())
      app_.SendProgress(ProgressInterface::kPosition, std::to_wstring(*position));
  }
  CCommonBootstrapperApp& app_;
  RunProgress progress_;
};

SilentDriver::SilentDriver(CCommonBootstrapperApp& app) : app_(app) {}
SilentDriver::~SilentDriver() = default;

void SilentDriver::Run(bool silenceForced) {
  app_.Log().WriteLine(L"Running in silent mode");
  const bool passed = RunChecks(silenceForced, false);
  if (app_.PlanOnly()) return PlanWork();
  if (passed) RunWork();
}

void SilentDriver::PlanWork() {
  app_.Log().WriteLine(L"Planning only: nothing on this computer is changed.");
  AppRunServices services(app_);
  SilentObserver observer(app_);
  RunExecutor(services, observer).PlanWork(app_.Plan(RunDriver::Silent));
}

void SilentDriver::RunWork() {
  AppRunServices services(app_);
  SilentObserver observer(app_);
  RunExecutor executor(services, observer);
  executor.RunWork(app_.Plan(RunDriver::Silent));
  for (const auto& product : app_.Products())
    if (executor.Finalized(*product)) finalized_.insert(product.get());
  platform::trace::Mark("packages done");
}

bool SilentDriver::RunChecks(bool silenceForced, bool progressShown) {
  LogFile& log = app_.Log();
  PropertyMap& properties = app_.Properties();
  app_.LoadProductTexts();

  checks_ = std::make_unique<CheckContext>(app_.MakeCheckContext());
  CheckContext& checks = *checks_;
  platform::trace::Mark("checks begin");
  probes_ = RunInstallChecks(checks);
  platform::trace::Mark("install checks done");

  const bool dotNetRequired = text::EqualsNoCase(properties.Get(L"DotNetFramework_4"), L"False") &&
                              !app_.RebootRequiredFlag();
  const uint32_t modeFlags = app_.ModeFlags();
  bool startProgress = false;
  if (modeFlags & mode::Install) {
    if (dotNetRequired) {
      log.WriteLine(L"Cancelling install - .NET Framework install required");
      app_.SetSetupResultCode(exit_code::DotNetRequired);
      return false;
    }
    startProgress = silenceForced;
  } else if (modeFlags & mode::Upgrade) {
    if (silenceForced) {
      startProgress = true;
    } else if (!app_.AutoUpdate() && dotNetRequired) {
      log.WriteLine(L"Cancelling install - .NET Framework install required");
      app_.SetSetupResultCode(exit_code::DotNetRequired);
      return false;
    }
  } else {
    startProgress = silenceForced;
  }
  if (startProgress && !app_.PlanOnly()) app_.StartProgress(dotNetRequired);

  const bool progressSeen = progressShown || app_.ProgressRunning();
  properties.Set(L"Silent", app_.AutoUpdate() ? L"AutoUpdate" : progressSeen ? L"False" : L"True");

  const bool passed = RunRefusingChecks(checks);
  // A plan goes on past a refusal: the administrator learns both what refuses and what would run.
  if (!passed && !app_.PlanOnly()) return false;
  platform::trace::Mark("refusing checks done");
  MsiRegistryChecker(checks, true).RunRegistryChecks();
  platform::trace::Mark("registry checks done");
  return passed;
}

// The checks that may end the run, in their order; false when one refuses. A refusal is a
// failure to a deployment tool, so it ends with 1603 and says which check refused.
bool SilentDriver::RunRefusingChecks(CheckContext& checks) {
  auto refuse = [this](const wchar_t* check) { return app_.RefuseRun(check); };
  if (!MinimumRequirements(checks).CheckMinimumRequirements()) return refuse(L"minimum requirement check");
  CheckContext silentChecks = checks;
  silentChecks.silent = true;
  if (!FilesInUse(silentChecks).CheckFilesInUse()) return refuse(L"file-in-use check");

  RunLaunchChecks(checks);
  if (!app_.RunLaunchMessages(checks)) return refuse(L"launch message");

  if (!AppCheck(checks).CheckRunningApps()) return refuse(L"running-application check");
  return true;
}

