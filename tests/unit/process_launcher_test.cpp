#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/property_map.h"
#include "engine/component_installer.h"
#include "engine/process_launcher.h"
#include "fixtures.h"
#include "fakes/fake_processes.h"
#include "fakes/memory_log.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/program_search.h"
#include "platform/text.h"

namespace {

using Lines = std::vector<std::wstring>;

std::string Show(const Lines& lines) {
  std::string out;
  for (const auto& l : lines) out += "  " + text::ToUtf8(l) + "\n";
  return out;
}

#define EXPECT_LINES(expected, actual) EXPECT_EQ(expected, actual) << "actual:\n" << Show(actual)

// ---------------------------------------------------------------------------------------------
// Logged-on user launches, with the fake.

struct SessionWalkCase {
  const char* name;
  std::vector<FakeSession> sessions;
  std::deque<FakeLaunch> asUser;
  std::deque<FakeLaunch> withToken;
  bool inJob;
  bool wait;
  DWORD result;
  Lines log;    // after "Executing command as logon user"
  Lines calls;  // every call of the fake, in order
};

FakeSession Session(DWORD id, bool active = true) {
  FakeSession s;
  s.id = id;
  s.winStation = id == 0 ? L"Services" : text::Format(L"RDP-Tcp#%u", id);
  s.active = active;
  s.user = text::Format(L"user%u", id);
  return s;
}
FakeSession NameFails(FakeSession s, DWORD error) {
  s.nameError = error;
  return s;
}
FakeSession TokenFails(FakeSession s, DWORD error) {
  s.tokenError = error;
  return s;
}
FakeSession EnvironmentFails(FakeSession s, DWORD error) {
  s.environmentError = error;
  return s;
}
FakeLaunch Fails(DWORD error) {
  FakeLaunch l;
  l.error = error;
  return l;
}
FakeLaunch Exits(DWORD code) {
  FakeLaunch l;
  l.exitCode = code;
  return l;
}

const wchar_t kCommand[] = L"tool.exe -q";

std::vector<SessionWalkCase> SessionWalkCases() {
  FakeLaunch waitFails;
  waitFails.waitOk = false;
  waitFails.waitError = 6;
  FakeLaunch exitFails;
  exitFails.exitOk = false;
  exitFails.exitError = 87;
  return {
      {"NoActiveSessionStartsNothing",
       {Session(0, false), Session(1, false)}, {}, {}, false, true, ERROR_NO_SUCH_LOGON_SESSION,
       {L"Number of sessions: 2", L"No active user session to start tool.exe -q in"},
       {L"EnumerateSessions"}},
      {"InactiveSessionsAreSkipped",
       {Session(0, false), Session(3)}, {Exits(0)}, {}, false, true, 0,
       {L"Number of sessions: 2", L"Session ID: 3 WinStation: RDP-Tcp#3 Username: user3", L"Executing tool.exe -q",
        L"Process returned 0"},
       {L"EnumerateSessions", L"SessionUserName 3", L"QueryUserToken 3", L"InJob", L"LoadEnvironment 3",
        L"CreateAsUser 3 [tool.exe -q] 0x408 in=0 out=0", L"Wait", L"ExitCode", L"CloseChild", L"CloseToken 3"}},
      {"NameFailureMovesToTheNextSession",
       {NameFails(Session(1), 1008), Session(2)}, {Exits(4)}, {}, false, true, 4,
       {L"Number of sessions: 2", L"WTSQuerySessionInformation failed with error code 1008",
        L"Session ID: 2 WinStation: RDP-Tcp#2 Username: user2", L"Executing tool.exe -q", L"Process returned 4"},
       {L"EnumerateSessions", L"SessionUserName 1", L"SessionUserName 2", L"QueryUserToken 2", L"InJob",
        L"LoadEnvironment 2", L"CreateAsUser 2 [tool.exe -q] 0x408 in=0 out=0", L"Wait", L"ExitCode",
        L"CloseChild", L"CloseToken 2"}},
      {"TokenFailureMovesToTheNextSession",
       {TokenFails(Session(1), 1314), Session(2)}, {}, {}, false, false, 0,
       {L"Number of sessions: 2", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1",
        L"WTSQueryUserToken failed with error code 1314", L"Session ID: 2 WinStation: RDP-Tcp#2 Username: user2",
        L"Executing tool.exe -q"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"SessionUserName 2", L"QueryUserToken 2",
        L"InJob", L"LoadEnvironment 2", L"CreateAsUser 2 [tool.exe -q] 0x408 in=0 out=0", L"CloseChild",
        L"CloseToken 2"}},
      {"EveryActiveSessionFailingReturnsTheLastError",
       {TokenFails(Session(1), 1314), Session(2, false), NameFails(Session(3), 87)}, {}, {}, false, true, 87,
       {L"Number of sessions: 3", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1",
        L"WTSQueryUserToken failed with error code 1314", L"WTSQuerySessionInformation failed with error code 87"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"SessionUserName 3"}},
      {"OnlyTheFirstSessionWithATokenIsTriedEvenWhenItsLaunchFails",
       {Session(1), Session(2)}, {Fails(2)}, {}, false, true, 2,
       {L"Number of sessions: 2", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1", L"Executing tool.exe -q",
        L"Logon-user process launch failed with error code 2",
        L"tool.exe was found neither in the system folder, the Windows folder nor a folder of PATH; it is not started."},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"InJob", L"LoadEnvironment 1",
        L"CreateAsUser 1 [tool.exe -q] 0x408 in=0 out=0", L"CloseToken 1"}},
      {"EnvironmentFailureEndsTheLaunch",
       {EnvironmentFails(Session(1), 1008), Session(2)}, {}, {}, false, true, 1008,
       {L"Number of sessions: 2", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1", L"Executing tool.exe -q",
        L"Getting environment block for user user1 failed with error code 1008"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"InJob", L"LoadEnvironment 1",
        L"CloseToken 1"}},
      {"AccessDeniedRetriesWithTheToken",
       {Session(1)}, {Fails(5)}, {Exits(7)}, false, true, 7,
       {L"Number of sessions: 1", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1", L"Executing tool.exe -q",
        L"CreateProcessAsUser returned access denied. Retrying with CreateProcessWithTokenW.",
        L"CreateProcessWithTokenW succeeded.", L"Process returned 7"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"InJob", L"LoadEnvironment 1",
        L"CreateAsUser 1 [tool.exe -q] 0x408 in=0 out=0", L"CreateWithToken 1 [tool.exe -q] 0 in=0 out=0", L"Wait",
        L"ExitCode", L"CloseChild", L"CloseToken 1"}},
      {"AccessDeniedWithoutAJobDoesNotRetryTwice",
       {Session(1)}, {Fails(5)}, {Fails(1314), Exits(0)}, false, true, 1314,
       {L"Number of sessions: 1", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1", L"Executing tool.exe -q",
        L"CreateProcessAsUser returned access denied. Retrying with CreateProcessWithTokenW.",
        L"CreateProcessWithTokenW failed with error code 1314", L"Logon-user process launch failed with error code 1314"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"InJob", L"LoadEnvironment 1",
        L"CreateAsUser 1 [tool.exe -q] 0x408 in=0 out=0", L"CreateWithToken 1 [tool.exe -q] 0 in=0 out=0",
        L"CloseToken 1"}},
      {"InAJobTheBreakawayIsDroppedOnRetry",
       {Session(1)}, {Fails(5)}, {Fails(5), Exits(9)}, true, true, 9,
       {L"Number of sessions: 1", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1", L"Executing tool.exe -q",
        L"CreateProcessAsUser returned access denied. Retrying with CreateProcessWithTokenW.",
        L"CreateProcessWithTokenW succeeded.", L"Process returned 9"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"InJob", L"LoadEnvironment 1",
        L"CreateAsUser 1 [tool.exe -q] 0x1000408 in=0 out=0",
        L"CreateWithToken 1 [tool.exe -q] 0x1000000 in=0 out=0", L"CreateWithToken 1 [tool.exe -q] 0 in=0 out=0",
        L"Wait", L"ExitCode", L"CloseChild", L"CloseToken 1"}},
      {"InAJobBothTokenLaunchesFailing",
       {Session(1)}, {Fails(5)}, {Fails(5), Fails(1314)}, true, true, 1314,
       {L"Number of sessions: 1", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1", L"Executing tool.exe -q",
        L"CreateProcessAsUser returned access denied. Retrying with CreateProcessWithTokenW.",
        L"CreateProcessWithTokenW failed with error code 1314", L"Logon-user process launch failed with error code 1314"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"InJob", L"LoadEnvironment 1",
        L"CreateAsUser 1 [tool.exe -q] 0x1000408 in=0 out=0",
        L"CreateWithToken 1 [tool.exe -q] 0x1000000 in=0 out=0", L"CreateWithToken 1 [tool.exe -q] 0 in=0 out=0",
        L"CloseToken 1"}},
      {"OtherLaunchErrorsAreNotRetried",
       {Session(1)}, {Fails(1314)}, {}, true, false, 1314,
       {L"Number of sessions: 1", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1", L"Executing tool.exe -q",
        L"Logon-user process launch failed with error code 1314"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"InJob", L"LoadEnvironment 1",
        L"CreateAsUser 1 [tool.exe -q] 0x1000408 in=0 out=0", L"CloseToken 1"}},
      {"WaitFailureIsTheResultAndNoExitCodeIsRead",
       {Session(1)}, {waitFails}, {}, false, true, 6,
       {L"Number of sessions: 1", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1", L"Executing tool.exe -q",
        L"WaitForSingleObject failed with error code 6"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"InJob", L"LoadEnvironment 1",
        L"CreateAsUser 1 [tool.exe -q] 0x408 in=0 out=0", L"Wait", L"CloseChild", L"CloseToken 1"}},
      {"ExitCodeFailureIsTheResult",
       {Session(1)}, {exitFails}, {}, false, true, 87,
       {L"Number of sessions: 1", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1", L"Executing tool.exe -q",
        L"GetExitCodeProcess failed with error code 87"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"InJob", L"LoadEnvironment 1",
        L"CreateAsUser 1 [tool.exe -q] 0x408 in=0 out=0", L"Wait", L"ExitCode", L"CloseChild", L"CloseToken 1"}},
      {"LargeAndNegativeExitCodesAreReturnedWhole",
       {Session(1)}, {Exits(0xFFFFFFFF)}, {}, false, true, 0xFFFFFFFF,
       {L"Number of sessions: 1", L"Session ID: 1 WinStation: RDP-Tcp#1 Username: user1", L"Executing tool.exe -q",
        L"Process returned -1"},
       {L"EnumerateSessions", L"SessionUserName 1", L"QueryUserToken 1", L"InJob", L"LoadEnvironment 1",
        L"CreateAsUser 1 [tool.exe -q] 0x408 in=0 out=0", L"Wait", L"ExitCode", L"CloseChild", L"CloseToken 1"}},
      // A started child is reported as started even after failures on the way (the progress
      // window's caller takes any other result for a failed start).
      {"UnwaitedStartAfterEarlierFailuresIsZero",
       {NameFails(Session(1), 1008), Session(2)}, {Fails(5)}, {Exits(3)}, false, false, 0,
       {L"Number of sessions: 2", L"WTSQuerySessionInformation failed with error code 1008",
        L"Session ID: 2 WinStation: RDP-Tcp#2 Username: user2", L"Executing tool.exe -q",
        L"CreateProcessAsUser returned access denied. Retrying with CreateProcessWithTokenW.",
        L"CreateProcessWithTokenW succeeded."},
       {L"EnumerateSessions", L"SessionUserName 1", L"SessionUserName 2", L"QueryUserToken 2", L"InJob",
        L"LoadEnvironment 2", L"CreateAsUser 2 [tool.exe -q] 0x408 in=0 out=0",
        L"CreateWithToken 2 [tool.exe -q] 0 in=0 out=0", L"CloseChild", L"CloseToken 2"}},
  };
}

void PrintTo(const SessionWalkCase& c, std::ostream* os) { *os << c.name; }

class SessionWalk : public testing::TestWithParam<SessionWalkCase> {};

TEST_P(SessionWalk, LogsCallsAndResult) {
  const SessionWalkCase& c = GetParam();
  FakeProcesses processes;
  processes.sessions = c.sessions;
  processes.asUser = c.asUser;
  processes.withToken = c.withToken;
  processes.inJob = c.inJob;
  MemoryLog log;
  PropertyMap properties;
  DWORD result = RunAsLoggedOnUser(processes, log, properties, c.wait, nullptr, nullptr, kCommand);
  EXPECT_EQ(c.result, result);
  Lines expectedLog = {L"Executing command as logon user"};
  expectedLog.insert(expectedLog.end(), c.log.begin(), c.log.end());
  EXPECT_LINES(expectedLog, log.lines);
  EXPECT_LINES(c.calls, processes.calls);
}

INSTANTIATE_TEST_SUITE_P(RunAsLoggedOnUser, SessionWalk, testing::ValuesIn(SessionWalkCases()),
                         [](const testing::TestParamInfo<SessionWalkCase>& info) { return info.param.name; });

TEST(RunAsLoggedOnUser, EnumerationFailureIsLoggedAndReturned) {
  FakeProcesses processes;
  processes.enumerateError = 1722;
  processes.sessions = {Session(1)};
  MemoryLog log;
  EXPECT_EQ(1722u, RunAsLoggedOnUser(processes, log, PropertyMap(), true, nullptr, nullptr, kCommand));
  EXPECT_LINES((Lines{L"Executing command as logon user", L"WTSEnumerateSessions failed with error code 1722"}),
               log.lines);
  EXPECT_LINES(Lines{L"EnumerateSessions"}, processes.calls);
}

TEST(RunAsLoggedOnUser, StandardHandlesReachBothLaunchCalls) {
  FakeProcesses processes;
  processes.sessions = {Session(1)};
  processes.asUser = {Fails(5)};
  MemoryLog log;
  HANDLE in = reinterpret_cast<HANDLE>(0x1a4);
  HANDLE out = reinterpret_cast<HANDLE>(0x2b8);
  EXPECT_EQ(0u, RunAsLoggedOnUser(processes, log, PropertyMap(), false, in, out, kCommand));
  EXPECT_TRUE(processes.Called(L"CreateAsUser 1 [tool.exe -q] 0x408 in=1a4 out=2b8"));
  EXPECT_TRUE(processes.Called(L"CreateWithToken 1 [tool.exe -q] 0 in=1a4 out=2b8"));
}

// The command started for a given command line, and the "Executing" line logged for it.
struct CommandCase {
  const wchar_t* given;
  const wchar_t* setupCommandLine;  // [CMDLINE]; nullptr when not set
  const wchar_t* started;
  const wchar_t* logged;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << text::ToUtf8(c.given); }

class LogonCommand : public testing::TestWithParam<CommandCase> {};

TEST_P(LogonCommand, IsBuiltFromTheGivenText) {
  const CommandCase& c = GetParam();
  FakeProcesses processes;
  processes.sessions = {Session(1)};
  MemoryLog log;
  PropertyMap properties;
  if (c.setupCommandLine) properties.Set(L"[CMDLINE]", c.setupCommandLine);
  RunAsLoggedOnUser(processes, log, properties, false, nullptr, nullptr, c.given);
  EXPECT_TRUE(processes.Called(text::Format(L"CreateAsUser 1 [%s] 0x408 in=0 out=0", c.started)))
      << Show(processes.calls);
  EXPECT_TRUE(log.Has(std::wstring(L"Executing ") + c.logged)) << Show(log.lines);
  for (const wchar_t* secret : {L"s3cret", L"p w"}) EXPECT_FALSE(log.HasContaining(secret)) << Show(log.lines);
}

INSTANTIATE_TEST_SUITE_P(
    RunAsLoggedOnUser, LogonCommand,
    testing::Values(
        // cmd.exe switches in front of the program go, nothing else does.
        CommandCase{L"/d /c \"C:\\x y\\a.exe\" -q", nullptr, L"\"C:\\x y\\a.exe\" -q", L"\"C:\\x y\\a.exe\" -q"},
        CommandCase{L"cscript.exe a", nullptr, L"cscript.exe a", L"cscript.exe a"},
        CommandCase{L"/c /d copy a b", nullptr, L"copy a b", L"copy a b"},
        CommandCase{L"/d /c del x", nullptr, L"del x", L"del x"},
        CommandCase{L"  /D\t/C   dism.exe /online", nullptr, L"dism.exe /online", L"dism.exe /online"},
        CommandCase{L"d:\\tools\\run.exe /c", nullptr, L"d:\\tools\\run.exe /c", L"d:\\tools\\run.exe /c"},
        CommandCase{L"/dir x", nullptr, L"/dir x", L"/dir x"},
        CommandCase{L"/d /c registryentry.exe /x", L"/q PASSWORD=s3cret", L"registryentry.exe /x",
                    L"registryentry.exe /x"},
        // The client agent, named in any case, gets the setup's command line after one space,
        // without its passwords: a process of the user's is no place for them. The log shows
        // what was started.
        CommandCase{L"/d /c \"C:\\P\\zem.vrx.hvdeploy.client.clientagent.exe\" /run", L"/q VUROVIZO_PASSWORD=s3cret X=1 db_Pwd=\"p w\"",
                    L"\"C:\\P\\zem.vrx.hvdeploy.client.clientagent.exe\" /run /q X=1 ",
                    L"\"C:\\P\\zem.vrx.hvdeploy.client.clientagent.exe\" /run /q X=1 "},
        CommandCase{L"C:\\P\\ZEM.VRX.HVDeploy.Client.ClientAgent.EXE", L"/q /silent",
                    L"C:\\P\\ZEM.VRX.HVDeploy.Client.ClientAgent.EXE /q /silent",
                    L"C:\\P\\ZEM.VRX.HVDeploy.Client.ClientAgent.EXE /q /silent"},
        CommandCase{L"zem.vrx.hvdeploy.client.clientagent.exe", nullptr, L"zem.vrx.hvdeploy.client.clientagent.exe ",
                    L"zem.vrx.hvdeploy.client.clientagent.exe "}));

// ---------------------------------------------------------------------------------------------
// Hidden commands and component installer launches, with the fake.

TEST(RunHiddenCommand, ResultConventions) {
  struct Case {
    FakeLaunch launch;
    DWORD result;
  };
  FakeLaunch unreadable;
  unreadable.exitOk = false;
  unreadable.exitCode = 99;
  unreadable.exitError = 6;
  const Case cases[] = {{Exits(0), 0}, {Exits(3010), 3010}, {Fails(2), 2}, {Fails(193), 193}, {unreadable, 6}};
  for (const Case& c : cases) {
    FakeProcesses processes;
    processes.hidden = {c.launch};
    EXPECT_EQ(c.result, RunHiddenCommand(processes, L"\"C:\\a b\\setup.exe\" /q"));
    Lines expected = {L"CreateHidden [\"C:\\a b\\setup.exe\" /q]"};
    if (!c.launch.error) expected.insert(expected.end(), {L"Wait", L"ExitCode", L"CloseChild"});
    EXPECT_LINES(expected, processes.calls);
  }
}

struct InstallerCase {
  const char* name;
  bool shell;  // ShellExecuteAndWait, else RunWithoutRedirection
  bool hidden;
  FakeLaunch launch;
  uint32_t exitCode;  // starts at 77
  Lines log;
  Lines calls;
};

std::vector<InstallerCase> InstallerCases() {
  FakeLaunch unreadable;
  unreadable.exitOk = false;
  unreadable.exitError = 6;
  return {
      {"ShellSuccess", true, true, Exits(3010), 3010, {L"Executing dotnetfx.exe /q /norestart", L"Operation returned 3010"},
       {L"ShellOpen [dotnetfx.exe] [/q /norestart] hidden", L"Wait", L"ExitCode", L"CloseChild"}},
      {"ShellShown", true, false, Exits(0), 0, {L"Executing dotnetfx.exe /q /norestart", L"Operation returned 0"},
       {L"ShellOpen [dotnetfx.exe] [/q /norestart] shown", L"Wait", L"ExitCode", L"CloseChild"}},
      {"ShellFailure", true, true, Fails(1155), 1155,
       {L"Executing dotnetfx.exe /q /norestart", L"Operation failed. Error 1155"},
       {L"ShellOpen [dotnetfx.exe] [/q /norestart] hidden"}},
      {"ShellExitCodeUnreadable", true, true, unreadable, 77, {L"Executing dotnetfx.exe /q /norestart"},
       {L"ShellOpen [dotnetfx.exe] [/q /norestart] hidden", L"Wait", L"ExitCode", L"CloseChild"}},
      {"UnredirectedSuccess", false, true, Exits(0xC0000005), 0xC0000005,
       {L"Executing dism.exe /online", L"Operation returned -1073741819"},
       {L"DisableFsRedirection", L"Create [dism.exe /online] 0x8000000", L"Wait", L"ExitCode", L"CloseChild",
        L"RevertFsRedirection"}},
      {"UnredirectedShown", false, false, Exits(1), 1, {L"Executing dism.exe /online", L"Operation returned 1"},
       {L"DisableFsRedirection", L"Create [dism.exe /online] 0", L"Wait", L"ExitCode", L"CloseChild",
        L"RevertFsRedirection"}},
      {"UnredirectedFailure", false, true, Fails(2), 2,
       {L"Executing dism.exe /online", L"Operation failed. Error 2", L"dism.exe was found neither in the system folder, the Windows folder nor a folder of PATH; it is not started."},
       {L"DisableFsRedirection", L"Create [dism.exe /online] 0x8000000", L"RevertFsRedirection"}},
      {"UnredirectedExitCodeUnreadable", false, true, unreadable, 77, {L"Executing dism.exe /online"},
       {L"DisableFsRedirection", L"Create [dism.exe /online] 0x8000000", L"Wait", L"ExitCode", L"CloseChild",
        L"RevertFsRedirection"}},
  };
}

void PrintTo(const InstallerCase& c, std::ostream* os) { *os << c.name; }

class InstallerLaunch : public testing::TestWithParam<InstallerCase> {};

TEST_P(InstallerLaunch, LogsAndStoresTheOutcome) {
  const InstallerCase& c = GetParam();
  FakeProcesses processes;
  (c.shell ? processes.shell : processes.plain) = {c.launch};
  MemoryLog log;
  ComponentInstaller installer(log, processes);
  EXPECT_TRUE(installer.hidden) << "component installers run hidden unless told otherwise";
  installer.hidden = c.hidden;
  installer.exitCode = 77;
  if (c.shell)
    installer.ShellExecuteAndWait(L"dotnetfx.exe", L"/q /norestart");
  else
    installer.RunWithoutRedirection(L"dism.exe /online");
  EXPECT_EQ(c.exitCode, installer.exitCode);
  EXPECT_LINES(c.log, log.lines);
  EXPECT_LINES(c.calls, processes.calls);
}

INSTANTIATE_TEST_SUITE_P(ComponentInstaller, InstallerLaunch, testing::ValuesIn(InstallerCases()),
                         [](const testing::TestParamInfo<InstallerCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// The Windows implementation, for real.

std::wstring TestFolder() {
  wchar_t buffer[MAX_PATH] = {};
  std::wstring path(buffer, GetModuleFileNameW(nullptr, buffer, MAX_PATH));
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The command lines exitwith.exe recorded, one per run.
Lines RecordedCommandLines(const std::wstring& logPath) {
  const std::string content = test_files::ReadShared(logPath);
  Lines lines;
  size_t start = 0;
  for (size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text::FromUtf8(content.substr(start, end - start)));
  return lines;
}

class Win32Launch : public testing::Test {
 protected:
  void SetUp() override {
    exitwith_ = TestFolder() + L"exitwith.exe";
    logPath_ = TestFolder() + L"exitwith.log";
    DeleteFileW(logPath_.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(exitwith_.c_str())) << "exitwith.exe is not built";
  }
  void TearDown() override { DeleteFileW(logPath_.c_str()); }
  Lines Recorded() const { return RecordedCommandLines(logPath_); }

  platform::Win32Processes processes_;
  std::wstring exitwith_;
  std::wstring logPath_;
};

TEST_F(Win32Launch, HiddenCommandOfAMissingProgramReturnsTheCreateError) {
  EXPECT_EQ(2u, RunHiddenCommand(processes_, L"no_such_program_4f1c.exe /q"));
  EXPECT_EQ(2u, RunHiddenCommand(processes_, L"\"" + TestFolder() + L"missing folder\\x.exe\" a"));
}

TEST_F(Win32Launch, HiddenCommandReturnsTheExitCodeAndPassesTheArguments) {
  struct Case {
    const wchar_t* arguments;
    DWORD code;
  };
  const Case cases[] = {{L"0", 0}, {L"7 \"a b\" c", 7}, {L"103010 \"C:\\x y\\z.log\"", 103010}, {L"-1", 0xFFFFFFFF}};
  Lines expected;
  for (const Case& c : cases) {
    std::wstring commandLine = L"\"" + exitwith_ + L"\" " + c.arguments;
    EXPECT_EQ(c.code, RunHiddenCommand(processes_, commandLine)) << text::ToUtf8(commandLine);
    expected.push_back(commandLine);
  }
  EXPECT_LINES(expected, Recorded());
}

TEST_F(Win32Launch, ShellExecuteAndWaitStoresTheExitCode) {
  MemoryLog log;
  ComponentInstaller installer(log, processes_);
  installer.ShellExecuteAndWait(exitwith_, L"5 \"x y\"");
  EXPECT_EQ(5u, installer.exitCode);
  installer.ShellExecuteAndWait(exitwith_, L"103010");
  EXPECT_EQ(103010u, installer.exitCode);
  EXPECT_LINES((Lines{L"Executing " + exitwith_ + L" 5 \"x y\"", L"Operation returned 5",
                      L"Executing " + exitwith_ + L" 103010", L"Operation returned 103010"}),
               log.lines);
  Lines recorded = Recorded();
  ASSERT_EQ(2u, recorded.size());
  EXPECT_TRUE(text::EndsWithNoCase(recorded[0], L" 5 \"x y\"")) << text::ToUtf8(recorded[0]);
  EXPECT_TRUE(text::EndsWithNoCase(recorded[1], L" 103010")) << text::ToUtf8(recorded[1]);
}

TEST_F(Win32Launch, RunWithoutRedirectionStoresTheExitCode) {
  MemoryLog log;
  ComponentInstaller installer(log, processes_);
  std::wstring commandLine = L"\"" + exitwith_ + L"\" 3010 \"p q\"";
  installer.RunWithoutRedirection(commandLine);
  EXPECT_EQ(3010u, installer.exitCode);
  EXPECT_LINES((Lines{L"Executing " + commandLine, L"Operation returned 3010"}), log.lines);
  EXPECT_LINES(Lines{commandLine}, Recorded());
}

TEST_F(Win32Launch, RunWithoutRedirectionReachesTheNativeSystemFolder) {
  wchar_t windows[MAX_PATH] = {};
  std::wstring folder(windows, GetWindowsDirectoryW(windows, MAX_PATH));
  // cmd.exe tells its own bitness through its exit code.
  std::wstring probe = folder + L"\\system32\\cmd.exe /d /c if %PROCESSOR_ARCHITECTURE%==x86 (exit 32) else (exit 64)";
  SYSTEM_INFO native{};
  GetNativeSystemInfo(&native);
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  MemoryLog log;
  ComponentInstaller installer(log, processes_);
  installer.RunWithoutRedirection(probe);
  EXPECT_EQ(native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? 64u : 32u, installer.exitCode);
  // Afterwards this thread sees the system folder of its own bitness again.
  EXPECT_EQ(wow64 ? 32u : installer.exitCode, RunHiddenCommand(processes_, probe));
  EXPECT_LINES((Lines{L"Executing " + probe, text::Format(L"Operation returned %u", installer.exitCode)}), log.lines);
}

TEST_F(Win32Launch, RunWithoutRedirectionReportsCreateErrors) {
  MemoryLog log;
  ComponentInstaller installer(log, processes_);
  installer.RunWithoutRedirection(L"no_such_tool_4f1c.exe /online");
  EXPECT_EQ(2u, installer.exitCode);
  EXPECT_LINES((Lines{L"Executing no_such_tool_4f1c.exe /online", L"Operation failed. Error 2", L"no_such_tool_4f1c.exe was found neither in the system folder, the Windows folder nor a folder of PATH; it is not started."}),
               log.lines);
}

// ---------------------------------------------------------------------------------------------
// Programs named without a folder: looked for in the system folder, the Windows folder and PATH.

TEST(ProgramSearch, CommandHeadAndBareNames) {
  const struct {
    const wchar_t* commandLine;
    const wchar_t* program;
    const wchar_t* rest;
    bool bare;
  } rows[] = {
      {L"cmd.exe /c echo x", L"cmd.exe", L" /c echo x", true},
      {L"\"cmd.exe\" /c", L"cmd.exe", L" /c", true},
      {L"msiexec\t/x", L"msiexec", L"\t/x", true},
      {L"\"C:\\a b\\x.exe\" -q", L"C:\\a b\\x.exe", L" -q", false},
      {L"C:\\Program Files\\x.exe -q", L"C:\\Program", L" Files\\x.exe -q", false},
      {L"tools\\x.exe", L"tools\\x.exe", L"", false},
      {L"..\\x.exe", L"..\\x.exe", L"", false},
      {L"d:x.exe", L"d:x.exe", L"", false},
      {L"\\\\server\\share\\x.exe", L"\\\\server\\share\\x.exe", L"", false},
      {L"", L"", L"", false},
  };
  for (const auto& row : rows) {
    const platform::CommandHead head = platform::SplitCommandHead(row.commandLine);
    EXPECT_EQ(head.program, row.program) << text::ToUtf8(row.commandLine);
    EXPECT_EQ(head.rest, row.rest) << text::ToUtf8(row.commandLine);
    EXPECT_EQ(platform::IsBareProgramName(head.program), row.bare) << text::ToUtf8(row.commandLine);
  }
}

TEST(ProgramSearch, FoldersAreTheSystemAndWindowsFoldersThenTheAbsoluteOnesOfPath) {
  const struct {
    const wchar_t* path;
    Lines folders;  // after the system and Windows folders
  } rows[] = {
      {L"C:\\Tools;D:\\bin\\", {L"C:\\Tools", L"D:\\bin"}},
      // The current folder, in any spelling, and the setup's own folder are never searched.
      {L".;;bin;\\rooted;%X%\\y;C:\\Dist;c:\\dist\\;C:\\Tools", {L"C:\\Tools"}},
      {L" \"C:\\Program Files\\x\" ;\\\\srv\\share", {L"C:\\Program Files\\x", L"\\\\srv\\share"}},
      {L"", {}},
  };
  for (const auto& row : rows) {
    Lines expected = {L"C:\\windows\\system32", L"C:\\windows"};
    expected.insert(expected.end(), row.folders.begin(), row.folders.end());
    EXPECT_LINES(expected, platform::ProgramSearchFolders(L"C:\\windows\\system32\\", L"C:\\windows", row.path,
                                                          L"C:\\Dist"));
  }
  EXPECT_LINES(Lines{L"C:\\Tools"}, platform::ProgramSearchFolders(L"", L"windows", L"C:\\Tools", L""));
}

// A scratch folder made the current one for the test's length.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::wstring& folder) {
    wchar_t buffer[MAX_PATH] = {};
    saved_.assign(buffer, GetCurrentDirectoryW(MAX_PATH, buffer));
    SetCurrentDirectoryW(folder.c_str());
  }
  ~CurrentFolder() { SetCurrentDirectoryW(saved_.c_str()); }

 private:
  std::wstring saved_;
};

TEST(ProgramSearch, FirstFolderHoldingTheFileWinsAndExeIsAddedToANameWithoutExtension) {
  ScratchFolder scratch;
  const std::wstring first = scratch.MakeFolder(L"first"), second = scratch.MakeFolder(L"second b");
  scratch.Write(L"second b\\tool.exe", "x");
  scratch.Write(L"second b\\tool", "x");
  scratch.Write(L"first\\run.cmd", "x");
  scratch.Write(L"second b\\run.cmd", "x");
  scratch.MakeFolder(L"first\\dir.exe");  // a folder is not a program
  scratch.Write(L"second b\\dir.exe", "x");
  const Lines folders = {first, second};
  EXPECT_EQ(platform::FindProgramIn(L"tool", folders), second + L"\\tool.exe");
  EXPECT_EQ(platform::FindProgramIn(L"run.cmd", folders), first + L"\\run.cmd");
  EXPECT_EQ(platform::FindProgramIn(L"dir.exe", folders), second + L"\\dir.exe");
  EXPECT_EQ(platform::FindProgramIn(L"missing.exe", folders), L"");
  EXPECT_EQ(platform::FindProgramIn(L"tool.exe", {}), L"");
}

// A cmd.exe in the current folder never runs in place of the system folder's; a program found
// only there, or nowhere, is not started at all.
TEST_F(Win32Launch, ProgramsNamedWithoutAFolderComeFromTheSystemFolderAndPathOnly) {
  ScratchFolder scratch;
  scratch.CopyBuilt(L"exitwith.exe", L"cmd.exe");
  scratch.CopyBuilt(L"exitwith.exe", L"onlyhere_4f1c.exe");
  const std::wstring planted = scratch.path() + L"exitwith.log";
  const std::wstring tools = scratch.MakeFolder(L"tools dir");
  scratch.CopyBuilt(L"exitwith.exe", L"tools dir\\pathtool_4f1c.exe");
  CurrentFolder current(scratch.path());
  EnvironmentOverride path(L"PATH", platform::EnvironmentValue(L"PATH") + L";" + tools);

  EXPECT_EQ(7u, RunHiddenCommand(processes_, L"cmd.exe /d /c exit 7"));
  DWORD error = 0;
  platform::Child child = processes_.Create(L"\"cmd.exe\" /d /c exit 8", 0, error);
  ASSERT_TRUE(child);
  EXPECT_EQ(8u, WaitForExitCode(*child));
  child = processes_.ShellOpen(L"cmd.exe", L"/d /c exit 9", true, error);
  ASSERT_TRUE(child);
  EXPECT_EQ(9u, WaitForExitCode(*child));
  EXPECT_FALSE(platform::FileExists(planted)) << "the planted cmd.exe ran";

  // Found through PATH: started by its full path, quoted for its blank, its arguments unchanged.
  EXPECT_EQ(5u, RunHiddenCommand(processes_, L"pathtool_4f1c.exe 5 \"a b\""));
  EXPECT_LINES(Lines{L"\"" + tools + L"\\pathtool_4f1c.exe\" 5 \"a b\""},
               RecordedCommandLines(tools + L"\\exitwith.log"));

  MemoryLog log;
  EXPECT_EQ(2u, RunHiddenCommand(processes_, log, L"onlyhere_4f1c.exe 3"));
  EXPECT_FALSE(processes_.ShellOpen(L"onlyhere_4f1c", L"3", true, error));
  EXPECT_EQ(2u, error);
  EXPECT_FALSE(platform::FileExists(planted)) << "the program of the current folder ran";
  EXPECT_LINES(Lines{L"onlyhere_4f1c.exe was found neither in the system folder, the Windows folder nor a folder of "
                     L"PATH; it is not started."},
               log.lines);
}

}  // namespace
