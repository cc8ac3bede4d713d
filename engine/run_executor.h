// Carries out a run plan. The run around it (the application) provides the services; the driver
// that shows the run is the observer. Neither the silent driver nor the wizard lists the steps of
// a mode: they hand the plan to this executor.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "definition/product.h"
#include "engine/engine_context.h"
#include "engine/engine_observer.h"
#include "engine/finish_plan.h"
#include "engine/run_plan.h"

// What the executor needs from the run.
class RunServices {
 public:
  virtual ~RunServices() = default;
  virtual EngineContext MakeEngineContext() = 0;
  virtual ProductCatalog& Products() = 0;
  // Installs the definition's prerequisites; false when the run may not go on.
  virtual bool InstallPrerequisites(EngineContext& context) = 0;
  // Says what the prerequisites step would do, changing nothing; false when it cannot be worked out.
  virtual bool PlanPrerequisites(EngineContext& context) {
    (void)context;
    return true;
  }
  virtual std::wstring ExtraInstallProperties() = 0;
  virtual void AppendExtraInstallProperties(const std::wstring& text) = 0;
  virtual void QuietInstaller() = 0;  // no package shows a window of its own
  virtual void DefaultServerName() = 0;
  virtual void DefaultInstallDirectory() = 0;
  virtual void DocumentServerDefaults() = 0;
  virtual void RerunMsiChecks() = 0;
  virtual bool FirstProductInstalled() = 0;
  virtual bool RebootNeeded() = 0;      // a prerequisite asked for a reboot
  virtual bool RestartRequired() = 0;   // a prerequisite or a package asked for one
  virtual void SetRebootRequiredFlag() = 0;
  virtual void RestartSetup() = 0;      // the restart handling takes over
  virtual void SetSuccessProperty(bool succeeded) = 0;
  virtual int ExitCode() = 0;
  virtual void SetExitCode(int code) = 0;
  virtual void Log(const std::wstring& line) = 0;
};

// The engine's reports plus what only the run as a whole knows.
class RunObserver : public EngineObserver {
 public:
  // The prerequisites have run; passed is false when the run may not go on.
  virtual void OnPrerequisitesDone(bool passed) { (void)passed; }
  // Before the work, for an observer that takes the installer's messages: how many packages the
  // plan's sequences reach in all (0: the work has no sequence).
  virtual void OnWorkMeasured(int packages) { (void)packages; }
  // A package sequence is about to start (the installer's callbacks are set up for it).
  virtual void OnSequenceStarting() {}
  // The new release cannot run on this system; the run ends with 1602.
  virtual void OnRetiredSystem() {}
  // The work is over and went well enough to report done.
  virtual void OnWorkDone() {}
  // The work ended early: a half of the work failed, so the rest did not run.
  virtual void OnWorkStopped() {}
};

class RunExecutor {
 public:
  RunExecutor(RunServices& services, RunObserver& observer) : services_(services), observer_(observer) {}

  // The plan's work, in its order, until a step ends it.
  void RunWork(const RunPlan& plan);
  // The wizard's Finish: the restart hand-over or each product's finalize steps by the outcome.
  // The answer tells the caller whether the readme and dashboard offers follow.
  FinishPlan RunFinish();
  // What the plan's work would do, into the run's report and log; nothing on the machine changes.
  // Only the steps that set the run's own values (properties, the install folder) are carried out.
  void PlanWork(const RunPlan& plan);
  // Steps outside the work (the close of a successful run without a finish page).
  void RunSteps(const std::vector<RunStep>& steps);

  // Whether a step has run the product's finalize actions (groups or commands) already.
  bool Finalized(const Product& product) const { return finalized_.count(&product) != 0; }
  bool PrerequisitesPassed() const { return prerequisitesPassed_; }

 private:
  // False when the work ends here.
  bool RunStep(const ::RunStep& step);
  bool GuardHolds(StepGuard guard);
  void RunSequence(RunStepKind kind, SequenceProperties properties);
  void PlanSequence(RunStepKind kind);
  int CountPackages(const RunPlan& plan);
  void Finalize(const FinalizeRule& rule);
  void FinalizeProduct(EngineContext& context, Product& product, uint32_t steps);
  EngineContext Context();

  RunServices& services_;
  RunObserver& observer_;
  bool prerequisitesPassed_ = true;
  std::set<const Product*> finalized_;
};
