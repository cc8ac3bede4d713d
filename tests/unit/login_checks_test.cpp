// The server login, report-server and shared-folder checks over a faked machine.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/property_map.h"
#include "fakes/fake_platform.h"
#include "fakes/memory_log.h"
#include "checks/login_checks.h"

namespace {

using Step = platform::RightAnswer::Step;
using Channel = platform::ChannelFailure::Step;

// A fresh machine, log and property map for each case.
struct Bench {
  MemoryLog log;
  PropertyMap properties;
  FakePlatform machine;
  LoginChecks checks{log, properties, machine.bundle};
};

// The log a case expects: its one line, or nothing.
std::vector<std::wstring> Lines(const wchar_t* line) {
  return line ? std::vector<std::wstring>{line} : std::vector<std::wstring>{};
}

TEST(LoginChecks, AccountFormNeedsBothFieldsAndADomainBeforeTheFirstBackslash) {
  struct Case {
    const wchar_t *account, *password;
    int expected;
    const wchar_t *domain, *user;
  } cases[] = {
      {L"D\\alice", L"pw", 0, L"D", L"alice"}, {L"  CORP\\svc\\x ", L"pw", 0, L"CORP", L"svc\\x"},
      {L"\\alice", L"pw", 10001, L"", L""},    {L"alice", L"pw", 10001, L"", L""},
      {L"  ", L"pw", 10000, L"", L""},         {L"D\\alice", L" \t", 10000, L"", L""},
  };
  for (const Case& c : cases) {
    ServiceAccount who;
    EXPECT_EQ(CheckAccountForm(c.account, c.password, who), c.expected) << c.account;
    EXPECT_EQ(who.domain, c.domain);
    EXPECT_EQ(who.user, c.user);
  }
  ServiceAccount who;
  ASSERT_EQ(CheckAccountForm(L"D\\u", L" p w ", who), 0);
  EXPECT_EQ(who.password, L" p w ");  // blanks around a password are part of it
}

TEST(LoginChecks, AccountLogsOnAsServiceAndTheUpdateServerAlsoAsBatch) {
  struct Case {
    bool updateServer;
    DWORD serviceError, batchError;
    const wchar_t* os;
    platform::RightAnswer right;
    int expected;
    const wchar_t* line;  // logged, or null
    bool rightAsked;
  } cases[] = {
      {false, 1326, 0, L"Win10", {}, 10002, nullptr, false},
      {false, 0, 1385, L"Win10", {}, 0, nullptr, false},
      {true, 0, 0, L"Win2003", {}, 0, nullptr, false},
      {true, 0, 1385, L"Win10", {Step::Ok, true, 0}, 0, nullptr, true},
      {true, 0, 1385, L"Win10", {Step::Ok, false, 0}, 10006, nullptr, true},
      {true, 0, 1385, L"Win2003", {Step::Ok, true, 0}, 10006, nullptr, false},
      {true, 0, 1385, L"Win2003R2", {Step::Ok, true, 0}, 10006, nullptr, false},
      {true, 0, 1385, L"XP", {Step::Ok, true, 0}, 10006, nullptr, false},
      {true,
       0,
       1385,
       L"Win8",
       {Step::OpenPolicy, false, 5},
       10006,
       L"Opening Local Security Policy failed with error code 5",
       true},
      {true,
       0,
       1385,
       L"Win8",
       {Step::SidSize, false, 1332},
       10006,
       L"Looking up IIS_USRS account SID first time failed with error code 1332",
       true},
      {true,
       0,
       1385,
       L"Win8",
       {Step::SidFill, false, 122},
       10006,
       L"Looking up IIS_USRS account SID second time failed with error code 122",
       true},
      {true,
       0,
       1385,
       L"Win8",
       {Step::EnumerateRights, false, 2},
       10006,
       L"Enumerating IIS_IUSRS group right failed with error code 2",
       true},
  };
  for (const Case& c : cases) {
    Bench b;
    b.properties.Set(L"OS", c.os);
    b.machine.accounts.serviceError = c.serviceError;
    b.machine.accounts.batchError = c.batchError;
    b.machine.accounts.right = c.right;
    SCOPED_TRACE(testing::Message() << c.updateServer << " " << text::ToUtf8(c.os) << " " << c.expected);
    EXPECT_EQ(b.checks.CheckAccount(L" CORP\\svc ", L"pw", c.updateServer), c.expected);
    const auto& calls = b.machine.accounts.calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0], L"service CORP\\svc [pw]");
    EXPECT_EQ(calls.size() > 1 && calls[1] == L"batch CORP\\svc [pw]", c.updateServer && c.serviceError == 0);
    EXPECT_EQ(calls.back() == L"right IIS_IUSRS SeBatchLogonRight", c.rightAsked);
    EXPECT_EQ(b.log.lines, Lines(c.line));
  }
}

TEST(LoginChecks, ServerMustResolveAndAnswerOneEcho) {
  struct Case {
    const wchar_t* server;
    platform::ChannelFailure open;
    platform::EchoAnswer echo;
    int expected;
    const wchar_t* line;  // the one line logged, or null
  } cases[] = {
      {L" \t", {}, {true, 0, 0, L""}, 10003, nullptr},
      {L"db", {Channel::Startup, 10091}, {}, 10004, L"WSAStartup failed with error code: 10091"},
      {L"db", {Channel::IcmpHandle, 5}, {}, 10004, L"IcmpCreateFile failed with error code: 5"},
      {L"nonexistent.invalid", {}, {true, 0, 0, L""}, 10005, L"gethostbyname failed with error code: 11001"},
      {L" localhost ", {}, {true, 0, 0, L""}, 0, L"Server name localhost is 127.0.0.1"},
      {L"10.1.2.3", {}, {true, 0, 0, L""}, 0, nullptr},
      {L"10.1.2.3", {}, {false, 11010, 0, L""}, 10005, L"IcmpSendEcho failed with error code: 11010"},
      {L"10.1.2.3",
       {},
       {true, 0, 11003, L"Destination host unreachable."},
       10005,
       L"IcmpSendEcho failed. Destination host unreachable."},
  };
  for (const Case& c : cases) {
    Bench b;
    b.machine.network.openFailure = c.open;
    b.machine.network.echo = c.echo;
    SCOPED_TRACE(text::ToUtf8(c.server) + " " + std::to_string(c.expected));
    EXPECT_EQ(b.checks.CheckServer(c.server), c.expected);
    EXPECT_EQ(b.log.lines, Lines(c.line));
    EXPECT_EQ(b.machine.network.openChannels, 0);  // closed on every way out
    if (c.expected == 0) {
      EXPECT_TRUE(text::EndsWithNoCase(b.machine.network.calls.back(), L" 5000"));
    }
  }
}

TEST(LoginChecks, ServerNameIsStoredTrimmedWithoutOneTrailingDot) {
  EXPECT_EQ(StoredServerName(L" db.example.com. "), L"db.example.com");
  EXPECT_EQ(StoredServerName(L"db.."), L"db.");
  EXPECT_EQ(StoredServerName(L"db"), L"db");
}

TEST(LoginChecks, LocalFolderIsAShortPathOnAFixedDrive) {
  const std::wstring longest = L"C:\\" + std::wstring(127, L'x');
  struct Case {
    std::wstring folder;
    int expected;
  } cases[] = {
      {L" C:\\VirusScan ", 0}, {L"C:", 0},       {longest, 0},       {longest + L"x", 104}, {L"Z:\\Scan", 104},
      {L"\\\\srv\\s", 104},    {L"C:Scan", 104}, {L"CX\\Scan", 104}, {L"C", 104},
  };
  for (const Case& c : cases) {
    Bench b;
    b.machine.system.driveTypes = {{L"Z:\\", DRIVE_REMOTE}};
    EXPECT_EQ(b.checks.CheckLocalFolder(c.folder), c.expected) << c.folder.size();
  }
}

TEST(LoginChecks, SharedFolderIsAWritableNetworkShare) {
  struct Case {
    const wchar_t* folder;
    int expected;
  } cases[] = {
      {L" \\\\srv\\share\\ ", 0}, {L"\\\\?\\UNC\\srv\\share", 0}, {L"\\\\srv\\readonly", 50213},
      {L"C:\\Share", 50213},      {L"\\\\?\\C:\\Share", 50213},   {L"", 50213},
  };
  for (const Case& c : cases) {
    Bench b;
    b.machine.system.writable = {{L"\\\\srv\\share", true},
                                 {L"\\\\?\\UNC\\srv\\share", true},
                                 {L"\\\\srv\\readonly", false},
                                 {L"C:\\Share", true},
                                 {L"\\\\?\\C:\\Share", true}};
    EXPECT_EQ(b.checks.CheckSharedFolder(c.folder), c.expected) << text::ToUtf8(c.folder);
  }
}

TEST(LoginChecks, ReportServerPassesOnlyWhenTheToolAnswers200) {
  struct Case {
    const wchar_t* url;
    FakeLaunch launch;
    int expected;
    const wchar_t* line;  // the one line logged, or null
  } cases[] = {
      {L"  ", {}, 50212, nullptr},
      {L"report server", {}, 50215, nullptr},
      {L" http://rs/ReportServer ",
       {0, true, 0, true, 200},
       0,
       L"Verifying http://rs/ReportServer for user CORP\\svc returned 200"},
      {L"http://rs/ReportServer",
       {0, true, 0, true, 401},
       50215,
       L"Verifying http://rs/ReportServer for user CORP\\svc returned 401"},
      {L"http://rs/ReportServer",
       {0, true, 0, true, 0},
       50215,
       L"Verifying http://rs/ReportServer for user CORP\\svc returned 0"},
      {L"http://rs/ReportServer", {2}, 50215, L"Could not start D:\\setup\\VerifySSRS.exe: error 2"},
      {L"http://rs/ReportServer",
       {0, false, 6},
       50215,
       L"Waiting for D:\\setup\\VerifySSRS.exe failed with error code 6"},
  };
  for (const Case& c : cases) {
    Bench b;
    b.machine.processes.shell = {c.launch};
    SCOPED_TRACE(text::ToUtf8(c.url));
    EXPECT_EQ(b.checks.CheckReportServer(c.url, L" CORP\\svc", L"s3cret", L"D:\\setup"), c.expected);
    const bool launched = c.line != nullptr;
    EXPECT_EQ(b.machine.processes.Called(L"ShellOpen [D:\\setup\\VerifySSRS.exe] "
                                         L"[http://rs/ReportServer CORP\\svc s3cret] hidden"),
              launched);
    EXPECT_EQ(b.log.lines, Lines(c.line));
    EXPECT_FALSE(b.log.HasContaining(L"s3cret"));
  }
}

TEST(LoginChecks, ReportServerToolGetsAPasswordWithBlanksAsOneArgument) {
  Bench b;
  b.machine.processes.shell = {{0, true, 0, true, 200}};
  EXPECT_EQ(b.checks.CheckReportServer(L"http://rs", L"D\\u", L"a \"b\" c\\", L"D:\\setup\\"), 0);
  EXPECT_TRUE(b.machine.processes.Called(
      L"ShellOpen [D:\\setup\\VerifySSRS.exe] [http://rs D\\u \"a \\\"b\\\" c\\\\\"] hidden"));
}

}  // namespace
