#include <algorithm>

#include "core/localization.h"
#include "core/log_file.h"
#include "definition/conditions.h"
#include "definition/xml_readers.h"
#include "engine/package_file.h"
#include "platform/windows_installer.h"

namespace {
// REINSTALLMODE_FILEOLDERVERSION | REINSTALLMODE_MACHINEDATA | REINSTALLMODE_SHORTCUT
constexpr DWORD kReinstallMode = 0x284;
}  // namespace

void RepairPackageFile::Initialize() {
  orderElement_ = L"InstallOrder";
  logElement_ = L"RepairLog";
  operationWord_ = context_.localization ? context_.localization->String(50123) : std::wstring();
}

PackageDecision RepairPackageFile::Decide(const XmlNode& package) const {
  if (!Conditions(package, ConditionKind::Install, context_.Values()).Evaluate())
    return {L"skip", skip_reason::kConditionFalse};
  const std::wstring guid = Read(package, L"GUID");
  if (guid.empty()) return {L"skip", skip_reason::kNoProductCode};
  // Missing from the machine: a repair installs it.
  if (!platform::IsInstalledState(context_.installer.QueryProductState(guid))) return {L"install", skip_reason::kNotInstalled};
  if (std::find(repairedGuids_.begin(), repairedGuids_.end(), guid) != repairedGuids_.end())
    return {L"skip", L"repaired already"};
  return {L"repair", {}};
}

int RepairPackageFile::ProcessPackage(const XmlNode& package) {
  std::wstring name = Read(package, L"Name");
  const PackageDecision decision = Decide(package);
  if (decision.reason == skip_reason::kNoProductCode) return 13;
  if (decision.reason == skip_reason::kConditionFalse)
    context_.log.Log(L"Skipping repair of %s since it does not meet repair condition(s).", name);
  if (decision.action == L"skip") {
    NoteSkipped(decision.reason);
    return 0;
  }
  if (decision.action == L"install") {
    NoteRun();
    InstallPackageFile install(context_, baseProperties_);
    install.Initialize();
    return install.InstallMsiPackage(package, name);
  }
  const std::wstring guid = Read(package, L"GUID");
  NoteRun();
  if (Observer().ShowsStatus() && !name.empty()) Observer().OnDetail(Text(50142, name));
  // Windows Installer caches a package without its cabinets, so a repair that must put a file back
  // reads it from a source it knows; the folder the product came from may be gone (a one-file
  // setup removes what it unpacked). The package this run has becomes one more source.
  const std::wstring location = Read(package, L"Location");
  if (!location.empty()) {
    const UINT added = context_.installer.AddSourceFolder(guid, location);
    if (added != 0) context_.log.Log(L"Adding the folder of %s to the sources of %s returned %d.", location, name, static_cast<int>(added));
  }
  const std::wstring logPath = EnableMsiLog(ReadLogName(package));
  Observer().OnPackageStarted(name);
  int result = static_cast<int>(context_.installer.ReinstallProduct(guid, kReinstallMode));
  MaskMsiLog(context_, logPath);
  context_.log.Log(L"Repairing %s returned %d.", name, result);
  Observer().OnPackageEnded(name, result);
  return result;
}

void RepairPackageFile::OnGroupCommitted(Product& product) {
  std::vector<XmlNode> groups;
  if (!ProductGroups(product, groups)) return;
  for (const XmlNode& group : groups) {
    ForEachNumberedChild(group, L"PackageFile[" + orderElement_ + L"=\"%d\"]", [&](int, const XmlNode& package) {
      std::wstring guid = Read(package, L"GUID");
      if (!guid.empty() && std::find(repairedGuids_.begin(), repairedGuids_.end(), guid) == repairedGuids_.end())
        repairedGuids_.push_back(guid);
      return true;
    });
  }
}
