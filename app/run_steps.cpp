// The steps both drivers share: the plan, the prerequisites and the launch messages.
#include "app/app.h"
#include "checks/launch_checks.h"
#include "checks/system_info.h"
#include "core/exit_codes.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "definition/config_variables.h"
#include "engine/builtin_prerequisites.h"
#include "engine/prerequisite_installer.h"
#include "ui/launch_dialogs.h"

bool CCommonBootstrapperApp::RunPrerequisites(EngineContext& context, bool planOnly) {
  LogFile unopened;  // the facts were logged at start-up; asking again need not repeat them
  SystemInfo system(unopened, platform_.system);
  PrerequisiteMachine facts{system.GetOsCode(), system.ServicePackMajor(), [this] { return RebootRequiredFlag(); },
                            [this] { SetRebootRequiredFlag(); }};
  std::unique_ptr<BuiltInInstallers> builtIns =
      MakeBuiltInInstallers(context, platform_, setupDirectory_, variablesListFileName_);
  PrerequisiteOutcome outcome;
  PrerequisiteInstaller prerequisites(context, *builtIns, facts, outcome);
  if (planOnly) return prerequisites.PlanPrerequisites();
  const bool goOn = prerequisites.InstallPrerequisites();
  if (!outcome.rebootPrerequisiteName.empty()) SetRebootPrerequisiteName(outcome.rebootPrerequisiteName);
  if (!outcome.resultText.empty()) SetResultTextValue(outcome.resultText);
  if (!outcome.dotNetDisplayName.empty()) SetDotNetDisplayName(outcome.dotNetDisplayName);
  if (outcome.rebootNeeded) SetRebootNeeded(true);
  return goOn;
}

bool CCommonBootstrapperApp::RefuseRun(const wchar_t* check) {
  log_->Log(L"Setup stopped: the %s refused the run.", check);
  refusedBy_ = check;
  state_.SetExitCode(exit_code::Failed);
  return false;
}

RunPlan CCommonBootstrapperApp::Plan(RunDriver driver) const {
  RunFacts facts;
  facts.modeFlags = state_.ModeFlags();
  facts.driver = driver;
  facts.os = properties_->Get(L"OS");
  facts.shortName = shortName_;
  facts.solo = soloProduct_;
  return PlanRun(facts);
}

bool CCommonBootstrapperApp::RunLaunchMessages(CheckContext& checks, LaunchScreens* screens) {
  LaunchSettings settings;
  settings.platformKind = PlatformKind();
  settings.shortName = ShortName();
  settings.solo = SoloProduct();
  settings.modeFlags = ModeFlags();
  settings.allFamilyMembersListed = [this]() { return AllFamilyMembersListed(); };
  Localization::ReadString(GetModuleHandleW(nullptr), 1018, settings.suiteCaption);
  settings.screens = screens;
  return LaunchMessages(checks, settings).ShowLaunchMessages();
}

void CCommonBootstrapperApp::ShowUnsupportedSystem(HWND owner) {
  const SystemRequirementsPages defaults = DefaultSystemRequirementsPages();
  // The addresses are settings: the variables list may name others (a mirror, a new site).
  auto pages = ReadConfigVariables({*log_, *properties_, localization_.get()}, setupDirectory_ + variablesListFileName_,
                                   {{L"{SystemRequirementsUrl}", defaults.requirements},
                                    {L"{OnPremisesSystemRequirementsUrl}", defaults.onPremisesRequirements},
                                    {L"{RegionalProductPageUrl}", defaults.regionalProduct}});
  const SystemRequirementsPages chosen{pages[L"{SystemRequirementsUrl}"], pages[L"{OnPremisesSystemRequirementsUrl}"],
                                       pages[L"{RegionalProductPageUrl}"]};
  const std::wstring culture = localization_ ? localization_->ProductCulture() : L"";
  ShowUnsupportedSystemDialog(owner, {ProductDisplayName(), SystemRequirementsLink(chosen, culture.empty() ? L"en-US" : culture,
                                                                                   PlatformKind() == ::PlatformKind::OnPremises)});
}

int CCommonBootstrapperApp::AskDocumentCache(const std::wstring& text) {
  DocumentCacheQuestion question{text, ProductDisplayName(), SoloProduct(), localization_.get(), [this] {
                                   AppendExtraInstallProperties(L" DCSCACHE=1 ");
                                   properties_->Set(kDocumentCacheProperty, L"True");
                                 }};
  return ShowDocumentCacheDialog(nullptr, question);
}
