// What a run does by mode, driver and system, read as one line per plan; and the executor's
// guards: where the work ends, what the observer hears and what the exit code becomes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/exit_codes.h"
#include "core/localization.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "definition/xml_document.h"
#include "engine/finish_plan.h"
#include "engine/run_executor.h"
#include "engine/run_plan.h"
#include "fakes/fake_windows_installer.h"
#include "fakes/memory_log.h"

namespace {

using namespace finish_step;

// A plan as one line: "Prereq" (! when a failure ends the work), "Install@" (guard: ? after
// success, ~ when prerequisites passed, - when the product is gone), "Final:s/f" (flags on success
// and failure, 1 for the first product only).
std::string Line(const std::vector<RunStep>& steps) {
  std::string out;
  for (const RunStep& step : steps) {
    std::string word;
    switch (step.kind) {
      case RunStepKind::Log: word = "Log"; break;
      case RunStepKind::Prerequisites: word = step.stopsOnFailure ? "Prereq!" : "Prereq"; break;
      case RunStepKind::AppendUpgradeProperty: word = "Upgrade=1"; break;
      case RunStepKind::DefaultServerName: word = "Server"; break;
      case RunStepKind::DefaultInstallDirectory: word = "Folder"; break;
      case RunStepKind::DocumentServerDefaults: word = "Catalog"; break;
      case RunStepKind::RefuseRetiredSystem: word = "Refuse"; break;
      case RunStepKind::InstallSequence: word = "Install"; break;
      case RunStepKind::UninstallSequence: word = "Uninstall"; break;
      case RunStepKind::RepairSequence: word = "Repair"; break;
      case RunStepKind::RecheckMsi: word = "Recheck"; break;
      case RunStepKind::Finalize:
        word = "Final:" + std::to_string(step.finalize.onSuccess) + "/" + std::to_string(step.finalize.onFailure) +
               (step.finalize.firstOnly ? "1" : "");
        break;
      case RunStepKind::RecordReboot: word = "Reboot"; break;
      case RunStepKind::RecordRestart: word = "Restart"; break;
      case RunStepKind::WorkDone: word = "Done"; break;
    }
    if (step.kind == RunStepKind::InstallSequence || step.kind == RunStepKind::UninstallSequence ||
        step.kind == RunStepKind::RepairSequence)
      word += step.properties == SequenceProperties::None ? "()" : step.properties == SequenceProperties::UpgradeFirst ? "(U)" : "";
    if (step.guard == StepGuard::AfterSuccess) word += "?";
    if (step.guard == StepGuard::PrerequisitesPassed) word += "~";
    if (step.guard == StepGuard::FirstProductAbsent) word += "-";
    out += (out.empty() ? "" : " ") + word;
  }
  return out;
}

constexpr uint32_t kAll = SetSuccess | CopySetupFiles | ProxyOverride | FinalizeGroups;  // 15
constexpr uint32_t kFailed = SetSuccess | ExecuteCommandsOnly;                           // 17

TEST(RunPlan, StepsByDriverModeAndSystem) {
  const std::string all = std::to_string(kAll), failed = std::to_string(kFailed);
  struct Case {
    const char* name;
    RunDriver driver;
    uint32_t modes;
    const wchar_t* os;
    const wchar_t* shortName;
    bool solo;
    std::string work;
  } cases[] = {
      {"silent install", RunDriver::Silent, mode::Install, L"Win10", L"Rizod", false,
       "Prereq! Folder Install Final:" + all + "/" + failed + " Reboot"},
      {"silent document-server install", RunDriver::Silent, mode::Install, L"Win10", L"varadavuradare", true,
       "Prereq! Folder Catalog Install Final:" + all + "/" + failed + " Reboot"},
      {"silent uninstall of several", RunDriver::Silent, mode::Uninstall, L"Win10", L"Rizod", false,
       "Prereq! Uninstall Recheck Final:9/" + failed},
      {"silent uninstall of one", RunDriver::Silent, mode::Uninstall, L"Win10", L"Rizod", true,
       "Prereq! Uninstall Final:9/" + failed},
      {"silent repair", RunDriver::Silent, mode::Repair, L"Win10", L"Rizod", false,
       "Prereq! Repair Final:13/" + failed + " Done"},
      {"silent upgrade", RunDriver::Silent, mode::Upgrade, L"Win2012R2", L"Rizod", false,
       "Prereq! Upgrade=1 Server Uninstall Install? Done? Final:" + all + "/" + all + "1 Reboot"},
      {"silent upgrade on XP x64", RunDriver::Silent, mode::Upgrade, L"WinXPx64", L"Rizod", false,
       "Prereq! Upgrade=1 Server Refuse"},
      {"silent upgrade on Vista", RunDriver::Silent, mode::Upgrade, L"vista", L"Rizod", false,
       "Prereq! Upgrade=1 Server Refuse"},
      {"silent upgrade on Server 2003 R2", RunDriver::Silent, mode::Upgrade, L"Win2003R2", L"Rizod", false,
       "Prereq! Upgrade=1 Server Refuse"},
      {"silent install and upgrade: the install half, with UPGRADE=1", RunDriver::Silent, mode::Install | mode::Upgrade,
       L"Win10", L"Rizod", false, "Prereq! Upgrade=1 Folder Install Final:" + all + "/" + failed + " Reboot"},
      {"silent, nothing decided", RunDriver::Silent, 0, L"Win10", L"Rizod", false, "Prereq!"},
      {"wizard install", RunDriver::Wizard, mode::Install, L"Win10", L"Rizod", false,
       "Log Log Prereq Log Install~"},
      {"wizard uninstall", RunDriver::Wizard, mode::Uninstall, L"Win10", L"Rizod", false, "Prereq! Uninstall"},
      {"wizard repair: no prerequisites, no extra properties", RunDriver::Wizard, mode::Repair, L"Win10", L"Rizod",
       false, "Repair()"},
      {"wizard upgrade", RunDriver::Wizard, mode::Upgrade, L"Win7", L"Rizod", false,
       "Prereq! Uninstall(U) Install(U)-"},
      {"wizard upgrade on XP", RunDriver::Wizard, mode::Upgrade, L"XP", L"Rizod", false, "Prereq! Refuse"},
      {"wizard, nothing decided", RunDriver::Wizard, 0, L"Win10", L"Rizod", false, ""},
  };
  for (const Case& c : cases) {
    const RunPlan plan = PlanRun({c.modes, c.driver, c.os, c.shortName, c.solo});
    EXPECT_EQ(Line(plan.work), c.work) << c.name;
    // Only the wizard has a worker thread to name, and only when there is work.
    EXPECT_EQ(plan.workerLine.empty(), c.driver == RunDriver::Silent || c.modes == 0) << c.name;
    EXPECT_FALSE(plan.passive) << c.name;
  }
}

// A passive run decides as a silent run would for the same machine; only its worker shows it.
TEST(RunPlan, PassiveWorkIsTheSilentWorkOnAWorkerThatClosesTheWizard) {
  const struct {
    uint32_t modes;
    const wchar_t* os;
    const wchar_t* shortName;
  } cases[] = {
      {mode::Install, L"Win10", L"Rizod"},    {mode::Install, L"Win10", L"VaradavuRadare"},
      {mode::Uninstall, L"Win10", L"Rizod"},  {mode::Repair, L"Win10", L"Rizod"},
      {mode::Upgrade, L"Win10", L"DEVadirez"}, {mode::Upgrade, L"WinXPx64", L"Rizod"},
      {0, L"Win10", L"Rizod"},
  };
  for (const auto& c : cases) {
    const RunPlan silent = PlanRun({c.modes, RunDriver::Silent, c.os, c.shortName, false});
    const RunPlan passive = PlanRun({c.modes, RunDriver::Passive, c.os, c.shortName, false});
    EXPECT_EQ(Line(passive.work), Line(silent.work)) << c.modes;
    EXPECT_EQ(passive.workerLine, L"StartPassive thread") << c.modes;
    EXPECT_TRUE(passive.passive && passive.closeOnSuccess.empty() && passive.endLine.empty()) << c.modes;
  }
}

TEST(RunPlan, OnlyTheUpdateManagersWizardUpgradeClosesWithoutItsFinishPage) {
  struct Case {
    const wchar_t* shortName;
    RunDriver driver;
    uint32_t modes;
    bool closes;
  } cases[] = {
      {L"DEVadirez", RunDriver::Wizard, mode::Upgrade, true},
      {L"devadirezclient", RunDriver::Wizard, mode::Upgrade, true},
      {L"DEVadirez", RunDriver::Wizard, mode::Upgrade | mode::Install, false},
      {L"DEVadirez", RunDriver::Silent, mode::Upgrade, false},
      {L"Rizod", RunDriver::Wizard, mode::Upgrade, false},
  };
  for (const Case& c : cases) {
    const RunPlan plan = PlanRun({c.modes, c.driver, L"Win10", c.shortName, true});
    EXPECT_EQ(Line(plan.closeOnSuccess),
              c.closes ? "Final:7/71 Restart Final:8/81" : "")
        << static_cast<int>(c.driver) << " " << c.modes;
  }
}

// The executor over a run made of fakes: what it asked for, in order.
class Recorder final : public RunServices, public RunObserver {
 public:
  Recorder() {
    document.Create(status);
    document.LoadText(L"<Setup><Products/></Setup>");
  }
  EngineContext MakeEngineContext() override {
    EngineContext context(log, properties, nullptr, installer, document, products);
    context.state = &state;
    return context;
  }
  ProductCatalog& Products() override { return products; }
  bool InstallPrerequisites(EngineContext&) override { return Note("prerequisites"), prerequisitesPass; }
  std::wstring ExtraInstallProperties() override { return L""; }
  void AppendExtraInstallProperties(const std::wstring&) override { Note("upgrade property"); }
  void QuietInstaller() override {}
  void DefaultServerName() override {}
  void DefaultInstallDirectory() override {}
  void DocumentServerDefaults() override {}
  void RerunMsiChecks() override {}
  bool FirstProductInstalled() override { return firstInstalled; }
  bool RebootNeeded() override { return false; }
  bool RestartRequired() override { return false; }
  void SetRebootRequiredFlag() override {}
  void RestartSetup() override { Note("restart"); }
  void SetSuccessProperty(bool) override {}
  int ExitCode() override { return state.ExitCode(); }
  void SetExitCode(int code) override { state.SetExitCode(code); }
  void Log(const std::wstring&) override {}
  void OnSequenceStarting() override { Note("sequence"); }
  void OnRetiredSystem() override { Note("retired"); }
  void OnWorkDone() override { Note("done"); }
  void OnWorkStopped() override { Note("stopped"); }

  void Note(const char* what) { heard += (heard.empty() ? "" : " ") + std::string(what); }

  MemoryLog log;
  PropertyMap properties;
  RunState state{properties};
  FakeWindowsInstaller installer;
  XmlDocument document;
  HRESULT status = S_OK;
  ProductCatalog products;
  bool prerequisitesPass = true, firstInstalled = false;
  std::string heard;
};

TEST(RunExecutor, GuardsEndTheWorkAndTellTheObserver) {
  struct Case {
    const char* name;
    RunDriver driver;
    uint32_t modes;
    const wchar_t* os;
    int codeBefore;  // an earlier step's failure
    bool prerequisitesPass, firstInstalled;
    std::string heard;
    int code;
  } cases[] = {
      {"silent upgrade: both halves, then done", RunDriver::Silent, mode::Upgrade, L"Win10", 0, true, false,
       "prerequisites upgrade property sequence sequence done", 0},
      {"103010 does not stop the install half", RunDriver::Silent, mode::Upgrade, L"Win10", 103010, true, false,
       "prerequisites upgrade property sequence sequence done", 103010},
      {"a failed half stops the rest", RunDriver::Silent, mode::Upgrade, L"Win10", 1603, true, false,
       "prerequisites upgrade property sequence stopped", 1603},
      {"a retired system refuses before anything is removed", RunDriver::Silent, mode::Upgrade, L"WinXP", 0, true,
       false, "prerequisites upgrade property retired", 1602},
      {"failed prerequisites end a silent run", RunDriver::Silent, mode::Install, L"Win10", 0, false, false,
       "prerequisites", 0},
      {"failed prerequisites skip the wizard's install", RunDriver::Wizard, mode::Install, L"Win10", 0, false, false,
       "prerequisites", 0},
      {"a wizard upgrade installs only once the old release is gone", RunDriver::Wizard, mode::Upgrade, L"Win10", 0,
       true, true, "prerequisites sequence", 0},
  };
  for (const Case& c : cases) {
    Recorder run;
    run.prerequisitesPass = c.prerequisitesPass;
    run.firstInstalled = c.firstInstalled;
    run.state.SetExitCode(c.codeBefore);
    RunExecutor(run, run).RunWork(PlanRun({c.modes, c.driver, c.os, L"Rizod", true}));
    EXPECT_EQ(run.heard, c.heard) << c.name;
    EXPECT_EQ(run.state.ExitCode(), c.code) << c.name;
  }
}

TEST(RunExecutor, FinishHandsARestartOverInsteadOfFinalizing) {
  Recorder run;
  run.state.SetExitCode(exit_code::RestartRequired);
  const FinishPlan plan = RunExecutor(run, run).RunFinish();
  EXPECT_TRUE(plan.restartHandOver);
  EXPECT_EQ(run.heard, "restart");
}

}  // namespace
