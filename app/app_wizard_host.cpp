#include "app/app_wizard_host.h"

#include "app/app.h"
#include "checks/app_checks.h"
#include "core/localization.h"
#include "core/property_map.h"

LogFile& AppWizardHost::Log() { return app_.Log(); }
PropertyMap& AppWizardHost::Properties() { return app_.Properties(); }
Localization* AppWizardHost::GetLocalization() { return app_.GetLocalization(); }
platform::Platform& AppWizardHost::GetPlatform() { return app_.GetPlatform(); }
uint32_t AppWizardHost::ModeFlags() const { return app_.ModeFlags(); }
int AppWizardHost::SetupResultCode() const { return app_.SetupResultCode(); }
void AppWizardHost::SetSetupResultCode(int code) { app_.SetSetupResultCode(code); }
::PlatformKind AppWizardHost::PlatformKind() const { return app_.PlatformKind(); }
const std::wstring& AppWizardHost::ShortName() const { return app_.ShortName(); }
const std::wstring& AppWizardHost::SetupDirectory() const { return app_.SetupDirectory(); }
ProductCatalog& AppWizardHost::Products() { return app_.Products(); }
bool AppWizardHost::SoloProduct() const { return app_.SoloProduct(); }
const XmlDocument& AppWizardHost::SetupDocument() const { return app_.SetupDocument(); }
const std::wstring& AppWizardHost::ProductDisplayName() const { return app_.ProductDisplayName(); }
const std::wstring& AppWizardHost::ProductText1007() const { return app_.ProductText1007(); }
const std::wstring& AppWizardHost::ProductText1008() const { return app_.ProductText1008(); }
const std::wstring& AppWizardHost::CurrentTitle() const { return app_.CurrentTitle(); }
std::wstring AppWizardHost::ResultText(uint32_t code) { return app_.ResultText(code); }
std::wstring AppWizardHost::InstallDirectory() const { return app_.InstallDirectory(); }
void AppWizardHost::SetInstallDirectory(const std::wstring& directory) { app_.SetInstallDirectoryValue(directory); }
bool AppWizardHost::ValidateInstallPath(const std::wstring& path) { return app_.ValidateInstallPath(path); }
bool AppWizardHost::ResolveInstallDirectory(std::wstring& out) { return app_.ResolveInstallDirectory(app_.GUID(), out); }
const std::wstring& AppWizardHost::QVDirectory() const { return app_.QVDirectory(); }
bool AppWizardHost::RestartRequired() { return services_.RestartRequired(); }
void AppWizardHost::SetRebootRequiredFlag() { app_.SetRebootRequiredFlag(); }
const std::wstring& AppWizardHost::RebootPrerequisiteName() const { return app_.RebootPrerequisiteName(); }

std::wstring AppWizardHost::ProductText(UINT id) {
  if (app_.Products().empty()) return L"";
  Localization* culture = app_.GetLocalization();
  const UINT shift = (app_.PlatformKind() == ::PlatformKind::Online ? 30000 : 0) +
                     (culture ? culture->ImageCultureOffset() : 0);
  return app_.Products().front()->ResourceString(id + shift);
}

HMODULE AppWizardHost::ProductLibrary() const {
  return app_.Products().empty() ? nullptr : app_.Products().front()->ResourceLibrary();
}

std::wstring AppWizardHost::DefaultInstallDirectory() {
  std::wstring directory;
  app_.DefaultInstallDirectory(directory);
  return directory;
}

bool AppWizardHost::CheckRunningApps(HWND owner) {
  CheckContext checks = app_.MakeCheckContext();
  platform::OwnedPrompts prompts(app_.GetPlatform().prompts, owner);
  checks.prompts = &prompts;
  return AppCheck(checks).CheckRunningApps();
}

const RunPlan& AppWizardHost::Plan() {
  if (!plan_) plan_ = app_.Plan(driver_);
  return *plan_;
}

void AppWizardHost::ShowUnsupportedSystem(HWND owner) { app_.ShowUnsupportedSystem(owner); }
