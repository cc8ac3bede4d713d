#include "engine/progress_interface.h"

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/property_map.h"
#include "fakes/fake_processes.h"
#include "fakes/memory_log.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace {

// What the launcher handed to the "started" child: the command and its own copy of the pipe's
// read end, as a real child would hold it.
struct Launched {
  std::wstring commandLine;
  platform::UniqueHandle input;
  bool inputInheritable = false;
  bool outputInheritable = true;
};

class CapturingProcesses : public FakeProcesses {
 public:
  Launched launched;
  DWORD launchError = 0;

  std::unique_ptr<platform::UserToken> QueryUserToken(DWORD, DWORD&) override {
    return std::make_unique<Token>(*this);
  }

 private:
  class ChildStub : public platform::ChildProcess {
    bool Wait(DWORD&) override { return true; }
    bool ExitCode(DWORD& code, DWORD&) override {
      code = 0;
      return true;
    }
  };
  class Token : public platform::UserToken {
   public:
    explicit Token(CapturingProcesses& owner) : owner_(owner) {}
    bool LoadEnvironment(DWORD&) override { return true; }
    platform::Child CreateAsUser(const std::wstring& commandLine, const platform::StdHandles& handles, DWORD,
                                 DWORD& error) override {
      Launched& l = owner_.launched;
      l.commandLine = commandLine;
      DWORD flags = 0;
      l.inputInheritable = GetHandleInformation(handles.input, &flags) && (flags & HANDLE_FLAG_INHERIT);
      l.outputInheritable = GetHandleInformation(handles.output, &flags) && (flags & HANDLE_FLAG_INHERIT);
      if (owner_.launchError) {
        error = owner_.launchError;
        return nullptr;
      }
      DuplicateHandle(GetCurrentProcess(), handles.input, GetCurrentProcess(), l.input.put(), 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
      return std::make_unique<ChildStub>();
    }
    platform::Child CreateWithToken(const std::wstring& commandLine, const platform::StdHandles& handles, DWORD flags,
                                    DWORD& error) override {
      return CreateAsUser(commandLine, handles, flags, error);
    }

   private:
    CapturingProcesses& owner_;
  };
};

ProgressRunInfo RunInfo(int kind = 2, const std::wstring& culture = L"en-US") {
  ProgressRunInfo run;
  run.setupDirectory = L"C:\\Dist\\";
  run.platformKind = static_cast<PlatformKind>(kind);
  run.productCulture = culture;
  run.cultureString = [](UINT id) { return text::Format(L"text%u", id); };
  return run;
}

class ProgressInterfaceTest : public testing::Test {
 protected:
  void SetUp() override { processes_.sessions = {FakeSession{}}; }
  DWORD Start(const std::wstring& name = L"Rizod Suite", uint32_t flags = 16, const ProgressRunInfo& run = RunInfo()) {
    return progress_.Start(name, false, flags, run);
  }
  size_t SendFailures() const {
    size_t n = 0;
    for (const auto& line : log_.lines)
      n += line.rfind(L"Sending a message to progress dialog failed with error code ", 0) == 0;
    return n;
  }

  MemoryLog log_;
  PropertyMap properties_;
  CapturingProcesses processes_;
  ProgressInterface progress_{log_, processes_, properties_};
};

std::vector<uint16_t> Units(const ProgressRecord& record) {
  std::vector<uint16_t> units;
  for (size_t i = 4; i < record.size(); i += 2) units.push_back(static_cast<uint16_t>(record[i] | record[i + 1] << 8));
  return units;
}

// Both ends use the same layout: what the setup builds, progress.exe reads back, cut text and all.
TEST(ProgressRecord, LayoutCodeAndCutText) {
  static_assert(sizeof(ProgressRecord) == 524);
  struct Case {
    uint32_t code;
    std::wstring text;
    size_t sentUnits;
  } cases[] = {
      {1, L"", 0},
      {3, L"Installing A", 12},
      {3, std::wstring(300, L'x'), 259},
      {3, std::wstring(259, L'y'), 259},
      {0x04030201, L"\u00e9\u20ac", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.size());
    const ProgressRecord record = BuildProgressRecord(c.code, c.text);
    EXPECT_EQ(record[0] | record[1] << 8 | record[2] << 16 | static_cast<uint32_t>(record[3]) << 24, c.code);
    const std::vector<uint16_t> units = Units(record);
    ASSERT_EQ(units.size(), 260u);
    for (size_t i = 0; i < c.sentUnits; ++i) ASSERT_EQ(units[i], static_cast<uint16_t>(c.text[i])) << i;
    for (size_t i = c.sentUnits; i < units.size(); ++i) ASSERT_EQ(units[i], 0) << i;
    EXPECT_EQ(ProgressRecordCode(record), c.code);
    EXPECT_EQ(ProgressRecordText(record), c.text.substr(0, c.sentUnits));
  }
  // Little-endian units: U+20AC is AC 20.
  const ProgressRecord euro = BuildProgressRecord(3, L"\u20ac");
  EXPECT_EQ(euro[4], 0xAC);
  EXPECT_EQ(euro[5], 0x20);
}

TEST_F(ProgressInterfaceTest, CommandLineByPlatformModeAndName) {
  struct Case {
    int kind;
    std::wstring culture;
    uint32_t flags;
    bool dotNet;
    std::wstring name;
    std::wstring expected;
  } cases[] = {
      {1, L"en-US", 8, true, L"Rizod Suite",
       L"\"C:\\Dist\\progress.exe\" ProductName=\"Rizod Suite\" Platform=OP-US NETFramework=1 Mode=text50123"},
      {1, L"EN-us", 12, false, L"Rizod", L"\"C:\\Dist\\progress.exe\" ProductName=\"Rizod\" Platform=OP-US "
                                         L"NETFramework=0 Mode=text50124"},
      {1, L"fr-CA", 16, false, L"A", L"\"C:\\Dist\\progress.exe\" ProductName=\"A\" Platform=OP-Canada "
                                     L"NETFramework=0 Mode=text50124"},
      {2, L"en-US", 8, false, L"A", L"\"C:\\Dist\\progress.exe\" ProductName=\"A\" Platform=SaaS NETFramework=0 "
                                    L"Mode=text50123"},
      {3, L"en-US", 0, false, L"A", L"\"C:\\Dist\\progress.exe\" ProductName=\"A\" Platform=SaaS NETFramework=0 "
                                    L"Mode=text50124"},
      {0, L"en-US", 9, false, L"Say \"Hi\"", L"\"C:\\Dist\\progress.exe\" ProductName=\"Say 'Hi'\" Platform=SaaS "
                                             L"NETFramework=0 Mode=text50124"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.expected));
    ASSERT_EQ(progress_.Start(c.name, c.dotNet, c.flags, RunInfo(c.kind, c.culture)), 0u);
    EXPECT_EQ(processes_.launched.commandLine, c.expected);
  }
}

TEST(ProgressCommandLine, NameArrivesAsOneArgument) {
  for (const std::wstring name : {L"Rizod Suite 2024", L"Say \"Hi\" now", L"Tools\\", L"Tools \\\\"}) {
    const std::wstring line = ProgressCommandLine(L"C:\\Program Files\\Dist\\", name, L"SaaS", false, L"Upgrade");
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(argv, nullptr);
    std::vector<std::wstring> args(argv, argv + count);
    LocalFree(argv);
    ASSERT_EQ(args.size(), 5u) << text::ToUtf8(line);
    EXPECT_EQ(args[0], L"C:\\Program Files\\Dist\\progress.exe");
    std::wstring shown = name;
    std::replace(shown.begin(), shown.end(), L'"', L'\'');
    EXPECT_EQ(args[1], L"ProductName=" + shown);
    EXPECT_EQ(args[4], L"Mode=Upgrade");
  }
}

TEST_F(ProgressInterfaceTest, ChildGetsReadEndOnlyAndRecordsArriveWhole) {
  ASSERT_EQ(Start(), 0u);
  EXPECT_TRUE(processes_.launched.inputInheritable);
  EXPECT_FALSE(processes_.launched.outputInheritable);
  ASSERT_TRUE(processes_.launched.input);

  const std::wstring longText(300, L'z');
  progress_.Send(ProgressInterface::kStatus, L"Installing A");
  progress_.Send(ProgressInterface::kStatus, longText);
  progress_.Send(ProgressInterface::kFinished, L"");
  for (const auto& [code, sent] : std::vector<std::pair<uint32_t, std::wstring>>{
           {3, L"Installing A"}, {3, longText}, {1, L""}}) {
    ProgressRecord got{};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(processes_.launched.input.get(), got.data(), static_cast<DWORD>(got.size()), &read, nullptr));
    ASSERT_EQ(read, got.size());
    EXPECT_EQ(got, BuildProgressRecord(code, sent));
  }
  EXPECT_EQ(SendFailures(), 0u);
}

// Without a pipe nothing is started, and later sends fail without touching any handle.
TEST_F(ProgressInterfaceTest, APipeFailureIsLoggedByItsStepAndStartsNothing) {
  const struct {
    platform::PipeStep step;
    DWORD error;
    std::wstring line;
  } cases[] = {
      {platform::PipeStep::Create, ERROR_NOT_ENOUGH_MEMORY, L"Creating a pipe failed with error code 8"},
      {platform::PipeStep::SetInformation, ERROR_ACCESS_DENIED, L"Setting handle information failed with error code 5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.line));
    MemoryLog log;
    CapturingProcesses processes;
    processes.sessions = {FakeSession{}};
    processes.pipeError = c.error;
    processes.pipeFailure = c.step;
    ProgressInterface progress(log, processes, properties_);
    EXPECT_EQ(progress.Start(L"Rizod", false, 16, RunInfo()), c.error);
    EXPECT_TRUE(processes.launched.commandLine.empty());
    progress.Send(ProgressInterface::kStatus, L"Installing A");
    EXPECT_EQ(log.lines, (std::vector<std::wstring>{
                             c.line, L"Sending a message to progress dialog failed with error code 6"}));
  }
}

TEST_F(ProgressInterfaceTest, SendAfterReaderEndedIsLoggedNotFatal) {
  ASSERT_EQ(Start(), 0u);
  processes_.launched.input.reset();  // progress.exe has ended
  progress_.Send(ProgressInterface::kStatus, L"Installing B");
  progress_.Send(ProgressInterface::kFinished, L"");
  EXPECT_EQ(SendFailures(), 2u);
  EXPECT_FALSE(log_.Has(L"Sending a message to progress dialog failed with error code 0"));
}

// Nothing reads the pipe when no session was active (the start still answers 0) or the launch
// failed: sends fail at once instead of filling the pipe and blocking the setup.
TEST_F(ProgressInterfaceTest, NoReaderNeverBlocksTheSetup) {
  struct Case {
    bool activeSession;
    DWORD launchError;
    DWORD startResult;
  } cases[] = {{false, 0, ERROR_NO_SUCH_LOGON_SESSION}, {true, 1314, 1314}};
  for (const Case& c : cases) {
    MemoryLog log;
    CapturingProcesses processes;
    processes.sessions = {FakeSession{}};
    processes.sessions[0].active = c.activeSession;
    processes.launchError = c.launchError;
    ProgressInterface progress(log, processes, properties_);
    EXPECT_EQ(progress.Start(L"Rizod", false, 2, RunInfo()), c.startResult);
    for (int i = 0; i < 40; ++i) progress.Send(ProgressInterface::kStatus, std::wstring(259, L'q'));
    size_t failures = 0;
    for (const auto& line : log.lines) failures += text::Contains(line, L"Sending a message to progress dialog failed");
    EXPECT_EQ(failures, 40u);
  }
}

}  // namespace
