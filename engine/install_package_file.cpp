#include "core/localization.h"
#include "core/log_file.h"
#include "definition/conditions.h"
#include "definition/xml_readers.h"
#include "engine/package_file.h"
#include "platform/windows_installer.h"

void InstallPackageFile::Initialize() {
  orderElement_ = L"InstallOrder";
  logElement_ = L"InstallLog";
  operationWord_ = context_.localization ? context_.localization->String(50122) : std::wstring();
}

PackageDecision InstallPackageFile::Decide(const XmlNode& package) const {
  if (!Conditions(package, ConditionKind::Install, context_.Values()).Evaluate())
    return {L"skip", skip_reason::kConditionFalse};
  const std::wstring guid = Read(package, L"GUID");
  if (guid.empty()) return {L"skip", skip_reason::kNoProductCode};
  if (platform::IsInstalledState(context_.installer.QueryProductState(guid)))
    return {L"skip", skip_reason::kAlreadyInstalled};
  return {L"install", {}};
}

int InstallPackageFile::ProcessPackage(const XmlNode& package) {
  std::wstring name = Read(package, L"Name");
  const PackageDecision decision = Decide(package);
  if (decision.reason == skip_reason::kNoProductCode) return 13;
  if (decision.reason == skip_reason::kConditionFalse)
    context_.log.Log(L"Skipping install of %s since it does not meet install condition(s).", name);
  else if (decision.reason == skip_reason::kAlreadyInstalled)
    context_.log.Log(L"Skipping install of %s since it is already installed.", name);
  if (decision.action == L"skip") {
    NoteSkipped(decision.reason);
    return 0;
  }
  return InstallMsiPackage(package, name);
}

void InstallPackageFile::RunRollbackPass(const XmlNode& group) {
  if (context_.rerunRegistryChecks) context_.rerunRegistryChecks();
  ForEachNumberedChild(group, L"PackageFile[InstallRollbackOrder=\"%d\"]", [&](int, const XmlNode& package) {
    UninstallPackageFile rollback(context_, baseProperties_);
    rollback.Initialize();
    rollback.UninstallPackage(package, true);
    return true;
  });
}
