#include "app/restart_setup.h"

#include <windows.h>

#include "core/exit_codes.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/protected_folder.h"
#include "platform/argument_quoting.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/protected_file.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// A program of the system folder by its full path, hidden; waited for. The exit code, or the start
// error. Never by its bare name: a cmd.exe or xcopy.exe beside the setup would run as administrator.
DWORD RunSystemProgram(platform::Processes& processes, const std::wstring& systemFolder, const wchar_t* program,
                       const std::wstring& parameters) {
  DWORD error = 0;
  platform::Child child = processes.ShellOpen(systemFolder + L"\\" + program, parameters, true, error);
  if (!child) return error;
  DWORD code = 0;
  if (!child->Wait(error) || !child->ExitCode(code, error)) return error;
  return code;
}

bool IsSecretArgument(const std::wstring& arg) {
  const size_t eq = arg.find(L'=');
  return eq != std::wstring::npos && IsSecretName(arg.substr(0, eq));
}

std::wstring WithoutTrailingBackslashes(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// Copies the setup's folder into the restart folder, emptied first; `folder` becomes the fresh
// one used when what stands there cannot be. False (logged) on failure.
bool CopyIntoRestartFolder(LogFile& log, platform::Processes& processes, const RestartRequest& request,
                           std::wstring& folder) {
  if (request.security) {
    // The copy runs as administrator: nobody else may add to it or point the folder elsewhere.
    ProtectedFolder made = MakeProtectedFolder(*request.security, folder);
    for (const std::wstring& note : made.notes) log.WriteLine(note);
    if (!made.usable) return false;
    folder = made.path;
  } else if (!platform::IsDirectory(folder) && !CreateDirectoryW(folder.c_str(), nullptr)) {
    log.Log(L"Creating %s failed with error code: %d", folder, static_cast<int>(GetLastError()));
    return false;
  }
  log.Log(L"Deleting %s", folder);
  // The folders are quoted: a setup started from a folder with blanks would otherwise copy nothing.
  RunSystemProgram(processes, request.systemFolder, L"cmd.exe", text::Format(L"/d /c del \"%s\\*\" /q /s", folder));
  DWORD copied = RunSystemProgram(processes, request.systemFolder, L"xcopy.exe",
                                  text::Format(L"\"%s*\" \"%s\" /s /e /q /y", request.setupDirectory, folder));
  if (copied != 0) {
    log.Log(L"Copying %s to %s failed with error code: %d", request.setupDirectory, folder, static_cast<int>(copied));
    return false;
  }
  log.Log(L"Copying %s to %s succeeded", request.setupDirectory, folder);
  return true;
}

}  // namespace

bool HasRestartSwitch(const std::vector<std::wstring>& arguments) {
  for (const std::wstring& arg : arguments)
    if (text::EqualsNoCase(arg, L"/restart")) return true;
  return false;
}

void SplitSecretArguments(const std::vector<std::wstring>& arguments, std::wstring& commandLine,
                          std::vector<std::wstring>& secretArguments) {
  secretArguments.clear();
  std::vector<std::wstring> open;
  for (const std::wstring& arg : arguments) {
    if (IsSecretArgument(arg))
      secretArguments.push_back(arg);
    else if (!text::EqualsNoCase(arg, L"/restart"))
      open.push_back(arg);
  }
  commandLine = text::JoinArguments(open);
}

std::vector<std::wstring> WithRestartArguments(LogFile& log, const std::wstring& setupDirectory,
                                               std::vector<std::wstring> arguments) {
  const std::wstring path = setupDirectory + kRestartArgumentsFile;
  if (!HasRestartSwitch(arguments) || !platform::FileExists(path)) return arguments;
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
  if (request.systemFolder.empty()) {
    log.WriteLine(L"The setup is not restarted: the system folder is not known.");
    return;
  }
  // A copy that needs a restart again runs from the restart folder: emptying it would delete
  // the very files it is to start, so it is started from where it is.
  if (text::EqualsNoCase(WithoutTrailingBackslashes(request.setupDirectory), folder)) {
    log.Log(L"The setup runs from %s already; it is restarted from there.", folder);
  } else if (!CopyIntoRestartFolder(log, processes, request, folder)) {
    return;
  }
  if (!request.secretArguments.empty()) {
    const std::wstring sealed = folder + L"\\" + kRestartArgumentsFile;
    DWORD error = platform::WriteProtectedLines(sealed, request.secretArguments);
    if (error != 0) {
      // Restarting without them would run the setup without its passwords.
      log.Log(L"Keeping the restart's arguments in %s failed with error code: %d", sealed, static_cast<int>(error));
      return;
    }
  }
  // The arguments come quoted one by one: the copy reads each back whole.
  const std::wstring commandLine = text::Format(L"\"%s\\setup.exe\" /restart", folder) +
                                   (request.commandLine.empty() ? L"" : L" " + request.commandLine);
  log.WriteLine(L"Restarting");
  if (request.exitCode == exit_code::RestartRequired) {
    // Started directly, never through cmd.exe, which would run an "&" in an argument's value.
    DWORD error = 0;
    if (!processes.Create(commandLine, 0, error))
      log.Log(L"Starting %s\\setup.exe failed with error code: %d", folder, static_cast<int>(error));
  } else if (request.exitCode == exit_code::RebootRequired) {
    LONG opened = registry.KeyStatus(platform::Hive::LocalMachine, kRunOnceKey, platform::View::Native);
    if (opened != ERROR_SUCCESS) {
      log.Log(L"Opening registry key HKEY_LOCAL_MACHINE\\%s returned error code %d", kRunOnceKey, static_cast<int>(opened));
      return;
    }
    LONG written = registry.WriteString(platform::Hive::LocalMachine, kRunOnceKey, L"QV_VRX", commandLine,
                                        platform::View::Native);
    if (written != ERROR_SUCCESS)
      log.Log(L"Writing to registry to restart setup failed with error code: %d", static_cast<int>(written));
  }
}
