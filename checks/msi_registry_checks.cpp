#include "checks/msi_registry_checks.h"

#include <vector>

#include "core/log_file.h"
#include "core/property_map.h"
#include "definition/conditions.h"
#include "definition/xml_readers.h"
#include "platform/text.h"
#include "platform/windows_installer.h"

using platform::Hive;
using platform::View;

namespace {

Hive HiveFromText(const std::wstring& hive) {
  if (text::EqualsNoCase(hive, L"HKCU")) return Hive::CurrentUser;
  if (text::EqualsNoCase(hive, L"HKCR")) return Hive::ClassesRoot;
  if (text::EqualsNoCase(hive, L"HKU")) return Hive::Users;
  return Hive::LocalMachine;
}

constexpr size_t kRegistryAnswerBytes = 260 * sizeof(wchar_t);

}  // namespace

bool ReadRegistryValue(platform::Registry& registry, const std::wstring& hive, const std::wstring& subkey,
                       const std::wstring& valueName, std::wstring& out, size_t maxBytes, bool view64) {
  LONG error = 0;
  auto value = registry.Read(HiveFromText(hive), subkey, valueName, view64 ? View::Bit64 : View::Bit32, error);
  if (!value) return false;
  if (value->type == REG_DWORD) {
    out = text::Format(L"%d", static_cast<int>(static_cast<DWORD>(value->number)));
    return true;
  }
  // A multi-text value shows its first text, as a plain buffer read would.
  std::wstring textValue = value->text.substr(0, value->text.find(L'\0'));
  if ((value->text.size() + 1) * sizeof(wchar_t) > maxBytes) return false;
  out = textValue;
  return true;
}

void MsiRegistryChecker::RunMsiChecks() {
  std::vector<XmlNode> groups;
  if (context_.document.SelectAll(L"//MSIChecks", groups) == XmlQuery::Failed) return;
  for (const auto& group : groups)
    ForEachNumberedChild(group, L"*[Order=\"%d\"]", [&](int, const XmlNode& child) {
      CheckMsiProduct(child);
      return true;
    });
}

void MsiRegistryChecker::CheckMsiProduct(const XmlNode& check) {
  LogFile& log = context_.log;
  PropertyMap& properties = context_.properties;
  AttributeReader attributes(check, context_.Values());
  if (attributes.Count() == 0) {
    log.WriteLine(L"MSICheck - Property attribute missing");
    return;
  }
  std::wstring property = attributes.Get(L"Property");
  if (!Conditions(check, ConditionKind::Check, context_.Values()).Evaluate()) {
    log.Log(L"%s not checked.", property);
    return;
  }
  if (property.empty()) return;
  if (keepExisting_ && !properties.Get(property).empty()) return;
  std::wstring guid = attributes.Get(L"GUID");
  bool installed = !guid.empty() && platform::IsInstalledState(context_.machine.installer.QueryProductState(guid));
  const wchar_t* answer = installed ? L"True" : L"False";
  properties.Set(property, answer);
  log.Log(L"%s %s", property, answer);
}

void MsiRegistryChecker::RunRegistryChecks() {
  std::vector<XmlNode> groups;
  if (context_.document.SelectAll(L"//RegistryChecks", groups) == XmlQuery::Failed) return;
  RunRegistryChecks(groups);
}

void MsiRegistryChecker::RunRegistryChecks(const std::vector<XmlNode>& groups) {
  PropertyMap& properties = context_.properties;
  bool walkEnded = false;
  for (const auto& group : groups) {
    if (walkEnded) break;
    ForEachNumberedChild(group, L"RegistryCheck[Order=\"%d\"]", [&](int, const XmlNode& check) {
      if (!Conditions(check, ConditionKind::Check, context_.Values()).Evaluate()) return true;
      AttributeReader attributes(check, context_.Values());
      if (attributes.Count() == 0) return true;
      std::wstring property = attributes.Get(L"Property");
      if (keepExisting_ && !properties.Get(property).empty()) {
        walkEnded = true;
        return false;
      }
      ElementTextReader texts(check, context_.Values());
      std::wstring hive, subkey, valueName;
      texts.GetText(L"HKey", hive);
      texts.GetText(L"Subkey", subkey);
      texts.GetText(L"QueryValue", valueName);
      std::wstring answer;
      platform::Registry& registry = context_.machine.registry;
      if (!ReadRegistryValue(registry, hive, subkey, valueName, answer, kRegistryAnswerBytes, false)) {
        answer.clear();
        if (!text::EqualsNoCase(properties.Get(L"Processor"), L"x64") ||
            !ReadRegistryValue(registry, hive, subkey, valueName, answer, kRegistryAnswerBytes, true))
          answer.clear();
      }
      properties.Set(property, answer);
      return true;
    });
  }
}
