// A setup log that keeps its lines in memory.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/log_file.h"

class MemoryLog : public LogFile {
 public:
  void Emit(const std::wstring& line) override { lines.push_back(line); }
  bool Has(const std::wstring& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
  size_t Count(const std::wstring& line) const { return std::count(lines.begin(), lines.end(), line); }
  bool HasContaining(const std::wstring& part) const {
    return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.find(part) != std::wstring::npos; });
  }
  std::vector<std::wstring> lines;
};
