#include "engine/run_executor.h"

#include <memory>

#include "core/exit_codes.h"
#include "core/log_file.h"
#include "core/property_map.h"
#include "core/run_mode.h"
#include "engine/finalize_actions.h"
#include "engine/package_file.h"
#include "platform/windows_installer.h"

namespace {

int WINAPI ToObserver(LPVOID observer, UINT type, LPCWSTR message) {
  return static_cast<EngineObserver*>(observer)->OnInstallerMessage(type, message);
}

bool IsSequence(RunStepKind kind) {
  return kind == RunStepKind::InstallSequence || kind == RunStepKind::UninstallSequence ||
         kind == RunStepKind::RepairSequence;
}

// The package sequence of the step, initialized.
std::unique_ptr<PackageFile> MakeSequence(RunStepKind kind, EngineContext& context, const std::wstring& properties) {
  std::unique_ptr<PackageFile> sequence;
  if (kind == RunStepKind::InstallSequence)
    sequence = std::make_unique<InstallPackageFile>(context, properties);
  else if (kind == RunStepKind::UninstallSequence)
    sequence = std::make_unique<UninstallPackageFile>(context, properties);
  else
    sequence = std::make_unique<RepairPackageFile>(context, properties);
  sequence->Initialize();
  return sequence;
}

uint32_t SequenceMode(RunStepKind kind) {
  return kind == RunStepKind::InstallSequence ? mode::Install
         : kind == RunStepKind::UninstallSequence ? mode::Uninstall
                                                   : mode::Repair;
}

}  // namespace

using namespace finish_step;

EngineContext RunExecutor::Context() {
  EngineContext context = services_.MakeEngineContext();
  context.observer = &observer_;
  return context;
}

void RunExecutor::RunWork(const RunPlan& plan) {
  services_.QuietInstaller();
  if (observer_.WantsInstallerMessages()) observer_.OnWorkMeasured(CountPackages(plan));
  for (const ::RunStep& step : plan.work)
    if (!RunStep(step)) break;
}

void RunExecutor::PlanWork(const RunPlan& plan) {
  for (const ::RunStep& step : plan.work) {
    switch (step.kind) {
      case RunStepKind::Prerequisites: {
        EngineContext context = Context();
        if (!services_.PlanPrerequisites(context)) return;
        break;
      }
      case RunStepKind::AppendUpgradeProperty:
      case RunStepKind::DefaultServerName:
      case RunStepKind::DefaultInstallDirectory:
      case RunStepKind::DocumentServerDefaults:
      case RunStepKind::Log:
        RunStep(step);
        break;
      case RunStepKind::RefuseRetiredSystem:
        RunStep(step);
        return;
      case RunStepKind::InstallSequence:
      case RunStepKind::UninstallSequence:
      case RunStepKind::RepairSequence:
        PlanSequence(step.kind);
        break;
      default:
        break;  // finalize steps, flags and progress change the machine or show the work
    }
  }
}

void RunExecutor::PlanSequence(RunStepKind kind) {
  EngineContext context = Context();
  context.openInstallSources = nullptr;  // a plan reads; the install-source record is not opened
  MakeSequence(kind, context, L"")->PlanSequence(SequenceMode(kind));
}

void RunExecutor::RunSteps(const std::vector<::RunStep>& steps) {
  for (const ::RunStep& step : steps)
    if (!RunStep(step)) break;
}

bool RunExecutor::GuardHolds(StepGuard guard) {
  switch (guard) {
    case StepGuard::Always:
      return true;
    case StepGuard::PrerequisitesPassed:
      return prerequisitesPassed_;
    case StepGuard::AfterSuccess: {
      // 103010 (a prerequisite wants a reboot later) does not stop the next half.
      const int code = services_.ExitCode();
      return code == exit_code::Success || code == exit_code::RebootRequired;
    }
    case StepGuard::FirstProductAbsent:
      return !services_.FirstProductInstalled();
  }
  return true;
}

bool RunExecutor::RunStep(const ::RunStep& step) {
  if (!GuardHolds(step.guard)) {
    if (step.guard == StepGuard::PrerequisitesPassed) return true;
    if (step.guard == StepGuard::AfterSuccess) observer_.OnWorkStopped();
    return false;
  }
  switch (step.kind) {
    case RunStepKind::Log:
      services_.Log(step.text);
      break;
    case RunStepKind::Prerequisites: {
      EngineContext context = Context();
      prerequisitesPassed_ = services_.InstallPrerequisites(context);
      observer_.OnPrerequisitesDone(prerequisitesPassed_);
      if (!prerequisitesPassed_ && step.stopsOnFailure) return false;
      break;
    }
    case RunStepKind::AppendUpgradeProperty:
      services_.AppendExtraInstallProperties(L" UPGRADE=1");
      break;
    case RunStepKind::DefaultServerName:
      services_.DefaultServerName();
      break;
    case RunStepKind::DefaultInstallDirectory:
      services_.DefaultInstallDirectory();
      break;
    case RunStepKind::DocumentServerDefaults:
      services_.DocumentServerDefaults();
      break;
    case RunStepKind::RefuseRetiredSystem: {
      EngineContext context = Context();
      context.log.Log(L"Upgrade refused: %s is not supported; the installed release is kept.",
                      context.properties.Get(L"OS"));
      observer_.OnRetiredSystem();
      services_.SetExitCode(exit_code::Cancelled);
      return false;
    }
    case RunStepKind::InstallSequence:
    case RunStepKind::UninstallSequence:
    case RunStepKind::RepairSequence:
      RunSequence(step.kind, step.properties);
      break;
    case RunStepKind::RecheckMsi:
      services_.RerunMsiChecks();
      break;
    case RunStepKind::Finalize:
      Finalize(step.finalize);
      break;
    case RunStepKind::RecordReboot:
      if (services_.RebootNeeded()) services_.SetRebootRequiredFlag();
      break;
    case RunStepKind::RecordRestart:
      if (services_.RestartRequired()) services_.SetRebootRequiredFlag();
      break;
    case RunStepKind::WorkDone:
      observer_.OnWorkDone();
      break;
  }
  return true;
}

void RunExecutor::RunSequence(RunStepKind kind, SequenceProperties properties) {
  observer_.OnSequenceStarting();
  std::wstring text;
  if (properties == SequenceProperties::RunExtra)
    text = services_.ExtraInstallProperties();
  else if (properties == SequenceProperties::UpgradeFirst)
    text = L"UPGRADE=1 " + services_.ExtraInstallProperties();
  EngineContext context = Context();
  if (observer_.WantsInstallerMessages()) context.installer.SetExternalUI(ToObserver, kInstallerMessageFilter, &observer_);
  MakeSequence(kind, context, text)->RunSequence(SequenceMode(kind));
}

// Every sequence of the plan as if each ran whole: a step that does not run leaves its share
// unused, and the end of the work closes the bar anyway.
int RunExecutor::CountPackages(const RunPlan& plan) {
  int count = 0;
  for (const ::RunStep& step : plan.work) {
    if (!IsSequence(step.kind)) continue;
    EngineContext context = Context();
    context.openInstallSources = nullptr;  // counting reads only the definition
    count += MakeSequence(step.kind, context, L"")->CountPackages();
  }
  return count;
}

void RunExecutor::FinalizeProduct(EngineContext& context, Product& product, uint32_t steps) {
  if (steps & SetSuccess) services_.SetSuccessProperty(product.Succeeded);
  if (!(steps & (CopySetupFiles | ProxyOverride | FinalizeGroups | ExecuteCommandsOnly))) return;
  finalized_.insert(&product);
  FinalizeActions finalize(context, product);
  if (steps & CopySetupFiles) finalize.CopySetupFiles();
  if (steps & ProxyOverride) finalize.CopyProxyOverride();
  if (steps & FinalizeGroups) finalize.RunFinalizeGroups();
  if (steps & ExecuteCommandsOnly) finalize.ExecuteCommands();
}

void RunExecutor::Finalize(const FinalizeRule& rule) {
  EngineContext context = Context();
  for (const auto& product : services_.Products()) {
    FinalizeProduct(context, *product, product->Succeeded ? rule.onSuccess : rule.onFailure);
    if (rule.firstOnly) break;
  }
}

FinishPlan RunExecutor::RunFinish() {
  std::vector<bool> succeeded;
  for (const auto& product : services_.Products()) succeeded.push_back(product->Succeeded);
  EngineContext context = Context();
  const FinishPlan plan = PlanFinish(services_.ExitCode(), context.modeFlags, succeeded);
  if (plan.restartHandOver) {
    services_.RestartSetup();
    return plan;
  }
  if (plan.recheckMsiFirst) services_.RerunMsiChecks();
  size_t index = 0;
  for (const auto& product : services_.Products()) {
    const uint32_t steps = index < plan.products.size() ? plan.products[index] : 0;
    ++index;
    FinalizeProduct(context, *product, steps);
  }
  return plan;
}
