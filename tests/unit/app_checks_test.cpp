// Running programs and locked files: what is looked for, what is listed and the Retry loop.
#include "checks/app_checks.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "check_rules_fixture.h"

namespace {

using Names = std::vector<std::wstring>;

struct RunningCase {
  const char* name;
  std::wstring xml;
  Names running;
  std::wstring listed;  // the list in the message; empty when nothing runs
  Names logged;         // the expected "must be closed" lines, in order
};

const RunningCase kRunningCases[] = {
    {"SameNameListedOnce",
     L"<D><AppChecks><AppCheck Name='Word' Executable='winword.exe'/><AppCheck Name='Word' Executable='word.exe'/>"
     L"</AppChecks></D>",
     {L"winword.exe", L"word.exe"},
     L"- Word\n",
     {L"Word must be closed to continue. Executable name is winword.exe"}},
    {"ExecutableIgnoresCaseButNotOtherNames",
     L"<D><AppChecks><AppCheck Name='Word' Executable='WinWord.EXE'/><AppCheck Name='Excel' Executable='excel.exe'/>"
     L"</AppChecks></D>",
     {L"winword.exe", L"excel64.exe"},
     L"- Word\n",
     {L"Word must be closed to continue. Executable name is WinWord.EXE"}},
    {"NameInsideAnotherNameStillListed",
     L"<D><AppChecks><AppCheck Name='WordPad' Executable='wordpad.exe'/><AppCheck Name='Word' Executable='w.exe'/>"
     L"</AppChecks></D>",
     {L"wordpad.exe", L"w.exe"},
     L"- WordPad\n- Word\n",
     {L"WordPad must be closed to continue. Executable name is wordpad.exe",
      L"Word must be closed to continue. Executable name is w.exe"}},
    {"OnlyTheFirstAppChecksElement",
     L"<D><AppChecks><AppCheck Name='A' Executable='a.exe'/></AppChecks>"
     L"<AppChecks><AppCheck Name='B' Executable='b.exe'/></AppChecks></D>",
     {L"b.exe"},
     L"",
     {}},
    {"FailingConditionsNotLookedFor",
     L"<D><AppChecks><AppCheck Name='A' Executable='a.exe'><CheckConditions><CheckIf Property='OS' Value='Win7'/>"
     L"</CheckConditions></AppCheck><AppCheck Name='B' Executable='b.exe'><CheckConditions>"
     L"<CheckIf Property='OS' Value='Win10'/></CheckConditions></AppCheck></AppChecks></D>",
     {L"a.exe", L"b.exe"},
     L"- B\n",
     {L"B must be closed to continue. Executable name is b.exe"}},
    {"EntryWithoutAttributesIgnored", L"<D><AppChecks><AppCheck/></AppChecks></D>", {L""}, L"", {}},
    {"NothingRunning", L"<D><AppChecks><AppCheck Name='A' Executable='a.exe'/></AppChecks></D>", {L"x.exe"}, L"", {}},
};

class RunningAppsTest : public CheckFixture, public testing::WithParamInterface<RunningCase> {};

TEST_P(RunningAppsTest, ListsEachRunningProgramOnce) {
  const RunningCase& c = GetParam();
  UseTestCulture();
  Load(c.xml);
  properties.Set(L"OS", L"Win10");
  machine.processes.running = c.running;
  machine.prompts.answers = {IDCANCEL};

  const bool stops = !c.listed.empty();
  EXPECT_EQ(AppCheck(context).CheckRunningApps(), !stops);
  ASSERT_EQ(machine.prompts.asked.size(), stops ? 1u : 0u);
  if (stops) {
    EXPECT_EQ(machine.prompts.asked[0].text, L"Close these programs:\n" + c.listed + L"Then press Retry.");
    EXPECT_EQ(machine.prompts.asked[0].caption, L"Demo Product");
    EXPECT_EQ(machine.prompts.asked[0].type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONERROR));
  }
  EXPECT_EQ(log.lines, c.logged);
}

INSTANTIATE_TEST_SUITE_P(Cases, RunningAppsTest, testing::ValuesIn(kRunningCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckFixture, RetryLoopAsksUntilClosedOrCancelled) {
  const struct {
    const char* name;
    std::deque<Names> snapshots;  // one per look, in turn
    std::deque<int> answers;
    bool silent;
    bool passes;
    size_t boxes;
  } cases[] = {
      {"RetryThenPass", {{L"a.exe"}, {}}, {IDRETRY}, false, true, 1},
      {"RetryThenCancel", {{L"a.exe"}, {L"a.exe"}}, {IDRETRY, IDCANCEL}, false, false, 2},
      {"BoxNotShownStops", {{L"a.exe"}}, {0}, false, false, 1},
      {"SilentStopsWithoutBox", {{L"a.exe"}}, {IDRETRY}, true, false, 0},
  };
  Load(L"<D><AppChecks><AppCheck Name='A' Executable='a.exe'/></AppChecks></D>");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    machine.prompts.asked.clear();
    machine.processes.snapshotsToCome = c.snapshots;
    machine.prompts.answers = c.answers;
    context.silent = c.silent;
    EXPECT_EQ(AppCheck(context).CheckRunningApps(), c.passes);
    EXPECT_EQ(machine.prompts.asked.size(), c.boxes);
    // Without a culture library the message is the list alone.
    for (const auto& asked : machine.prompts.asked) EXPECT_EQ(asked.text, L"- A\n");
  }
}

TEST_F(CheckFixture, MissingOrEmptyGroupsPass) {
  const struct {
    const wchar_t* xml;
    bool passes;
    std::vector<std::wstring> lines;
  } cases[] = {
      {L"<D/>", true, {}},
      {L"<D><AppChecks/><FileInUseChecks/></D>", true, {L"AppCheck node not found", L"FileInUse node not found"}},
      // An empty first group hands over to the next one.
      {L"<D><AppChecks/><AppChecks><AppCheck Name='B' Executable='b.exe'/></AppChecks></D>",
       false,
       {L"AppCheck node not found", L"B must be closed to continue. Executable name is b.exe"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text::ToUtf8(c.xml));
    log.lines.clear();
    Load(c.xml);
    context.silent = true;
    machine.processes.running = {L"b.exe"};
    EXPECT_EQ(AppCheck(context).CheckRunningApps() && FilesInUse(context).CheckFilesInUse(), c.passes);
    EXPECT_EQ(log.lines, c.lines);
  }
}

// Holds a file open the way another program would, allowing other readers.
class HeldFile {
 public:
  explicit HeldFile(const std::wstring& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)) {
    EXPECT_NE(handle_, INVALID_HANDLE_VALUE);
  }
  ~HeldFile() { Release(); }
  void Release() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

class FilesInUseTest : public CheckFixture {
 protected:
  std::wstring FileCheck(const std::wstring& file, const std::wstring& exe) {
    return L"<FileCheck File='" + file + L"' Executable='" + exe + L"'/>";
  }
  ScratchFolder scratch;
  std::wstring locked1 = scratch.Write(L"one.dat", "1"), locked2 = scratch.Write(L"two.dat", "2"),
               locked3 = scratch.Write(L"three.dat", "3"), free = scratch.Write(L"free.dat", "4"),
               missing = scratch.path() + L"missing.dat";
};

TEST_F(FilesInUseTest, LockedFilesListedWithTheirPrograms) {
  UseTestCulture();
  HeldFile hold1(locked1), hold2(locked2), hold3(locked3);
  // Two groups: the second runs with the entries of the first checked again.
  Load(L"<D><FileInUseChecks>" + FileCheck(free, L"Free") + FileCheck(missing, L"Gone") + L"<FileCheck/>" +
       L"</FileInUseChecks><FileInUseChecks>" + FileCheck(locked1, L"Word") + FileCheck(locked2, L"Excel") +
       FileCheck(locked3, L"Word") + L"<FileCheck File='" + locked1 +
       L"' Executable='Cond'><CheckConditions><CheckIf Property='OS' Value='XP'/></CheckConditions></FileCheck>"
       L"</FileInUseChecks></D>");
  machine.prompts.answers = {IDCANCEL};
  FilesInUse check(context);
  EXPECT_FALSE(check.CheckFilesInUse());
  EXPECT_EQ(check.Apps().size(), 5u);
  ASSERT_EQ(machine.prompts.asked.size(), 1u);
  EXPECT_EQ(machine.prompts.asked[0].text, L"These files are in use:\n- " + locked1 + L"\n- " + locked2 + L"\n- " +
                                               locked3 + L"\nClose Word, Excel, then press Retry.");
  EXPECT_EQ(machine.prompts.asked[0].type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONERROR));
  const std::vector<std::wstring> lines = {L"Accessing " + locked1 + L" returned error 32",
                                           L"Accessing " + locked2 + L" returned error 32",
                                           L"Accessing " + locked3 + L" returned error 32"};
  EXPECT_EQ(log.lines, lines);

  log.lines.clear();
  context.silent = true;
  EXPECT_FALSE(FilesInUse(context).CheckFilesInUse());
  EXPECT_EQ(machine.prompts.asked.size(), 1u);
  EXPECT_EQ(log.lines, lines);
}

TEST_F(FilesInUseTest, NothingLockedPasses) {
  Load(L"<D><FileInUseChecks>" + FileCheck(free, L"A") + FileCheck(missing, L"B") + L"</FileInUseChecks></D>");
  EXPECT_TRUE(FilesInUse(context).CheckFilesInUse());
  EXPECT_TRUE(machine.prompts.asked.empty());
  EXPECT_TRUE(log.lines.empty());
}

// Lets the file go when the user is asked, as a user closing the program would.
class ReleasingPrompts : public FakePrompts {
 public:
  HeldFile* held = nullptr;
  int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
           const std::function<void()>& prepare) override {
    if (held) held->Release();
    return FakePrompts::Show(owner, text, caption, type, prepare);
  }
};

TEST_F(FilesInUseTest, RetryAfterTheFileIsFreedPasses) {
  HeldFile hold(locked1);
  ReleasingPrompts prompts;
  prompts.held = &hold;
  prompts.answers = {IDRETRY, IDCANCEL};
  platform::Platform bundle{machine.security,  machine.system,    machine.registry, prompts,
                            machine.installer, machine.processes, machine.services, machine.http,
                            machine.accounts,  machine.network};
  CheckContext releasing{log, properties, doc, bundle};
  Load(L"<D><FileInUseChecks>" + FileCheck(locked1, L"Word") + L"</FileInUseChecks></D>");
  EXPECT_TRUE(FilesInUse(releasing).CheckFilesInUse());
  EXPECT_EQ(prompts.asked.size(), 1u);
}

}  // namespace
