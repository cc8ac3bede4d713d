#include "bundle/command_tail.h"

#include "platform/text.h"

namespace bundle {

std::wstring_view ArgumentsTail(std::wstring_view line) {
  size_t i = 0;
  bool quoted = false;
  for (; i < line.size(); ++i) {
    if (line[i] == L'"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && (line[i] == L' ' || line[i] == L'\t')) break;
  }
  while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
  return line.substr(i);
}

std::wstring ChildCommandLine(const std::wstring& program, std::wstring_view tail) {
  std::wstring line = L"\"" + program + L"\"";
  if (!tail.empty()) line += L" " + std::wstring(tail);
  return line;
}

bool AsksForSilence(const std::vector<std::wstring>& arguments) {
  for (const std::wstring& arg : arguments)
    if (text::EqualsNoCase(arg, L"/q") || text::EqualsNoCase(arg, L"autoupdate")) return true;
  return false;
}

}  // namespace bundle
