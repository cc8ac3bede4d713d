// Starting child processes: hidden, through the shell, with the 64-bit file system visible,
// and in the interactive user's session. A program named without a folder is started by its
// full path from the system folder, the Windows folder or PATH (platform/program_search.h), never
// from beside setup.exe or the current folder; one found nowhere fails with ERROR_FILE_NOT_FOUND.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace platform {

// A started child. Its process and thread handles close when the object goes away; the child
// itself keeps running.
class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Waits for the child to end, without time-out; false with the error when the wait fails.
  virtual bool Wait(DWORD& error) = 0;
  // GetExitCodeProcess; false with the error when the code cannot be read.
  virtual bool ExitCode(DWORD& code, DWORD& error) = 0;
};
using Child = std::unique_ptr<ChildProcess>;

// While this object lives, WOW64 file-system redirection is off for the calling thread (when it
// applies to this machine); the object's end restores it.
class RedirectionScope {
 public:
  virtual ~RedirectionScope() = default;
};

struct SessionEntry {
  DWORD id = 0;
  std::wstring winStation;
  bool active = false;  // WTSActive
};

// Standard input and output (also used as standard error) for a child in a user's session;
// either may be null.
struct StdHandles {
  HANDLE input = nullptr;
  HANDLE output = nullptr;
  bool Any() const { return input != nullptr || output != nullptr; }
};

// The primary token of a logged-on user, and the user's environment block once loaded.
class UserToken {
 public:
  virtual ~UserToken() = default;
  // CreateEnvironmentBlock for the user, without this process's environment.
  virtual bool LoadEnvironment(DWORD& error) = 0;
  // CreateProcessAsUserW on "winsta0\default" with the loaded environment block. Handles given in
  // `handles` are passed as the child's standard handles, with inheritance on.
  virtual Child CreateAsUser(const std::wstring& commandLine, const StdHandles& handles, DWORD flags, DWORD& error) = 0;
  // CreateProcessWithTokenW with LOGON_WITH_PROFILE and no environment block.
  virtual Child CreateWithToken(const std::wstring& commandLine, const StdHandles& handles, DWORD flags, DWORD& error) = 0;
};

// The step of making a child's input pipe that failed.
enum class PipeStep { Create, SetInformation };

class Processes {
 public:
  virtual ~Processes() = default;

  // CreateProcessW without a window (CREATE_NO_WINDOW, SW_HIDE), inheritable process handle,
  // no handle inheritance, the parent's environment and folder. nullptr with the error on failure.
  virtual Child CreateHidden(const std::wstring& commandLine, DWORD& error) = 0;
  // CreateProcessW with the given creation flags and nothing else set.
  virtual Child Create(const std::wstring& commandLine, DWORD flags, DWORD& error) = 0;
  // ShellExecuteExW "open" of a file with parameters, keeping the process handle.
  virtual Child ShellOpen(const std::wstring& file, const std::wstring& parameters, bool hidden, DWORD& error,
                          const std::wstring& directory = L"") = 0;
  // Turns WOW64 file-system redirection off for the calling thread on 64-bit Windows.
  virtual std::unique_ptr<RedirectionScope> DisableFsRedirection() = 0;
  // An anonymous pipe for a child's standard input: the read end inheritable, the write end not.
  // False with the failed step and its error; both ends are then empty.
  virtual bool CreateInputPipe(UniqueHandle& readEnd, UniqueHandle& writeEnd, PipeStep& failed, DWORD& error) = 0;

  // The terminal sessions of this machine, in the order Windows returns them.
  virtual bool EnumerateSessions(std::vector<SessionEntry>& sessions, DWORD& error) = 0;
  virtual bool SessionUserName(DWORD session, std::wstring& user, DWORD& error) = 0;
  // WTSQueryUserToken; nullptr with the error on failure.
  virtual std::unique_ptr<UserToken> QueryUserToken(DWORD session, DWORD& error) = 0;
  // Is this process in a job (so a child must break away from it)? false when unknown.
  virtual bool CurrentProcessInJob() = 0;
  // The executable file names of the running processes (a snapshot); false when none was taken.
  virtual bool RunningExecutables(std::vector<std::wstring>& names) = 0;
};

class Win32Processes final : public Processes {
 public:
  Child CreateHidden(const std::wstring& commandLine, DWORD& error) override;
  Child Create(const std::wstring& commandLine, DWORD flags, DWORD& error) override;
  Child ShellOpen(const std::wstring& file, const std::wstring& parameters, bool hidden, DWORD& error,
                  const std::wstring& directory = L"") override;
  std::unique_ptr<RedirectionScope> DisableFsRedirection() override;
  bool CreateInputPipe(UniqueHandle& readEnd, UniqueHandle& writeEnd, PipeStep& failed, DWORD& error) override;
  bool EnumerateSessions(std::vector<SessionEntry>& sessions, DWORD& error) override;
  bool SessionUserName(DWORD session, std::wstring& user, DWORD& error) override;
  std::unique_ptr<UserToken> QueryUserToken(DWORD session, DWORD& error) override;
  bool CurrentProcessInJob() override;
  bool RunningExecutables(std::vector<std::wstring>& names) override;
};

}  // namespace platform
