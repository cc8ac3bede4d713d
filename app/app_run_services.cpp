#include "app/app_run_services.h"

#include "app/app.h"
#include "app/restart_setup.h"
#include "checks/document_defaults.h"
#include "checks/msi_registry_checks.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "platform/win32_folders.h"

namespace {
constexpr int kInstallLevelNone = 2;  // INSTALLUILEVEL_NONE
}

EngineContext AppRunServices::MakeEngineContext() { return app_.MakeEngineContext(); }
ProductCatalog& AppRunServices::Products() { return app_.Products(); }
bool AppRunServices::InstallPrerequisites(EngineContext& context) { return app_.RunPrerequisites(context); }
bool AppRunServices::PlanPrerequisites(EngineContext& context) { return app_.RunPrerequisites(context, true); }
std::wstring AppRunServices::ExtraInstallProperties() { return app_.ExtraInstallProperties(); }
void AppRunServices::AppendExtraInstallProperties(const std::wstring& text) { app_.AppendExtraInstallProperties(text); }
void AppRunServices::QuietInstaller() { app_.GetPlatform().installer.SetInternalUI(kInstallLevelNone); }
bool AppRunServices::RebootNeeded() { return app_.RebootNeeded(); }
bool AppRunServices::RestartRequired() { return app_.RebootNeeded() || app_.PackageRestartRequested(); }
void AppRunServices::SetRebootRequiredFlag() { app_.SetRebootRequiredFlag(); }
int AppRunServices::ExitCode() { return app_.SetupResultCode(); }
void AppRunServices::SetExitCode(int code) { app_.SetSetupResultCode(code); }
void AppRunServices::Log(const std::wstring& line) { app_.Log().WriteLine(line); }

void AppRunServices::SetSuccessProperty(bool succeeded) {
  app_.Properties().Set(L"SetupSuccess", succeeded ? L"True" : L"False");
}

void AppRunServices::DefaultServerName() {
  PropertyMap& properties = app_.Properties();
  if (properties.Get(L"[SERVER_NAME]").empty())
    properties.Set(L"[SERVER_NAME]", app_.GetPlatform().system.ComputerDnsName());
}

void AppRunServices::DefaultInstallDirectory() {
  if (!app_.InstallDirectory().empty()) return;
  std::wstring shared;
  if (app_.SharedClientInstallDirectory(shared))
    app_.SetInstallDirectoryValue(shared);
  else
    app_.ApplyDefaultInstallDirectory();
}

void AppRunServices::DocumentServerDefaults() {
  VaradavuRadareDefaults(app_.Log(), app_.Properties(), app_.GetPlatform().system).ApplyForSilentInstall();
}

void AppRunServices::RerunMsiChecks() {
  CheckContext checks = app_.MakeCheckContext();
  MsiRegistryChecker(checks, false).RunMsiChecks();
}

bool AppRunServices::FirstProductInstalled() {
  return platform::IsInstalledState(app_.GetPlatform().installer.QueryProductState(app_.GUID()));
}

void AppRunServices::RestartSetup() {
  if (app_.NoRestart()) {
    app_.Log().Log(L"/norestart: setup is neither started again nor named to run after a restart (%d); run it again "
                   L"then.",
                   app_.SetupResultCode());
    return;
  }
  RestartRequest request;
  request.logFolder = app_.LogFolder();
  request.security = &app_.GetPlatform().security;
  request.setupDirectory = app_.SetupDirectory();
  request.systemFolder = platform::SystemDirectory();
  SplitSecretArguments(app_.Arguments(), request.commandLine, request.secretArguments);
  request.exitCode = app_.SetupResultCode();
  ::RestartSetup(app_.Log(), app_.GetPlatform().processes, app_.GetPlatform().registry, request);
}
