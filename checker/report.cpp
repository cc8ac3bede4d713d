#include "checker/report.h"

#include <algorithm>

#include "checker/definition_schema.h"

void Report::Add(long line, const std::wstring& code, const std::wstring& text) {
  // A rule may reach the same element twice (two walks over one group); one line is enough.
  for (const Finding& f : findings_)
    if (f.line == line && f.code == code && f.text == text) return;
  findings_.push_back({line, code, text});
}

std::vector<std::wstring> Report::Lines() const {
  std::vector<Finding> sorted = findings_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
  std::vector<std::wstring> lines;
  for (const Finding& f : sorted) {
    std::wstring where = f.line > 0 ? file_ + L"(" + std::to_wstring(f.line) + L")" : file_;
    lines.push_back(where + L": " + (schema::FindCode(f.code).error ? L"error " : L"warning ") + f.code + L": " + f.text);
  }
  return lines;
}

bool Report::HasErrors() const {
  return std::any_of(findings_.begin(), findings_.end(), [](const Finding& f) { return schema::FindCode(f.code).error; });
}
