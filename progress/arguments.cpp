#include "progress/arguments.h"

#include <windows.h>

#include <shellapi.h>

namespace {

bool SameName(const std::wstring& a, const wchar_t* b) { return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL; }

}  // namespace

ProgressArguments ParseProgressArguments(const std::vector<std::wstring>& arguments) {
  ProgressArguments parsed;
  for (const std::wstring& argument : arguments) {
    const size_t equals = argument.find(L'=');
    if (equals == std::wstring::npos) continue;
    const std::wstring name = argument.substr(0, equals);
    const std::wstring value = argument.substr(equals + 1);
    if (SameName(name, L"ProductName"))
      parsed.productName = value;
    else if (SameName(name, L"Platform"))
      parsed.platform = value;
    else if (SameName(name, L"NETFramework"))
      parsed.netFramework = value == L"1";
    else if (SameName(name, L"Mode"))
      parsed.mode = value;
  }
  return parsed;
}

std::vector<std::wstring> ProcessArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(argv[i]);
  LocalFree(argv);
  return arguments;
}
