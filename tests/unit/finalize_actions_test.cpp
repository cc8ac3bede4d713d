// Finalize actions against real temporary folders, a recorded launcher and a scripted installer.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/property_map.h"
#include "core/run_mode.h"
#include "definition/product.h"
#include "engine/finalize_actions.h"
#include "fakes/fake_platform.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace {

void WriteFile(const std::wstring& path, const std::string& content = "x") {
  std::ofstream(path.c_str(), std::ios::binary) << content;
}

std::string Narrow(const std::wstring& s) { return text::ToUtf8(s); }

class FinalizeTest : public testing::Test {
 protected:
  void SetUp() override {
    for (auto* sub : {L"Logs", L"work", L"installed", L"QV", L"src", L"src\\sub", L"dst"}) scratch_.MakeFolder(sub);
  }

  // Products "RUI" (and "RAX"), the first with the given Finalize section; a fresh catalog and fakes each time.
  void Load(const std::wstring& finalize, bool twoProducts = false) {
    products_.clear();
    fake_.installer.states.clear();
    fake_.installer.installLocations.clear();
    fake_.processes.calls.clear();
    std::wstring xml = L"<Setup><Product ShortName='RUI' GUID='{RUI}'><Finalize>" + finalize + L"</Finalize></Product>";
    if (twoProducts) xml += L"<Product ShortName='RAX' GUID='{RAX}'/>";
    HRESULT status = S_OK;
    ASSERT_TRUE(doc_.Create(status));
    ASSERT_TRUE(doc_.LoadText(xml + L"</Setup>"));
    std::vector<XmlNode> nodes;
    ASSERT_EQ(doc_.SelectAll(L"//Product", nodes), XmlQuery::Found);
    for (const XmlNode& node : nodes) products_.push_back(std::make_shared<Product>(node, ReadContext{log_, properties_}, root_ + L"work"));
    context_ = std::make_unique<EngineContext>(log_, properties_, nullptr, fake_.installer, doc_, products_);
    context_->logFolder = root_ + L"Logs";
    context_->shortName = L"RUI";
    context_->modeFlags = mode::Install;
    context_->processes = &fake_.processes;
    context_->definitionFileName = L"Products.xml";
    context_->variablesListFileName = L"VariablesList.xml";
    actions_ = std::make_unique<FinalizeActions>(*context_, *products_.front());
    log_.lines.clear();
  }
  void Installed() {
    fake_.installer.states[L"{RUI}"] = 5;
    fake_.installer.installLocations[L"{RUI}"] = root_ + L"installed";
  }
  static std::wstring Delete(const std::wstring& location, const std::wstring& extra = L"") {
    return L"<DeleteFile><Location>" + location + L"</Location>" + extra + L"</DeleteFile>";
  }
  static std::wstring Command(int order, const std::wstring& command, const std::wstring& arguments,
                              const std::wstring& wait = L"") {
    std::wstring xml = text::Format(L"<ExecuteCommand Order='%d'><Order>%d</Order><Command>%s</Command>", order, order,
                                    command) +
                       L"<Arguments>" + arguments + L"</Arguments>";
    return xml + wait + L"</ExecuteCommand>";
  }
  std::vector<std::wstring> LogStarting(const std::wstring& prefix) const {
    std::vector<std::wstring> out;
    for (const auto& l : log_.lines)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }

  ScratchFolder scratch_;
  const std::wstring root_ = scratch_.path();
  MemoryLog log_;
  PropertyMap properties_;
  FakePlatform fake_;
  XmlDocument doc_;
  ProductCatalog products_;
  std::unique_ptr<EngineContext> context_;
  std::unique_ptr<FinalizeActions> actions_;
};

TEST_F(FinalizeTest, OnlyCanonicalPathsUnderQvOrInsideTheLogFolderAreDeletable) {
  ASSERT_NO_FATAL_FAILURE(Load(L""));
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring logs = root_ + L"Logs";
  struct Row {
    std::wstring location, expected;  // expected empty: refused
  } rows[] = {
      {L"C:\\", L""},
      {windows, L""},
      {L"C:\\QV\\..\\Windows", L""},
      {logs + L"\\..\\..\\Windows", L""},
      {root_ + L"QV\\..\\work", L""},
      {logs, L""},
      {logs + L"x\\old.log", L""},  // a sibling that merely starts with the folder's name
      {L"relative\\QV\\x", L""},
      {L"C:QV\\x", L""},
      {L"\\\\?\\C:\\QV\\..\\Windows", L""},
      {root_ + L"QV\\a\" & del C:\\x", L""},
      {root_ + L"qv\\data", root_ + L"qv\\data"},
      {root_ + L"QV\\sub\\..\\data.txt\\", root_ + L"QV\\data.txt"},
      {logs + L"\\old.log", logs + L"\\old.log"},
      {logs + L"\\.\\deep\\..\\old", logs + L"\\old"},
  };
  for (const Row& row : rows) {
    std::optional<std::wstring> path = actions_->DeletablePath(row.location);
    EXPECT_EQ(path.value_or(L""), row.expected) << Narrow(row.location);
  }
}

TEST_F(FinalizeTest, BatchHoldsOnlyDeletableEntriesAndStartsHidden) {
  WriteFile(root_ + L"QV\\a.dat");
  WriteFile(root_ + L"Logs\\old.log");
  CreateDirectoryW((root_ + L"QV\\data").c_str(), nullptr);
  ASSERT_NO_FATAL_FAILURE(Load(L"<DeleteFileGroup>" + Delete(L"C:\\") + Delete(L"C:\\QV\\..\\Windows") +
                               Delete(root_ + L"qv\\data\\") + Delete(root_ + L"QV\\a.dat") +
                               Delete(root_ + L"Logs\\old.log", L"<UninstallConditions><UninstallIf "
                                                                L"Property='Keep' Value='No'/></UninstallConditions>") +
                               Delete(root_ + L"Logs\\..\\Logs\\old.log") + L"</DeleteFileGroup>"));
  properties_.Set(L"Keep", L"Yes");
  WriteFile(root_ + L"QV\\data\\inner.dat");
  {
    // In use: only this one is left to the batch; the rest goes at once, in this process.
    platform::UniqueHandle held(CreateFileW((root_ + L"QV\\a.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    actions_->DeleteFiles();
  }

  const std::wstring batch = root_ + L"Logs\\cleanup.bat";
  EXPECT_EQ(test_files::ReadShared(batch), Narrow(L"PING 127.0.0.1 -n 10\r\nDEL /Q \"" + root_ + L"QV\\a.dat\"\r\n"));
  EXPECT_FALSE(platform::IsDirectory(root_ + L"QV\\data"));
  EXPECT_FALSE(platform::FileExists(root_ + L"Logs\\old.log"));
  EXPECT_EQ(fake_.processes.calls, (std::vector<std::wstring>{L"ShellOpen [" + batch + L"] [] hidden", L"CloseChild"}));
}

// Under a parent other users could empty, no batch is left to run: what can go still goes now.
TEST_F(FinalizeTest, NoBatchRunsWhenTheLogFolderCouldBeReplacedAfterTheRun) {
  WriteFile(root_ + L"QV\\a.dat");
  WriteFile(root_ + L"QV\\b.dat");
  ASSERT_NO_FATAL_FAILURE(
      Load(L"<DeleteFileGroup>" + Delete(root_ + L"QV\\a.dat") + Delete(root_ + L"QV\\b.dat") + L"</DeleteFileGroup>"));
  log_.SetFolderSafeAfterRun(false);
  {
    platform::UniqueHandle held(CreateFileW((root_ + L"QV\\a.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    actions_->DeleteFiles();
  }
  const std::wstring batch = root_ + L"Logs\\cleanup.bat";
  EXPECT_TRUE(platform::FileExists(root_ + L"QV\\a.dat")) << "in use: left";
  EXPECT_FALSE(platform::FileExists(root_ + L"QV\\b.dat"));
  EXPECT_FALSE(platform::FileExists(batch));
  EXPECT_TRUE(fake_.processes.calls.empty());
  EXPECT_TRUE(log_.Has(batch + L" is not started: other users could replace it once the setup ends; what is in use is left."));
}

TEST_F(FinalizeTest, BatchRunsForVanishedEntriesAndIsRemovedWhenNothingIsDeletable) {
  struct Row {
    std::wstring location;
    bool started;
  } rows[] = {{L"QV\\gone.txt", true}, {L"work\\setup.log", false}};
  for (const Row& row : rows) {
    ASSERT_NO_FATAL_FAILURE(Load(L"<DeleteFileGroup>" + Delete(root_ + row.location) + L"</DeleteFileGroup>"));
    actions_->DeleteFiles();
    const std::wstring batch = root_ + L"Logs\\cleanup.bat";
    EXPECT_EQ(platform::FileExists(batch), row.started) << Narrow(row.location);
    EXPECT_EQ(fake_.processes.Called(L"ShellOpen [" + batch + L"] [] hidden"), row.started);
    if (row.started) {
      EXPECT_EQ(test_files::ReadShared(batch), "PING 127.0.0.1 -n 10\r\n");
    }
  }
}

TEST_F(FinalizeTest, BatchIsNamedAfterTheProductWhenTheRunHasSeveral) {
  ASSERT_NO_FATAL_FAILURE(Load(L"", true));
  EXPECT_EQ(actions_->BatchFilePath(), root_ + L"Logs\\cleanup_RUI.bat");
  products_.pop_back();
  EXPECT_EQ(actions_->BatchFilePath(), root_ + L"Logs\\cleanup.bat");
}

TEST_F(FinalizeTest, CommandsRunInOrderAndAreWaitedForOnlyWhenAsked) {
  struct Row {
    const wchar_t* wait;
    bool waited;
  } rows[] = {{L"", false},
              {L"<WaitForCompletion/>", false},
              {L"<WaitForCompletion>false</WaitForCompletion>", false},
              {L"<WaitForCompletion>FALSE</WaitForCompletion>", false},
              {L"<WaitForCompletion>True</WaitForCompletion>", true}};
  for (const Row& row : rows) {
    // Order 4 follows a gap and never runs.
    ASSERT_NO_FATAL_FAILURE(Load(L"<ExecuteCommandGroup>" + Command(2, L"two.exe", L"/b", row.wait) +
                                 Command(1, L"one.exe", L"/a", row.wait) + Command(4, L"four.exe", L"") +
                                 L"</ExecuteCommandGroup>"));
    fake_.processes.shell = {{.exitCode = 3}, {.exitCode = 3}};
    actions_->ExecuteCommands();
    EXPECT_EQ(LogStarting(L"Executing"), (std::vector<std::wstring>{L"Executing one.exe /a", L"Executing two.exe /b"}));
    EXPECT_EQ(fake_.processes.CountStartingWith(L"Wait"), row.waited ? 2u : 0u) << Narrow(row.wait);
    EXPECT_EQ(log_.Count(L"Process returned 3"), row.waited ? 2u : 0u);
    EXPECT_EQ(fake_.processes.CountStartingWith(L"ShellOpen [one.exe] [/a] hidden"), 1u);
  }
}

TEST_F(FinalizeTest, FailedStartIsLoggedAndSecretsAreMasked) {
  ASSERT_NO_FATAL_FAILURE(Load(L"<ExecuteCommandGroup>" + Command(1, L"bad.exe", L"") +
                               Command(2, L"tool.exe", L"/p hunter2") + L"</ExecuteCommandGroup>"));
  properties_.Set(L"[PASSWORD]", L"hunter2");
  fake_.processes.shell = {{.error = 2}};
  actions_->ExecuteCommands();
  EXPECT_TRUE(log_.Has(L"ShellExecuteEx failed with error code: 2"));
  EXPECT_FALSE(log_.Has(L"Executing bad.exe "));
  EXPECT_TRUE(log_.Has(L"Executing tool.exe /p ******"));
  EXPECT_FALSE(log_.HasContaining(L"hunter2"));
}

TEST_F(FinalizeTest, NamedClientProgramsRunInTheUserSessionUnderTheSystemAccount) {
  struct Row {
    std::wstring arguments;
    bool system, userSession;
  } rows[] = {{L"/d /c C:\\Zem\\RegistryEntry.exe /x", true, true},
              {L"/d /c ZEM.VRX.HVDeploy.Client.DLMLauncherUtility.exe", true, true},
              {L"zem.vrx.hvdeploy.client.launcherutility.exe", true, true},
              {L"zem.vrx.hvdeploy.client.clientagent.exe /q", true, true},
              {L"/d /c other.exe", true, false},
              {L"/d /c RegistryEntry.exe", false, false}};
  for (const Row& row : rows) {
    fake_.processes.sessions = {FakeSession{.id = 1}};
    ASSERT_NO_FATAL_FAILURE(Load(L"<ExecuteCommandGroup>" + Command(1, L"cmd.exe", row.arguments) +
                                 L"</ExecuteCommandGroup>"));
    context_->systemAccount = row.system;
    actions_->ExecuteCommands();
    EXPECT_EQ(fake_.processes.CountStartingWith(L"CreateAsUser 1 ["), row.userSession ? 1u : 0u) << Narrow(row.arguments);
    EXPECT_EQ(fake_.processes.CountStartingWith(L"ShellOpen [cmd.exe]"), row.userSession ? 0u : 1u);
  }
}

TEST_F(FinalizeTest, FailedXcopyIsRedoneForTopLevelFilesOnly) {
  struct Row {
    const wchar_t* word;
    DWORD exitCode;
    bool copied;
  } rows[] = {{L"xcopy", 1, true}, {L"xcopy", 0, false}, {L"XCOPY", 1, false}};
  for (const Row& row : rows) {
    test_files::RemoveTree(root_ + L"dst");
    CreateDirectoryW((root_ + L"dst").c_str(), nullptr);
    WriteFile(root_ + L"src\\a.txt");
    WriteFile(root_ + L"src\\b.txt");
    WriteFile(root_ + L"src\\sub\\c.txt");
    const std::wstring arguments =
        text::Format(L"/d /c %s \"%ssrc\\*\" \"%sdst\" /Y", row.word, root_, root_);
    ASSERT_NO_FATAL_FAILURE(Load(L"<ExecuteCommandGroup>" +
                                 Command(1, L"cmd.exe", arguments, L"<WaitForCompletion>true</WaitForCompletion>") +
                                 L"</ExecuteCommandGroup>"));
    fake_.processes.shell = {{.exitCode = row.exitCode}};
    actions_->ExecuteCommands();
    EXPECT_EQ(platform::FileExists(root_ + L"dst\\a.txt"), row.copied) << Narrow(row.word) << row.exitCode;
    EXPECT_EQ(platform::FileExists(root_ + L"dst\\b.txt"), row.copied);
    EXPECT_FALSE(platform::IsDirectory(root_ + L"dst\\sub"));
    EXPECT_EQ(log_.Has(L"Copying " + root_ + L"src\\a.txt to " + root_ + L"dst\\a.txt succeeded."), row.copied);
  }
}

TEST_F(FinalizeTest, SetupFilesAreCopiedInOrderAndOneFailureStopsNoOther) {
  struct Row {
    const wchar_t* runName;
    bool installed, progress;
  } rows[] = {{L"RUI", true, false}, {L"devadirez", true, true}, {L"DEVadirez", false, true}};
  for (const Row& row : rows) {
    ASSERT_NO_FATAL_FAILURE(Load(L""));
    if (row.installed) Installed();
    context_->shortName = row.runName;
    WriteFile(root_ + L"work\\setup.exe");
    WriteFile(root_ + L"work\\RUIresources.dll");
    actions_->CopySetupFiles();

    std::vector<std::wstring> names = {L"setup.exe",       L"VariablesList.xml", L"RUI.xml",        L"RUIresources.dll",
                                       L"setup_en-us.dll", L"setup_en-ca.dll",   L"setup_fr-ca.dll"};
    if (row.progress) names.push_back(L"progress.exe");
    std::vector<std::wstring> expected;
    for (const auto& name : names) {
      std::wstring line = L"Copying " + root_ + L"work\\" + name + L" to " + root_ + L"installed\\" + name;
      bool present = name == L"setup.exe" || name == L"RUIresources.dll";
      if (row.installed) expected.push_back(line + (present ? L" succeeded." : L" failed with error code 2"));
    }
    EXPECT_EQ(LogStarting(L"Copying "), expected) << Narrow(row.runName);
    EXPECT_TRUE(log_.Has(row.installed ? L" is installed." : L" is not installed."));
  }
}

TEST_F(FinalizeTest, ProxyOverrideNeverReplacesAnExistingConfiguration) {
  struct Row {
    uint32_t mode;
    bool installed, targetExists;
    std::string expected;  // the target's content afterwards; empty: absent
  } rows[] = {{mode::Install, true, false, "proxy"},
              {mode::Install, false, false, ""},
              {mode::Repair, true, false, "proxy"},
              {mode::Repair, true, true, "mine"},
              {mode::Uninstall, true, false, ""},
              {mode::Uninstall | mode::Upgrade, true, false, "proxy"}};
  const std::wstring target = root_ + L"installed\\ProxyOverride.config";
  for (const Row& row : rows) {
    DeleteFileW(target.c_str());
    ASSERT_NO_FATAL_FAILURE(Load(L""));
    if (row.installed) Installed();
    WriteFile(root_ + L"work\\ProxyOverride.xml", "proxy");
    if (row.targetExists) WriteFile(target, "mine");
    context_->modeFlags = row.mode;
    actions_->CopyProxyOverride();
    EXPECT_EQ(test_files::ReadShared(target), row.expected) << row.mode;
  }
}

TEST_F(FinalizeTest, GroupsRunInOrderAndUninstallFreesTheResourceLibrary) {
  for (uint32_t runMode : {mode::Install, mode::Uninstall}) {
    WriteFile(root_ + L"src\\a.txt");
    ASSERT_NO_FATAL_FAILURE(Load(L"<CopyFileGroup><CopyFile><Source>" + root_ + L"src\\a.txt</Source><Destination>" +
                                 root_ + L"dst\\a.txt</Destination></CopyFile><CopyFile><Source>" + root_ +
                                 L"src\\a.txt</Source><Destination/></CopyFile></CopyFileGroup><DeleteFileGroup>" +
                                 Delete(root_ + L"QV\\gone.txt") + L"</DeleteFileGroup><ExecuteCommandGroup>" +
                                 Command(1, L"tool.exe", L"") + L"</ExecuteCommandGroup>"));
    Product& product = *products_.front();
    product.Resources = L"setup_qa-QA.dll";
    ASSERT_TRUE(product.LoadResources({.uninstallOrRepair = true, .setupDirectory = test_files::ExecutableFolder()}));
    context_->modeFlags = runMode;
    actions_->RunFinalizeGroups();

    EXPECT_EQ(product.ResourceLibrary() == nullptr, runMode == mode::Uninstall);
    EXPECT_EQ(LogStarting(L"Copying "), (std::vector<std::wstring>{L"Copying " + root_ + L"src\\a.txt to " + root_ +
                                                                    L"dst\\a.txt succeeded."}));
    std::vector<std::wstring> starts;
    for (const auto& c : fake_.processes.calls)
      if (c.rfind(L"ShellOpen", 0) == 0) starts.push_back(c);
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"ShellOpen [" + root_ + L"Logs\\cleanup.bat] [] hidden",
                                                 L"ShellOpen [tool.exe] [] hidden"}));
  }
}

TEST_F(FinalizeTest, MissingProductElementStopsEveryGroup) {
  ASSERT_NO_FATAL_FAILURE(Load(L"<ExecuteCommandGroup>" + Command(1, L"tool.exe", L"") + L"</ExecuteCommandGroup>"));
  // A product that is not one of the catalog's: its element is looked up in the document.
  std::shared_ptr<Product> stray = products_.front();
  products_.clear();
  stray->ShortName = L"GONE";
  FinalizeActions(*context_, *stray).RunFinalizeGroups();
  EXPECT_EQ(log_.Count(L"//Product[@ShortName=\"GONE\"] not found in Products.xml. Error 0X1"), 3u);
  EXPECT_TRUE(fake_.processes.calls.empty());
}

}  // namespace
