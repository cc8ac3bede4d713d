#include "engine/prerequisite_installer.h"

#include <algorithm>

#include "core/exit_codes.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/run_mode.h"
#include "core/secret_mask.h"
#include "definition/conditions.h"
#include "definition/product.h"
#include "definition/xml_readers.h"
#include "engine/dotnet_framework_installer.h"
#include "engine/package_file.h"
#include "platform/text.h"
#include "platform/windows_installer.h"

PrerequisiteInstaller::PrerequisiteInstaller(EngineContext& context, BuiltInInstallers& builtIns,
                                             PrerequisiteMachine machine, PrerequisiteOutcome& outcome)
    : context_(context), builtIns_(builtIns), machine_(std::move(machine)), outcome_(outcome) {}

std::wstring PrerequisiteInstaller::DotNetDisplayName(OsCode osCode, int servicePackMajor, const std::wstring& version) {
  if (!TakesCurrentDotNetLine(osCode, servicePackMajor)) return L"Microsoft .NET Framework 4";
  return text::Format(L"Microsoft .NET Framework %s", version.empty() ? std::wstring(kDefaultDotNetVersion) : version);
}

std::wstring PrerequisiteInstaller::Read(const XmlNode& prerequisite, const wchar_t* element) const {
  std::wstring value;
  ElementTextReader(prerequisite, context_.Values()).GetText(element, value);
  return value;
}

std::wstring PrerequisiteInstaller::FirstProductVersion() const {
  return context_.products.empty() ? std::wstring() : context_.products.front()->NETFramework;
}

bool PrerequisiteInstaller::SelectGroups() {
  if (!selected_) {
    if (context_.document.SelectAll(L"//PrerequisiteFileGroup", groups_) == XmlQuery::Failed) {
      outcome_.rebootPrerequisiteName = L"XML_ERROR";
      context_.log.WriteLine(L"PrerequisiteFile::Parse() Error: //PrerequisiteFileGroup");
      return false;
    }
    selected_ = true;
  }
  return true;
}

void PrerequisiteInstaller::Record(const std::wstring& name, ItemOutcome outcome, int code, const std::wstring& reason,
                                   const std::wstring& log) {
  if (!context_.state || name.empty()) return;
  ItemReport& report = context_.state->Report().Prerequisite(name);
  report.action = outcome == ItemOutcome::Skipped ? L"skip" : L"install";
  report.outcome = outcome;
  report.resultCode = code;
  report.reason = reason;
  if (!log.empty()) report.logs.push_back(log);
}

bool PrerequisiteInstaller::PlanPrerequisites() {
  if (!SelectGroups()) return false;
  for (const XmlNode& group : groups_) {
    ForEachNumberedChild(group, L"PrerequisiteFile[Order=\"%d\"]", [&](int, const XmlNode& prerequisite) {
      const std::wstring name = Read(prerequisite, L"Name");
      const std::wstring custom = Read(prerequisite, L"Custom");
      std::wstring action = L"install", reason;
      if (!Conditions(prerequisite, ConditionKind::Install, context_.Values()).Evaluate()) {
        action = L"skip", reason = skip_reason::kConditionFalse;
      } else if (custom == L".NET 4" && text::EqualsNoCase(context_.properties.Get(L"DotNetFramework_4"), L"True")) {
        action = L"skip", reason = skip_reason::kAlreadyInstalled;
      } else if (!custom.empty()) {
        reason = L"when its installer finds it missing";
      } else if (Read(prerequisite, L"Location").empty()) {
        action = L"skip", reason = L"no location";
      }
      if (context_.state && !name.empty()) {
        ItemReport& report = context_.state->Report().Prerequisite(name);
        report.action = action;
        report.outcome = ItemOutcome::Planned;
        report.reason = reason;
      }
      context_.log.Log(L"Plan: prerequisite %s: %s%s", name, action, reason.empty() ? L"" : L" (" + reason + L")");
      return true;
    });
  }
  return true;
}

bool PrerequisiteInstaller::InstallPrerequisites() {
  if (!SelectGroups()) return false;
  // The cursor stays where it is: a second call finds every group walked already.
  for (; nextGroup_ < groups_.size(); ++nextGroup_) {
    bool goOn = true;
    ForEachNumberedChild(groups_[nextGroup_], L"PrerequisiteFile[Order=\"%d\"]", [&](int, const XmlNode& prerequisite) {
      goOn = Prerequisite(prerequisite);
      return goOn;
    });
    if (!goOn) {
      ++nextGroup_;
      return false;
    }
  }
  return true;
}

bool PrerequisiteInstaller::Prerequisite(const XmlNode& prerequisite) {
  const std::wstring previous = currentName_;
  currentName_ = Read(prerequisite, L"Name");
  // The same prerequisite listed again after another one was already put on the machine.
  if (!previous.empty() && previous != currentName_ &&
      std::find(installedList_.begin(), installedList_.end(), currentName_) != installedList_.end())
    return true;

  XmlNode custom;
  if (prerequisite.SelectSingle(L"Custom", custom) == XmlQuery::Found) {
    const int before = context_.ExitCode();
    const bool goOn = BuiltInPrerequisite(prerequisite, Read(prerequisite, L"Custom"));
    const int after = context_.ExitCode();
    if (!Conditions(prerequisite, ConditionKind::Install, context_.Values()).Evaluate())
      Record(currentName_, ItemOutcome::Skipped, 0, skip_reason::kConditionFalse);
    else if (after == before || after == 0)
      Record(currentName_, ItemOutcome::Succeeded, 0);
    else if (after == exit_code::RebootRequired || after == exit_code::RestartRequired)
      Record(currentName_, ItemOutcome::Succeeded, after, L"a restart is needed to finish it");
    else
      Record(currentName_, ItemOutcome::Failed, after, outcome_.resultText);
    return goOn;
  }
  int result = FilePrerequisite(prerequisite);
  if (exit_code::PackageSucceeded(result)) return true;
  // Another installation in progress is worth a retry later, which a plain failure is not.
  context_.SetExitCode(result == exit_code::AnotherSetupRunning ? result : exit_code::Failed);
  return false;
}

void PrerequisiteInstaller::Announce(const std::wstring& name) {
  if (name.empty()) return;
  // Silent runs without a progress window need the name too: the reboot text names it.
  outcome_.rebootPrerequisiteName = name;
  EngineObserver& observer = context_.Observer();
  if (!observer.ShowsStatus()) return;
  context_.log.Log(L"Installing %s", name);
  observer.OnStatus(context_.localization ? context_.localization->Message(50141, {name}) : std::wstring());
}

int PrerequisiteInstaller::FilePrerequisite(const XmlNode& prerequisite) {
  if (!Conditions(prerequisite, ConditionKind::Install, context_.Values()).Evaluate()) {
    Record(currentName_, ItemOutcome::Skipped, 0, skip_reason::kConditionFalse);
    return 0;
  }
  std::wstring location = Read(prerequisite, L"Location");
  if (location.empty()) {
    Record(currentName_, ItemOutcome::NotApplicable, 0, L"no location");
    return 0;
  }
  std::wstring logPath;
  Announce(currentName_);
  const bool installerPackage = text::Contains(location, L".msi");
  std::wstring arguments =
      installerPackage ? ReadPropertyString(context_, prerequisite, L"Arguments") : Read(prerequisite, L"Arguments");
  context_.Observer().OnPackageStarted(currentName_);
  int result = 0;
  if (installerPackage) {
    const std::wstring logName = Read(prerequisite, L"InstallLog");
    logPath = EnableMsiLog(context_, logName);
    if (logName.empty()) logPath.clear();  // the folder, not a log of its own
    result = static_cast<int>(context_.installer.InstallProduct(location, HiddenArguments(context_, arguments)));
    MaskMsiLog(context_, logPath);
    context_.log.Log(L"Installing %s returned %d", location, result);
  } else if (text::Contains(location, L".exe")) {
    std::wstring commandLine = arguments.empty() ? location : location + L" " + arguments;
    const std::wstring started = text::QuoteIfBlank(location) + (arguments.empty() ? L"" : L" " + arguments);
    result = context_.runHidden ? static_cast<int>(context_.runHidden(started)) : static_cast<int>(ERROR_NOT_SUPPORTED);
    context_.log.Log(L"Installing %s returned %d", commandLine, result);
  }
  context_.Observer().OnPackageEnded(currentName_, result);
  Record(currentName_, exit_code::PackageSucceeded(result) ? ItemOutcome::Succeeded : ItemOutcome::Failed, result, {},
         logPath);
  // A 3010 or 1641 here is the package's own business: it is not turned into a reboot request.
  if (exit_code::PackageSucceeded(result)) installedList_.push_back(currentName_);
  return result;
}

void PrerequisiteInstaller::Fail(const ComponentResult& result) {
  // An installer that answered 0 while its component is still missing has failed all the same.
  context_.SetExitCode(result.exitCode != 0 ? static_cast<int>(result.exitCode) : exit_code::Failed);
  outcome_.resultText = result.errorText;
}

bool PrerequisiteInstaller::BuiltInPrerequisite(const XmlNode& prerequisite, const std::wstring& custom) {
  if (!Conditions(prerequisite, ConditionKind::Install, context_.Values()).Evaluate() || custom.empty())
    return true;
  if (custom == L".NET 3.5 SP1") {
    Announce(currentName_);
    ComponentResult result = builtIns_.DotNet35Sp1();
    if (!result.success) {
      Fail(result);
      return false;
    }
    if (exit_code::AsksForRestart(static_cast<int>(result.exitCode))) {
      context_.SetExitCode(exit_code::RebootRequired);
      return false;
    }
    installedList_.push_back(currentName_);
    return true;
  }
  if (custom == L".NET 4") return DotNet4();
  if (custom == L"Windows Installer 4.5") {
    Announce(currentName_);
    ComponentResult result = builtIns_.WindowsInstaller45();
    if (result.success) {
      installedList_.push_back(currentName_);
      return true;
    }
    if (exit_code::AsksForRestart(static_cast<int>(result.exitCode)))
      context_.SetExitCode(exit_code::RestartRequired);
    else
      Fail(result);
    return false;
  }
  if (custom == L"SQLCMD") {
    Announce(currentName_);
    builtIns_.WindowsInstaller45();  // its outcome does not matter here
    int flavour = 8;
    ComponentResult client = builtIns_.SqlNativeClient(flavour);
    if (!client.success) {
      Fail(client);
      return true;
    }
    if (builtIns_.SqlCmdInstalled()) {
      installedList_.push_back(currentName_);
      return true;
    }
    ComponentResult sqlcmd = builtIns_.InstallSqlCmd(flavour);
    if (exit_code::PackageSucceeded(static_cast<int>(sqlcmd.exitCode)))
      installedList_.push_back(currentName_);
    else
      Fail(sqlcmd);
    return true;
  }
  if (custom == L"ASP.NET 4.0") {
    Announce(currentName_);
    ComponentResult result = builtIns_.AspNet4();
    if (result.exitCode == 0)
      installedList_.push_back(currentName_);
    else
      Fail(result);
    return true;
  }
  return true;
}

bool PrerequisiteInstaller::DotNet4() {
  const std::wstring version = FirstProductVersion();
  outcome_.dotNetDisplayName = DotNetDisplayName(machine_.osCode, machine_.servicePackMajor, version);
  Announce(outcome_.dotNetDisplayName);
  ComponentResult result = builtIns_.DotNet4(version.empty() ? std::wstring(kDefaultDotNetVersion) : version);
  if (!result.success) {
    Fail(result);
    return false;
  }
  const bool flagSet = machine_.rebootRequired && machine_.rebootRequired();
  if (!exit_code::AsksForRestart(static_cast<int>(result.exitCode)) && !flagSet) {
    installedList_.push_back(outcome_.dotNetDisplayName);
    return true;
  }
  context_.SetExitCode(exit_code::RebootRequired);
  const uint32_t mode = context_.modeFlags;
  const std::wstring& shortName = context_.shortName;
  const bool installsBeforeReboot =
      (mode & (mode::Install | mode::Upgrade)) &&
      (text::EqualsNoCase(shortName, L"VURovizo") || text::EqualsNoCase(shortName, L"DEVadirez") ||
       text::EqualsNoCase(shortName, L"DEVadirezClient") || text::EqualsNoCase(shortName, L"DownloadManager"));
  outcome_.rebootNeeded = true;
  if (installsBeforeReboot) return true;
  if (!flagSet && machine_.setRebootRequired) machine_.setRebootRequired();
  return false;
}
