// progress_feeder.exe PROGRESSEXE PRODUCTNAME [OPTIONS] [ITEMS...]
// Plays the setup's side of the progress pipe: starts progress.exe through the setup's own
// ProgressInterface (with a launcher that starts it in this session and keeps its process
// handle), sends the records named on the command line and reports how progress.exe ended.
//
// OPTIONS (before the items):
//   --flags N      mode flags (default 16); 8 gives the repair mode text
//   --kind N       platform kind (default 2); with --culture C for kind 1
//   --net 0|1      .NET Framework still required (default 0)
//   --timeout MS   how long to wait for progress.exe to end after the items (default 15000)
//   --no-input     start progress.exe directly with no standard input, send nothing
// ITEMS:
//   CODE TEXT      send one record
//   --wait MS      pause
//   --close        close the pipe's write end (the end of the setup process)
//   --dump         print the texts of progress.exe's windows ("window: ", "control: ", "bar: N [marquee]")
// Prints "exit N" when progress.exe ended within the time-out (exit code 0), else "timeout"
// (exit code 1, progress.exe is then terminated); 2 for bad arguments, 3 when nothing started.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "core/log_file.h"
#include "core/property_map.h"
#include "engine/progress_interface.h"
#include "platform/handles.h"
#include "platform/processes.h"
#include "platform/text.h"

namespace {

class PrintedLog : public LogFile {
 public:
  void Emit(const std::wstring& line) override {
    wprintf(L"log: %ls\n", line.c_str());
    fflush(stdout);
  }
};

class LocalChild : public platform::ChildProcess {
 public:
  explicit LocalChild(HANDLE process) : process_(process) {}
  bool Wait(DWORD&) override { return WaitForSingleObject(process_, INFINITE) == WAIT_OBJECT_0; }
  bool ExitCode(DWORD& code, DWORD& error) override {
    if (GetExitCodeProcess(process_, &code)) return true;
    error = GetLastError();
    return false;
  }

 private:
  HANDLE process_;
};

// Starts the command in this session with the standard handles the setup passes; the feeder
// keeps the process handle to see when and how progress.exe ends.
HANDLE StartLocal(const std::wstring& commandLine, const platform::StdHandles& handles, bool useStdHandles,
                  DWORD& error) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.lpDesktop = const_cast<wchar_t*>(L"winsta0\\default");
  if (useStdHandles) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = handles.input;
    startup.hStdOutput = startup.hStdError = handles.output;
  }
  PROCESS_INFORMATION process{};
  std::wstring command = commandLine;
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, handles.Any(), 0, nullptr, nullptr, &startup,
                      &process)) {
    error = GetLastError();
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

class LocalToken : public platform::UserToken {
 public:
  explicit LocalToken(platform::UniqueHandle& started) : started_(started) {}
  bool LoadEnvironment(DWORD&) override { return true; }
  platform::Child CreateAsUser(const std::wstring& commandLine, const platform::StdHandles& handles, DWORD,
                               DWORD& error) override {
    HANDLE process = StartLocal(commandLine, handles, handles.Any(), error);
    if (!process) return nullptr;
    started_.reset(process);
    return std::make_unique<LocalChild>(process);
  }
  platform::Child CreateWithToken(const std::wstring& commandLine, const platform::StdHandles& handles, DWORD flags,
                                  DWORD& error) override {
    return CreateAsUser(commandLine, handles, flags, error);
  }

 private:
  platform::UniqueHandle& started_;
};

// One active session, this one; everything else as on Windows.
class LocalProcesses : public platform::Processes {
 public:
  platform::UniqueHandle started;
  platform::Child CreateHidden(const std::wstring& commandLine, DWORD& error) override {
    return real_.CreateHidden(commandLine, error);
  }
  platform::Child Create(const std::wstring& commandLine, DWORD flags, DWORD& error) override {
    return real_.Create(commandLine, flags, error);
  }
  platform::Child ShellOpen(const std::wstring& file, const std::wstring& parameters, bool hidden,
                            DWORD& error, const std::wstring& directory = L"") override {
    return real_.ShellOpen(file, parameters, hidden, error, directory);
  }
  std::unique_ptr<platform::RedirectionScope> DisableFsRedirection() override { return real_.DisableFsRedirection(); }
  bool CreateInputPipe(platform::UniqueHandle& readEnd, platform::UniqueHandle& writeEnd, platform::PipeStep& failed,
                       DWORD& error) override {
    return real_.CreateInputPipe(readEnd, writeEnd, failed, error);
  }
  bool CurrentProcessInJob() override { return real_.CurrentProcessInJob(); }
  bool RunningExecutables(std::vector<std::wstring>& names) override { return real_.RunningExecutables(names); }
  bool EnumerateSessions(std::vector<platform::SessionEntry>& sessions, DWORD&) override {
    sessions = {{1, L"Console", true}};
    return true;
  }
  bool SessionUserName(DWORD, std::wstring& user, DWORD&) override {
    user = L"feeder";
    return true;
  }
  std::unique_ptr<platform::UserToken> QueryUserToken(DWORD, DWORD&) override {
    return std::make_unique<LocalToken>(started);
  }

 private:
  platform::Win32Processes real_;
};

struct DumpTarget {
  DWORD processId;
};

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  wchar_t textBuffer[512] = {};
  GetWindowTextW(control, textBuffer, 512);
  wchar_t className[64] = {};
  GetClassNameW(control, className, 64);
  if (_wcsicmp(className, PROGRESS_CLASSW) == 0) {
    const bool marquee = (GetWindowLongW(control, GWL_STYLE) & PBS_MARQUEE) != 0;
    wprintf(L"bar: %ld%ls\n", static_cast<long>(SendMessageW(control, PBM_GETPOS, 0, 0)), marquee ? L" marquee" : L"");
    return TRUE;
  }
  wprintf(L"control: %ls\n", textBuffer);
  return TRUE;
}

BOOL CALLBACK PrintWindow(HWND window, LPARAM parameter) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != reinterpret_cast<DumpTarget*>(parameter)->processId || !IsWindowVisible(window)) return TRUE;
  wchar_t title[512] = {};
  GetWindowTextW(window, title, 512);
  wprintf(L"window: %ls\n", title);
  EnumChildWindows(window, PrintControl, 0);
  return TRUE;
}

std::wstring ModeText(UINT id) { return id == 50123 ? L"Repair" : L"Upgrade"; }

int Usage() {
  fwprintf(stderr, L"usage: progress_feeder PROGRESSEXE PRODUCTNAME [--flags N] [--kind N --culture C] [--net 0|1]\n"
                   L"       [--timeout MS] [--no-input] [CODE TEXT | --wait MS | --close | --dump]...\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return Usage();
  const std::wstring program = argv[1];
  const size_t slash = program.find_last_of(L"\\/");
  if (slash == std::wstring::npos || !text::EqualsNoCase(program.substr(slash + 1), L"progress.exe")) return Usage();

  ProgressRunInfo run;
  run.setupDirectory = program.substr(0, slash + 1);
  run.platformKind = PlatformKind::Online;
  run.cultureString = ModeText;
  uint32_t flags = 16;
  bool net = false, noInput = false;
  DWORD timeout = 15000;
  int i = 3;
  while (i < argc) {
    const std::wstring option = argv[i];
    if (option == L"--no-input") {
      noInput = true;
      ++i;
      continue;
    }
    if (option != L"--flags" && option != L"--kind" && option != L"--culture" && option != L"--net" &&
        option != L"--timeout")
      break;
    if (i + 1 >= argc) return Usage();
    const std::wstring value = argv[i + 1];
    i += 2;
    if (option == L"--flags") flags = static_cast<uint32_t>(text::AtoI(value));
    if (option == L"--kind") run.platformKind = static_cast<PlatformKind>(text::AtoI(value));
    if (option == L"--culture") run.productCulture = value;
    if (option == L"--net") net = text::AtoI(value) != 0;
    if (option == L"--timeout") timeout = static_cast<DWORD>(text::AtoI(value));
  }

  PrintedLog log;
  PropertyMap properties;
  LocalProcesses processes;
  auto progress = std::make_unique<ProgressInterface>(log, processes, properties);
  if (noInput) {
    DWORD error = 0;
    processes.started.reset(StartLocal(ProgressCommandLine(run.setupDirectory, argv[2], L"SaaS", net, L"Upgrade"),
                                       platform::StdHandles{}, true, error));
    if (!processes.started) wprintf(L"start failed %lu\n", error);
  } else {
    const DWORD result = progress->Start(argv[2], net, flags, run);
    if (result != 0) wprintf(L"start failed %lu\n", result);
  }
  if (!processes.started) return 3;

  for (; i < argc; ++i) {
    const std::wstring item = argv[i];
    if (item == L"--close") {
      progress.reset();
    } else if (item == L"--dump") {
      DumpTarget target{GetProcessId(processes.started.get())};
      EnumWindows(PrintWindow, reinterpret_cast<LPARAM>(&target));
    } else if (item == L"--wait" && i + 1 < argc) {
      Sleep(static_cast<DWORD>(text::AtoI(argv[++i])));
    } else if (i + 1 < argc && !item.empty() && iswdigit(item[0])) {
      if (progress) progress->Send(static_cast<uint32_t>(text::AtoI(item)), argv[++i]);
      wprintf(L"sent %ls\n", item.c_str());
    } else {
      return Usage();
    }
    fflush(stdout);
  }

  if (WaitForSingleObject(processes.started.get(), timeout) != WAIT_OBJECT_0) {
    wprintf(L"timeout\n");
    TerminateProcess(processes.started.get(), 1);
    return 1;
  }
  DWORD code = 0;
  GetExitCodeProcess(processes.started.get(), &code);
  wprintf(L"exit %lu\n", code);
  return 0;
}
