#include "app/interactive_driver.h"

#include "app/app.h"
#include "app/app_wizard_host.h"
#include "checks/app_checks.h"
#include "checks/install_checks.h"
#include "checks/launch_checks.h"
#include "checks/minimum_requirements.h"
#include "checks/msi_registry_checks.h"
#include "checks/system_info.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "platform/text.h"
#include "ui/wizard_fonts.h"
#include "ui/product_sheets.h"
#include "ui/wizard_sheet.h"

unsigned MaintenanceMessageId(const std::wstring& shortName, int platformKind) {
  if (text::EqualsNoCase(shortName, L"DAT")) return 50228;
  if (platformKind == static_cast<int>(PlatformKind::OnPremises)) return 50116;
  if (platformKind == static_cast<int>(PlatformKind::Foundation)) return 50285;
  return 50224;
}

void InteractiveDriver::Run() {
  LogFile& log = app_.Log();
  PropertyMap& properties = app_.Properties();
  log.WriteLine(L"Running in user interface mode");
  properties.Set(L"Silent", L"False");
  if (!app_.LoadProductTexts()) return;

  CheckContext checks = app_.MakeCheckContext();
  std::unique_ptr<InstallChecks> probes = RunInstallChecks(checks);
  // A refusal was shown to the person; the exit code tells a deployment tool the same.
  if (!MinimumRequirements(checks).CheckMinimumRequirements()) {
    app_.RefuseRun(L"minimum requirement check");
    return;
  }
  if (!FilesInUse(checks).CheckFilesInUse()) {
    app_.RefuseRun(L"file-in-use check");
    return;
  }
  MsiRegistryChecker(checks, true).RunRegistryChecks();
  RunLaunchChecks(checks);

  const uint32_t resolved = app_.ModeFlags();
  if ((resolved & mode::Uninstall) && !(app_.CommandLineModeFlags() & mode::Uninstall)) {
    Localization* localization = app_.GetLocalization();
    const unsigned id = MaintenanceMessageId(app_.ShortName(), static_cast<int>(app_.PlatformKind()));
    const std::wstring message = localization ? localization->Message(id, {app_.ProductDisplayName()}) : L"";
    app_.GetPlatform().prompts.Show(nullptr, message, app_.ProductDisplayName(), MB_OK, [localization] {
      if (localization) localization->InstallMessageBoxHook();
    });
    return;
  }
  // The launch messages' two screens are the wizard's dialogs here.
  class Screens final : public LaunchScreens {
   public:
    explicit Screens(CCommonBootstrapperApp& app) : app_(app) {}
    void ShowUnsupportedOs() override { app_.ShowUnsupportedSystem(nullptr); }
    int ShowDocumentCache(const std::wstring& text) override { return app_.AskDocumentCache(text); }

   private:
    CCommonBootstrapperApp& app_;
  } screens(app_);
  if (!app_.RunLaunchMessages(checks, &screens)) {
    app_.RefuseRun(L"launch message");
    return;
  }
  if ((resolved & (mode::Repair | mode::Uninstall)) && !AppCheck(checks).CheckRunningApps()) {
    app_.RefuseRun(L"running-application check");
    return;
  }

  LogFile unopened;  // the facts were logged at start-up
  SystemInfo system(unopened, app_.GetPlatform().system);
  app_.GetPlatform().installer.SetInternalUI(2);  // INSTALLUILEVEL_NONE: the wizard shows the progress

  AppWizardHost host(app_);
  CWizardSheet sheet(host, MakeSheetPages(ChooseSheetKind(app_.ShortName()), host));
  sheet.Fonts().Prepare(app_.GetPlatform().system.WindowsFolder(), system.Version().major);
  sheet.DoModal();
}
