// Whether a definition element applies on this machine and in this run.
#pragma once

#include <string>

#include "definition/xml_document.h"

class PropertyMap;

enum class ConditionKind { Check, CheckGroup, Install, Uninstall, Show, Execute };

class Conditions {
 public:
  // properties defaults to the process's map.
  Conditions(const XmlNode& element, ConditionKind kind, const PropertyMap* properties = nullptr);
  // True when the element's conditions hold, also when it has none.
  bool Evaluate() const;

 private:
  bool GroupHolds(const XmlNode& group) const;

  XmlNode element_;
  std::wstring list_, group_, item_;
  const PropertyMap* properties_;
};
