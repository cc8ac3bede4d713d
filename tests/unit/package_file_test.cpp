// The package sequences: one transaction per group, the main pass, the rollback and
// post-install passes and the uninstall walk, against a Windows Installer that records calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <ostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/localization.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "core/secret_mask.h"
#include "definition/product.h"
#include "definition/xml_document.h"
#include "engine/engine_context.h"
#include "engine/package_file.h"
#include "fakes/fake_prompts.h"
#include "fakes/recording_observer.h"
#include "fakes/fake_windows_installer.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/text.h"

namespace {

using test_files::ExecutableFolder;

using Fields = std::vector<std::pair<std::wstring, std::wstring>>;

std::wstring Package(const Fields& fields) {
  std::wstring xml = L"<PackageFile>";
  for (const auto& [name, value] : fields) xml += L"<" + name + L">" + value + L"</" + name + L">";
  return xml + L"</PackageFile>";
}
std::wstring Group(const std::vector<std::wstring>& packages) {
  std::wstring xml = L"<PackageFileGroup>";
  for (const auto& p : packages) xml += p;
  return xml + L"</PackageFileGroup>";
}
std::wstring ProductXml(const std::wstring& attributes, const std::vector<std::wstring>& groups) {
  std::wstring xml = L"<Product " + attributes + L">";
  for (const auto& g : groups) xml += g;
  return xml + L"</Product>";
}
std::wstring Msi(const std::wstring& name) { return L"C:\\pkg\\" + name + L".msi"; }
std::wstring Guid(const std::wstring& name) { return L"{" + name + L"}"; }
// A main-pass package installing C:\pkg\<name>.msi for product code {<name>}.
std::wstring Main(int order, const std::wstring& name, const Fields& extra = {}) {
  Fields fields{{L"Name", name}, {L"GUID", Guid(name)}, {L"Location", Msi(name)},
                {L"InstallOrder", std::to_wstring(order)}};
  fields.insert(fields.end(), extra.begin(), extra.end());
  return Package(fields);
}
// A post-install package; the location is taken as written.
std::wstring Post(int order, const std::wstring& name, const std::wstring& location, const Fields& extra = {}) {
  Fields fields{{L"Name", name}, {L"PostInstallOrder", std::to_wstring(order)}};
  if (!location.empty()) fields.push_back({L"Location", location});
  fields.insert(fields.end(), extra.begin(), extra.end());
  return Package(fields);
}
const std::wstring kRizod = L"ShortName='RUI' GUID='{RUI}' Name='Rizod'";
const std::wstring kRaxel = L"ShortName='RAX' GUID='{RAX}' Name='Raxel'";
const std::wstring kBegin = L"BeginTransaction Rizod Uvarud Install 0";
const std::wstring kMsiexec = L"\"C:\\Win Dir\\system32\\msiexec.exe\"";

std::wstring Summary(const std::wstring& product, const std::vector<std::wstring>& failed) {
  std::wstring list;
  for (const auto& name : failed) list += L"- " + name + L" could not be installed\n";
  return L"The " + product +
         L" installation was completed with the following errors. Contact your system administrator.\n\n" + list +
         L"\nClick OK to close this message.";
}

struct ByName {
  template <typename T>
  std::string operator()(const testing::TestParamInfo<T>& info) const {
    return info.param.name;
  }
};

// Case tables print by name in failure messages.
template <typename T>
  requires requires(const T& t) { std::string(t.name); }
void PrintTo(const T& c, std::ostream* out) {
  *out << c.name;
}

class SequenceTest : public testing::Test {
 protected:
  // The real English texts, so operation words and log names come out as in a run.
  static void SetUpTestSuite() {
    cultureLog_ = std::make_unique<MemoryLog>();
    cultureProperties_ = std::make_unique<PropertyMap>();
    localization_ = std::make_unique<Localization>(*cultureLog_, *cultureProperties_, ExecutableFolder());
    localization_->Load({L"en-US", L"", L"setup_en-US.dll"});
  }
  static void TearDownTestSuite() { localization_.reset(); }

  void SetUp() override { ASSERT_TRUE(localization_->Loaded()); }

  void Load(const std::vector<std::wstring>& products) {
    products_.clear();
    std::wstring xml = L"<Setup>";
    for (const auto& p : products) xml += p;
    xml += L"</Setup>";
    HRESULT status = S_OK;
    ASSERT_TRUE(doc_.Create(status));
    ASSERT_TRUE(doc_.LoadText(xml)) << text::ToUtf8(doc_.ErrorReason());
    std::vector<XmlNode> nodes;
    ASSERT_EQ(doc_.SelectAll(L"//Product", nodes), XmlQuery::Found);
    for (const XmlNode& node : nodes) products_.push_back(std::make_shared<Product>(node, ReadContext{log_, properties_}, L"C:\\setup\\"));

    context_ = std::make_unique<EngineContext>(log_, properties_, localization_.get(), msi_, doc_, products_);
    EngineContext& c = *context_;
    c.logFolder = L"C:\\Logs";
    c.systemFolder = L"C:\\Win Dir\\system32";
    c.shortName = products_.front()->ShortName;
    c.modeFlags = mode::Install;
    c.state = state_.get();
    // The progress pipe's view: status texts only.
    c.observer = &observer_;
    // Every hook lands in the installer's call list, so one trace shows the whole order.
    c.familyCheck = [this](const std::wstring& code) {
      msi_.calls.push_back(L"FamilyCheck " + code + L" " + properties_.Get(L"Tier1_Installed"));
    };
    c.rerunRegistryChecks = [this] { msi_.calls.push_back(L"RerunRegistryChecks"); };
    c.runHidden = [this](const std::wstring& command) -> DWORD {
      msi_.calls.push_back(L"RunHidden " + command);
      auto it = commandResults_.find(command);
      return it == commandResults_.end() ? 0 : it->second;
    };
    // The record's two operations land in the trace too.
    c.openInstallSources = [this]() -> std::unique_ptr<InstallSourceRecord> {
      struct Traced final : InstallSourceRecord {
        explicit Traced(std::vector<std::wstring>& calls) : calls_(calls) {}
        void RestoreSource(const std::wstring& n, const std::wstring&) override { calls_.push_back(L"RestoreSource " + n); }
        void DropEntry(const std::wstring& n) override { calls_.push_back(L"DeleteSource " + n); }
        std::vector<std::wstring>& calls_;
      };
      return std::make_unique<Traced>(msi_.calls);
    };
    log_.lines.clear();
  }

  void Install(const std::wstring& base = L"") {
    InstallPackageFile sequence(*context_, base);
    sequence.Initialize();
    ASSERT_TRUE(sequence.RunSequence(mode::Install));
  }
  void Uninstall(const std::wstring& base = L"") {
    UninstallPackageFile sequence(*context_, base);
    sequence.Initialize();
    ASSERT_TRUE(sequence.RunSequence(mode::Uninstall));
  }

  Product& P(size_t i) { return *products_.at(i); }
  // The calls without the state queries and library loads, which every step makes.
  std::vector<std::wstring> Trace() const {
    std::vector<std::wstring> out;
    for (const auto& c : msi_.calls)
      if (c.rfind(L"QueryProductState", 0) != 0 && c != L"LoadTransactions") out.push_back(c);
    return out;
  }
  std::vector<std::wstring> Only(const std::vector<std::wstring>& prefixes) const {
    std::vector<std::wstring> out;
    for (const auto& c : msi_.calls)
      for (const auto& p : prefixes)
        if (c.rfind(p, 0) == 0) out.push_back(c);
    return out;
  }
  bool Called(const std::wstring& call) const {
    return std::find(msi_.calls.begin(), msi_.calls.end(), call) != msi_.calls.end();
  }
  size_t CountStarting(const std::wstring& prefix) const { return msi_.CallsStartingWith(prefix).size(); }
  void Installed(const std::wstring& name, int state = 5) { msi_.states[FakeWindowsInstaller::Key(Guid(name))] = state; }

  static inline std::unique_ptr<MemoryLog> cultureLog_;
  static inline std::unique_ptr<PropertyMap> cultureProperties_;
  static inline std::unique_ptr<Localization> localization_;

  MemoryLog log_;
  PropertyMap properties_;
  FakeWindowsInstaller msi_;
  XmlDocument doc_;
  ProductCatalog products_;
  std::unique_ptr<EngineContext> context_;
  std::unique_ptr<RunState> state_ = std::make_unique<RunState>(properties_);
  std::vector<std::wstring> progress_;
  RecordingObserver observer_{progress_};
  std::map<std::wstring, DWORD> commandResults_;
};

template <typename Case>
class Table : public SequenceTest, public testing::WithParamInterface<Case> {};

TEST_F(SequenceTest, EachGroupIsOneCommittedTransactionInDocumentOrder) {
  // Document order of the packages is not their install order.
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(
      kRizod, {Group({Main(2, L"B"), Main(1, L"A", {{L"InstallLog", L"a.log"}})}), Group({Main(1, L"C")})})}));
  Install();

  const std::vector<std::wstring> expected = {
      kBegin,
      L"EnableLog 0x1000 C:\\Logs\\a.log 0",
      L"InstallProduct C:\\pkg\\A.msi []",
      L"EnableLog 0x1000 C:\\Logs\\ 0",
      L"InstallProduct C:\\pkg\\B.msi []",
      L"EnableLog 0x1000 C:\\Logs\\RUI_InstallationCommit.log 0",
      L"EndTransaction 1",
      kBegin,
      L"EnableLog 0x1000 C:\\Logs\\ 0",
      L"InstallProduct C:\\pkg\\C.msi []",
      L"EnableLog 0x1000 C:\\Logs\\RUI_InstallationCommit.log 0",
      L"EndTransaction 1",
  };
  EXPECT_EQ(Trace(), expected);
  EXPECT_EQ(CountStarting(L"LoadTransactions"), 2u);
  const std::vector<std::wstring> status = {
      L"Installation: applying changes...", L"Installing A...", L"Installing B...", L"Installation: saving changes...",
      L"Installation: applying changes...", L"Installing C...", L"Installation: saving changes..."};
  EXPECT_EQ(progress_, status);
  EXPECT_TRUE(log_.Has(L"InstallLog is a.log"));
  EXPECT_TRUE(log_.Has(L"Installing C:\\pkg\\A.msi returned 0."));
  EXPECT_EQ(log_.Count(L"Start post install"), 2u);
  EXPECT_TRUE(P(0).Succeeded);
  EXPECT_EQ(P(0).ResultCode, 0);
  EXPECT_EQ(state_->ExitCode(), 0);
}

struct OutcomeCase {
  const char* name;
  UINT first, second;
  int resultCode;
  bool secondRuns, committed;
  int exitCode;  // starts at 7
  bool restart;  // a 3010 or 1641 is remembered for the end of the run
};
using OutcomeTest = Table<OutcomeCase>;

TEST_P(OutcomeTest, OnlyZeroAndRestartKeepTheGroupGoing) {
  const OutcomeCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(
      kRizod, {Group({Main(1, L"A", {{L"InstallRollbackOrder", L"1"}}), Main(2, L"B"), Post(1, L"P", L"C:\\p.exe")})})}));
  msi_.installResults[Msi(L"A")] = c.first;
  msi_.installResults[Msi(L"B")] = c.second;
  state_->SetExitCode(7);
  Install();

  EXPECT_EQ(Called(L"InstallProduct C:\\pkg\\B.msi []"), c.secondRuns);
  const wchar_t* log = c.committed ? L"Commit" : L"Rollback";
  EXPECT_TRUE(Called(text::Format(L"EnableLog 0x1000 C:\\Logs\\RUI_Installation%s.log 0", log)));
  EXPECT_EQ(Only({L"EndTransaction"}), std::vector<std::wstring>{c.committed ? L"EndTransaction 1" : L"EndTransaction 0"});
  EXPECT_EQ(P(0).Succeeded, c.committed);
  EXPECT_EQ(P(0).ResultCode, c.resultCode);
  EXPECT_EQ(state_->ExitCode(), c.exitCode);
  EXPECT_EQ(state_->PackageRestartRequested(), c.restart);
  // Post pass after a commit only, rollback pass after a rollback only.
  EXPECT_EQ(Called(L"RunHidden C:\\p.exe"), c.committed);
  EXPECT_EQ(log_.Has(L"Start post install"), c.committed);
  EXPECT_EQ(Called(L"RerunRegistryChecks"), !c.committed);
  auto shown = [&](const wchar_t* t) { return std::find(progress_.begin(), progress_.end(), t) != progress_.end(); };
  EXPECT_EQ(shown(L"Installation: saving changes..."), c.committed);
  EXPECT_EQ(shown(L"Undoing changes..."), !c.committed);
}

INSTANTIATE_TEST_SUITE_P(Results, OutcomeTest,
                         testing::Values(OutcomeCase{"BothSucceed", 0, 0, 0, true, true, 7, false},
                                         OutcomeCase{"RestartThenSuccess", 3010, 0, 0, true, true, 7, true},
                                         OutcomeCase{"SuccessThenRestart", 0, 3010, 3010, true, true, 7, true},
                                         // 1641: the package started the restart itself, a success all the same
                                         OutcomeCase{"RestartStartedThenSuccess", 1641, 0, 0, true, true, 7, true},
                                         OutcomeCase{"SuccessThenRestartStarted", 0, 1641, 1641, true, true, 7, true},
                                         OutcomeCase{"FirstFails", 1603, 0, 1603, false, false, 1603, false},
                                         OutcomeCase{"SecondFails", 0, 1618, 1618, true, false, 1618, false},
                                         OutcomeCase{"OneIsAFailure", 1, 0, 1, false, false, 1, false}),
                         ByName());

TEST_F(SequenceTest, RestartAnsweredByACommitOrAPostPackageIsRemembered) {
  for (UINT code : {3010u, 1641u}) {
    for (bool byCommit : {true, false}) {
      SCOPED_TRACE(testing::Message() << code << (byCommit ? " by the commit" : " by a post package"));
      state_ = std::make_unique<RunState>(properties_);
      ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A"), Post(1, L"P", L"C:\\p.exe")})})}));
      if (byCommit) msi_.endResults = {code};
      commandResults_[L"C:\\p.exe"] = byCommit ? 0 : code;
      Install();
      EXPECT_TRUE(P(0).Succeeded);
      EXPECT_TRUE(state_->PackageRestartRequested());
      EXPECT_EQ(state_->ExitCode(), 0);
    }
  }
}

TEST_F(SequenceTest, NumberingGapEndsTheMainPass) {
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(4, L"D"), Main(2, L"B"), Main(1, L"A")})})}));
  Install();
  EXPECT_EQ(Only({L"InstallProduct"}),
            (std::vector<std::wstring>{L"InstallProduct C:\\pkg\\A.msi []", L"InstallProduct C:\\pkg\\B.msi []"}));
  EXPECT_TRUE(P(0).Succeeded);
}

TEST_F(SequenceTest, GroupWithoutPackageOneRollsBackAndRunsItsRollbackPass) {
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(2, L"B", {{L"InstallRollbackOrder", L"1"}})})})}));
  Installed(L"B");
  Install();
  const std::vector<std::wstring> expected = {
      kBegin, L"EnableLog 0x1000 C:\\Logs\\RUI_InstallationRollback.log 0", L"EndTransaction 0",
      L"RerunRegistryChecks", L"RunHidden " + kMsiexec + L" /x {B} /qn /l*v C:\\Logs\\{B}_Rollback.log "};
  EXPECT_EQ(Trace(), expected);
  EXPECT_FALSE(P(0).Succeeded);
  EXPECT_EQ(P(0).ResultCode, -1);
  EXPECT_EQ(state_->ExitCode(), 1620);  // nothing was installed: not a success
  EXPECT_TRUE(log_.Has(L"A package group of RUI has no package numbered 1; it is rolled back."));
}

TEST_F(SequenceTest, LaterGroupDecidesTheProductButTheRunKeepsTheFirstFailure) {
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A")}), Group({Main(1, L"B")})})}));
  msi_.installResults[Msi(L"A")] = 1603;
  Install();
  EXPECT_EQ(Only({L"EndTransaction"}), (std::vector<std::wstring>{L"EndTransaction 0", L"EndTransaction 1"}));
  EXPECT_TRUE(P(0).Succeeded);
  EXPECT_EQ(P(0).ResultCode, 0);
  EXPECT_EQ(state_->ExitCode(), 1603);
}

struct TransactionCase {
  const char* name;
  bool available;
  UINT begin;
  int exitCode;
};
using TransactionTest = Table<TransactionCase>;

TEST_P(TransactionTest, GroupIsLeftUntouchedWhenNoTransactionOpens) {
  const TransactionCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A")}), Group({Main(1, L"B")})})}));
  msi_.transactionsAvailable = c.available;
  msi_.beginResult = c.begin;
  P(0).Succeeded = true;
  P(0).ResultCode = 77;
  Install();
  // The walk still reaches the second group.
  EXPECT_EQ(CountStarting(L"LoadTransactions"), 2u);
  EXPECT_EQ(CountStarting(L"BeginTransaction"), c.available ? 2u : 0u);
  EXPECT_EQ(CountStarting(L"InstallProduct"), 0u);
  EXPECT_EQ(CountStarting(L"EnableLog"), 0u);
  EXPECT_EQ(CountStarting(L"EndTransaction"), 0u);
  EXPECT_TRUE(P(0).Succeeded);
  EXPECT_EQ(P(0).ResultCode, 77);
  EXPECT_EQ(state_->ExitCode(), c.exitCode);
}

INSTANTIATE_TEST_SUITE_P(Transactions, TransactionTest,
                         testing::Values(TransactionCase{"FunctionsMissing", false, 0, 1},
                                         TransactionCase{"BeginRefused", true, 1632, 1632}),
                         ByName());

struct CommitCase {
  const char* name;
  UINT endResult;
  bool committed;
  int exitCode;
};
using CommitTest = Table<CommitCase>;

TEST_P(CommitTest, OnlyACommitThatHoldsRunsThePostPass) {
  const CommitCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(
      kRizod, {Group({Main(1, L"A", {{L"InstallRollbackOrder", L"1"}}), Post(1, L"P", L"C:\\pkg\\post.exe")})})}));
  msi_.packageCodes[Msi(L"A")] = Guid(L"A");
  msi_.endResults = {c.endResult};
  Install();

  std::vector<std::wstring> tail = Trace();
  tail.erase(tail.begin(), tail.begin() + 4);  // begin, log, install, commit log
  std::vector<std::wstring> expected = {L"EndTransaction 1"};
  if (c.committed) {
    expected.push_back(L"RunHidden C:\\pkg\\post.exe");
  } else {
    // The commit was undone: the package installed inside it is removed again.
    expected.push_back(L"RerunRegistryChecks");
    expected.push_back(L"RunHidden " + kMsiexec + L" /x {A} /qn /l*v C:\\Logs\\{A}_Rollback.log ");
  }
  EXPECT_EQ(tail, expected);
  EXPECT_EQ(P(0).Succeeded, c.committed);
  EXPECT_EQ(P(0).ResultCode, 0);
  EXPECT_EQ(state_->ExitCode(), c.exitCode);
}

INSTANTIATE_TEST_SUITE_P(EndTransaction, CommitTest,
                         testing::Values(CommitCase{"Committed", 0, true, 0},
                                         CommitCase{"CommittedRestartNeeded", 3010, true, 0},
                                         CommitCase{"CommittedRestartStarted", 1641, true, 0},
                                         CommitCase{"CommitFailed", 1603, false, 1603},
                                         CommitCase{"CommitRefused", 1, false, 1}),
                         ByName());

struct DependencyCase {
  const char* name;
  uint32_t mode;
  int baseState;
  int initialExit;
  bool processed;
  int resultCode;
  int runExit;
};
using DependencyTest = Table<DependencyCase>;

TEST_P(DependencyTest, UnmetDependencySkipsTheProductOutsideUninstall) {
  const DependencyCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(L"ShortName='Base' GUID='{BASE}' Name='Base'", {}),
                                ProductXml(L"ShortName='Addon' GUID='{ADDON}' Name='Addon' Dependency='BASE'",
                                           {Group({Main(1, L"X")})})}));
  msi_.states[L"{BASE}"] = c.baseState;
  context_->modeFlags = c.mode;
  state_->SetExitCode(c.initialExit);
  Install();
  EXPECT_EQ(Called(L"InstallProduct C:\\pkg\\X.msi []"), c.processed);
  EXPECT_EQ(P(1).ResultCode, c.resultCode);
  EXPECT_EQ(state_->ExitCode(), c.runExit);
  if (!c.processed) {
    EXPECT_EQ(log_.lines, std::vector<std::wstring>{L"Addon skipped: the product it depends on (BASE) is not installed."});
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, DependencyTest,
                         testing::Values(DependencyCase{"InstallRunSkips", mode::Install, -1, 0, false, 50000, 50000},
                                         DependencyCase{"RepairRunSkips", mode::Repair, -1, 0, false, -1, 50000},
                                         DependencyCase{"UpgradeRunSkips", mode::Upgrade, -1, 0, false, -1, 50000},
                                         DependencyCase{"UninstallRunProcesses", mode::Uninstall, -1, 0, true, 0, 0},
                                         DependencyCase{"AfterCancelProcessed", mode::Install, -1, 1602, true, 0, 1602},
                                         DependencyCase{"DependencyInstalled", mode::Install, 5, 0, true, 0, 0},
                                         DependencyCase{"DependencyForOtherUser", mode::Install, 2, 0, true, 0, 0}),
                         ByName());

const std::wstring kGold =
    L"<InstallConditions><InstallIf Property='Flavour' Value='Gold'/></InstallConditions>";
const std::wstring kSilver =
    L"<InstallConditions><InstallIf Property='Flavour' Value='silver'/></InstallConditions>";

struct PackageCase {
  const char* name;
  Fields fields;
  int state;
  int result;
  bool installs;
  const wchar_t* logLine;
};
using PackageTest = Table<PackageCase>;

TEST_P(PackageTest, SkipsAndFailuresOfOneInstallPackage) {
  const PackageCase& c = GetParam();
  properties_.Set(L"Flavour", L"Silver");
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Package(c.fields), Main(2, L"B")})})}));
  if (c.state != -1) Installed(L"A", c.state);
  Install();
  EXPECT_EQ(Called(L"InstallProduct C:\\pkg\\A.msi []"), c.installs);
  // A skip does not stop the group; a failure does.
  EXPECT_EQ(Called(L"InstallProduct C:\\pkg\\B.msi []"), c.result == 0);
  EXPECT_EQ(P(0).ResultCode, c.result);
  EXPECT_EQ(state_->ExitCode(), c.result);
  if (*c.logLine) {
    EXPECT_TRUE(log_.Has(c.logLine)) << text::ToUtf8(c.logLine);
  }
  if (!c.installs) {
    EXPECT_FALSE(log_.HasContaining(L"Installing C:\\pkg\\A.msi"));
  }
}

const Fields kA{{L"Name", L"A"}, {L"GUID", L"{A}"}, {L"Location", L"C:\\pkg\\A.msi"}, {L"InstallOrder", L"1"}};
Fields With(Fields f, const Fields& extra) {
  f.insert(f.end(), extra.begin(), extra.end());
  return f;
}
Fields Without(Fields f, const std::wstring& element) {
  f.erase(std::remove_if(f.begin(), f.end(), [&](const auto& p) { return p.first == element; }), f.end());
  return f;
}

INSTANTIATE_TEST_SUITE_P(
    Packages, PackageTest,
    testing::Values(
        PackageCase{"AlreadyInstalled", kA, 5, 0, false, L"Skipping install of A since it is already installed."},
        PackageCase{"InstalledForAnotherUser", kA, 2, 0, false,
                    L"Skipping install of A since it is already installed."},
        PackageCase{"AdvertisedIsInstalledAgain", kA, 1, 0, true, L"Installing C:\\pkg\\A.msi returned 0."},
        PackageCase{"ConditionNotMet", With(kA, {{L"InstallConditionsList", kGold}}), -1, 0, false,
                    L"Skipping install of A since it does not meet install condition(s)."},
        PackageCase{"ConditionMet", With(kA, {{L"InstallConditionsList", kSilver}}), -1, 0, true,
                    L"Installing C:\\pkg\\A.msi returned 0."},
        PackageCase{"NoProductCode", Without(kA, L"GUID"), -1, 13, false, L""},
        PackageCase{"NoLocation", Without(kA, L"Location"), -1, 2, false, L""}),
    ByName());

struct ArgumentCase {
  const char* name;
  std::wstring base, installArguments, expected;
};
using ArgumentTest = Table<ArgumentCase>;

TEST_P(ArgumentTest, CommandLineIsTheBasePropertiesAndThePackageArguments) {
  const ArgumentCase& c = GetParam();
  properties_.Set(L"[TargetDir]", L"C:\\Program Files\\Rizod");
  properties_.Set(L"[USER]", L"DOM\\a b");  // as typed on a login page
  properties_.Set(L"[SERVER_NAME]", L"srv\"x");
  Fields extra;
  if (!c.installArguments.empty()) extra.push_back({L"InstallArguments", c.installArguments});
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A", extra)})})}));
  Install(c.base);
  EXPECT_EQ(Only({L"InstallProduct"}), std::vector<std::wstring>{L"InstallProduct C:\\pkg\\A.msi [" + c.expected + L"]"});
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ArgumentTest,
    testing::Values(ArgumentCase{"Nothing", L"", L"", L""}, ArgumentCase{"BaseAlone", L"A=1", L"", L"A=1"},
                    ArgumentCase{"BaseAndPackage", L"A=1", L"B=2", L"A=1 B=2"},
                    ArgumentCase{"PackageAlone", L"", L"B=2", L"B=2"},
                    ArgumentCase{"UpgradeBase", L" UPGRADE=1", L"", L" UPGRADE=1"},
                    ArgumentCase{"UpgradeBaseAndPackage", L" UPGRADE=1", L"B=2", L" UPGRADE=1 B=2"},
                    ArgumentCase{"PackagePropertySubstituted", L"A=1", L"DIR=\"[TargetDir]\"",
                                 L"A=1 DIR=\"C:\\Program Files\\Rizod\""},
                    // A typed value stays one property value: quoted, its quotes doubled.
                    ArgumentCase{"TypedValuesQuoted", L"A=1", L"USER=[USER] SERVER_NAME=\"[SERVER_NAME]\" B=[SERVER_NAME]",
                                 L"A=1 USER=\"DOM\\a b\" SERVER_NAME=\"srv\"\"x\" B=\"srv\"\"x\""}),
    ByName());

// Windows Installer is told which properties are secret, and since Wine's ignores that, each log
// it writes (here as Wine does: every property in clear) is masked as soon as the package ran.
TEST_F(SequenceTest, SecretPropertiesAreHiddenAndMaskedInEveryInstallerLog) {
  ScratchFolder logs;
  properties_.Set(L"[PASSWORD]", L"Pw-from-args");
  log_.MaskWith(properties_.Secrets());
  struct Row {
    bool utf16;
    std::wstring log;
  } rows[] = {{true, L"a.log"}, {false, L"b.log"}};
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(
      kRizod, {Group({Main(1, L"A", {{L"InstallLog", L"a.log"}, {L"InstallArguments", L"DBPASSWORD=[PASSWORD] X=1"}}),
                      Main(2, L"B", {{L"InstallLog", L"b.log"}, {L"InstallArguments", L"Api_Pwd=Lit3ral-def"}})})})}));
  context_->logFolder = logs.path();
  size_t written = 0;
  msi_.writeLog = [&](const std::wstring& path, const std::wstring& commandLine) {
    std::wstring body = L"Command Line: " + commandLine + L"\r\n";
    for (const ArgumentPair& pair : ArgumentPairs(commandLine))
      body += L"Property(S): " + pair.name + L" = " + pair.value + L"\r\n";
    const Row& row = rows[written++ % 2];
    EXPECT_EQ(path, logs.path() + row.log);
    std::string bytes = row.utf16 ? std::string("\xFF\xFE", 2) +
                                        std::string(reinterpret_cast<const char*>(body.data()), body.size() * 2)
                                  : text::ToUtf8(body);
    logs.Write(row.log, bytes);
  };
  Install(L"ALLUSERS=1 SQL_SA_PASSWORD=Sa-from-args ");

  EXPECT_EQ(Only({L"InstallProduct"}),
            (std::vector<std::wstring>{
                L"InstallProduct C:\\pkg\\A.msi [ALLUSERS=1 SQL_SA_PASSWORD=Sa-from-args  DBPASSWORD=Pw-from-args X=1 "
                L"MsiHiddenProperties=SQL_SA_PASSWORD;DBPASSWORD]",
                L"InstallProduct C:\\pkg\\B.msi [ALLUSERS=1 SQL_SA_PASSWORD=Sa-from-args  Api_Pwd=Lit3ral-def "
                L"MsiHiddenProperties=SQL_SA_PASSWORD;Api_Pwd]"}));
  ASSERT_EQ(written, 2u);
  for (const Row& row : rows) {
    std::string bytes = test_files::ReadShared(logs.path() + row.log);
    std::wstring body = row.utf16 ? std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2)
                                  : text::FromUtf8(bytes);
    SCOPED_TRACE(text::ToUtf8(body));
    EXPECT_NE(body.find(L"Property(S): SQL_SA_PASSWORD = ******"), std::wstring::npos);
    for (const wchar_t* secret : {L"Sa-from-args", L"Pw-from-args", L"Lit3ral-def"}) {
      EXPECT_EQ(body.find(secret), std::wstring::npos) << text::ToUtf8(secret);
      EXPECT_FALSE(log_.HasContaining(secret)) << text::ToUtf8(secret);
    }
  }
}

struct LogPathCase {
  const char* name;
  std::wstring folder, logName, expected;
};
using LogPathTest = Table<LogPathCase>;

TEST_P(LogPathTest, VerboseLogGoesToTheLogFolderWithOneBackslash) {
  const LogPathCase& c = GetParam();
  Fields extra;
  if (!c.logName.empty()) extra.push_back({L"InstallLog", c.logName});
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A", extra)})})}));
  context_->logFolder = c.folder;
  Install();
  const std::wstring folder = c.folder.back() == L'\\' ? c.folder : c.folder + L"\\";
  EXPECT_EQ(Only({L"EnableLog"}), (std::vector<std::wstring>{L"EnableLog 0x1000 " + c.expected + L" 0",
                                                               L"EnableLog 0x1000 " + folder + L"RUI_InstallationCommit.log 0"}));
  EXPECT_EQ(log_.Has(L"InstallLog is " + c.logName), !c.logName.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, LogPathTest,
    testing::Values(LogPathCase{"Named", L"C:\\Logs", L"a.log", L"C:\\Logs\\a.log"},
                    LogPathCase{"NamedFolderWithBackslash", L"C:\\Logs\\", L"a.log", L"C:\\Logs\\a.log"},
                    LogPathCase{"Unnamed", L"C:\\Logs", L"", L"C:\\Logs\\"},
                    LogPathCase{"UnnamedFolderWithBackslash", L"C:\\Logs\\", L"", L"C:\\Logs\\"}),
    ByName());

TEST_F(SequenceTest, RollbackPassUninstallsTheRollbackListInItsOwnOrder) {
  auto rollback = [](int order, const std::wstring& name, const Fields& extra = {}) {
    return Package(With({{L"Name", name}, {L"GUID", Guid(name)}, {L"InstallRollbackOrder", std::to_wstring(order)}},
                        extra));
  };
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(
      kRizod, {Group({Main(1, L"A"),
                      rollback(3, L"Tool", {{L"Location", L"C:\\pkg files\\tool.exe"}, {L"UninstallArguments", L"/remove /quiet"}}),
                      rollback(1, L"Core", {{L"UninstallLog", L"core_u.log"}}), rollback(2, L"Extra"),
                      rollback(4, L"Gone"), rollback(6, L"Late")})})}));
  msi_.installResults[Msi(L"A")] = 1603;
  for (const wchar_t* name : {L"Tool", L"Core", L"Late"}) Installed(name);
  Installed(L"Extra", 2);
  // Started without a shell: "&" and "%PATH%" reach msiexec as they stand.
  const std::wstring base = L" UPGRADE=1 NOTE=\"a&b %PATH%\"";
  const std::wstring core = kMsiexec + L" /x {Core} /qn /l*v C:\\Logs\\core_u.log " + base;
  commandResults_[core] = 1603;  // ignored: the pass goes on
  Install(base);

  const std::vector<std::wstring> expected = {
      kBegin,
      L"EnableLog 0x1000 C:\\Logs\\ 0",
      L"InstallProduct C:\\pkg\\A.msi [" + base + L"]",
      L"EnableLog 0x1000 C:\\Logs\\RUI_InstallationRollback.log 0",
      L"EndTransaction 0",
      L"RerunRegistryChecks",
      L"RunHidden " + core,
      // No UninstallLog: a name of its own, for msiexec refuses a folder as its log.
      L"RunHidden " + kMsiexec + L" /x {Extra} /qn /l*v C:\\Logs\\{Extra}_Rollback.log " + base,
      L"RunHidden \"C:\\pkg files\\tool.exe\" /remove /quiet",
  };
  EXPECT_EQ(Trace(), expected);  // no install-source restore in a rollback
  EXPECT_TRUE(log_.Has(L"Skipping uninstall of Gone since it is not installed."));
  EXPECT_TRUE(log_.Has(L"Uninstalling Core returned 1603."));
  EXPECT_TRUE(log_.Has(L"Uninstalling Tool returned 0."));
  EXPECT_TRUE(log_.Has(L"UninstallLog is core_u.log"));
  EXPECT_EQ(state_->ExitCode(), 1603);
}

// The count is what the walk reaches: a gap in the numbering ends a group's walk, and an
// installed (skipped) package still takes its turn.
TEST_F(SequenceTest, TheCountIsEveryPackageTheWalkReachesAndEachTakesOneTurn) {
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A"), Main(2, L"B"), Main(4, L"D")})}),
                                ProductXml(kRaxel, {Group({Main(1, L"C")})})}));
  Installed(L"B");
  InstallPackageFile install(*context_, L"");
  install.Initialize();
  UninstallPackageFile uninstall(*context_, L"");
  uninstall.Initialize();
  EXPECT_EQ(install.CountPackages(), 3);
  EXPECT_EQ(uninstall.CountPackages(), 0);  // no package has an uninstall order
  Install();
  EXPECT_EQ(observer_.turnsBegun, 3);
  EXPECT_EQ(observer_.turnsEnded, 3);
}

// Windows Installer may finish a package it was told to cancel (Wine does); the confirmed cancel
// still stands: the group is rolled back and nothing after it starts.
TEST_F(SequenceTest, AConfirmedCancelRollsTheGroupBackAndStartsNothingMore) {
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A", {{L"InstallRollbackOrder", L"1"}}),
                                                           Main(2, L"B")})}),
                                ProductXml(kRaxel, {Group({Main(1, L"C")})})}));
  msi_.packageCodes[Msi(L"A")] = Guid(L"A");
  msi_.writeLog = [this](const std::wstring&, const std::wstring&) { observer_.cancelConfirmed = true; };
  Install();

  const std::vector<std::wstring> expected = {
      kBegin,
      L"EnableLog 0x1000 C:\\Logs\\ 0",
      L"InstallProduct C:\\pkg\\A.msi []",
      L"EnableLog 0x1000 C:\\Logs\\RUI_InstallationRollback.log 0",
      L"EndTransaction 0",
      L"RerunRegistryChecks",
      L"RunHidden " + kMsiexec + L" /x {A} /qn /l*v C:\\Logs\\{A}_Rollback.log ",
  };
  EXPECT_EQ(Trace(), expected);
  EXPECT_TRUE(log_.Has(L"Setup was cancelled while A ran (it returned 0); it counts as cancelled."));
  EXPECT_TRUE(log_.Has(L"Setup was cancelled: no further package group is begun."));
  EXPECT_EQ(state_->ExitCode(), 1602);
  EXPECT_FALSE(P(0).Succeeded);
  EXPECT_EQ(observer_.turnsBegun, 1);
}

struct PostKindCase {
  const char* name;
  std::wstring location, base, installArguments;
  std::vector<std::wstring> tail;
  std::wstring logLine;
};
using PostKindTest = Table<PostKindCase>;

TEST_P(PostKindTest, OnlyALowerCaseMsiGoesToWindowsInstaller) {
  const PostKindCase& c = GetParam();
  properties_.Set(L"[USER]", L"a b");
  Fields extra{{L"InstallLog", L"post.log"}};
  if (!c.installArguments.empty()) extra.push_back({L"InstallArguments", c.installArguments});
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A"), Post(1, L"P", c.location, extra)})})}));
  Install(c.base);
  std::vector<std::wstring> trace = Trace();
  ASSERT_GT(trace.size(), c.tail.size());
  std::vector<std::wstring> tail(trace.end() - static_cast<std::ptrdiff_t>(c.tail.size()) - 1, trace.end());
  std::vector<std::wstring> expected = {L"EndTransaction 1"};
  expected.insert(expected.end(), c.tail.begin(), c.tail.end());
  EXPECT_EQ(tail, expected);
  EXPECT_TRUE(log_.Has(c.logLine)) << text::ToUtf8(c.logLine);
  EXPECT_TRUE(std::find(progress_.begin(), progress_.end(), L"Installing P...") != progress_.end());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PostKindTest,
    testing::Values(
        PostKindCase{"UpperCaseMsiIsAProgram", L"C:\\pkg\\POST.MSI", L"A=1", L"B=2",
                     {L"RunHidden C:\\pkg\\POST.MSI A=1 B=2"}, L"Installing C:\\pkg\\POST.MSI A=1 B=2 returned 0"},
        PostKindCase{"ProgramWithoutArguments", L"C:\\pkg\\post.exe", L"", L"", {L"RunHidden C:\\pkg\\post.exe"},
                     L"Installing C:\\pkg\\post.exe returned 0"},
        PostKindCase{"ProgramPathWithABlankIsQuoted", L"C:\\my pkg\\post.exe", L"A=1", L"",
                     {L"RunHidden \"C:\\my pkg\\post.exe\" A=1"}, L"Installing C:\\my pkg\\post.exe A=1 returned 0"},
        PostKindCase{"LowerCaseMsi", L"C:\\pkg\\post.msi", L"A=1", L"B=2",
                     {L"EnableLog 0x1000 C:\\Logs\\post.log 0", L"InstallProduct C:\\pkg\\post.msi [A=1 B=2]"},
                     L"Installing C:\\pkg\\post.msi returned 0."},
        // Values are quoted for Windows Installer only; a program gets them as they are.
        PostKindCase{"MsiValueQuoted", L"C:\\pkg\\post.msi", L"", L"U=[USER]",
                     {L"EnableLog 0x1000 C:\\Logs\\post.log 0", L"InstallProduct C:\\pkg\\post.msi [U=\"a b\"]"},
                     L"Installing C:\\pkg\\post.msi returned 0."},
        PostKindCase{"ProgramValueAsItIs", L"C:\\pkg\\post.exe", L"", L"U=[USER]", {L"RunHidden C:\\pkg\\post.exe U=a b"},
                     L"Installing C:\\pkg\\post.exe U=a b returned 0"}),
    ByName());

struct ExitCodeCase {
  const char* name;
  std::wstring firstFlag;
  DWORD firstCode;
  std::wstring secondFlag;
  DWORD secondCode;
  int initialExit, productExit, runExit;
};
using ExitCodeTest = Table<ExitCodeCase>;

TEST_P(ExitCodeTest, ExitCodeRequiredPackageCarriesTheExitCode) {
  const ExitCodeCase& c = GetParam();
  auto flag = [](const std::wstring& f) { return f.empty() ? Fields{} : Fields{{L"ExitCodeRequired", f}}; };
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A"), Post(1, L"One", L"C:\\one.exe", flag(c.firstFlag)),
                                                           Post(2, L"Two", L"C:\\two.exe", flag(c.secondFlag))})})}));
  commandResults_[L"C:\\one.exe"] = c.firstCode;
  commandResults_[L"C:\\two.exe"] = c.secondCode;
  state_->SetExitCode(c.initialExit);
  Install();
  EXPECT_EQ(P(0).ExitCode, c.productExit);
  EXPECT_EQ(state_->ExitCode(), c.runExit);
  EXPECT_TRUE(P(0).Succeeded);  // post-install failures never undo the group
}

INSTANTIATE_TEST_SUITE_P(
    Carriers, ExitCodeTest,
    testing::Values(ExitCodeCase{"SecondCarrierWins", L"yes", 5, L"YES", 7, 0, 7, 7},
                    ExitCodeCase{"SingleCarrier", L"Yes", 5, L"", 0, 0, 5, 5},
                    // The setup itself started no restart: a carried 1641 ends the run as 3010 does.
                    ExitCodeCase{"CarriedRestartStarted", L"Yes", 1641, L"", 0, 0, 3010, 3010},
                    ExitCodeCase{"CarrierZeroKeepsAnEarlierFailure", L"yES", 0, L"", 9, 1603, 0, 1603},
                    ExitCodeCase{"NoCarrierLeavesTheExitCode", L"", 9, L"No", 4, 1603, -1, 1603}),
    ByName());

struct MigrationCase {
  const char* name;
  std::wstring location;
  DWORD code;
  bool listed;
};
using MigrationTest = Table<MigrationCase>;

TEST_P(MigrationTest, FailedPostPackagesAreSummarised) {
  const MigrationCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A"), Post(1, L"Migrate", c.location)})})}));
  commandResults_[c.location] = c.code;
  Install();
  EXPECT_TRUE(Called(L"RunHidden " + c.location));
  EXPECT_EQ(log_.Has(Summary(L"Rizod", {L"Migrate"})), c.listed);
  if (!c.listed) {
    EXPECT_FALSE(log_.HasContaining(L"completed with the following errors"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tools, MigrationTest,
    testing::Values(MigrationCase{"UpdateNothingToDo", L"C:\\Tools\\ZEM.Vrx.DataMigration.Update.exe", 1, false},
                    MigrationCase{"UpdateFailed", L"C:\\Tools\\ZEM.Vrx.DataMigration.Update.exe", 2, true},
                    MigrationCase{"DbUpdateNothingToDo", L"C:\\Tools\\Zem.VRX.DataMigration.DbUpdate.exe", 1, false},
                    MigrationCase{"AuditNothingToDo", L"C:\\Tools\\zem.vrx.dm.AuditPrepTool.DbUpdate.exe", 1, false},
                    MigrationCase{"OtherProgramAnsweringOne", L"C:\\Tools\\Zem.Vrx.Other.exe", 1, true},
                    MigrationCase{"RestartIsSuccess", L"C:\\Tools\\helper.exe", 3010, false},
                    MigrationCase{"StartedRestartIsSuccess", L"C:\\Tools\\helper.exe", 1641, false}),
    ByName());

TEST_F(SequenceTest, FailureSummaryAccumulatesOverProducts) {
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A"), Post(1, L"FailA", L"C:\\fa.exe")})}),
                                ProductXml(kRaxel, {Group({Main(1, L"B"), Post(1, L"FailB", L"C:\\fb.exe")})})}));
  commandResults_[L"C:\\fa.exe"] = 1;
  commandResults_[L"C:\\fb.exe"] = 1603;
  InstallPackageFile sequence(*context_, L"");
  sequence.Initialize();
  ASSERT_TRUE(sequence.RunSequence(mode::Install));
  EXPECT_TRUE(log_.Has(Summary(L"Rizod", {L"FailA"})));
  EXPECT_TRUE(log_.Has(Summary(L"Raxel", {L"FailA", L"FailB"})));
  EXPECT_EQ(sequence.FailedPackages(), (std::vector<std::wstring>{L"FailA", L"FailB"}));
  EXPECT_TRUE(P(0).Succeeded && P(1).Succeeded);
  EXPECT_EQ(state_->ExitCode(), 0);
}

TEST_F(SequenceTest, FailureSummaryGoesToTheObserver) {
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A"), Post(1, L"FailA", L"C:\\fa.exe")})})}));
  commandResults_[L"C:\\fa.exe"] = 1;
  context_->productDisplayName = L"Rizod Server";
  InstallPackageFile sequence(*context_, L"");
  sequence.Initialize();
  sequence.RunSequence(mode::Install);
  ASSERT_EQ(observer_.failures.size(), 1u);
  EXPECT_EQ(observer_.failures[0], localization_->Message(50188, {L"Rizod Server", localization_->Message(50187, {L"FailA"})}));
}

TEST_F(SequenceTest, PostPackageWithoutLocationOrConditionsDoesNothing) {
  properties_.Set(L"Flavour", L"Silver");
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(
      kRizod, {Group({Main(1, L"A"), Post(1, L"Ghost", L"", {{L"ExitCodeRequired", L"Yes"}}),
                      Post(2, L"Cond", L"C:\\cond.exe", {{L"InstallConditionsList", kGold}}),
                      Post(3, L"Last", L"C:\\last.exe")})})}));
  Install();
  EXPECT_EQ(Only({L"RunHidden"}), std::vector<std::wstring>{L"RunHidden C:\\last.exe"});
  EXPECT_TRUE(log_.Has(L"Skipping install of Cond since it does not meet install condition(s)."));
  EXPECT_FALSE(log_.HasContaining(L"completed with the following errors"));
  EXPECT_EQ(P(0).ExitCode, -1);
  EXPECT_EQ(state_->ExitCode(), 0);
}

TEST_F(SequenceTest, UninstallWalksTheUninstallOrderThenThePostUninstallPass) {
  auto package = [](const std::wstring& name, const Fields& fields) {
    return Package(With({{L"Name", name}, {L"GUID", Guid(name)}}, fields));
  };
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(
      kRizod, {Group({package(L"After", {{L"PostUninstallOrder", L"1"}}),
                      package(L"Tool", {{L"UninstallOrder", L"4"}, {L"Location", L"C:\\pkg\\tool.exe"},
                                        {L"UninstallArguments", L"/remove"}}),
                      package(L"Core", {{L"UninstallOrder", L"1"}, {L"UninstallLog", L"core_u.log"}}),
                      package(L"Extra", {{L"UninstallOrder", L"2"}, {L"PreUninstall", L"C:\\pkg\\stop.exe /all"}}),
                      package(L"Gone", {{L"UninstallOrder", L"3"}, {L"PreUninstall", L"C:\\pkg\\pre3.exe"}}),
                      package(L"Late", {{L"UninstallOrder", L"6"}})})})}));
  for (const wchar_t* name : {L"After", L"Tool", L"Core", L"Late"}) Installed(name);
  Installed(L"Extra", 2);
  commandResults_[L"C:\\pkg\\pre3.exe"] = 4;
  context_->modeFlags = mode::Uninstall;
  Uninstall(L" UPGRADE=1");

  const std::vector<std::wstring> expected = {
      kBegin,
      L"RestoreSource RUI",
      L"EnableLog 0x1000 C:\\Logs\\core_u.log 0",
      L"ConfigureProductEx {Core} 0 2 [ UPGRADE=1]",
      L"RunHidden C:\\pkg\\stop.exe /all",
      L"RestoreSource RUI",
      L"EnableLog 0x1000 C:\\Logs\\ 0",
      L"ConfigureProductEx {Extra} 0 2 [ UPGRADE=1]",
      L"RunHidden C:\\pkg\\pre3.exe",  // runs although the package then turns out not installed
      L"RestoreSource RUI",
      L"RunHidden C:\\pkg\\tool.exe /remove",
      L"EnableLog 0x1000 C:\\Logs\\RUI_UninstallCommit.log 0",
      L"EndTransaction 1",
      L"RestoreSource RUI",
      L"EnableLog 0x1000 C:\\Logs\\ 0",
      L"ConfigureProductEx {After} 0 2 [ UPGRADE=1]",
      // One entry per removed package, the post-uninstall one included.
      L"DeleteSource RUI",
      L"DeleteSource RUI",
      L"DeleteSource RUI",
      L"DeleteSource RUI",
  };
  EXPECT_EQ(Trace(), expected);
  EXPECT_TRUE(log_.Has(L"C:\\pkg\\stop.exe /all returned 0"));
  EXPECT_TRUE(log_.Has(L"C:\\pkg\\pre3.exe returned 4"));
  EXPECT_TRUE(log_.Has(L"Skipping uninstall of Gone since it is not installed."));
  EXPECT_TRUE(log_.Has(L"Uninstalling Core returned 0."));
  EXPECT_TRUE(log_.Has(L"Uninstalling Tool returned 0."));
  EXPECT_TRUE(log_.Has(L"UninstallLog is core_u.log"));
  EXPECT_EQ(progress_.front(), L"Uninstall: applying changes...");
  EXPECT_TRUE(std::find(progress_.begin(), progress_.end(), L"Removing Core...") != progress_.end());
  EXPECT_TRUE(P(0).Succeeded);
  EXPECT_EQ(P(0).ResultCode, 0);
}

struct FamilyCase {
  const char* name;
  bool several;
  const wchar_t* initial;  // null: not set
  std::wstring seenBySecond, final;
};
using FamilyTest = Table<FamilyCase>;

TEST_P(FamilyTest, FailedUninstallGroupMarksTheFamilyInstalled) {
  const FamilyCase& c = GetParam();
  auto package = [](const std::wstring& name) {
    return Package({{L"Name", name}, {L"GUID", Guid(name)}, {L"UninstallOrder", L"1"}});
  };
  std::vector<std::wstring> products = {
      ProductXml(kRizod, {Group({package(L"Core"), Package({{L"Name", L"After"}, {L"GUID", L"{After}"},
                                                             {L"PostUninstallOrder", L"1"}})})})};
  if (c.several) products.push_back(ProductXml(kRaxel, {Group({package(L"Other")})}));
  ASSERT_NO_FATAL_FAILURE(Load(products));
  for (const wchar_t* name : {L"Core", L"After", L"Other"}) Installed(name);
  msi_.configureResults[L"{CORE}"] = 1603;
  if (c.initial) properties_.Set(L"Tier1_Installed", c.initial);
  context_->modeFlags = mode::Uninstall;
  Uninstall();

  std::vector<std::wstring> checks;
  if (c.several) checks = {L"FamilyCheck {RUI} " + std::wstring(c.initial ? c.initial : L""),
                           L"FamilyCheck {RAX} " + c.seenBySecond};
  EXPECT_EQ(Only({L"FamilyCheck"}), checks);
  EXPECT_EQ(properties_.Get(L"Tier1_Installed"), c.final);
  EXPECT_EQ(properties_.Has(L"Tier1_Installed"), c.initial != nullptr);
  // A failed uninstall group has neither a post-uninstall pass nor a rollback pass.
  EXPECT_FALSE(Called(L"ConfigureProductEx {After} 0 2 []"));
  EXPECT_FALSE(Called(L"RerunRegistryChecks"));
  EXPECT_EQ(CountStarting(L"DeleteSource"), c.several ? 1u : 0u);
  EXPECT_FALSE(P(0).Succeeded);
  EXPECT_EQ(P(0).ResultCode, 1603);
  EXPECT_EQ(state_->ExitCode(), 1603);
}

INSTANTIATE_TEST_SUITE_P(Tier1, FamilyTest,
                         testing::Values(FamilyCase{"FalseBecomesTrue", true, L"False", L"True", L"True"},
                                         FamilyCase{"CaseIgnored", true, L"false", L"True", L"True"},
                                         FamilyCase{"TrueStays", true, L"True", L"True", L"True"},
                                         FamilyCase{"AbsentStaysAbsent", true, nullptr, L"", L""},
                                         FamilyCase{"SoloProductUntouched", false, L"False", L"", L"False"}),
                         ByName());

TEST_F(SequenceTest, EveryCommitRepeatsTheEarlierInstallSourceDeletionsEachUnderItsOwnProduct) {
  auto group = [](const std::wstring& name) {
    return Group({Package({{L"Name", name}, {L"GUID", Guid(name)}, {L"UninstallOrder", L"1"}})});
  };
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {group(L"Core")}), ProductXml(kRaxel, {group(L"Other")})}));
  Installed(L"Core");
  Installed(L"Other");
  properties_.Set(L"Tier1_Installed", L"True");
  context_->modeFlags = mode::Uninstall;
  Uninstall();
  const std::vector<std::wstring> expected = {
      L"FamilyCheck {RUI} True", L"EndTransaction 1", L"DeleteSource RUI", L"FamilyCheck {RAX} True",
      L"EndTransaction 1",       L"DeleteSource RUI", L"DeleteSource RAX"};
  EXPECT_EQ(Only({L"FamilyCheck", L"EndTransaction", L"DeleteSource"}), expected);
  EXPECT_TRUE(P(0).Succeeded && P(1).Succeeded);
}

// A removal that asks for a restart, or started one, has removed the product all the same.
TEST_F(SequenceTest, UninstallResultsThatAskForARestartAreRemovals) {
  const struct {
    UINT result;
    bool removed;
  } rows[] = {{0, true}, {3010, true}, {1641, true}, {1603, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.result);
    state_ = std::make_unique<RunState>(properties_);
    msi_.calls.clear();
    ASSERT_NO_FATAL_FAILURE(Load({ProductXml(
        kRizod, {Group({Package({{L"Name", L"Core"}, {L"GUID", Guid(L"Core")}, {L"UninstallOrder", L"1"}})})})}));
    Installed(L"Core");
    msi_.configureResults[FakeWindowsInstaller::Key(Guid(L"Core"))] = row.result;
    context_->modeFlags = mode::Uninstall;
    Uninstall();
    EXPECT_EQ(P(0).Succeeded, row.removed);
    EXPECT_EQ(Only({L"DeleteSource"}).size(), row.removed ? 1u : 0u);
    EXPECT_EQ(state_->PackageRestartRequested(), row.result == 3010 || row.result == 1641);
    EXPECT_EQ(state_->ExitCode(), row.removed ? 0 : 1603);
  }
}

}  // namespace

namespace {

// Repair re-applies what is installed, installs what is missing and repairs a package shared
// by two products once.
TEST_F(SequenceTest, RepairReinstallsOnceAndInstallsWhatIsMissing) {
  ASSERT_NO_FATAL_FAILURE(Load({
      ProductXml(kRizod, {Group({Main(1, L"A", {{L"RepairLog", L"A_Repair.log"}}), Main(2, L"B"),
                                 Main(3, L"C", {{L"InstallLog", L"C_Install.log"}})})}),
      ProductXml(kRaxel, {Group({Main(1, L"A"), Main(2, L"D")})}),
  }));
  Installed(L"A");
  Installed(L"B");
  Installed(L"D");
  context_->modeFlags = mode::Repair;
  // A source that cannot be added is only logged: the cached package may still be enough.
  msi_.addSourceResults[Msi(L"B")] = ERROR_FILE_NOT_FOUND;
  RepairPackageFile repair(*context_, L" UPGRADE=1");
  repair.Initialize();
  ASSERT_TRUE(repair.RunSequence(mode::Repair));

  EXPECT_EQ(Only({L"ReinstallProduct", L"InstallProduct", L"EnableLog", L"AddSourceFolder"}),
            (std::vector<std::wstring>{
                // Each repair first makes this run's package a source of its product.
                L"AddSourceFolder {A} C:\\pkg\\A.msi",
                L"EnableLog 0x1000 C:\\Logs\\A_Repair.log 0", L"ReinstallProduct {A} 0x284",
                L"AddSourceFolder {B} C:\\pkg\\B.msi",
                L"EnableLog 0x1000 C:\\Logs\\ 0", L"ReinstallProduct {B} 0x284",  // no RepairLog: the folder alone
                L"EnableLog 0x1000 C:\\Logs\\C_Install.log 0", L"InstallProduct C:\\pkg\\C.msi [ UPGRADE=1]",
                L"EnableLog 0x1000 C:\\Logs\\RUI_RepairCommit.log 0",
                // {A} was repaired with the first product: the second one skips it silently.
                L"AddSourceFolder {D} C:\\pkg\\D.msi",
                L"EnableLog 0x1000 C:\\Logs\\ 0", L"ReinstallProduct {D} 0x284",
                L"EnableLog 0x1000 C:\\Logs\\RAX_RepairCommit.log 0"}));
  EXPECT_TRUE(log_.Has(L"Adding the folder of C:\\pkg\\B.msi to the sources of B returned 2."));
  EXPECT_FALSE(log_.Has(L"Adding the folder of C:\\pkg\\A.msi to the sources of A returned 0."));
  EXPECT_TRUE(log_.Has(L"Repairing A returned 0."));
  EXPECT_TRUE(log_.Has(L"Installing C:\\pkg\\C.msi returned 0."));
  EXPECT_EQ(std::count_if(log_.lines.begin(), log_.lines.end(),
                          [](const std::wstring& l) { return l.rfind(L"Repairing A", 0) == 0; }),
            1);
  EXPECT_EQ(repair.RepairedGuids(), (std::vector<std::wstring>{L"{A}", L"{B}", L"{C}", L"{D}"}));
  EXPECT_TRUE(P(0).Succeeded && P(1).Succeeded);
}

TEST_F(SequenceTest, RepairSkipsPackagesWhoseConditionsDoNotHold) {
  const Fields onlyOnWindows10 = {
      {L"InstallConditionsList", L"<InstallConditions><InstallIf Property='OS' Value='Win10'/></InstallConditions>"}};
  ASSERT_NO_FATAL_FAILURE(Load({ProductXml(kRizod, {Group({Main(1, L"A", onlyOnWindows10)})})}));
  Installed(L"A");
  context_->modeFlags = mode::Repair;
  properties_.Set(L"OS", L"Win7");
  RepairPackageFile repair(*context_, L"");
  repair.Initialize();
  ASSERT_TRUE(repair.RunSequence(mode::Repair));
  EXPECT_TRUE(Only({L"ReinstallProduct", L"InstallProduct"}).empty());
  EXPECT_TRUE(log_.Has(L"Skipping repair of A since it does not meet repair condition(s)."));
  EXPECT_TRUE(P(0).Succeeded);  // a skipped package does not fail its group
}

}  // namespace
