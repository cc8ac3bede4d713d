// The two readers through which every part takes values out of the definition,
// and the walk over numbered children.
#pragma once

#include <functional>
#include <string>

#include "definition/read_context.h"
#include "definition/xml_document.h"

class LogFile;

// Attribute texts of one element; a non-empty value comes back substituted.
class AttributeReader {
 public:
  AttributeReader(const XmlNode& element, const ReadContext& context);
  std::wstring Get(const std::wstring& name) const;
  long Count() const { return count_; }

 private:
  XmlNode element_;
  ReadContext context_;
  long count_ = 0;
};

// Texts of the first node under a path relative to one node.
class ElementTextReader {
 public:
  ElementTextReader(const XmlNode& node, const ReadContext& context);
  // Empties out, then fills it from the first match; logs "Error %d getting %s text" when the
  // query fails or matches nothing. A non-empty text is substituted unless raw is set.
  bool GetText(const std::wstring& path, std::wstring& out, bool raw = false) const;

 private:
  XmlNode node_;
  ReadContext context_;
};

// Visits, for N = 1, 2, 3, ..., the first child of parent matching pattern with N put in
// (the pattern holds one %d, e.g. *[Order="%d"]); stops at the first N that selects nothing
// or when visit answers false.
void ForEachNumberedChild(const XmlNode& parent, const std::wstring& pattern,
                          const std::function<bool(int number, const XmlNode& child)>& visit);

// Puts value, quoted as an XPath literal, for the single %s of pattern. A value holding both
// kinds of quote cannot be quoted: that is logged and the answer is empty, which callers
// treat as "no match" rather than letting the text change the query.
std::wstring QueryWithValue(const std::wstring& pattern, const std::wstring& value, LogFile& log);
