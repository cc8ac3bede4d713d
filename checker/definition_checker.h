// Checks one product definition (or variables list) for the faults and traps that make a setup
// do less than its author meant. Values are read with the setup's own readers, substitution and
// numbered walk, so what is reported is what the setup would do.
#pragma once

#include <string>

#include "checker/line_index.h"
#include "checker/report.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "definition/read_context.h"
#include "definition/xml_document.h"

// The readers log what they cannot find; for the checker that is no news.
class QuietLog : public LogFile {
 public:
  void Emit(const std::wstring&) override {}
};

struct CheckTarget {
  std::wstring path;           // as given, also the name in the report
  std::wstring distribution;   // with its backslash; empty: Locations are not looked for
};

class DefinitionChecker {
 public:
  DefinitionChecker(const CheckTarget& target, Report& report);
  void Run();

  // Shared by the rule families.
  void Add(const XmlNode& at, const wchar_t* code, const std::wstring& text);
  ReadContext Values() const { return {log_, properties_, nullptr}; }
  const XmlDocument& Document() const { return doc_; }
  const CheckTarget& Target() const { return target_; }

 private:
  CheckTarget target_;
  Report& report_;
  mutable QuietLog log_;
  PropertyMap properties_;
  XmlDocument doc_;
  LineIndex lines_;
};

// The rule families, each over the whole document.
void CheckStructure(DefinitionChecker& checker);
void CheckNumbering(DefinitionChecker& checker);
void CheckPackages(DefinitionChecker& checker);
void CheckValues(DefinitionChecker& checker);

// Every element of the document in document order.
std::vector<XmlNode> AllElements(const XmlDocument& doc);
// The element children of node, in document order.
std::vector<XmlNode> ChildElements(const XmlNode& node);
// The raw text of a child element; false when there is none.
bool RawChildText(const XmlNode& node, const std::wstring& child, std::wstring& text);
