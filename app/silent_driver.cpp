#include "app/silent_driver.h"

#include <memory>

#include "app/app.h"
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
#include "platform/text.h"
#include "platform/trace.h"
#include "ui/document_defaults.h"

FinalizeActions SilentDriver::Finalizer(EngineContext& context, Product& product) {
  finalized_.insert(&product);
  return FinalizeActions(context, product);
}

void SilentDriver::SetSuccessProperty(bool succeeded) {
  app_.Properties().Set(L"SetupSuccess", succeeded ? L"True" : L"False");
}

void SilentDriver::Run(bool silenceForced) {
  LogFile& log = app_.Log();
  PropertyMap& properties = app_.Properties();
  log.WriteLine(L"Running in silent mode");
  app_.LoadProductTexts();

  CheckContext checks = app_.MakeCheckContext();
  platform::trace::Mark("checks begin");
  std::unique_ptr<InstallChecks> probes = RunInstallChecks(checks);
  platform::trace::Mark("install checks done");

  const bool dotNetRequired = text::EqualsNoCase(properties.Get(L"DotNetFramework_4"), L"False") &&
                              !app_.RebootRequiredFlag();
  const uint32_t modeFlags = app_.ModeFlags();
  bool startProgress = false;
  if (modeFlags & mode::Install) {
    if (dotNetRequired) {
      log.WriteLine(L"Cancelling install - .NET Framework install required");
      app_.SetSetupResultCode(exit_code::DotNetRequired);
      return;
    }
    startProgress = silenceForced;
  } else if (modeFlags & mode::Upgrade) {
    if (silenceForced) {
      startProgress = true;
    } else if (!app_.AutoUpdate() && dotNetRequired) {
      log.WriteLine(L"Cancelling install - .NET Framework install required");
      app_.SetSetupResultCode(exit_code::DotNetRequired);
      return;
    }
  } else {
    startProgress = silenceForced;
  }
  if (startProgress) app_.StartProgress(dotNetRequired);

  properties.Set(L"Silent", app_.AutoUpdate() ? L"AutoUpdate" : app_.ProgressRunning() ? L"False" : L"True");

  if (!RunRefusingChecks(checks)) return;
  platform::trace::Mark("refusing checks done");
  MsiRegistryChecker(checks, true).RunRegistryChecks();
  platform::trace::Mark("registry checks done");

  app_.GetPlatform().installer.SetInternalUI(2);  // INSTALLUILEVEL_NONE: no package shows a window

  EngineContext context = app_.MakeEngineContext();
  if (!app_.RunPrerequisites(context, nullptr)) {
    log.WriteLine(L"Installing prerequisite failed.");
    // The administrator of a silent run sees the reason nowhere else.
    const std::wstring reason = app_.ResultText(static_cast<uint32_t>(app_.SetupResultCode()));
    log.Log(L"Result text is %s", reason);
    app_.SendProgress(ProgressInterface::kFailed, reason);
    return;
  }

  if (modeFlags & mode::Upgrade) app_.AppendExtraInstallProperties(L" UPGRADE=1");

  if (modeFlags & mode::Install)
    InstallBranch(context);
  else if (modeFlags & mode::Uninstall)
    UninstallBranch(context, checks);
  else if (modeFlags & mode::Repair)
    RepairBranch(context);
  else if (modeFlags & mode::Upgrade)
    UpgradeBranch(context);
  platform::trace::Mark("packages done");
}

// The checks that may end the run, in their order; false when one refuses. A refusal is a
// failure to a deployment tool, so it ends with 1603 and says which check refused.
bool SilentDriver::RunRefusingChecks(CheckContext& checks) {
  auto refuse = [this](const wchar_t* check) {
    app_.Log().Log(L"Setup stopped: the %s refused the run.", check);
    app_.SetSetupResultCode(exit_code::Failed);
    return false;
  };
  if (!MinimumRequirements(checks).CheckMinimumRequirements()) return refuse(L"minimum requirement check");
  CheckContext silentChecks = checks;
  silentChecks.silent = true;
  if (!FilesInUse(silentChecks).CheckFilesInUse()) return refuse(L"file-in-use check");

  RunLaunchChecks(checks);
  if (!app_.RunLaunchMessages(checks)) return refuse(L"launch message");

  if (!AppCheck(checks).CheckRunningApps()) return refuse(L"running-application check");
  return true;
}

void SilentDriver::InstallBranch(EngineContext& context) {
  if (app_.InstallDirectory().empty()) {
    std::wstring shared;
    if (app_.SharedClientInstallDirectory(shared))
      app_.SetInstallDirectoryValue(shared);
    else
      app_.ApplyDefaultInstallDirectory();
  }
  if (text::EqualsNoCase(app_.ShortName(), L"VaradavuRadare"))
    VaradavuRadareDefaults(app_.Log(), app_.Properties(), app_.GetPlatform().system).ApplyForSilentInstall();
  InstallPackageFile install(context, app_.ExtraInstallProperties());
  install.Initialize();
  install.RunSequence(mode::Install, nullptr);
  for (const auto& product : app_.Products()) {
    SetSuccessProperty(product->Succeeded);
    FinalizeActions finalize = Finalizer(context, *product);
    if (product->Succeeded) {
      finalize.CopySetupFiles();
      finalize.CopyProxyOverride();
      finalize.RunFinalizeGroups();
    } else {
      finalize.ExecuteCommands();
    }
  }
  if (app_.RebootNeeded()) app_.SetRebootRequiredFlag();
}

void SilentDriver::UninstallBranch(EngineContext& context, CheckContext& checks) {
  UninstallPackageFile uninstall(context, app_.ExtraInstallProperties());
  uninstall.Initialize();
  uninstall.RunSequence(mode::Uninstall, nullptr);
  // The installed-state answers of the products that remain are stale now.
  if (!app_.SoloProduct()) MsiRegistryChecker(checks, false).RunMsiChecks();
  for (const auto& product : app_.Products()) {
    SetSuccessProperty(product->Succeeded);
    FinalizeActions finalize = Finalizer(context, *product);
    if (product->Succeeded)
      finalize.RunFinalizeGroups();
    else
      finalize.ExecuteCommands();
  }
}

void SilentDriver::RepairBranch(EngineContext& context) {
  RepairPackageFile repair(context, app_.ExtraInstallProperties());
  repair.Initialize();
  repair.RunSequence(mode::Repair, nullptr);
  for (const auto& product : app_.Products()) {
    SetSuccessProperty(product->Succeeded);
    FinalizeActions finalize = Finalizer(context, *product);
    if (product->Succeeded) {
      finalize.CopyProxyOverride();
      finalize.RunFinalizeGroups();
    } else {
      finalize.ExecuteCommands();
    }
  }
  StopProgress();
}

void SilentDriver::StopProgress() {
  if (!app_.ProgressRunning()) return;
  app_.Log().WriteLine(L"Stopping progress dialog");
  app_.SendProgress(ProgressInterface::kFinished, L"");
}

void SilentDriver::UpgradeBranch(EngineContext& context) {
  PropertyMap& properties = app_.Properties();
  if (properties.Get(L"[SERVER_NAME]").empty())
    properties.Set(L"[SERVER_NAME]", app_.GetPlatform().system.ComputerDnsName());
  UninstallPackageFile uninstall(context, app_.ExtraInstallProperties());
  InstallPackageFile install(context, app_.ExtraInstallProperties());
  uninstall.Initialize();
  install.Initialize();

  bool done = false, unsupported = false;
  // The new release does not install on these systems: refuse before the old one is removed.
  const std::wstring os = properties.Get(L"OS");
  if (text::Contains(os, L"XP") || text::EqualsNoCase(os, L"Vista") || text::Contains(os, L"Win2003")) {
    app_.Log().Log(L"Upgrade refused: %s is not supported; the installed release is kept.", os);
    app_.SetSetupResultCode(exit_code::Cancelled);
    unsupported = true;
  } else {
    uninstall.RunSequence(mode::Uninstall, nullptr);
    int code = app_.SetupResultCode();
    if (code == exit_code::Success || code == exit_code::RebootRequired) {
      install.RunSequence(mode::Install, nullptr);
      code = app_.SetupResultCode();
      if (code == exit_code::Success || code == exit_code::RebootRequired) {
        done = true;
        StopProgress();
        if (!app_.Products().empty()) {
          // Only the first product is finalized, whatever its own outcome.
          Product& first = *app_.Products().front();
          SetSuccessProperty(first.Succeeded);
          FinalizeActions finalize = Finalizer(context, first);
          finalize.CopySetupFiles();
          finalize.CopyProxyOverride();
          finalize.RunFinalizeGroups();
        }
        if (app_.RebootNeeded()) app_.SetRebootRequiredFlag();
      }
    }
  }
  if (!done && app_.ProgressRunning()) {
    if (unsupported)
      app_.SendProgress(ProgressInterface::kNotSupported, L"");
    else
      app_.SendProgress(ProgressInterface::kFailed, app_.ResultText(static_cast<uint32_t>(app_.SetupResultCode())));
  }
}
