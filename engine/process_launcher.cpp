#include "engine/process_launcher.h"

#include <cwctype>
#include <memory>
#include <vector>

#include "platform/program_search.h"
#include "platform/text.h"

namespace {

// This client needs the setup's own command line handed on.
constexpr wchar_t kClientAgent[] = L"zem.vrx.hvdeploy.client.clientagent.exe";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Callers hand over cmd.exe argument lists ("/d /c program args"); the program is started
// directly, so the leading cmd switches go. Only whole "/d" and "/c" switches are removed: taking
// off every leading '/', 'd', 'c' and blank would also eat the start of a program such as
// "cscript.exe" or "copy".
std::wstring StripShellSwitches(const std::wstring& command) {
  size_t pos = 0;
  auto skipBlanks = [&] {
    while (pos < command.size() && IsBlank(command[pos])) ++pos;
  };
  skipBlanks();
  while (pos + 2 < command.size() && command[pos] == L'/' &&
         (std::towlower(command[pos + 1]) == L'd' || std::towlower(command[pos + 1]) == L'c') &&
         IsBlank(command[pos + 2])) {
    pos += 2;
    skipBlanks();
  }
  return command.substr(pos);
}

// What is started; it holds no password, so the log shows it as it is.
std::wstring BuildLogonCommand(const std::wstring& commandLine, const PropertyMap& properties) {
  std::wstring command = StripShellSwitches(commandLine);
  if (text::ContainsNoCase(commandLine, kClientAgent)) {
    // The user's process (and anyone who can list it) never sees a password: the known values
    // go first, so a value with blanks leaves no tail, then every secret NAME=VALUE.
    command += L" " + WithoutSecretArguments(properties.Secrets().Apply(properties.Get(L"[CMDLINE]")));
  }
  return command;
}

DWORD LaunchInSession(platform::UserToken& token, const std::wstring& user, platform::Processes& processes,
                      LogFile& log, const PropertyMap& properties, bool wait, const platform::StdHandles& handles,
                      const std::wstring& commandLine) {
  const std::wstring command = BuildLogonCommand(commandLine, properties);
  log.Log(L"Executing %s", command);
  const DWORD breakaway = processes.CurrentProcessInJob() ? CREATE_BREAKAWAY_FROM_JOB : 0;

  DWORD error = 0;
  if (!token.LoadEnvironment(error)) {
    log.Log(L"Getting environment block for user %s failed with error code %d", user, error);
    return error;
  }
  platform::Child child =
      token.CreateAsUser(command, handles, CREATE_UNICODE_ENVIRONMENT | DETACHED_PROCESS | breakaway, error);
  if (!child && error == ERROR_ACCESS_DENIED) {
    log.WriteLine(L"CreateProcessAsUser returned access denied. Retrying with CreateProcessWithTokenW.");
    child = token.CreateWithToken(command, handles, breakaway, error);
    if (!child && breakaway != 0) child = token.CreateWithToken(command, handles, 0, error);
    if (child)
      log.WriteLine(L"CreateProcessWithTokenW succeeded.");
    else
      log.Log(L"CreateProcessWithTokenW failed with error code %d", error);
  }
  if (!child) {
    log.Log(L"Logon-user process launch failed with error code %d", error);
    LogProgramNotFound(log, platform::SplitCommandHead(command).program, error);
    return error;
  }
  // Started: a failure on the way here (an earlier session, the first launch call) no longer counts.
  if (!wait) return 0;
  if (!child->Wait(error)) {
    log.Log(L"WaitForSingleObject failed with error code %d", error);
    return error;  // a child still running has no exit code to read
  }
  DWORD code = 0;
  if (!child->ExitCode(code, error)) {
    log.Log(L"GetExitCodeProcess failed with error code %d", error);
    return error;
  }
  log.Log(L"Process returned %d", code);
  return code;
}

}  // namespace

DWORD WaitForExitCode(platform::ChildProcess& child) {
  DWORD error = 0, code = 0;
  if (child.Wait(error) && child.ExitCode(code, error)) return code;
  return error ? error : static_cast<DWORD>(ERROR_INVALID_HANDLE);
}

DWORD RunHiddenCommand(platform::Processes& processes, const std::wstring& commandLine) {
  DWORD error = 0;
  platform::Child child = processes.CreateHidden(commandLine, error);
  return child ? WaitForExitCode(*child) : error;
}

DWORD RunHiddenCommand(platform::Processes& processes, LogFile& log, const std::wstring& commandLine) {
  DWORD error = 0;
  platform::Child child = processes.CreateHidden(commandLine, error);
  if (child) return WaitForExitCode(*child);
  LogProgramNotFound(log, platform::SplitCommandHead(commandLine).program, error);
  return error;
}

void LogProgramNotFound(LogFile& log, const std::wstring& program, DWORD error) {
  if (error != ERROR_FILE_NOT_FOUND || !platform::IsBareProgramName(program)) return;
  log.Log(L"%s was found neither in the system folder, the Windows folder nor a folder of PATH; it is not started.",
          program);
}

DWORD RunAsLoggedOnUser(platform::Processes& processes, LogFile& log, const PropertyMap& properties, bool wait,
                        HANDLE in, HANDLE out, const std::wstring& commandLine) {
  log.WriteLine(L"Executing command as logon user");
  std::vector<platform::SessionEntry> sessions;
  DWORD error = 0;
  if (!processes.EnumerateSessions(sessions, error)) {
    log.Log(L"WTSEnumerateSessions failed with error code %d", error);
    return error;
  }
  log.Log(L"Number of sessions: %d", static_cast<DWORD>(sessions.size()));

  DWORD result = 0;
  for (const platform::SessionEntry& session : sessions) {
    if (!session.active) continue;
    std::wstring user;
    if (!processes.SessionUserName(session.id, user, error)) {
      log.Log(L"WTSQuerySessionInformation failed with error code %d", error);
      result = error;
      continue;
    }
    log.Log(L"Session ID: %d WinStation: %s Username: %s", session.id, session.winStation, user);
    std::unique_ptr<platform::UserToken> token = processes.QueryUserToken(session.id, error);
    if (!token) {
      log.Log(L"WTSQueryUserToken failed with error code %d", error);
      result = error;
      continue;
    }
    // The first session that yields a token is the only one tried, whatever happens there.
    return LaunchInSession(*token, user, processes, log, properties, wait, platform::StdHandles{in, out},
                           commandLine);
  }
  if (result == 0) {
    // Nobody is logged on: nothing was started, which must not read as a success.
    log.Log(L"No active user session to start %s in", BuildLogonCommand(commandLine, properties));
    result = ERROR_NO_SUCH_LOGON_SESSION;
  }
  return result;
}
