// The steps both drivers share: the prerequisites and the launch messages.
#include "app/app.h"
#include "checks/launch_checks.h"
#include "checks/system_info.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "engine/builtin_prerequisites.h"
#include "engine/prerequisite_installer.h"

bool CCommonBootstrapperApp::RunPrerequisites(EngineContext& context, HWND statusWindow) {
  LogFile unopened;  // the facts were logged at start-up; asking again need not repeat them
  SystemInfo system(unopened, platform_.system);
  PrerequisiteMachine facts{system.GetOsCode(), system.ServicePackMajor(), [this] { return RebootRequiredFlag(); },
                            [this] { SetRebootRequiredFlag(); }};
  std::unique_ptr<BuiltInInstallers> builtIns =
      MakeBuiltInInstallers(context, platform_, setupDirectory_ + variablesListFileName_);
  PrerequisiteOutcome outcome;
  PrerequisiteInstaller prerequisites(context, *builtIns, facts, outcome);
  const bool goOn = prerequisites.InstallPrerequisites(statusWindow);
  if (!outcome.rebootPrerequisiteName.empty()) SetRebootPrerequisiteName(outcome.rebootPrerequisiteName);
  if (!outcome.resultText.empty()) SetResultTextValue(outcome.resultText);
  if (!outcome.dotNetDisplayName.empty()) SetDotNetDisplayName(outcome.dotNetDisplayName);
  if (outcome.rebootNeeded) SetRebootNeeded(true);
  return goOn;
}

bool CCommonBootstrapperApp::RunLaunchMessages(CheckContext& checks) {
  LaunchSettings settings;
  settings.platformKind = PlatformKind();
  settings.shortName = ShortName();
  settings.solo = SoloProduct();
  settings.modeFlags = ModeFlags();
  settings.allFamilyMembersListed = [this]() { return AllFamilyMembersListed(); };
  Localization::ReadString(GetModuleHandleW(nullptr), 1018, settings.suiteCaption);
  return LaunchMessages(checks, settings).ShowLaunchMessages();
}
