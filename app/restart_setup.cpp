#include "app/restart_setup.h"

#include <windows.h>

#include "core/exit_codes.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/protected_folder.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/protected_file.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// cmd.exe through the shell, hidden; waited for when asked. The exit code, or the start error.
DWORD Cmd(platform::Processes& processes, const std::wstring& parameters, bool wait) {
  DWORD error = 0;
  platform::Child child = processes.ShellOpen(L"cmd.exe", parameters, true, error);
  if (!child) return error;
  if (!wait) return 0;
  DWORD code = 0;
  if (!child->Wait(error) || !child->ExitCode(code, error)) return error;
  return code;
}

bool IsSecretArgument(const std::wstring& arg) {
  const size_t eq = arg.find(L'=');
  return eq != std::wstring::npos && IsSecretName(arg.substr(0, eq));
}

}  // namespace

void SplitSecretArguments(const std::vector<std::wstring>& arguments, std::wstring& commandLine,
                          std::vector<std::wstring>& secretArguments) {
  commandLine.clear();
  secretArguments.clear();
  for (const std::wstring& arg : arguments) {
    if (IsSecretArgument(arg))
      secretArguments.push_back(arg);
    else
      commandLine += arg + L" ";
  }
}

std::vector<std::wstring> WithRestartArguments(LogFile& log, const std::wstring& setupDirectory,
                                               std::vector<std::wstring> arguments) {
  bool restarted = false;
  for (const std::wstring& arg : arguments) restarted = restarted || text::EqualsNoCase(arg, L"/restart");
  const std::wstring path = setupDirectory + kRestartArgumentsFile;
  if (!restarted || !platform::FileExists(path)) return arguments;
  std::vector<std::wstring> sealed;
  DWORD error = platform::TakeProtectedLines(path, sealed);
  if (error != 0) {
    log.Log(L"Reading the restart's arguments from %s failed with error code: %d", path, static_cast<int>(error));
    return arguments;
  }
  arguments.insert(arguments.end(), sealed.begin(), sealed.end());
  return arguments;
}

void RestartSetup(LogFile& log, platform::Processes& processes, platform::Registry& registry,
                  const RestartRequest& request) {
  std::wstring folder = text::Format(L"%s\\Restart", request.logFolder);
  if (!log.FolderSafeAfterRun()) {
    // The copy would run as administrator after this process ends, from a folder another user
    // could by then have renamed away and replaced.
    log.Log(L"The setup is not restarted: other users could replace %s once the setup ends.", folder);
    return;
  }
  if (request.security) {
    // The copy runs as administrator: nobody else may add to it or point the folder elsewhere.
    ProtectedFolder made = MakeProtectedFolder(*request.security, folder);
    for (const std::wstring& note : made.notes) log.WriteLine(note);
    if (!made.usable) return;
    folder = made.path;
  } else if (!platform::IsDirectory(folder) && !CreateDirectoryW(folder.c_str(), nullptr)) {
    log.Log(L"Creating %s failed with error code: %d", folder, static_cast<int>(GetLastError()));
    return;
  }
  log.Log(L"Deleting %s", folder);
  // The folders are quoted: a setup started from a folder with blanks would otherwise copy nothing.
  Cmd(processes, text::Format(L"/d /c del \"%s\\*\" /q /s", folder), true);
  DWORD copied = Cmd(processes, text::Format(L"/d /c xcopy \"%s*\" \"%s\" /s /e /q /y", request.setupDirectory, folder), true);
  if (copied != 0) {
    log.Log(L"Copying %s to %s failed with error code: %d", request.setupDirectory, folder, static_cast<int>(copied));
    return;
  }
  log.Log(L"Copying %s to %s succeeded", request.setupDirectory, folder);
  if (!request.secretArguments.empty()) {
    const std::wstring sealed = folder + L"\\" + kRestartArgumentsFile;
    DWORD error = platform::WriteProtectedLines(sealed, request.secretArguments);
    if (error != 0) {
      // Restarting without them would run the setup without its passwords.
      log.Log(L"Keeping the restart's arguments in %s failed with error code: %d", sealed, static_cast<int>(error));
      return;
    }
  }
  log.WriteLine(L"Restarting");
  if (request.exitCode == exit_code::RestartRequired) {
    Cmd(processes, text::Format(L"/d /c %s\\setup.exe /restart %s", folder, request.commandLine), false);
  } else if (request.exitCode == exit_code::RebootRequired) {
    LONG opened = registry.KeyStatus(platform::Hive::LocalMachine, kRunOnceKey, platform::View::Native);
    if (opened != ERROR_SUCCESS) {
      log.Log(L"Opening registry key HKEY_LOCAL_MACHINE\\%s returned error code %d", kRunOnceKey, static_cast<int>(opened));
      return;
    }
    LONG written = registry.WriteString(platform::Hive::LocalMachine, kRunOnceKey, L"QV_VRX",
                                        text::Format(L"\"%s\\setup.exe\" /restart %s", folder, request.commandLine),
                                        platform::View::Native);
    if (written != ERROR_SUCCESS)
      log.Log(L"Writing to registry to restart setup failed with error code: %d", static_cast<int>(written));
  }
}
