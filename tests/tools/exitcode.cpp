// exitcode.exe PROGRAM [ARGS...]: runs the program, waits, and prints its full
// Windows exit code (a Linux exit status keeps only the low 8 bits).
// exitcode.exe /line COMMANDLINE: the same for a command line taken as written (a run-once value).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
std::wstring Quote(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  for (wchar_t c : arg) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fwprintf(stderr, L"usage: exitcode PROGRAM [ARGS...]\n");
    return 2;
  }
  std::wstring commandLine;
  if (argc == 3 && std::wstring(argv[1]) == L"/line")
    commandLine = argv[2];
  else
    for (int i = 1; i < argc; ++i) commandLine += (i > 1 ? L" " : L"") + Quote(argv[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    fwprintf(stderr, L"CreateProcess failed with error code %lu\n", GetLastError());
    return 3;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  wprintf(L"%lu\n", code);
  fflush(stdout);
  return 0;
}
