#include "checks/minimum_requirements.h"

#include <windows.h>

#include "checks/check_messages.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "definition/conditions.h"
#include "definition/xml_readers.h"

void MinimumRequirements::PublishBypass() {
  // Two characters: room for "1" and its terminator. A longer value does not fit, so it reads as
  // a failure and the buffer is never looked at.
  wchar_t value[2] = {};
  SetLastError(0);
  DWORD length = GetEnvironmentVariableW(L"OPBypassMSRCheck", value, 2);
  bool bypass = length > 0 && length < 2 && value[0] == L'1';
  if (bypass)
    context_.log.WriteLine(L"OPBypassMSRCheck environment variable is set.");
  else
    context_.log.Log(L"GetEnvironmentVariable for OPBypassMSRCheck failed with error code %d",
                     static_cast<int>(GetLastError()));
  context_.properties.Set(L"BypassMSRCheck", bypass ? L"True" : L"False");
}

bool MinimumRequirements::CheckMinimumRequirements() {
  PublishBypass();
  std::vector<XmlNode> lists;
  if (context_.document.SelectAll(L"//MinimumRequirementChecks", lists) != XmlQuery::Found) return true;
  bool met = true;
  for (const auto& list : lists) {
    ForEachNumberedChild(list, L"MinimumRequirement[@Order=\"%d\"]", [&](int, const XmlNode& requirement) {
      met = RequirementMet(requirement);
      return met;
    });
    if (!met) return false;
  }
  return true;
}

bool MinimumRequirements::RequirementMet(const XmlNode& requirement) {
  if (!Conditions(requirement, ConditionKind::Check, context_.Values()).Evaluate()) return true;
  failures_.clear();
  std::vector<XmlNode> checks;
  requirement.SelectAll(L"CheckGroupList/CheckGroup/Check", checks);
  for (const auto& check : checks) {
    AttributeReader attributes(check, context_.Values());
    std::wstring property = attributes.Get(L"Property");
    if (context_.properties.Matches(property, attributes.Get(L"Value"))) continue;
    std::wstring error = attributes.Get(L"Error");
    if (error.empty()) continue;
    context_.log.Log(L"Minimum requirement %s is %s", property, error);
    failures_.push_back(error);
  }
  if (failures_.empty()) return true;
  if (!context_.silent) ShowFailure(requirement);
  return false;
}

void MinimumRequirements::ShowFailure(const XmlNode& requirement) {
  std::wstring message;
  ElementTextReader(requirement, context_.Values()).GetText(L"MessageInfo", message);
  message += L"\n";
  for (const auto& failure : failures_) message += L"\n" + failure;
  ShowCheckMessage(context_, message, context_.productDisplayName, MB_OK | MB_ICONWARNING);
}
