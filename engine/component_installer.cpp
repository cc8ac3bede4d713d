#include "engine/component_installer.h"

#include <windows.h>

void ComponentInstaller::WaitAndRecord(platform::ChildProcess& child) {
  DWORD error = 0;
  child.Wait(error);
  DWORD code = 0;
  if (!child.ExitCode(code, error)) return;
  exitCode = code;
  log.Log(L"Operation returned %d", exitCode);
}

void ComponentInstaller::ShellExecuteAndWait(const std::wstring& file, const std::wstring& parameters) {
  log.Log(L"Executing %s %s", file, parameters);
  DWORD error = 0;
  platform::Child child = processes.ShellOpen(file, parameters, hidden, error);
  if (!child) {
    exitCode = error;
    log.Log(L"Operation failed. Error %d", exitCode);
    return;
  }
  WaitAndRecord(*child);
}

void ComponentInstaller::RunWithoutRedirection(const std::wstring& commandLine) {
  // Declared before the child so that redirection comes back only after its handle is closed.
  std::unique_ptr<platform::RedirectionScope> redirection = processes.DisableFsRedirection();
  log.Log(L"Executing %s", commandLine);
  DWORD error = 0;
  platform::Child child = processes.Create(commandLine, hidden ? CREATE_NO_WINDOW : 0, error);
  if (!child) {
    exitCode = error;
    log.Log(L"Operation failed. Error %d", exitCode);
    return;
  }
  WaitAndRecord(*child);
}
