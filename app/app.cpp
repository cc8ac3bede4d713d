#include "app/app.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/deployment_switches.h"
#include "app/interactive_driver.h"
#include "app/layout.h"
#include "app/mode_detection.h"
#include "app/passive_driver.h"
#include "app/silent_driver.h"
#include "app/restart_setup.h"
#include "checks/msi_registry_checks.h"
#include "checks/system_info.h"
#include "core/exit_codes.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "definition/culture_file.h"
#include "definition/product_catalog.h"
#include "definition/substitute.h"
#include "engine/finalize_actions.h"
#include "engine/install_source_info.h"
#include "engine/process_launcher.h"
#include "engine/progress_interface.h"
#include "engine/reboot_flag.h"
#include "platform/files.h"
#include "platform/folder_tree.h"
#include "platform/text.h"
#include "platform/win32_folders.h"

namespace {

// Machine-wide, so setups started in other sessions and by other users count too.
constexpr wchar_t kRunLockName[] = L"Global\\ZEM_SetupBootstrapper_Running";
// The setup that starts its restart copy holds the lock until it has ended; the copy waits for it
// that long at most, and then stops as any second setup does.
constexpr DWORD kRestartLockWaitMilliseconds = 120000;

}  // namespace

CCommonBootstrapperApp::CCommonBootstrapperApp(platform::Platform& platform, AppEnvironment environment)
    : platform_(platform), environment_(std::move(environment)) {}

CCommonBootstrapperApp::~CCommonBootstrapperApp() = default;

void CCommonBootstrapperApp::TakeFirstProduct() {
  const Product& first = *products_.front();
  resources_ = first.Resources;
  guid_ = first.GUID;
  oldGuid_ = first.OldGUID;
  platformText_ = first.Platform;
  shortName_ = first.ShortName;
  qvDirectory_ = first.QVDirectory;
  rootDirectory_ = first.RootDirectory;
}

bool CCommonBootstrapperApp::InitInstance() {
  SYSTEMTIME started;
  GetSystemTime(&started);
  startTime_ = UtcTimestamp(started);
  // Steps 1-3: controls, rich edit, COM.
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0x80FF};
  InitCommonControlsEx(&controls);
  richEdit_ = platform::LoadSystemLibrary(L"riched20.dll");  // by full path: never one beside setup.exe
  com_.emplace();

  // Steps 4-7: property map, setup folder, variables list, log.
  setupDirectory_ = environment_.setupDirectory;
  if (!setupDirectory_.empty() && setupDirectory_.back() != L'\\') setupDirectory_ += L'\\';
  properties_->Set(L"[WORKINGDIRECTORY]", setupDirectory_);
  variablesListFileName_ = ChooseVariablesList(setupDirectory_);
  log_ = std::make_shared<LogFile>();
  log_->MaskWith(properties_->Secrets());
  // One setup at a time: a second one must not even re-create the first one's log.
  runLock_ = std::make_unique<platform::MachineLock>(
      kRunLockName, HasRestartSwitch(environment_.arguments) ? kRestartLockWaitMilliseconds : 0);
  if (!runLock_->Held()) return RefuseSecondSetup();
  log_->Open(*properties_, platform_.security);
  if (!log_->IsOpen()) return RefuseWithoutLog();
  logFolder_ = log_->Folder();
  if (!runLock_->Squatter().empty())
    log_->Log(L"The one-setup lock %s was made by another user (%s), who could keep every setup from running; it is "
              L"not honoured.",
              kRunLockName, runLock_->Squatter());

  if (FAILED(com_->Status())) log_->Log(L"Initializing COM library failed with error: %#X", com_->Status());
  TestSystemAccount();
  environment_.arguments = WithRestartArguments(*log_, setupDirectory_, environment_.arguments);
  ReadCommandLine(environment_.arguments, cmd_, *properties_, *log_);
  if (!cmd_.logFile.empty() && !MoveLogToChosenFile()) return false;
  if (!cmd_.installDirectory.empty()) state_.SetInstallDirectory(cmd_.installDirectory);

  SystemInfo systemInfo(*log_, platform_.system);
  if (!cmd_.silent) {
    DWORD session = 1;
    bool sessionZero = platform_.security.SessionId(session) && session == 0;
    bool byContext = (sessionZero && !PredatesSessionIsolation(systemInfo.GetOsCode())) || systemAccount_;
    // Nobody can answer a window there, whatever the run was asked to do.
    if (byContext) {
      log_->WriteLine(L"Running in session 0 or as the system account, where nobody can answer a window: the run is "
                      L"silent.");
      cmd_.silent = true;
      cmd_.passive = false;
      silenceForced_ = true;
    }
  }
  if (cmd_.silent) cmd_.passive = false;
  // A plan runs the silent run's checks and decisions; a person who asked for one sees it at the end.
  showPlan_ = cmd_.plan && !cmd_.silent;
  if (cmd_.plan) {
    cmd_.silent = true;
    cmd_.passive = false;
  }

  localization_ = std::make_shared<Localization>(*log_, *properties_, setupDirectory_);
  localization_->Load(ReadCultureNames({*log_, *properties_}, setupDirectory_, variablesListFileName_));
  if (text::EqualsNoCase(localization_->ProductCulture(), L"en-CA")) cmd_.extraInstallProperties += L" CANADA=1 ";
  if (cmd_.help || !cmd_.refused.empty()) return ShowHelp();

  if (!IsAdministrator(systemInfo.Version().major)) {
    std::wstring message = localization_->String(50105);
    if (!NoQuestions()) {
      ShowPlainMessage(platform_.prompts, localization_.get(), message);
    }
    log_->WriteLine(message);
    state_.SetExitCode(exit_code::NotAdministrator);
    return false;
  }

  PublishSystemProperties(*log_, *properties_, platform_.system);

  if (!LoadDefinitionDocument()) return false;
  if (!LoadProducts()) return false;
  if (!products_.empty()) TakeFirstProduct();
  soloProduct_ = products_.size() == 1;
  properties_->Set(L"SoloProduct", soloProduct_ ? L"True" : L"False");
  // A layout only copies and downloads: no mode is detected, nothing is installed or run.
  if (!cmd_.layoutFolder.empty()) {
    const LayoutRequest request{setupDirectory_, cmd_.layoutFolder, setupDirectory_ + variablesListFileName_,
                                logFolder_};
    state_.SetExitCode(LayOut({*log_, *properties_, localization_.get()}, platform_, request));
    return false;
  }
  DetectMode();

  if (cmd_.plan) {
    SilentDriver(*this).Run(silenceForced_);
  } else if (cmd_.silent) {
    SilentDriver driver(*this);
    driver.Run(silenceForced_);
    CloseUnattendedRun([&driver](const Product& product) { return driver.Finalized(product); });
  } else if (cmd_.passive) {
    PassiveDriver driver(*this);
    driver.Run();
    CloseUnattendedRun([&driver](const Product& product) { return driver.Finalized(product); });
  } else {
    InteractiveDriver(*this).Run();
    // A restart the packages asked for is part of the outcome here too.
    if (state_.ExitCode() == exit_code::Success && state_.PackageRestartRequested())
      state_.SetExitCode(exit_code::SuccessRestartRequired);
  }
  return false;
}

void CCommonBootstrapperApp::CloseUnattendedRun(const std::function<bool(const Product&)>& finalized) {
  EngineContext context = MakeEngineContext();
  for (const auto& product : products_) {
    if (product->Succeeded) continue;
    properties_->Set(L"SetupSuccess", L"False");
    // A failed product's commands run once: here only when no branch has run them.
    if (!finalized(*product)) FinalizeActions(context, *product).ExecuteCommands();
  }
  // A restart the packages asked for is part of the outcome, not lost in their logs.
  if (state_.ExitCode() == exit_code::Success && state_.PackageRestartRequested()) {
    log_->WriteLine(L"A package asked for the computer to be restarted.");
    state_.SetExitCode(exit_code::SuccessRestartRequired);
  }
}

bool CCommonBootstrapperApp::RebootRequiredFlag() { return RebootRequired(*log_); }

void CCommonBootstrapperApp::SetRebootRequiredFlag() { ::SetRebootRequiredFlag(*log_, platform_.registry); }

void CCommonBootstrapperApp::StartProgress(bool dotNetRequired) {
  progress_ = std::make_shared<ProgressInterface>(*log_, platform_.processes, *properties_);
  ProgressRunInfo run;
  run.setupDirectory = setupDirectory_;
  run.platformKind = PlatformKind();
  if (localization_) run.productCulture = localization_->ProductCulture();
  run.cultureString = [this](UINT id) { return localization_ ? localization_->String(id) : std::wstring(); };
  progressRunning_ = progress_->Start(ProductDisplayName(), dotNetRequired, state_.ModeFlags(), run) == 0;
}

void CCommonBootstrapperApp::SendProgress(uint32_t code, const std::wstring& text) {
  if (progressRunning_ && progress_) {
    progress_->Send(code, text);
    progressRunning_ = progress_->Running();  // a progress program given up on stays given up
  }
}

EngineContext CCommonBootstrapperApp::MakeEngineContext() {
  EngineContext context(*log_, *properties_, localization_.get(), platform_.installer, setupDocument_, products_);
  context.logFolder = logFolder_;
  context.shortName = shortName_;
  context.modeFlags = state_.ModeFlags();
  context.state = &state_;
  context.processes = &platform_.processes;
  context.productDisplayName = ProductDisplayName();
  context.systemAccount = systemAccount_;
  context.definitionFileName = cmd_.definitionFileName;
  context.variablesListFileName = variablesListFileName_;
  context.openInstallSources = [this] {
    return OpenMachineInstallSources({*log_, *properties_, localization_.get()}, platform_.system, platform_.security,
                                     platform_.installer);
  };
  context.familyCheck = [this](const std::wstring& code) { FamilyMemberInstalled(code); };
  // Every registry value is read again before a rollback, whatever is already set.
  context.rerunRegistryChecks = [this]() {
    // Selected once: the definition does not change during the run, and a document-wide query
    // before every rollback makes a large definition quadratic.
    if (!registryCheckGroups_) {
      registryCheckGroups_ = std::make_unique<std::vector<XmlNode>>();
      setupDocument_.SelectAll(L"//RegistryChecks", *registryCheckGroups_);
    }
    CheckContext checks = MakeCheckContext();
    MsiRegistryChecker(checks, false).RunRegistryChecks(*registryCheckGroups_);
  };
  context.runHidden = [this](const std::wstring& commandLine) {
    return RunHiddenCommand(platform_.processes, *log_, commandLine);
  };
  const std::wstring windows = platform_.system.WindowsFolder();
  if (!windows.empty()) context.systemFolder = windows + L"\\system32";
  return context;
}

CheckContext CCommonBootstrapperApp::MakeCheckContext() {
  CheckContext context(*log_, *properties_, setupDocument_, platform_);
  context.products = &products_;
  context.localization = localization_.get();
  context.silent = NoQuestions();
  context.productDisplayName = ProductDisplayName();
  return context;
}

bool CCommonBootstrapperApp::LoadDefinitionDocument() {
  DefinitionContext context{*log_,         *properties_,    platform_.prompts,      localization_.get(),
                            NoQuestions(), setupDirectory_, cmd_.definitionFileName};
  const DefinitionLoad loaded = ::LoadDefinitionDocument(setupDocument_, context);
  cmd_.definitionFileName = context.definitionFileName;
  // A run that could do nothing must not look like a success to a deployment tool.
  if (loaded == DefinitionLoad::NotFound || loaded == DefinitionLoad::Unreadable)
    state_.SetExitCode(exit_code::DefinitionUnreadable);
  else if (loaded == DefinitionLoad::Invalid)
    state_.SetExitCode(exit_code::DefinitionInvalid);
  return loaded == DefinitionLoad::Loaded;
}

bool CCommonBootstrapperApp::LoadProducts() {
  DefinitionContext context{*log_,         *properties_,    platform_.prompts,      localization_.get(),
                            NoQuestions(), setupDirectory_, cmd_.definitionFileName};
  if (::LoadProducts(setupDocument_, context, products_)) return true;
  state_.SetExitCode(exit_code::DefinitionInvalid);
  return false;
}

void CCommonBootstrapperApp::TestSystemAccount() {
  platform::MembershipAnswer answer = platform_.security.IsSystemAccount();
  systemAccount_ = false;
  switch (answer.step) {
    case platform::MembershipAnswer::Step::SidFailed:
      log_->Log(L"Converting to SID failed with error code %d", answer.error);
      return;
    case platform::MembershipAnswer::Step::CheckFailed:
      log_->Log(L"CheckTokenMembership failed with error code %d", answer.error);
      return;
    case platform::MembershipAnswer::Step::Ok:
      systemAccount_ = answer.member;
      log_->WriteLine(systemAccount_ ? L"Running as a system account" : L"Not running as a system account");
      return;
  }
}

bool CCommonBootstrapperApp::IsAdministrator(DWORD osMajorVersion) {
  if (platform_.security.ProcessTokenIsAdministrator()) return true;
  return osMajorVersion > 5 && platform_.security.LinkedTokenIsAdministrator();
}

std::wstring CCommonBootstrapperApp::ResultText(uint32_t code) {
  switch (code) {
    case exit_code::RestartRequired:
      resultText_ = L"Installation of Windows Installer 4.5 prerequisite requires a restart of the installation program.";
      return resultText_;
    case exit_code::RebootRequired:
      resultText_ = text::Format(L"Installation of %s requires a reboot of your computer.", rebootPrerequisiteName_);
      return resultText_;
    case exit_code::DependencyNotMet:
      resultText_ = L"Dependency not met.";
      return resultText_;
    default:
      break;
  }
  if (!resultText_.empty()) return resultText_;
  resultText_ = text::SystemMessage(code);
  if (resultText_.empty()) resultText_ = L"The requested operation is invalid.";
  return resultText_;
}

bool CCommonBootstrapperApp::ValidateInstallPath(const std::wstring& path) {
  return Directories().Validate(path, properties_ && properties_->Get(L"Processor") == L"x64");
}

void CCommonBootstrapperApp::DetectMode() {
  uint32_t flags = state_.ModeFlags() & ~mode::Default;
  ProductFamily family = Family();
  const InstallDirectoryResolver directories = Directories();
  ModeDecision decision =
      ModeDetection(*log_, *properties_, platform_.installer, family, directories).Detect(cmd_.modeFlags, guid_, oldGuid_);
  state_.SetModeFlags(flags | decision.flags);
  if (decision.installDirectory) state_.SetInstallDirectory(*decision.installDirectory);
}

bool CCommonBootstrapperApp::LoadProductTexts() {
  ProductTextSettings settings;
  settings.kind = PlatformKind();
  settings.solo = soloProduct_;
  settings.modeFlags = state_.ModeFlags();
  settings.silent = NoQuestions();
  settings.setupDirectory = setupDirectory_;
  settings.prompts = &platform_.prompts;
  settings.localization = localization_.get();
  settings.ownResources = GetModuleHandleW(nullptr);
  return texts_.Load(products_, settings);
}

std::wstring CCommonBootstrapperApp::LogCopyName(const std::wstring& folder, const std::wstring& shortName,
                                                 uint32_t flags) {
  const wchar_t* word = (flags & mode::Install)     ? L"Install"
                        : (flags & mode::Uninstall) ? L"Uninstall"
                        : (flags & mode::Repair)    ? L"Repair"
                        : (flags & mode::Upgrade)   ? L"Upgrade"
                                                    : L"";
  std::wstring name = text::Format(L"%s\\%s_%sSetup.log", folder, shortName, word);
  if (name.size() >= MAX_PATH) name.resize(MAX_PATH - 1);  // the name is made in a 260-character buffer
  return name;
}

void CCommonBootstrapperApp::CopyLog() {
  std::wstring target = LogCopyName(logFolder_, shortName_, state_.ModeFlags());
  log_->Log(L"Copying %s to %s", log_->Path(), target);
  // An overwritten copy would keep the access list of whoever made the old file, and a link in
  // its place would take it elsewhere.
  if (DWORD error = platform::ClearForNewFile(target)) {
    log_->Log(L"%s cannot be written anew (error code %d); the log is not copied.", target, static_cast<int>(error));
    return;
  }
  CopyFileW(log_->Path().c_str(), target.c_str(), TRUE);
}

bool CCommonBootstrapperApp::RefuseSecondSetup() {
  std::vector<std::wstring> notes;
  logFolder_ = LogFile::MakeLogFolder(platform_.security, notes);
  log_->OpenAt(text::Format(L"%s\\Setup_%u.log", logFolder_, GetCurrentProcessId()));
  for (const std::wstring& note : notes) log_->WriteLine(note);
  if (runLock_->Error() == ERROR_ALREADY_EXISTS)
    log_->WriteLine(L"Another setup is running on this computer; this one stops without changing anything.");
  else
    log_->Log(L"Checking for another running setup failed with error code %d; stopping without changes.",
              runLock_->Error());
  ReadCommandLine(environment_.arguments, cmd_, *properties_, *log_);
  if (!NoQuestions())
    ShowPlainMessage(platform_.prompts, nullptr,
                     L"Another setup is running on this computer. Wait until it has finished, then start this "
                     L"setup again.");
  state_.SetExitCode(exit_code::AnotherSetupRunning);
  return false;
}

bool CCommonBootstrapperApp::MoveLogToChosenFile() {
  const std::wstring& file = cmd_.logFile;
  const std::wstring full = platform::FullPath(file);
  std::wstring unfit = UnfitLogFile(platform_.security, full);
  if (unfit.empty()) {
    log_->Log(L"Setup.log goes on in %s.", file);
    if (const DWORD error = log_->MoveTo(full))
      unfit = text::Format(L"it could not be written (error code %d)", static_cast<int>(error));
  }
  if (unfit.empty()) return true;
  log_->Log(L"The log file %s is refused: %s. Nothing was changed.", file, unfit);
  if (!NoQuestions())
    ShowPlainMessage(platform_.prompts, nullptr, text::Format(L"The log file %s cannot be used: %s.", file, unfit));
  state_.SetExitCode(exit_code::LogFolderUnsafe);
  return false;
}

bool CCommonBootstrapperApp::ShowHelp() {
  std::wstring help = HelpText(localization_.get());
  if (!cmd_.refused.empty()) {
    std::wstring names;
    for (const std::wstring& refused : cmd_.refused) names += (names.empty() ? L"" : L", ") + refused;
    log_->Log(L"The command line is not valid (%s); nothing was changed.", names);
    state_.SetExitCode(exit_code::InvalidCommandLine);
    help = localization_->Message(50302, {names}) + help;
  }
  // A run that may show no window still answers with the code; a wizard run shows what it takes.
  if (cmd_.silent && cmd_.help) log_->WriteLine(help);
  if (!cmd_.silent && !(cmd_.passive && !cmd_.refused.empty()))
    platform_.prompts.Show(nullptr, help, localization_->String(50300), MB_OK | MB_ICONINFORMATION, [this] {
      localization_->InstallMessageBoxHook();
    });
  return false;
}

bool CCommonBootstrapperApp::RefuseWithoutLog() {
  // The log would have gone where another user could read or redirect it: nothing is done.
  ReadCommandLine(environment_.arguments, cmd_, *properties_, *log_);
  if (!NoQuestions()) {
    std::wstring message =
        L"Setup found no folder for its log that only administrators can change, so nothing was changed.";
    for (const std::wstring& note : log_->Refusal()) message += L"\n\n" + note;
    ShowPlainMessage(platform_.prompts, nullptr, message);
  }
  state_.SetExitCode(exit_code::LogFolderUnsafe);
  return false;
}

int CCommonBootstrapperApp::ExitInstance() {
  if (!log_) return state_.ExitCode();
  log_->Log(L"Returning %d", state_.ExitCode());
  // A refused second setup must not overwrite the running one's result.
  if (runLock_ && runLock_->Held()) WriteResult();
  // COM objects go before COM itself.
  products_.clear();
  registryCheckGroups_.reset();
  setupDocument_ = XmlDocument();
  com_.reset();
  properties_->Dump(*log_);
  // A refused second setup leaves the running one's files alone.
  if (runLock_ && runLock_->Held()) CopyLog();
  runLock_.reset();
  return state_.ExitCode();
}
