// What a run does once its checks have passed, as a value: the prerequisites, the halves of the
// mode's package work and the finalize steps by outcome. (The wizard's Finish decides its steps
// by the outcome when it is pressed: RunExecutor::RunFinish.) Computed once
// from the run's facts; carried out by RunExecutor, whatever shows the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Passive: the silent run's work, shown on the wizard's install page alone.
enum class RunDriver { Silent, Wizard, Passive };

// What the plan is decided by.
struct RunFacts {
  uint32_t modeFlags = 0;  // the resolved mode
  RunDriver driver = RunDriver::Silent;
  std::wstring os;         // the "OS" keyword
  std::wstring shortName;  // the first product's
  bool solo = false;       // the definition holds one product
};

enum class RunStepKind {
  Log,                      // a line of the run's log (the wizard's worker marks its phases)
  Prerequisites,            // the definition's prerequisites
  AppendUpgradeProperty,    // " UPGRADE=1" for every package that follows
  DefaultServerName,        // "[SERVER_NAME]" from the computer's DNS name when empty
  DefaultInstallDirectory,  // the shared client's folder, else the default, when none was given
  DocumentServerDefaults,   // the catalog drive of a document-server install
  RefuseRetiredSystem,      // the new release cannot run here: 1602, nothing is removed
  InstallSequence,
  UninstallSequence,
  RepairSequence,
  RecheckMsi,               // the installed-state answers of the remaining products are stale
  Finalize,                 // each product's finalize steps, by its outcome
  RecordReboot,             // the reboot-required flag, when a prerequisite asked for a reboot
  RecordRestart,            // the reboot-required flag, when a prerequisite or a package asked
  WorkDone,                 // the work is over: observers that show progress close it
};

// When a step runs; a step whose guard fails ends the work.
enum class StepGuard {
  Always,
  PrerequisitesPassed,  // skipped (not ending the work) when the prerequisites failed
  AfterSuccess,         // the exit code is still 0 or 103010; else the work ends as failed
  FirstProductAbsent,   // the first product is not installed (the old release is gone)
};

// The installer properties a sequence gets.
enum class SequenceProperties {
  RunExtra,      // the run's extra properties
  None,          // no extra property
  UpgradeFirst,  // "UPGRADE=1 " followed by the run's extra properties
};

// Which finalize steps (finish_step flags) a product gets by its outcome.
struct FinalizeRule {
  uint32_t onSuccess = 0;
  uint32_t onFailure = 0;
  bool firstOnly = false;  // only the first product is finalized
};

struct RunStep {
  RunStepKind kind = RunStepKind::Log;
  StepGuard guard = StepGuard::Always;
  std::wstring text;                                // Log: the line
  bool stopsOnFailure = true;                       // Prerequisites: a failure ends the work
  SequenceProperties properties = SequenceProperties::RunExtra;
  FinalizeRule finalize;
};

struct RunPlan {
  // The work: on the main thread of a silent run, on the wizard's worker thread.
  std::wstring workerLine;  // logged as the worker starts; empty: no worker for this mode
  std::vector<RunStep> work;
  std::wstring endLine;     // logged once the work has ended
  // After a successful run the wizard closes without its finish page, running these instead.
  std::vector<RunStep> closeOnSuccess;
  // Nobody is asked anything: the page shows the progress alone, a failure is only logged, and the
  // wizard closes when the work ends, without its finish page.
  bool passive = false;
};

RunPlan PlanRun(const RunFacts& facts);
