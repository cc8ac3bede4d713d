// exitwith.exe CODE [ARGS...]: appends its full command line (UTF-8) as one line to
// "exitwith.log" beside itself, then exits with CODE (decimal, may be negative or above 255).
// Started by a program that chooses the arguments itself (as a downloaded installer is), it takes
// the code from EXITWITH_CODE and writes the line to EXITWITH_LOG when those are set.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {
std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

std::wstring LogPath() {
  std::wstring chosen = Environment(L"EXITWITH_LOG");
  if (!chosen.empty()) return chosen;
  wchar_t buffer[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path(buffer, length);
  size_t slash = path.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + L"exitwith.log";
}

std::string Utf8(const std::wstring& s) {
  if (s.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), size, nullptr, nullptr);
  return out;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::string line = Utf8(GetCommandLineW()) + "\n";
  HANDLE file = CreateFileW(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
  }
  std::wstring fromEnvironment = Environment(L"EXITWITH_CODE");
  long long code = !fromEnvironment.empty() ? std::wcstoll(fromEnvironment.c_str(), nullptr, 10)
                   : argc > 1              ? std::wcstoll(argv[1], nullptr, 10)
                                           : 0;
  ExitProcess(static_cast<UINT>(code));
}
