#include "definition/conditions.h"

#include <vector>

#include "core/property_map.h"
#include "definition/xml_readers.h"

Conditions::Conditions(const XmlNode& element, ConditionKind kind, const ReadContext& context)
    : element_(element), context_(context) {
  switch (kind) {
    case ConditionKind::Check: group_ = L"CheckConditions", item_ = L"CheckIf"; break;
    case ConditionKind::CheckGroup: list_ = L"CheckGroupList", group_ = L"CheckGroup", item_ = L"Check"; break;
    case ConditionKind::Install:
      list_ = L"InstallConditionsList", group_ = L"InstallConditions", item_ = L"InstallIf";
      break;
    case ConditionKind::Uninstall: group_ = L"UninstallConditions", item_ = L"UninstallIf"; break;
    case ConditionKind::Show: group_ = L"ShowConditions", item_ = L"ShowIf"; break;
    case ConditionKind::Execute: list_ = L"ConditionsList", group_ = L"Condition", item_ = L"ExecuteIf"; break;
  }
}

bool Conditions::Evaluate() const {
  if (!list_.empty()) {
    XmlNode list;
    if (element_.SelectSingle(list_, list) != XmlQuery::Found) return true;
    std::vector<XmlNode> groups;
    if (list.SelectAll(group_, groups) != XmlQuery::Found) return true;
    for (const XmlNode& group : groups)
      if (GroupHolds(group)) return true;
    return false;
  }
  XmlNode group;
  if (element_.SelectSingle(group_, group) != XmlQuery::Found) return true;
  return GroupHolds(group);
}

bool Conditions::GroupHolds(const XmlNode& group) const {
  std::vector<XmlNode> items;
  if (group.SelectAll(item_, items) != XmlQuery::Found) return true;
  for (const XmlNode& item : items) {
    AttributeReader reader(item, context_);
    if (reader.Count() == 0) continue;
    std::wstring property = reader.Get(L"Property");
    if (property.empty()) continue;
    std::wstring value = reader.Get(L"Value");
    if (value.empty()) continue;
    if (!context_.properties.Matches(property, value)) return false;
  }
  return true;
}
