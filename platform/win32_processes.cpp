#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <string>

#include "platform/processes.h"
#include "platform/program_search.h"
#include "platform/subsystem_handles.h"
#include "platform/win32_folders.h"

namespace platform {
namespace {

class Win32Child final : public ChildProcess {
 public:
  Win32Child(HANDLE process, HANDLE thread) : process_(process), thread_(thread) {}

  bool Wait(DWORD& error) override {
    DWORD result = WaitForSingleObject(process_.get(), INFINITE);
    if (result == WAIT_OBJECT_0) return true;
    error = result == WAIT_FAILED ? GetLastError() : result;
    return false;
  }
  bool ExitCode(DWORD& code, DWORD& error) override {
    if (GetExitCodeProcess(process_.get(), &code)) return true;
    error = GetLastError();
    return false;
  }

 private:
  UniqueHandle process_;
  UniqueHandle thread_;
};

// The thread handle is of no use to callers that only wait; it is closed at once.
Child ProcessOnly(PROCESS_INFORMATION& started) {
  UniqueHandle thread(started.hThread);
  return std::make_unique<Win32Child>(started.hProcess, nullptr);
}

class Win32RedirectionScope final : public RedirectionScope {
 public:
  Win32RedirectionScope() {
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    if (info.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_AMD64) return;
    kernel32_ = LoadSystemLibrary(L"kernel32.dll");
    if (!kernel32_) return;
    using Disable = BOOL(WINAPI*)(PVOID*);
    auto disable = reinterpret_cast<Disable>(
        reinterpret_cast<void*>(GetProcAddress(kernel32_.get(), "Wow64DisableWow64FsRedirection")));
    // In a 64-bit process the call fails and nothing needs restoring.
    disabled_ = disable != nullptr && disable(&oldValue_);
  }
  ~Win32RedirectionScope() override {
    if (!disabled_) return;
    using Revert = BOOL(WINAPI*)(PVOID);
    auto revert = reinterpret_cast<Revert>(
        reinterpret_cast<void*>(GetProcAddress(kernel32_.get(), "Wow64RevertWow64FsRedirection")));
    if (revert) revert(oldValue_);
  }

 private:
  Library kernel32_;
  PVOID oldValue_ = nullptr;
  bool disabled_ = false;
};

// The application name CreateProcessW gets: none for a program given with a folder.
const wchar_t* Application(const ProcessLaunch& launch) {
  return launch.application.empty() ? nullptr : launch.application.c_str();
}

STARTUPINFOW SessionStartup(wchar_t* desktop, const StdHandles& handles) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.lpDesktop = desktop;
  if (handles.Any()) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = handles.input;
    startup.hStdOutput = handles.output;
    startup.hStdError = handles.output;
  }
  return startup;
}

class Win32UserToken final : public UserToken {
 public:
  explicit Win32UserToken(HANDLE token) : token_(token) {}

  bool LoadEnvironment(DWORD& error) override {
    if (CreateEnvironmentBlock(environment_.put(), token_.get(), FALSE)) return true;
    error = GetLastError();
    return false;
  }

  Child CreateAsUser(const std::wstring& commandLine, const StdHandles& handles, DWORD flags,
                     DWORD& error) override {
    ProcessLaunch launch;
    if (!PrepareLaunch(commandLine, launch, error)) return nullptr;
    wchar_t desktop[] = L"winsta0\\default";
    STARTUPINFOW startup = SessionStartup(desktop, handles);
    PROCESS_INFORMATION started{};
    if (!CreateProcessAsUserW(token_.get(), Application(launch), launch.commandLine.data(), nullptr, nullptr, handles.Any(), flags,
                              environment_.get(), nullptr, &startup, &started)) {
      error = GetLastError();
      return nullptr;
    }
    return std::make_unique<Win32Child>(started.hProcess, started.hThread);
  }

  Child CreateWithToken(const std::wstring& commandLine, const StdHandles& handles, DWORD flags,
                        DWORD& error) override {
    ProcessLaunch launch;
    if (!PrepareLaunch(commandLine, launch, error)) return nullptr;
    wchar_t desktop[] = L"winsta0\\default";
    STARTUPINFOW startup = SessionStartup(desktop, handles);
    PROCESS_INFORMATION started{};
    if (!CreateProcessWithTokenW(token_.get(), LOGON_WITH_PROFILE, Application(launch), launch.commandLine.data(), flags, nullptr, nullptr,
                                 &startup, &started)) {
      error = GetLastError();
      return nullptr;
    }
    return std::make_unique<Win32Child>(started.hProcess, started.hThread);
  }

 private:
  // Declared first so the environment block is destroyed before the token closes.
  UniqueHandle token_;
  EnvironmentBlock environment_;
};

}  // namespace

Child Win32Processes::CreateHidden(const std::wstring& commandLine, DWORD& error) {
  ProcessLaunch launch;  // CreateProcessW may write into its command line
  if (!PrepareLaunch(commandLine, launch, error)) return nullptr;
  SECURITY_ATTRIBUTES processAttributes{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  SECURITY_ATTRIBUTES threadAttributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(Application(launch), launch.commandLine.data(), &processAttributes, &threadAttributes, FALSE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &started)) {
    error = GetLastError();
    return nullptr;
  }
  return ProcessOnly(started);
}

Child Win32Processes::Create(const std::wstring& commandLine, DWORD flags, DWORD& error) {
  ProcessLaunch launch;
  if (!PrepareLaunch(commandLine, launch, error)) return nullptr;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(Application(launch), launch.commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                      &started)) {
    error = GetLastError();
    return nullptr;
  }
  return ProcessOnly(started);
}

Child Win32Processes::ShellOpen(const std::wstring& file, const std::wstring& parameters, bool hidden,
                                DWORD& error, const std::wstring& directory) {
  // A program named without a folder by its full path: the shell would look beside the setup and
  // in the current folder first. A document keeps its name.
  std::wstring program = file;
  if (IsBareProgramName(file) && NamesProgram(file)) {
    program = FindProgram(file);
    if (program.empty()) {
      error = ERROR_FILE_NOT_FOUND;
      return nullptr;
    }
  }
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;  // a failure is logged by the caller, never a box
  info.hwnd = nullptr;
  info.lpVerb = L"open";
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = hidden ? SW_HIDE : SW_SHOW;
  if (!ShellExecuteExW(&info)) {
    error = GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32Child>(info.hProcess, nullptr);
}

std::unique_ptr<RedirectionScope> Win32Processes::DisableFsRedirection() {
  return std::make_unique<Win32RedirectionScope>();
}

bool Win32Processes::CreateInputPipe(UniqueHandle& readEnd, UniqueHandle& writeEnd, PipeStep& failed,
                                     DWORD& error) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0)) {
    error = GetLastError();
    failed = PipeStep::Create;
    return false;
  }
  // Were the child to inherit the write end, its input would never end when the writer does.
  if (!SetHandleInformation(writeEnd.get(), HANDLE_FLAG_INHERIT, 0)) {
    error = GetLastError();
    failed = PipeStep::SetInformation;
    readEnd.reset();
    writeEnd.reset();
    return false;
  }
  // Writes come back at once with what fitted, so a reader that stopped reading cannot hold the
  // writer; the writer bounds its own retries. Without it, writes merely block as before.
  DWORD nowait = PIPE_READMODE_BYTE | PIPE_NOWAIT;
  SetNamedPipeHandleState(writeEnd.get(), &nowait, nullptr, nullptr);
  return true;
}

bool Win32Processes::EnumerateSessions(std::vector<SessionEntry>& sessions, DWORD& error) {
  sessions.clear();
  WTS_SESSION_INFOW* list = nullptr;
  DWORD count = 0;
  if (!WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &list, &count)) {
    error = GetLastError();
    return false;
  }
  WtsMemory owner(list);
  for (DWORD i = 0; i < count; ++i) {
    SessionEntry entry;
    entry.id = list[i].SessionId;
    entry.winStation = list[i].pWinStationName ? list[i].pWinStationName : L"";
    entry.active = list[i].State == WTSActive;
    sessions.push_back(std::move(entry));
  }
  return true;
}

bool Win32Processes::SessionUserName(DWORD session, std::wstring& user, DWORD& error) {
  user.clear();
  wchar_t* buffer = nullptr;
  DWORD bytes = 0;
  if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName, &buffer, &bytes)) {
    error = GetLastError();
    return false;
  }
  WtsMemory owner(buffer);
  if (buffer) user = buffer;
  return true;
}

std::unique_ptr<UserToken> Win32Processes::QueryUserToken(DWORD session, DWORD& error) {
  HANDLE token = nullptr;
  if (!WTSQueryUserToken(session, &token)) {
    error = GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32UserToken>(token);
}

bool Win32Processes::CurrentProcessInJob() {
  BOOL inJob = FALSE;
  return IsProcessInJob(GetCurrentProcess(), nullptr, &inJob) && inJob;
}

bool Win32Processes::RunningExecutables(std::vector<std::wstring>& names) {
  names.clear();
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
    names.emplace_back(entry.szExeFile);
  return true;
}

}  // namespace platform
