// Restarting the setup after a prerequisite, and the reboot-required flag.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/restart_setup.h"
#include "engine/reboot_flag.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_security.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/text.h"

namespace {

constexpr wchar_t kRunOnce[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kSystem[] = L"C:\\Win Dir\\system32";

class RestartTest : public testing::Test {
 protected:
  void SetUp() override { registry_.PutKey(platform::Hive::LocalMachine, platform::View::Native, kRunOnce); }
  void Restart(int exitCode, const std::vector<std::wstring>& secretArguments = {},
               const std::wstring& setupDirectory = L"C:\\Setup Files\\") {
    RestartSetup(log_, processes_, registry_,
                 {logs_, setupDirectory, L"/q INSTALLDIR=C:\\x", exitCode, secretArguments, nullptr, kSystem});
  }
  std::wstring RunOnceValue() {
    LONG error = 0;
    auto v = registry_.Read(platform::Hive::LocalMachine, kRunOnce, L"QV_VRX", platform::View::Native, error);
    return v ? v->text : L"(none)";
  }

  MemoryLog log_;
  FakeProcesses processes_;
  FakeRegistry registry_;
  ScratchFolder scratch_;
  const std::wstring logs_ = scratch_.path().substr(0, scratch_.path().size() - 1);
};

// A link planted as the restart folder is left as it is: the copy goes to a fresh folder beside
// it, and the run-once value names that one.
TEST_F(RestartTest, ALinkInPlaceOfTheRestartFolderGivesWayToAFreshOne) {
  const std::wstring planted = logs_ + L"\\Restart", fresh = planted + L".fresh1";
  FakeSecurity security;
  security.folders[planted] = platform::FolderFacts{platform::FolderFacts::Kind::Link};
  RestartSetup(log_, processes_, registry_, {logs_, L"C:\\Setup Files\\", L"/q", 103010, {}, &security, kSystem});
  EXPECT_TRUE(platform::IsDirectory(fresh));
  EXPECT_TRUE(log_.Has(planted + L" is a link, not a folder; it is left as it is; " + fresh + L" is used instead"));
  EXPECT_TRUE(log_.Has(L"Copying C:\\Setup Files\\ to " + fresh + L" succeeded"));
  EXPECT_EQ(processes_.CountStartingWith(L"ShellOpen [C:\\Win Dir\\system32\\cmd.exe] [/d /c del \"" + fresh), 1u);
  EXPECT_EQ(RunOnceValue(), L"\"" + fresh + L"\\setup.exe\" /restart /q");
}

TEST_F(RestartTest, ImmediateRestartOrRunOnceAfterTheCopy) {
  const std::wstring folder = logs_ + L"\\Restart";
  // The system folder's own programs by their full paths, never a cmd.exe found beside the setup.
  const std::wstring del = L"ShellOpen [C:\\Win Dir\\system32\\cmd.exe] [/d /c del \"" + folder + L"\\*\" /q /s] hidden";
  const std::wstring xcopy =
      L"ShellOpen [C:\\Win Dir\\system32\\xcopy.exe] [\"C:\\Setup Files\\*\" \"" + folder + L"\" /s /e /q /y] hidden";

  Restart(103011);
  EXPECT_TRUE(platform::IsDirectory(folder));
  EXPECT_EQ(processes_.CountStartingWith(L"ShellOpen"), 2u);
  EXPECT_TRUE(processes_.Called(del));
  EXPECT_TRUE(processes_.Called(xcopy));
  // The copy itself is started directly, by its quoted path, not waited for: no cmd.exe reads its arguments.
  EXPECT_TRUE(processes_.Called(L"Create [\"" + folder + L"\\setup.exe\" /restart /q INSTALLDIR=C:\\x] 0"));
  EXPECT_EQ(processes_.CountStartingWith(L"Wait"), 2u);
  EXPECT_EQ(RunOnceValue(), L"(none)");
  EXPECT_TRUE(log_.Has(L"Copying C:\\Setup Files\\ to " + folder + L" succeeded"));
  EXPECT_TRUE(log_.Has(L"Restarting"));

  processes_.calls.clear();
  Restart(103010);
  EXPECT_EQ(processes_.CountStartingWith(L"ShellOpen"), 2u);  // the folder was emptied and filled again
  EXPECT_EQ(RunOnceValue(), L"\"" + folder + L"\\setup.exe\" /restart /q INSTALLDIR=C:\\x");
}

// The passwords reach the copy sealed in a file beside it, never on its command line or in the
// run-once value; the copy takes them back (once) on "/restart".
TEST_F(RestartTest, SecretArgumentsTravelSealedBesideTheCopy) {
  const std::vector<std::wstring> args = {L"/q", L"VUROVIZO_PASSWORD=S3-a b", L"INSTALLDIR=C:\\x", L"Sql_Pwd=S3-c"};
  std::wstring commandLine;
  std::vector<std::wstring> secrets;
  SplitSecretArguments(args, commandLine, secrets);
  EXPECT_EQ(commandLine, L"/q INSTALLDIR=C:\\x");
  EXPECT_EQ(secrets, (std::vector<std::wstring>{L"VUROVIZO_PASSWORD=S3-a b", L"Sql_Pwd=S3-c"}));

  const std::wstring folder = logs_ + L"\\Restart\\";
  for (int exitCode : {103010, 103011}) {
    Restart(exitCode, secrets);
    const std::string sealed = test_files::ReadShared(folder + kRestartArgumentsFile);
    ASSERT_FALSE(sealed.empty());
    for (const char* secret : {"S3-", "S\0" "3\0-"})
      EXPECT_EQ(sealed.find(std::string(secret, secret[1] ? 3 : 6)), std::string::npos);
  }
  EXPECT_EQ(RunOnceValue(), L"\"" + folder + L"setup.exe\" /restart /q INSTALLDIR=C:\\x");

  EXPECT_EQ(WithRestartArguments(log_, folder, {L"/q"}), std::vector<std::wstring>{L"/q"});  // no "/restart": left
  const std::vector<std::wstring> taken = WithRestartArguments(log_, folder, {L"/RESTART", L"/q"});
  EXPECT_EQ(taken, (std::vector<std::wstring>{L"/RESTART", L"/q", L"VUROVIZO_PASSWORD=S3-a b", L"Sql_Pwd=S3-c"}));
  EXPECT_FALSE(platform::FileExists(folder + kRestartArgumentsFile));
  EXPECT_EQ(WithRestartArguments(log_, folder, {L"/restart"}), std::vector<std::wstring>{L"/restart"});
}

// Under a parent other users could empty, the copy could be swapped before it runs as administrator.
TEST_F(RestartTest, NothingIsCopiedOrScheduledWhenTheLogFolderCouldBeReplacedAfterTheRun) {
  log_.SetFolderSafeAfterRun(false);
  for (int exitCode : {103010, 103011}) {
    Restart(exitCode);
    EXPECT_TRUE(processes_.calls.empty()) << exitCode;
    EXPECT_EQ(RunOnceValue(), L"(none)");
  }
  EXPECT_FALSE(platform::IsDirectory(logs_ + L"\\Restart"));
  EXPECT_TRUE(log_.Has(L"The setup is not restarted: other users could replace " + logs_ +
                       L"\\Restart once the setup ends."));
}

TEST_F(RestartTest, AFailedCopyRestartsNothing) {
  processes_.shell = {FakeLaunch{}, FakeLaunch{0, true, 0, true, 4, 0}};
  Restart(103010);
  EXPECT_EQ(RunOnceValue(), L"(none)");
  EXPECT_TRUE(log_.Has(L"Copying C:\\Setup Files\\ to " + logs_ + L"\\Restart failed with error code: 4"));
  EXPECT_FALSE(log_.Has(L"Restarting"));

  Restart(103011);  // the scripted failure is used up: this one goes through
  processes_.calls.clear();
  processes_.shell = {FakeLaunch{}, FakeLaunch{0, true, 0, true, 1, 0}};
  Restart(103011);
  EXPECT_EQ(processes_.CountStartingWith(L"ShellOpen"), 2u);
  EXPECT_EQ(processes_.CountStartingWith(L"Create"), 0u);
}

// Each argument reaches the copy whole, however it is written; "/restart" is the restart's own.
TEST_F(RestartTest, ArgumentsAreQuotedOneByOneForTheCopy) {
  const struct {
    std::vector<std::wstring> arguments;
    const wchar_t* commandLine;
  } rows[] = {
      {{L"/q", L"INSTALLLOCATION=C:\\Program Files (x86)\\Orvanta\\Rizod"},
       L"/q \"INSTALLLOCATION=C:\\Program Files (x86)\\Orvanta\\Rizod\""},
      {{L"/RESTART", L"/q", L"DIR=C:\\a b\\"}, L"/q \"DIR=C:\\a b\\\\\""},
      {{L"NAME=say \"hi\"", L"ID=R&echo x>C:\\y.txt"}, L"\"NAME=say \\\"hi\\\"\" \"ID=R&echo x>C:\\y.txt\""},
      {{}, L""},
  };
  const std::wstring copy = L"\"" + logs_ + L"\\Restart\\setup.exe\" /restart";
  for (const auto& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.commandLine));
    RestartRequest request{logs_, L"C:\\Setup Files\\", L"", 103010, {}, nullptr, kSystem};
    SplitSecretArguments(row.arguments, request.commandLine, request.secretArguments);
    EXPECT_EQ(request.commandLine, row.commandLine);
    RestartSetup(log_, processes_, registry_, request);
    EXPECT_EQ(RunOnceValue(), *row.commandLine ? copy + L" " + row.commandLine : copy);
  }
}

// A copy that needs another restart runs from the restart folder: it neither empties nor copies
// over the folder it runs from, and starts or schedules itself from there.
TEST_F(RestartTest, ACopyRunningFromTheRestartFolderRestartsFromThere) {
  const std::wstring folder = logs_ + L"\\Restart";
  for (const std::wstring& running : {folder + L"\\", folder, text::ToLower(folder) + L"\\"}) {
    for (int exitCode : {103010, 103011}) {
      SCOPED_TRACE(testing::Message() << text::ToUtf8(running) << " " << exitCode);
      processes_.calls.clear();
      registry_.PutKey(platform::Hive::LocalMachine, platform::View::Native, kRunOnce);
      CreateDirectoryW(folder.c_str(), nullptr);
      Restart(exitCode, {L"Sql_Pwd=S3-c"}, running);
      EXPECT_EQ(processes_.CountStartingWith(L"ShellOpen"), 0u);
      EXPECT_TRUE(log_.Has(L"The setup runs from " + folder + L" already; it is restarted from there."));
      EXPECT_TRUE(platform::FileExists(folder + L"\\" + kRestartArgumentsFile));
      const std::wstring copy = L"\"" + folder + L"\\setup.exe\" /restart /q INSTALLDIR=C:\\x";
      EXPECT_EQ(processes_.Called(L"Create [" + copy + L"] 0"), exitCode == 103011);
      if (exitCode == 103010) {
        EXPECT_EQ(RunOnceValue(), copy);
      }
    }
  }
}

// The real launch: the copy gets its arguments exactly, and an "&" in a value runs nothing.
TEST_F(RestartTest, TheCopyIsStartedDirectlyWithItsArgumentsWhole) {
  const std::wstring source = scratch_.MakeFolder(L"setup files") + L"\\";
  scratch_.CopyBuilt(L"exitwith.exe", L"setup files\\setup.exe");  // records its command line beside itself
  const std::wstring injected = scratch_.path() + L"injected.txt";
  const std::vector<std::wstring> arguments = {L"/q", L"INSTALLLOCATION=C:\\Program Files (x86)\\Orvanta\\Rizod",
                                               L"DOCUMENT_SERVICEACCOUNTID=R&echo injected>" + injected};
  wchar_t system[MAX_PATH] = {};
  RestartRequest request{logs_, source, L"", 103011, {}, nullptr,
                         std::wstring(system, GetSystemDirectoryW(system, MAX_PATH))};
  SplitSecretArguments(arguments, request.commandLine, request.secretArguments);
  platform::Win32Processes processes;
  RestartSetup(log_, processes, registry_, request);
  ASSERT_TRUE(log_.Has(L"Restarting"));

  const std::wstring recorded = logs_ + L"\\Restart\\exitwith.log";
  std::string line;
  for (int i = 0; i < 300 && (line = test_files::ReadShared(recorded)).find('\n') == std::string::npos; ++i) Sleep(100);
  ASSERT_NE(line.find('\n'), std::string::npos) << "the copy did not start";
  int count = 0;
  wchar_t** read = CommandLineToArgvW(text::FromUtf8(line.substr(0, line.find('\n'))).c_str(), &count);
  ASSERT_NE(read, nullptr);
  std::vector<std::wstring> received(read + 1, read + count);
  LocalFree(read);
  std::vector<std::wstring> expected = {L"/restart"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(received, expected);
  EXPECT_FALSE(platform::FileExists(injected));
  // The copy is done once its file is free again; the scratch folder can go then.
  for (int i = 0; i < 50 && platform::ExclusiveOpenError(logs_ + L"\\Restart\\setup.exe") != 0; ++i) Sleep(100);
}

TEST(RebootFlagTest, WrittenForLaterProcessesAndReadInAnyCase) {
  MemoryLog log;
  FakeRegistry registry;
  const wchar_t* key = L"System\\CurrentControlSet\\Control\\Session Manager\\Environment";
  registry.PutKey(platform::Hive::LocalMachine, platform::View::Native, key);
  SetRebootRequiredFlag(log, registry);
  LONG error = 0;
  auto value = registry.Read(platform::Hive::LocalMachine, key, L"ZEM-REBOOT-REQUIRED", platform::View::Native, error);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->text, L"true");
  EXPECT_TRUE(log.Has(L"Setting ZEM-REBOOT-REQUIRED environment variable to true."));
  EXPECT_TRUE(platform::EnvironmentValue(L"ZEM-REBOOT-REQUIRED").empty());  // not this process's own

  struct Row {
    const wchar_t* value;
    bool required;
  } rows[] = {{L"true", true}, {L"TRUE", true}, {L"True", true}, {L"1", false}, {L"yes", false}, {nullptr, false}};
  EnvironmentOverride flag(L"ZEM-REBOOT-REQUIRED", nullptr);
  for (const auto& row : rows) {
    flag.Set(row.value);
    MemoryLog reads;
    EXPECT_EQ(RebootRequired(reads), row.required) << (row.value ? text::ToUtf8(row.value) : "unset");
    EXPECT_EQ(reads.Has(L"Reboot required"), row.required);
  }
  flag.Set(nullptr);

  FakeRegistry locked;
  locked.deniedKeys.insert(text::ToLower(key));
  MemoryLog refused;
  SetRebootRequiredFlag(refused, locked);
  EXPECT_TRUE(refused.HasContaining(L"returned error 0X5"));
}

}  // namespace
