// Entry point of setup.exe: builds the Windows services and runs the application object.
#include <windows.h>

#include <cstdlib>

#include "app/app.h"
#include "platform/trace.h"
#include "platform/win32_folders.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  platform::RestrictDllSearchToSystemFolder();
  platform::trace::Mark("start");
  platform::Win32Security security;
  platform::Win32SystemQueries system;
  platform::Win32Registry registry;
  platform::Win32Prompts prompts;
  platform::Win32WindowsInstaller installer;
  platform::Win32Processes processes;
  platform::Win32Services serviceManager;
  platform::Win32Http http;
  platform::Win32Accounts accounts;
  platform::Win32Network network;
  platform::Platform services{security, system, registry, prompts, installer, processes, serviceManager, http, accounts, network};

  AppEnvironment environment;
  wchar_t module[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path(module, n);
  environment.setupDirectory = path.substr(0, path.find_last_of(L'\\') + 1);
  for (int i = 1; i < __argc; ++i) environment.arguments.emplace_back(__wargv[i]);

  CCommonBootstrapperApp app(services, std::move(environment));
  app.InitInstance();
  const int code = app.ExitInstance();
  platform::trace::Mark("exit");
  return code;
}
