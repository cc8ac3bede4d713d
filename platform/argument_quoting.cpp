#include "platform/argument_quoting.h"

namespace text {

std::wstring QuoteArgument(std::wstring_view argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
    return std::wstring(argument);
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count only before a quote: there each one is doubled, and the quote escaped.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');  // before the closing quote
  quoted += L'"';
  return quoted;
}

std::wstring JoinArguments(const std::vector<std::wstring>& arguments) {
  std::wstring line;
  for (const std::wstring& argument : arguments) {
    if (!line.empty()) line += L' ';
    line += QuoteArgument(argument);
  }
  return line;
}

}  // namespace text
