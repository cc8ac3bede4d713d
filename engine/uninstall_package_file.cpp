#include <cwctype>

#include "core/exit_codes.h"
#include "core/localization.h"
#include "core/log_file.h"
#include "core/run_mode.h"
#include "core/secret_mask.h"
#include "definition/conditions.h"
#include "definition/xml_readers.h"
#include "engine/package_file.h"
#include "platform/text.h"
#include "platform/windows_installer.h"

namespace {
// "{GUID}_Rollback.log": the package's product code, kept to the characters a file name may hold.
std::wstring RollbackLogName(const std::wstring& guid) {
  std::wstring name;
  for (wchar_t c : guid) {
    if (iswalnum(c) || c == L'{' || c == L'}' || c == L'-' || c == L'_') name += c;
  }
  return name + L"_Rollback.log";
}
}  // namespace

void UninstallPackageFile::Initialize() {
  orderElement_ = L"UninstallOrder";
  logElement_ = L"UninstallLog";
  operationWord_ = context_.localization ? context_.localization->String(50112) : std::wstring();
  if (context_.openInstallSources) installSources_ = context_.openInstallSources();
}

void UninstallPackageFile::RestoreInstallSource(const std::wstring& name, const std::wstring& guid) {
  if (installSources_) installSources_->RestoreSource(name, guid);
}

void UninstallPackageFile::DeleteInstallSource(const std::wstring& name) {
  if (installSources_) installSources_->DropEntry(name);
}

// The run decides in the same order, with the package's PreUninstall command run between the
// condition and the installed state.
PackageDecision UninstallPackageFile::Decide(const XmlNode& package) const {
  if (!Conditions(package, ConditionKind::Uninstall, context_.Values()).Evaluate())
    return {L"skip", skip_reason::kConditionFalse};
  const std::wstring guid = Read(package, L"GUID");
  if (guid.empty()) return {L"skip", skip_reason::kNoProductCode};
  if (!platform::IsInstalledState(context_.installer.QueryProductState(guid))) return {L"skip", skip_reason::kNotInstalled};
  return {L"uninstall", {}};
}

int UninstallPackageFile::ProcessPackage(const XmlNode& package) {
  return UninstallPackage(package, false);
}

int UninstallPackageFile::UninstallPackage(const XmlNode& package, bool rollback) {
  std::wstring name = Read(package, L"Name");
  if (!Conditions(package, ConditionKind::Uninstall, context_.Values()).Evaluate()) {
    context_.log.Log(L"Skipping uninstall of %s since it does not meet uninstall condition(s).", name);
    NoteSkipped(skip_reason::kConditionFalse);
    return 0;
  }
  std::wstring preUninstall = Read(package, L"PreUninstall");
  if (!preUninstall.empty()) {
    DWORD r = context_.runHidden ? context_.runHidden(preUninstall) : ERROR_NOT_SUPPORTED;
    context_.log.Log(L"%s returned %d", preUninstall, r);
  }
  std::wstring guid = Read(package, L"GUID");
  if (guid.empty()) return 13;
  if (!platform::IsInstalledState(context_.installer.QueryProductState(guid))) {
    context_.log.Log(L"Skipping uninstall of %s since it is not installed.", name);
    NoteSkipped(skip_reason::kNotInstalled);
    return 0;
  }
  NoteRun();
  if (Observer().ShowsStatus() && !name.empty()) Observer().OnStatus(Text(50143, name));

  // Each product's record entry under its own name: another product's must survive this uninstall.
  const std::wstring shortName = currentProduct_ ? currentProduct_->ShortName : context_.shortName;
  if (!rollback) RestoreInstallSource(shortName, guid);

  std::wstring logName = ReadLogName(package);
  std::wstring arguments = Read(package, L"UninstallArguments");
  Observer().OnPackageStarted(name);
  int result = 0;
  if (!arguments.empty()) {
    std::wstring commandLine = text::Format(L"%s %s", text::QuoteIfBlank(Read(package, L"Location")), arguments);
    result = context_.runHidden ? static_cast<int>(context_.runHidden(commandLine)) : static_cast<int>(ERROR_NOT_SUPPORTED);
  } else if (rollback) {
    // msiexec.exe of the system folder, started directly: no shell reads the property values, so
    // an "&" or a "%VAR%" in them stays text, and no msiexec.exe of the search path is taken.
    // msiexec refuses a log path that names a folder (1622) before it removes anything.
    const std::wstring logPath = MsiLogPath(context_, logName.empty() ? RollbackLogName(guid) : logName);
    if (context_.systemFolder.empty() || !context_.runHidden) {
      result = static_cast<int>(ERROR_PATH_NOT_FOUND);
    } else {
      // A link in the log's place is never handed to msiexec, which would write through it.
      const std::wstring logSwitch =
          ClearMsiLog(context_, logPath) ? L"/l*v " + text::QuoteIfBlank(logPath) + L" " : std::wstring();
      std::wstring commandLine = text::Format(L"\"%s\\msiexec.exe\" /x %s /qn %s%s", context_.systemFolder, guid,
                                              logSwitch, HiddenArguments(context_, baseProperties_));
      result = static_cast<int>(context_.runHidden(commandLine));
    }
    MaskMsiLog(context_, logPath);
  } else {
    const std::wstring logPath = EnableMsiLog(logName);
    result = static_cast<int>(context_.installer.ConfigureProductEx(guid, 0, 2, HiddenArguments(context_, baseProperties_)));
    MaskMsiLog(context_, logPath);
  }
  context_.log.Log(L"Uninstalling %s returned %d.", name, result);
  Observer().OnPackageEnded(name, result);
  if (exit_code::PackageSucceeded(result) && !shortName.empty() && !rollback) uninstalledProducts_.push_back(shortName);
  return result;
}

void UninstallPackageFile::OnGroupCommitted(Product&) {
  for (const auto& name : uninstalledProducts_)
    DeleteInstallSource(name);
}

void UninstallPackageFile::RunPostPass(Product&, const XmlNode& group) {
  ForEachNumberedChild(group, L"PackageFile[PostUninstallOrder=\"%d\"]", [&](int, const XmlNode& package) {
    UninstallPackage(package, false);
    return true;
  });
}
