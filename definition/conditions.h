// Whether a definition element applies on this machine and in this run.
#pragma once

#include <string>

#include "definition/read_context.h"
#include "definition/xml_document.h"

enum class ConditionKind { Check, CheckGroup, Install, Uninstall, Show, Execute };

class Conditions {
 public:
  // Values are tested against the context's properties.
  Conditions(const XmlNode& element, ConditionKind kind, const ReadContext& context);
  // True when the element's conditions hold, also when it has none.
  bool Evaluate() const;

 private:
  bool GroupHolds(const XmlNode& group) const;

  XmlNode element_;
  std::wstring list_, group_, item_;
  ReadContext context_;
};
