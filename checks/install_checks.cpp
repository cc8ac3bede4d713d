#include "checks/install_checks.h"

#include <vector>

#include "checks/msi_registry_checks.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "definition/conditions.h"
#include "definition/xml_readers.h"

void InstallChecks::Run() {
  for (const wchar_t* groupPath : {L"//InstallChecks", L"//MSIChecks"}) {
    std::vector<XmlNode> groups;
    if (context_.document.SelectAll(groupPath, groups) == XmlQuery::Failed) return;
    for (const XmlNode& group : groups) {
      ForEachNumberedChild(group, L"*[Order=\"%d\"]", [&](int, const XmlNode& child) {
        const std::wstring name = child.Name();
        if (name == L"InstallCheck")
          ProbeProperty(child);
        else if (name == L"MSICheck")
          MsiRegistryChecker(context_, true).CheckMsiProduct(child);
        return true;
      });
    }
  }
}

void InstallChecks::ProbeProperty(const XmlNode& check) {
  AttributeReader attributes(check, context_.Values());
  if (attributes.Count() == 0) {
    context_.log.WriteLine(L"InstallCheck - Property attribute missing");
    return;
  }
  const std::wstring name = attributes.Get(L"Property");
  if (!Conditions(check, ConditionKind::Check, context_.Values()).Evaluate()) {
    context_.log.Log(L"%s not checked.", name);
    return;
  }
  if (name.empty()) return;
  // A value set by start-up, the command line or an earlier check stays.
  if (!context_.properties.Get(name).empty()) return;
  if (!ProbeTable::Handles(name)) {
    context_.log.Log(L"%s not handled", name);
    return;
  }
  auto answer = probes_.Run(name);
  if (!answer) return;
  context_.properties.Set(name, *answer);
  context_.log.Log(L"%s %s", name, *answer);
}

std::unique_ptr<InstallChecks> RunInstallChecks(CheckContext& context) {
  auto checks = std::make_unique<InstallChecks>(context);
  checks->Run();
  return checks;
}
