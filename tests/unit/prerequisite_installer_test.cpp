// The prerequisite step: file prerequisites, the duplicate rule, the built-in installers and the
// outcomes a reboot or a restart turns into.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "checks/system_info.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "definition/product.h"
#include "engine/prerequisite_installer.h"
#include "fakes/fake_windows_installer.h"
#include "fakes/memory_log.h"
#include "fakes/recording_observer.h"
#include "platform/text.h"

namespace {

// Built-in installers answering from a table and recording what was asked.
class FakeBuiltIns : public BuiltInInstallers {
 public:
  std::map<std::wstring, ComponentResult> results;  // by kind; success when absent
  std::vector<std::wstring> calls;
  bool sqlCmdInstalled = false;
  int flavour = 5;

  ComponentResult Answer(const std::wstring& kind) {
    calls.push_back(kind);
    auto it = results.find(kind);
    return it == results.end() ? ComponentResult{true, 0, L""} : it->second;
  }
  ComponentResult DotNet35Sp1() override { return Answer(L"DotNet35Sp1"); }
  ComponentResult DotNet4(const std::wstring& version) override { return Answer(L"DotNet4 " + version); }
  ComponentResult WindowsInstaller45() override { return Answer(L"WindowsInstaller45"); }
  ComponentResult SqlNativeClient(int& f) override {
    f = flavour;
    return Answer(L"SqlNativeClient");
  }
  bool SqlCmdInstalled() override { return sqlCmdInstalled; }
  ComponentResult InstallSqlCmd(int f) override { return Answer(text::Format(L"InstallSqlCmd %d", f)); }
  ComponentResult AspNet4() override { return Answer(L"AspNet4"); }
};

std::wstring File(int order, const std::wstring& name, const std::wstring& location, const std::wstring& extra = L"") {
  return text::Format(L"<PrerequisiteFile><Order>%d</Order><Name>%s</Name><Location>%s</Location>%s</PrerequisiteFile>",
                      order, name, location, extra);
}
std::wstring BuiltIn(int order, const std::wstring& name, const std::wstring& custom) {
  return text::Format(L"<PrerequisiteFile><Order>%d</Order><Name>%s</Name><Custom>%s</Custom></PrerequisiteFile>", order,
                      name, custom);
}
std::wstring Group(const std::wstring& files) { return L"<PrerequisiteFileGroup>" + files + L"</PrerequisiteFileGroup>"; }

class PrerequisiteTest : public testing::Test {
 protected:
  void SetUp() override {
    HRESULT status = S_OK;
    ASSERT_TRUE(doc_.Create(status));
  }

  // Loads the definition and runs the step once.
  bool Run(const std::wstring& groups, const std::wstring& shortName = L"Rizod", uint32_t mode = mode::Install,
           OsCode osCode = OsWin10, int servicePack = 0) {
    EXPECT_TRUE(doc_.LoadText(L"<Setup><Products><Product ShortName='" + shortName +
                              L"' NETFramework='4.8'/></Products>" + groups + L"</Setup>"));
    std::vector<XmlNode> nodes;
    doc_.SelectAll(L"//Product", nodes);
    products_.clear();
    for (const auto& node : nodes) products_.push_back(std::make_shared<Product>(node, ReadContext{log_, properties_}, L"C:\\dist\\"));
    context_ = std::make_unique<EngineContext>(log_, properties_, nullptr, msi_, doc_, products_);
    context_->logFolder = L"C:\\Logs";
    context_->shortName = shortName;
    context_->modeFlags = mode;
    context_->state = state_.get();
    context_->observer = &observer_;
    context_->runHidden = [this](const std::wstring& command) -> DWORD {
      commands_.push_back(command);
      return commandResult_;
    };
    PrerequisiteMachine machine{osCode, servicePack, [this] { return rebootFlag_; }, [this] { flagWrites_++; }};
    installer_ = std::make_unique<PrerequisiteInstaller>(*context_, builtIns_, machine, outcome_);
    return installer_->InstallPrerequisites();
  }

  MemoryLog log_;
  PropertyMap properties_;
  XmlDocument doc_;
  ProductCatalog products_;
  FakeWindowsInstaller msi_;
  FakeBuiltIns builtIns_;
  PrerequisiteOutcome outcome_;
  std::unique_ptr<EngineContext> context_;
  std::unique_ptr<PrerequisiteInstaller> installer_;
  std::unique_ptr<RunState> state_ = std::make_unique<RunState>(properties_);
  DWORD commandResult_ = 0;
  bool rebootFlag_ = false;
  int flagWrites_ = 0;
  std::vector<std::wstring> commands_, status_;
  RecordingObserver observer_{status_};
};

TEST_F(PrerequisiteTest, DuplicateSkippedOnlyAfterADifferentPrerequisite) {
  ASSERT_TRUE(Run(Group(File(1, L"Tool", L"C:\\p\\tool.exe") + File(2, L"Tool", L"C:\\p\\tool.exe") +
                        File(3, L"Other", L"C:\\p\\other.exe")) +
                  Group(File(1, L"Tool", L"C:\\p\\tool.exe"))));
  EXPECT_EQ(commands_, (std::vector<std::wstring>{L"C:\\p\\tool.exe", L"C:\\p\\tool.exe", L"C:\\p\\other.exe"}));
  EXPECT_EQ(installer_->InstalledList(), (std::vector<std::wstring>{L"Tool", L"Tool", L"Other"}));
  // The list is walked once: a second call installs nothing.
  EXPECT_TRUE(installer_->InstallPrerequisites());
  EXPECT_EQ(commands_.size(), 3u);
}

TEST_F(PrerequisiteTest, FilePrerequisitesByTheirLocation) {
  struct Row {
    const wchar_t* location;
    const wchar_t* arguments;
    UINT msiResult;
    DWORD commandResult;
    bool goesOn;
    int exitCode;
    const wchar_t* line;
    const wchar_t* started = nullptr;  // the command line handed to the launcher or the installer
  } rows[] = {
      // A value put in for a reference stays one installer property; a program gets it as it is.
      {L"C:\\p\\a.msi", L"U=[USER]", 0, 0, true, 0, L"Installing C:\\p\\a.msi returned 0",
       L"InstallProduct C:\\p\\a.msi [U=\"a b\"]"},
      {L"C:\\p\\a.exe", L"U=[USER]", 0, 0, true, 0, L"Installing C:\\p\\a.exe U=a b returned 0", L"C:\\p\\a.exe U=a b"},
      {L"C:\\p\\a.msi", L"A=1", 0, 0, true, 0, L"Installing C:\\p\\a.msi returned 0"},
      {L"C:\\p\\a.msi", L"", 3010, 0, true, 0, L"Installing C:\\p\\a.msi returned 3010"},
      {L"C:\\p\\a.msi", L"", 1641, 0, true, 0, L"Installing C:\\p\\a.msi returned 1641"},
      {L"C:\\p\\a.exe", L"", 0, 1641, true, 0, L"Installing C:\\p\\a.exe returned 1641", L"C:\\p\\a.exe"},
      {L"C:\\p\\a.msi", L"", 1603, 0, false, 1603, L"Installing C:\\p\\a.msi returned 1603"},
      // Another installation in progress: a deployment tool retries it later, so it is kept.
      {L"C:\\p\\a.msi", L"", 1618, 0, false, 1618, L"Installing C:\\p\\a.msi returned 1618"},
      {L"C:\\p\\a.exe", L"/quiet", 0, 2, false, 1603, L"Installing C:\\p\\a.exe /quiet returned 2", L"C:\\p\\a.exe /quiet"},
      {L"C:\\p q\\a.exe", L"/quiet", 0, 0, true, 0, L"Installing C:\\p q\\a.exe /quiet returned 0",
       L"\"C:\\p q\\a.exe\" /quiet"},
      {L"C:\\p\\A.EXE", L"", 0, 0, true, 0, nullptr},  // neither ".msi" nor ".exe" as written
      {L"C:\\p\\a.bat", L"", 0, 0, true, 0, nullptr},
  };
  properties_.Set(L"[USER]", L"a b");
  for (const auto& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.location));
    log_.lines.clear();
    commands_.clear();
    msi_.calls.clear();
    state_->SetExitCode(0);
    msi_.installResults[row.location] = row.msiResult;
    commandResult_ = row.commandResult;
    std::wstring extra = text::Format(L"<Arguments>%s</Arguments><InstallLog>a.log</InstallLog>", row.arguments);
    EXPECT_EQ(Run(Group(File(1, L"Pre", row.location, extra))), row.goesOn);
    EXPECT_EQ(state_->ExitCode(), row.exitCode);
    EXPECT_FALSE(outcome_.rebootNeeded);
    if (row.line) {
      EXPECT_TRUE(log_.Has(row.line));
      EXPECT_TRUE(log_.Has(L"Installing Pre"));
      if (row.started) {
        std::vector<std::wstring> handed = commands_;
        for (const std::wstring& call : msi_.CallsStartingWith(L"InstallProduct")) handed.push_back(call);
        EXPECT_EQ(handed, std::vector<std::wstring>{row.started});
      }
    } else {
      EXPECT_TRUE(commands_.empty());
      EXPECT_TRUE(msi_.CallsStartingWith(L"InstallProduct").empty());
    }
  }
}

TEST_F(PrerequisiteTest, BuiltInOutcomes) {
  struct Row {
    const wchar_t* custom;
    const wchar_t* kind;
    ComponentResult result;
    bool goesOn;
    int exitCode;
  } rows[] = {
      {L".NET 3.5 SP1", L"DotNet35Sp1", {true, 0, L""}, true, 0},
      {L".NET 3.5 SP1", L"DotNet35Sp1", {true, 3010, L""}, false, 103010},
      {L".NET 3.5 SP1", L"DotNet35Sp1", {true, 1641, L""}, false, 103010},
      {L".NET 3.5 SP1", L"DotNet35Sp1", {false, 5100, L"too small"}, false, 5100},
      // The installer answered 0 and the component is still missing: a failure all the same.
      {L".NET 3.5 SP1", L"DotNet35Sp1", {false, 0, L""}, false, 1603},
      {L"Windows Installer 4.5", L"WindowsInstaller45", {false, 0, L""}, false, 1603},
      {L"Windows Installer 4.5", L"WindowsInstaller45", {false, 3010, L""}, false, 103011},
      {L"Windows Installer 4.5", L"WindowsInstaller45", {false, 1641, L""}, false, 103011},
      {L"Windows Installer 4.5", L"WindowsInstaller45", {false, 404, L"Not Found"}, false, 404},
      {L"ASP.NET 4.0", L"AspNet4", {false, 50, L""}, true, 50},
      {L".net 4", nullptr, {}, true, 0},  // not a built-in name: nothing happens
      {L"Unknown", nullptr, {}, true, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.custom));
    builtIns_.calls.clear();
    builtIns_.results.clear();
    state_->SetExitCode(0);
    outcome_ = PrerequisiteOutcome();
    if (row.kind) builtIns_.results[row.kind] = row.result;
    EXPECT_EQ(Run(Group(BuiltIn(1, L"Component", row.custom))), row.goesOn);
    EXPECT_EQ(state_->ExitCode(), row.exitCode);
    if (row.kind) {
      EXPECT_EQ(builtIns_.calls, std::vector<std::wstring>{row.kind});
      EXPECT_EQ(outcome_.resultText, row.result.success || row.exitCode > 100000 ? L"" : row.result.errorText);
    } else {
      EXPECT_TRUE(builtIns_.calls.empty());
    }
  }
}

TEST_F(PrerequisiteTest, SqlCmdRunsWindowsInstallerThenTheClientThenTheUtility) {
  builtIns_.flavour = 7;
  ASSERT_TRUE(Run(Group(BuiltIn(1, L"SQL tools", L"SQLCMD"))));
  EXPECT_EQ(builtIns_.calls,
            (std::vector<std::wstring>{L"WindowsInstaller45", L"SqlNativeClient", L"InstallSqlCmd 7"}));
  builtIns_.calls.clear();
  builtIns_.sqlCmdInstalled = true;
  ASSERT_TRUE(Run(Group(BuiltIn(1, L"SQL tools", L"SQLCMD"))));
  EXPECT_EQ(builtIns_.calls, (std::vector<std::wstring>{L"WindowsInstaller45", L"SqlNativeClient"}));
  EXPECT_EQ(installer_->InstalledList(), std::vector<std::wstring>{L"SQL tools"});
}

TEST_F(PrerequisiteTest, DotNetDisplayNameByOsAndServicePack) {
  struct Row {
    OsCode os;
    int sp;
    const wchar_t* name;
  } rows[] = {{OsWin10, 0, L"Microsoft .NET Framework 4.8"}, {OsWin7, 0, L"Microsoft .NET Framework 4"},
              {OsWin7, 1, L"Microsoft .NET Framework 4.8"},  {OsVista, 1, L"Microsoft .NET Framework 4"},
              {OsVista, 2, L"Microsoft .NET Framework 4.8"}, {OsWinXP, 3, L"Microsoft .NET Framework 4"}};
  for (const auto& row : rows) EXPECT_EQ(PrerequisiteInstaller::DotNetDisplayName(row.os, row.sp, L"4.8"), row.name);
  EXPECT_EQ(PrerequisiteInstaller::DotNetDisplayName(OsWin10, 0, L""), L"Microsoft .NET Framework 4.7.2");

  ASSERT_TRUE(Run(Group(BuiltIn(1, L"Framework", L".NET 4")), L"Rizod", mode::Install, OsWin7, 0));
  EXPECT_TRUE(log_.Has(L"Installing Microsoft .NET Framework 4"));
  EXPECT_EQ(builtIns_.calls, std::vector<std::wstring>{L"DotNet4 4.8"});
  EXPECT_EQ(outcome_.rebootPrerequisiteName, L"Microsoft .NET Framework 4");
}

TEST_F(PrerequisiteTest, RebootAfterDotNetByShortNameAndMode) {
  struct Row {
    const wchar_t* shortName;
    uint32_t mode;
    DWORD exitCode;
    bool flagAlreadySet;
    bool goesOn;
    int flagWrites;
  } rows[] = {
      {L"Rizod", mode::Install, 3010, false, false, 1},       // reboot first, products later
      {L"devadirez", mode::Install, 3010, false, true, 0},    // these products install before the reboot
      {L"DownloadManager", mode::Upgrade, 3010, false, true, 0},
      {L"DEVadirez", mode::Repair, 3010, false, false, 1},    // only installs and upgrades go on
      {L"Rizod", mode::Install, 1641, false, false, 1},       // a restart it started itself: the same
      {L"Rizod", mode::Install, 0, true, false, 0},           // already pending: not written again
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(text::ToUtf8(row.shortName));
    state_->SetExitCode(0);
    flagWrites_ = 0;
    rebootFlag_ = row.flagAlreadySet;
    outcome_ = PrerequisiteOutcome();
    builtIns_.results[L"DotNet4 4.8"] = {true, row.exitCode, L""};
    EXPECT_EQ(Run(Group(BuiltIn(1, L"Framework", L".NET 4")), row.shortName, row.mode), row.goesOn);
    EXPECT_EQ(state_->ExitCode(), 103010);
    EXPECT_TRUE(outcome_.rebootNeeded);
    EXPECT_EQ(flagWrites_, row.flagWrites);
  }
  builtIns_.results.clear();
  state_->SetExitCode(0);
  rebootFlag_ = false;
  ASSERT_TRUE(Run(Group(BuiltIn(1, L"Framework", L".NET 4"))));
  EXPECT_EQ(state_->ExitCode(), 0);
  EXPECT_EQ(installer_->InstalledList(), std::vector<std::wstring>{L"Microsoft .NET Framework 4.8"});
}

}  // namespace
