// The checker's findings for one file, printed in the compiler convention
// "file(line): warning SC0001: text" that editors and build servers pick up.
#pragma once

#include <string>
#include <vector>

struct Finding {
  long line;  // 0 when unknown
  std::wstring code;
  std::wstring text;
};

class Report {
 public:
  explicit Report(std::wstring file) : file_(std::move(file)) {}
  void Add(long line, const std::wstring& code, const std::wstring& text);
  // By line, in the order found within a line.
  std::vector<std::wstring> Lines() const;
  bool HasErrors() const;
  bool Empty() const { return findings_.empty(); }

 private:
  std::wstring file_;
  std::vector<Finding> findings_;
};
