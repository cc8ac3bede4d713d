// The application object: start-up, run mode and exit of one setup run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/install_directory_resolver.h"
#include "app/product_family.h"
#include "app/product_texts.h"
#include "checks/check_context.h"
#include "core/platform_kind.h"
#include "core/result_file.h"
#include "core/run_state.h"
#include "definition/product.h"
#include "definition/xml_document.h"
#include "engine/engine_context.h"
#include "engine/run_plan.h"
#include "platform/com_apartment.h"
#include "platform/handles.h"
#include "platform/machine_lock.h"
#include "platform/platform.h"

class LaunchScreens;
class LogFile;
class Localization;
class PropertyMap;
class ProgressInterface;

// What the process was started with: its folder (with a trailing backslash) and its arguments.
struct AppEnvironment {
  std::wstring setupDirectory;
  std::vector<std::wstring> arguments;
};

class CCommonBootstrapperApp {
 public:
  CCommonBootstrapperApp(platform::Platform& platform, AppEnvironment environment);
  ~CCommonBootstrapperApp();
  CCommonBootstrapperApp(const CCommonBootstrapperApp&) = delete;
  CCommonBootstrapperApp& operator=(const CCommonBootstrapperApp&) = delete;

  // Runs the whole setup; answers false so that the exit operation follows at once.
  bool InitInstance();
  // Logs, dumps and copies the log; answers the process exit code.
  int ExitInstance();

  // From the first product's "Platform".
  ::PlatformKind PlatformKind() const { return PlatformKindOf(platformText_); }
  // The text for a result code (kept in the result-text field).
  std::wstring ResultText(uint32_t code);
  bool ValidateInstallPath(const std::wstring& path);
  void SetRebootPrerequisiteName(const std::wstring& name) { rebootPrerequisiteName_ = name; }
  // A failing installer's own words, which the result text then gives.
  void SetResultTextValue(const std::wstring& text) { resultText_ = text; }
  bool RebootNeeded() const { return state_.RebootNeeded(); }
  void SetRebootNeeded(bool needed) { state_.SetRebootNeeded(needed); }
  const std::wstring& DotNetDisplayName() const { return dotNetDisplayName_; }
  void SetDotNetDisplayName(const std::wstring& name) { dotNetDisplayName_ = name; }

  PropertyMap& Properties() { return *properties_; }
  LogFile& Log() { return *log_; }
  Localization* GetLocalization() { return localization_.get(); }
  platform::Platform& GetPlatform() { return platform_; }

  // The run's decisions and outcome; one owner, handed by reference.
  RunState& State() { return state_; }
  uint32_t ModeFlags() const { return state_.ModeFlags(); }
  uint32_t CommandLineModeFlags() const { return cmd_.modeFlags; }
  int SetupResultCode() const { return state_.ExitCode(); }
  void SetSetupResultCode(int code) { state_.SetExitCode(code); }
  bool Silent() const { return cmd_.silent; }
  // Silent or passive: no window waits for an answer (a passive run shows its progress only).
  bool NoQuestions() const { return cmd_.silent || cmd_.passive; }
  bool SilenceForced() const { return silenceForced_; }
  bool SystemAccount() const { return systemAccount_; }
  bool AutoUpdate() const { return cmd_.autoUpdate; }
  bool NoRestart() const { return cmd_.noRestart; }
  bool Passive() const { return cmd_.passive; }
  const std::wstring& SetupDirectory() const { return setupDirectory_; }
  const std::wstring& LogFolder() const { return logFolder_; }
  const std::wstring& ExtraInstallProperties() const { return cmd_.extraInstallProperties; }
  const std::wstring& InstallDirectory() const { return state_.InstallDirectory(); }
  const std::wstring& ShortName() const { return shortName_; }
  const std::wstring& QVDirectory() const { return qvDirectory_; }

  // The definition and the catalog.
  bool LoadDefinitionDocument();
  bool LoadProducts();
  const XmlDocument& SetupDocument() const { return setupDocument_; }
  const ProductCatalog& Products() const { return products_; }
  ProductCatalog& Products() { return products_; }
  bool SoloProduct() const { return soloProduct_; }

  // Mode detection and the install directory (the rules live in ModeDetection,
  // InstallDirectoryResolver and ProductFamily; these apply them to this run).
  void DetectMode();
  bool FamilyMemberInstalled(const std::wstring& productCode) { return Family().MemberInstalled(productCode); }
  bool AllFamilyMembersListed() { return Family().AllMembersListed(products_); }
  bool ResolveInstallDirectory(const std::wstring& productCode, std::wstring& out) const {
    return Directories().Resolve(productCode, out);
  }
  bool SharedClientInstallDirectory(std::wstring& out) const { return Directories().SharedClient(out); }
  std::wstring NormalizeInstallDirectory(std::wstring path) const { return Directories().Normalize(std::move(path)); }
  void DefaultInstallDirectory(std::wstring& out) const { out = Directories().Default(); }
  void ApplyDefaultInstallDirectory() { state_.SetInstallDirectory(Directories().Default()); }

  // Display name, texts 1007/1008 and the titles from the products' resource libraries.
  bool LoadProductTexts();
  const std::wstring& ProductDisplayName() const { return texts_.DisplayName(); }
  const std::wstring& ProductText1007() const { return texts_.Text1007(); }
  const std::wstring& ProductText1008() const { return texts_.Text1008(); }
  const std::wstring& Title(int n) const { return texts_.Title(n); }  // 1..3
  const std::wstring& CurrentTitle() const { return texts_.CurrentTitle(); }
  const std::wstring& GUID() const { return guid_; }
  const std::wstring& OldGUID() const { return oldGuid_; }
  const std::wstring& Resources() const { return resources_; }

  // Silent runs.
  bool RebootRequiredFlag();  // the machine-wide reboot-required flag, as this process sees it
  void SetRebootRequiredFlag();
  void StartProgress(bool dotNetRequired);
  bool ProgressRunning() const { return progressRunning_; }
  // A message to the progress program, sent only while it runs.
  void SendProgress(uint32_t code, const std::wstring& text);
  void AppendExtraInstallProperties(const std::wstring& text) { cmd_.extraInstallProperties += text; }
  void SetInstallDirectoryValue(const std::wstring& directory) { state_.SetInstallDirectory(directory); }
  // The prerequisites of the definition; false when the run must stop. Their status goes to the
  // context's observer.
  bool RunPrerequisites(EngineContext& context, bool planOnly = false);
  // The run only works out what it would do (/plan).
  bool PlanOnly() const { return cmd_.plan; }
  // What this run does once its checks have passed, for the driver that shows it.
  RunPlan Plan(RunDriver driver) const;
  // A check refused the run: said in the log, and a failure to whoever reads the exit code (the
  // check has told the person at the screen, if there is one). Always false.
  bool RefuseRun(const wchar_t* check);
  // The launch messages of the definition; false when one refuses the run.
  bool RunLaunchMessages(CheckContext& checks, LaunchScreens* screens = nullptr);
  // The notice that this Windows is not supported, with its link for the product's culture.
  void ShowUnsupportedSystem(HWND owner);
  // The document-cache question of the launch messages; IDOK or IDCANCEL.
  int AskDocumentCache(const std::wstring& text);
  const std::wstring& RebootPrerequisiteName() const { return rebootPrerequisiteName_; }
  const std::vector<std::wstring>& Arguments() const { return environment_.arguments; }
  // A package or a group commit answered 3010.
  bool PackageRestartRequested() const { return state_.PackageRestartRequested(); }
  // What a package sequence needs from this run.
  EngineContext MakeEngineContext();
  // What the checks need from this run.
  CheckContext MakeCheckContext();

  // The administrator test on its own (process token, then the linked token on Vista and later).
  bool IsAdministrator(DWORD osMajorVersion);
  // Log copy name: "<folder>\<short name>_<mode word>Setup.log".
  static std::wstring LogCopyName(const std::wstring& folder, const std::wstring& shortName, uint32_t resolvedFlags);

 private:
  void TestSystemAccount();
  bool RefuseSecondSetup();
  bool RefuseWithoutLog();
  // Setup.log to the file the command line named; false (the run ends, 103024) when refused.
  bool MoveLogToChosenFile();
  // The switches and exit codes; with a refused switch the run ends with 1639. Always false.
  bool ShowHelp();
  // The result file into the log folder, and to the /result file; the plan shown when asked for.
  void WriteResult();
  RunSummary Summary();
  // Products the work never reached get an entry saying why.
  void CompleteReport();
  void CopyLog();
  void TakeFirstProduct();
  // After a silent or passive run's work: failed products' commands not yet run, and a restart
  // a package asked for in the exit code.
  void CloseUnattendedRun(const std::function<bool(const Product&)>& finalized);
  ProductFamily Family() { return ProductFamily(*log_, *properties_, platform_, platformText_); }
  InstallDirectoryResolver Directories() const {
    return InstallDirectoryResolver(platform_, qvDirectory_, rootDirectory_, PlatformKind());
  }

  platform::Platform& platform_;
  AppEnvironment environment_;
  std::optional<platform::ComApartment> com_;       // from start-up until the exit lets it go
  std::unique_ptr<platform::MachineLock> runLock_;  // held from start-up to the end of the exit
  platform::Library richEdit_;

  std::shared_ptr<PropertyMap> properties_ = std::make_shared<PropertyMap>();
  std::shared_ptr<Localization> localization_;
  std::shared_ptr<LogFile> log_;
  std::shared_ptr<ProgressInterface> progress_;
  std::wstring logFolder_;
  std::wstring setupDirectory_;

  RunState state_{*properties_};
  CommandLineFields cmd_;
  XmlDocument setupDocument_;
  std::unique_ptr<std::vector<XmlNode>> registryCheckGroups_;  // selected on first use
  ProductCatalog products_;
  bool soloProduct_ = false;
  std::wstring resources_, guid_, oldGuid_;
  ProductTexts texts_;
  std::wstring qvDirectory_, rootDirectory_, platformText_, shortName_;
  std::wstring rebootPrerequisiteName_;
  std::wstring dotNetDisplayName_;
  std::wstring resultText_;
  std::wstring variablesListFileName_;
  bool systemAccount_ = false;
  bool silenceForced_ = false;
  bool progressRunning_ = false;
  bool showPlan_ = false;
  std::wstring startTime_;
  std::wstring refusedBy_;  // the check that refused the run
};
