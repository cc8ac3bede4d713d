#include "engine/package_file.h"

#include "core/exit_codes.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "core/secret_mask.h"
#include "definition/conditions.h"
#include "definition/substitute.h"
#include "definition/xml_readers.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/windows_installer.h"

PackageFile::PackageFile(EngineContext& context, std::wstring baseProperties)
    : context_(context), baseProperties_(std::move(baseProperties)) {}

std::wstring PackageFile::Read(const XmlNode& package, const wchar_t* element) const {
  std::wstring value;
  ElementTextReader(package, context_.Values()).GetText(element, value);
  return value;
}

std::wstring PackageFile::Text(UINT id, const std::wstring& argument) const {
  return context_.localization ? context_.localization->Message(id, {argument}) : std::wstring();
}

std::wstring PackageFile::ReadLogName(const XmlNode& package) const {
  std::wstring name = Read(package, logElement_.c_str());
  if (!name.empty()) context_.log.Log(L"%s is %s", logElement_, name);
  return name;
}

std::wstring PackageFile::BuildArguments(const XmlNode& package, bool forInstaller) const {
  std::wstring extra = forInstaller ? ReadPropertyString(context_, package, L"InstallArguments")
                                    : Read(package, L"InstallArguments");
  if (extra.empty()) return baseProperties_;
  return baseProperties_.empty() ? extra : baseProperties_ + L" " + extra;
}

std::wstring MsiLogPath(const EngineContext& context, const std::wstring& fileName) {
  std::wstring path = context.logFolder;
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path + fileName;
}

bool ClearMsiLog(const EngineContext& context, const std::wstring& path) {
  const DWORD error = platform::ClearForNewFile(path);
  if (error)
    context.log.Log(L"%s cannot be written anew (error code %d); the installer keeps no log there.", path,
                    static_cast<int>(error));
  return error == 0;
}

std::wstring EnableMsiLog(const EngineContext& context, const std::wstring& fileName) {
  const std::wstring path = MsiLogPath(context, fileName);
  // Without a name the folder itself is handed over, as the definition asks; there is no file to clear.
  if (!fileName.empty() && !ClearMsiLog(context, path)) {
    context.installer.EnableLog(0, L"", 0);
    return {};
  }
  context.installer.EnableLog(platform::kVerboseLogMode, path, 0);
  return path;
}

std::wstring ReadPropertyString(const EngineContext& context, const XmlNode& node, const wchar_t* element) {
  std::wstring value;
  if (ElementTextReader(node, context.Values()).GetText(element, value, true) && !value.empty())
    Substitute(value, context.Values(), Insertion::PropertyString);
  return value;
}

void MaskMsiLog(const EngineContext& context, const std::wstring& path) {
  context.log.MaskFile(path, context.properties.Secrets());
}

std::wstring HiddenArguments(const EngineContext& context, const std::wstring& arguments) {
  SecretMask& secrets = context.properties.Secrets();
  secrets.AddArguments(secrets.Apply(arguments));
  return HidingSecrets(arguments);
}

std::wstring PackageFile::EnableMsiLog(const std::wstring& fileName) const {
  const std::wstring path = ::EnableMsiLog(context_, fileName);
  if (!fileName.empty() && !path.empty() && currentProduct_)
    if (ItemReport* report = ReportOf(*currentProduct_)) report->logs.push_back(path);
  return path;
}

int PackageFile::InstallMsiPackage(const XmlNode& package, const std::wstring& name) {
  std::wstring logName = ReadLogName(package);
  std::wstring location = Read(package, L"Location");
  if (location.empty()) return 2;
  if (Observer().ShowsStatus() && !name.empty()) Observer().OnStatus(Text(50141, name));
  std::wstring arguments = BuildArguments(package);
  const std::wstring logPath = EnableMsiLog(logName);
  Observer().OnPackageStarted(name);
  NoteRun();
  int result = static_cast<int>(context_.installer.InstallProduct(location, HiddenArguments(context_, arguments)));
  MaskMsiLog(context_, logPath);
  context_.log.Log(L"Installing %s returned %d.", location, result);
  Observer().OnPackageEnded(name, result);
  return result;
}

// The groups of every Product element with this short name, in document order. Taken from the
// catalog's own elements: a "//Product[@ShortName=...]" query per product walks the whole
// document each time and makes a large definition quadratic.
bool PackageFile::ProductGroups(const Product& product, std::vector<XmlNode>& groups) const {
  groups.clear();
  for (const auto& other : context_.products) {
    if (other->ShortName != product.ShortName) continue;
    std::vector<XmlNode> own;
    if (other->Element().SelectAll(L"PackageFileGroup", own) == XmlQuery::Failed) {
      context_.log.Log(L"Error %#X", static_cast<HRESULT>(E_FAIL));
      return false;
    }
    groups.insert(groups.end(), own.begin(), own.end());
  }
  return true;
}

int PackageFile::ProcessPackage(const XmlNode&) { return 0; }
void PackageFile::OnGroupCommitted(Product&) {}
void PackageFile::RunRollbackPass(const XmlNode&) {}

bool PackageFile::RunSequence(uint32_t kind) {
  EngineObserver& observer = Observer();
  const bool several = context_.products.size() > 1;
  for (const auto& productPointer : context_.products) {
    Product& product = *productPointer;
    currentProduct_ = &product;
    if (DependencyMissing(product, kind)) continue;
    if (kind == mode::Uninstall && several && context_.familyCheck) context_.familyCheck(product.GUID);
    ItemReport* report = ReportOf(product);
    if (report) report->action = ActionWord(kind);
    packagesRun_ = 0;
    skipReason_.clear();

    std::vector<XmlNode> groups;
    if (!ProductGroups(product, groups)) return false;

    for (const XmlNode& group : groups) {
      if (observer.CancelConfirmed()) {
        context_.log.WriteLine(L"Setup was cancelled: no further package group is begun.");
        context_.SetExitCode(exit_code::Cancelled);
        if (report && !product.Succeeded) {
          report->outcome = ItemOutcome::Cancelled;
          report->resultCode = exit_code::Cancelled;
        }
        return true;
      }
      if (observer.ShowsStatus()) observer.OnStatus(Text(50138, operationWord_));

      std::unique_ptr<platform::MsiTransactions> transactions = context_.installer.LoadTransactions();
      if (!transactions || !transactions->Available()) {
        context_.SetExitCode(exit_code::TransactionsUnavailable);
        continue;
      }
      UINT begun = transactions->Begin(kTransactionName, 0);
      if (begun != 0) {
        context_.SetExitCode(static_cast<int>(begun));
        continue;
      }
      // An upgrade is not interrupted between its halves' groups.
      const bool cancellable = context_.modeFlags != mode::Upgrade;
      if (cancellable) observer.OnCancelAllowed(true);

      int groupResult = -1;
      ForEachNumberedChild(group, L"PackageFile[" + orderElement_ + L"=\"%d\"]", [&](int, const XmlNode& package) {
        if (observer.CancelConfirmed()) {
          context_.log.Log(L"Setup was cancelled: %s is not started.", Read(package, L"Name"));
          groupResult = exit_code::Cancelled;
          context_.SetExitCode(groupResult);
          return false;
        }
        observer.OnPackageTurnBegins();
        groupResult = ProcessPackage(package);
        observer.OnPackageTurnEnds();
        if (observer.CancelConfirmed() && exit_code::PackageSucceeded(groupResult)) {
          // Windows Installer may finish a package it was told to cancel (Wine does): the person's
          // answer stands, and the group is rolled back.
          context_.log.Log(L"Setup was cancelled while %s ran (it returned %d); it counts as cancelled.",
                           Read(package, L"Name"), groupResult);
          groupResult = exit_code::Cancelled;
        }
        if (exit_code::AsksForRestart(groupResult)) context_.RequestRestart();
        if (exit_code::PackageSucceeded(groupResult)) return true;
        context_.SetExitCode(groupResult);
        return false;
      });

      if (groupResult == -1) {
        // Nothing was walked, so nothing was installed: a definition fault, not a success.
        context_.log.Log(L"A package group of %s has no package numbered 1; it is rolled back.", product.ShortName);
        context_.SetExitCode(exit_code::DefinitionInvalid);
      }
      const bool passed = exit_code::PackageSucceeded(groupResult);
      observer.OnStatusHidden();
      std::wstring transactionLog =
          text::Format(passed ? L"%s_%sCommit.log" : L"%s_%sRollback.log", product.ShortName, operationWord_);
      if (observer.ShowsStatus()) observer.OnStatus(Text(passed ? 50139 : 50140, operationWord_));
      const std::wstring transactionLogPath = EnableMsiLog(transactionLog);
      if (cancellable) observer.OnCancelAllowed(false);

      UINT ended = transactions->End(passed ? 1 : 0);
      MaskMsiLog(context_, transactionLogPath);
      // 3010 or 1641 from the commit means committed, with a restart to follow.
      if (passed && exit_code::PackageSucceeded(static_cast<int>(ended))) {
        if (exit_code::AsksForRestart(static_cast<int>(ended))) context_.RequestRestart();
        RunPostPass(product, group);
        product.Succeeded = true;
        OnGroupCommitted(product);
      } else {
        // The packages succeeded but their commit did not: nothing stays installed, so the run
        // must not end with a success code.
        if (passed) context_.SetExitCode(static_cast<int>(ended));
        product.Succeeded = false;
        RunRollbackPass(group);
        if (kind == mode::Uninstall && several && text::EqualsNoCase(context_.properties.Get(L"Tier1_Installed"), L"False"))
          context_.properties.Set(L"Tier1_Installed", L"True");
      }
      product.ResultCode = groupResult;
    }
    if (report) Report(*report, product);
  }
  return true;
}

void PackageFile::Report(ItemReport& report, const Product& product) const {
  report.resultCode = product.ResultCode;
  if (product.ResultCode == exit_code::Cancelled) {
    report.outcome = ItemOutcome::Cancelled;
  } else if (!product.Succeeded) {
    report.outcome = ItemOutcome::Failed;
  } else if (packagesRun_ == 0 && !skipReason_.empty()) {
    report.outcome = ItemOutcome::Skipped;  // every package was left alone
    report.reason = skipReason_;
  } else {
    report.outcome = ItemOutcome::Succeeded;
  }
}

ItemReport* PackageFile::ReportOf(const Product& product) const {
  if (!context_.state) return nullptr;
  ItemReport& report = context_.state->Report().Product(product.ShortName);
  report.name = product.Name;
  report.productCode = product.GUID;
  return &report;
}

std::wstring PackageFile::ActionWord(uint32_t kind) const {
  if (context_.modeFlags & mode::Upgrade) return L"upgrade";
  return kind == mode::Uninstall ? L"uninstall" : kind == mode::Repair ? L"repair" : L"install";
}

bool PackageFile::DependencyMissing(Product& product, uint32_t kind) {
  const uint32_t runMode = context_.modeFlags;
  if (product.IsDependencyInstalled(context_.products, context_.installer) || runMode == mode::Uninstall ||
      context_.ExitCode() == exit_code::Cancelled)
    return false;
  if (runMode == mode::Install) product.ResultCode = exit_code::DependencyNotMet;
  context_.log.Log(L"%s skipped: the product it depends on (%s) is not installed.", product.ShortName,
                   product.Dependency);
  if (ItemReport* report = ReportOf(product)) {
    report->action = L"skip";
    report->outcome = ItemOutcome::Skipped;
    report->reason = text::Format(L"%s: %s is not installed", skip_reason::kDependencyMissing, product.Dependency);
    report->resultCode = exit_code::DependencyNotMet;
  }
  // A product to be installed or repaired is not there afterwards: the run has not succeeded.
  // (The uninstall half of an upgrade skips it too, and has nothing to remove.)
  if (kind != mode::Uninstall && !planning_) context_.SetExitCode(exit_code::DependencyNotMet);
  return true;
}

PackageDecision PackageFile::Decide(const XmlNode&) const { return {L"install", {}}; }

bool PackageFile::PlanSequence(uint32_t kind) {
  if (!context_.state) return false;
  planning_ = true;
  for (const auto& productPointer : context_.products) {
    Product& product = *productPointer;
    currentProduct_ = &product;
    // A dependency this run puts on the machine first is met by the time the product's turn comes.
    const ItemReport* dependency = context_.state->Report().FindProduct(product.Dependency);
    const bool dependencyPlanned = !product.Dependency.empty() && dependency && dependency->action != L"skip";
    if (!dependencyPlanned && DependencyMissing(product, kind)) continue;
    ItemReport* report = ReportOf(product);
    std::vector<XmlNode> groups;
    if (!ProductGroups(product, groups)) return false;
    if (!report) continue;
    report->outcome = ItemOutcome::Planned;
    report->packages.clear();
    bool acts = false;
    int groupNumber = 0;
    for (const XmlNode& group : groups) {
      ++groupNumber;
      ForEachNumberedChild(group, L"PackageFile[" + orderElement_ + L"=\"%d\"]", [&](int, const XmlNode& package) {
        const PackageDecision decision = Decide(package);
        report->packages.push_back({groupNumber, Read(package, L"Name"), decision.action, decision.reason});
        context_.log.Log(L"Plan: %s, group %d, %s: %s%s", product.ShortName, groupNumber, Read(package, L"Name"),
                         decision.action, decision.reason.empty() ? L"" : L" (" + decision.reason + L")");
        acts = acts || decision.action != L"skip";
        return true;
      });
    }
    report->action = acts ? ActionWord(kind) : L"skip";
    if (!acts) report->reason = L"no package to change";
    context_.log.Log(L"Plan: %s: %s%s", product.ShortName, report->action,
                     report->reason.empty() ? L"" : L" (" + report->reason + L")");
  }
  return true;
}

int PackageFile::CountPackages() const {
  int count = 0;
  for (const auto& product : context_.products) {
    std::vector<XmlNode> groups;
    if (!ProductGroups(*product, groups)) continue;
    for (const XmlNode& group : groups)
      ForEachNumberedChild(group, L"PackageFile[" + orderElement_ + L"=\"%d\"]", [&](int, const XmlNode&) {
        ++count;
        return true;
      });
  }
  return count;
}

void PackageFile::RunPostPass(Product& product, const XmlNode& group) {
  context_.log.WriteLine(L"Start post install");
  exitCodeRequired_ = false;
  ForEachNumberedChild(group, L"PackageFile[PostInstallOrder=\"%d\"]", [&](int, const XmlNode& package) {
    InstallPostPackage(package);
    return true;
  });
  if (!failedPackages_.empty()) {
    std::wstring list;
    for (const auto& name : failedPackages_) list += text::Format(L"- %s could not be installed\n", name);
    context_.log.Log(
        L"The %s installation was completed with the following errors. Contact your system administrator.\n\n%s\n"
        L"Click OK to close this message.",
        product.Name, list);
    // Whoever watches is told too, in the culture's words; the pass waits for them.
    if (Localization* localization = context_.localization) {
      std::wstring localized;
      for (const auto& name : failedPackages_) localized += localization->Message(50187, {name});
      Observer().OnFailure(localization->Message(50188, {context_.productDisplayName, localized}));
    }
  }
  if (exitCodeRequired_) {
    product.ExitCode = requiredExitCode_;
    // A success may not hide an earlier product's failure.
    if (requiredExitCode_ != 0 || context_.ExitCode() == 0) context_.SetExitCode(requiredExitCode_);
  }
}

int PackageFile::InstallPostPackage(const XmlNode& package) {
  std::wstring name = Read(package, L"Name");
  if (!Conditions(package, ConditionKind::Install, context_.Values()).Evaluate()) {
    context_.log.Log(L"Skipping install of %s since it does not meet install condition(s).", name);
    return 0;
  }
  std::wstring location = Read(package, L"Location");
  if (location.empty()) return -1;
  if (Observer().ShowsStatus() && !name.empty())
    Observer().OnStatus(Text(context_.modeFlags == mode::Repair ? 50142 : 50141, name));
  const bool carriesExitCode = text::EqualsNoCase(Read(package, L"ExitCodeRequired"), L"Yes");
  if (carriesExitCode) exitCodeRequired_ = true;
  const bool installerPackage = text::Contains(location, L".msi");
  std::wstring arguments = BuildArguments(package, installerPackage);

  int result = 0;
  if (!installerPackage) {
    std::wstring commandLine = arguments.empty() ? location : location + L" " + arguments;
    const std::wstring started = text::QuoteIfBlank(location) + (arguments.empty() ? L"" : L" " + arguments);
    result = context_.runHidden ? static_cast<int>(context_.runHidden(started)) : static_cast<int>(ERROR_NOT_SUPPORTED);
    context_.log.Log(L"Installing %s returned %d", commandLine, result);
    std::wstring lower = text::ToLower(location);
    // These data-migration tools answer 1 when there was nothing to migrate.
    if (result == 1 && (text::Contains(lower, L"zem.vrx.datamigration.update.exe") ||
                        text::Contains(lower, L"zem.vrx.datamigration.dbupdate.exe") ||
                        text::Contains(lower, L"zem.vrx.dm.auditpreptool.dbupdate.exe")))
      result = 0;
  } else {
    const std::wstring logPath = EnableMsiLog(ReadLogName(package));
    result = static_cast<int>(context_.installer.InstallProduct(location, HiddenArguments(context_, arguments)));
    MaskMsiLog(context_, logPath);
    context_.log.Log(L"Installing %s returned %d.", location, result);
  }
  if (exit_code::AsksForRestart(result)) context_.RequestRestart();
  if (!exit_code::PackageSucceeded(result)) failedPackages_.push_back(name);
  // The setup started no restart itself: a carried 1641 reads as the 3010 it stands for here.
  if (carriesExitCode) requiredExitCode_ = exit_code::AsksForRestart(result) ? exit_code::SuccessRestartRequired : result;
  return result;
}
