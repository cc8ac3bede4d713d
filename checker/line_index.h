// Lines of a definition's elements. The setup's XML access gives no positions, so the file's text
// is scanned once for start tags, each recorded under its path of element-child positions from
// the root; the same path, read from the DOM for an element the checks hold, finds its line.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "definition/xml_document.h"

using ElementPath = std::vector<int>;

// The element-child positions from the document element down to element ({0} for the root).
ElementPath PathOf(const XmlNode& element);

class LineIndex {
 public:
  // Scans text (UTF-8 or UTF-16 with its byte order mark); false when it cannot be read.
  bool Load(const std::wstring& path);
  void Scan(const std::wstring& text);
  // The 1-based line of the element's start tag; 0 when the scan disagrees with the DOM.
  long LineOf(const XmlNode& element) const;
  // Where the tags stop matching (an end tag of another element, or the end of the text with
  // elements still open); 0 when they all match.
  long MismatchLine() const { return mismatch_; }

 private:
  struct Tag {
    std::wstring name;
    long line;
  };
  std::map<ElementPath, Tag> tags_;
  std::vector<std::wstring> openNames_;
  long mismatch_ = 0;
};
