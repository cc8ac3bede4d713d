#include "platform/run_program.h"

#include "platform/handles.h"

namespace platform {

DWORD RunAndWait(const std::wstring& program, const std::wstring& commandLine, DWORD& exitCode) {
  std::wstring line = commandLine;  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return GetLastError();
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return GetLastError();
  if (!GetExitCodeProcess(process.get(), &exitCode)) return GetLastError();
  return 0;
}

}  // namespace platform
