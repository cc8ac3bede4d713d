#include "engine/run_plan.h"

#include "checks/system_info.h"
#include "core/run_mode.h"
#include "engine/finish_plan.h"
#include "platform/text.h"

using namespace finish_step;

namespace {

RunStep Step(RunStepKind kind, StepGuard guard = StepGuard::Always) {
  RunStep step;
  step.kind = kind;
  step.guard = guard;
  return step;
}

RunStep Line(const wchar_t* text) {
  RunStep step = Step(RunStepKind::Log);
  step.text = text;
  return step;
}

RunStep Prerequisites(bool stopsOnFailure) {
  RunStep step = Step(RunStepKind::Prerequisites);
  step.stopsOnFailure = stopsOnFailure;
  return step;
}

RunStep Sequence(RunStepKind kind, SequenceProperties properties, StepGuard guard = StepGuard::Always) {
  RunStep step = Step(kind, guard);
  step.properties = properties;
  return step;
}

RunStep Finalize(uint32_t onSuccess, uint32_t onFailure, bool firstOnly = false) {
  RunStep step = Step(RunStepKind::Finalize);
  step.finalize = {onSuccess, onFailure, firstOnly};
  return step;
}

// The first mode bit that is set, tested in the order install, uninstall, repair, upgrade.
uint32_t Branch(uint32_t flags) {
  for (uint32_t bit : {mode::Install, mode::Uninstall, mode::Repair, mode::Upgrade})
    if (flags & bit) return bit;
  return 0;
}

constexpr uint32_t kFailedProduct = SetSuccess | ExecuteCommandsOnly;

void PlanSilent(const RunFacts& facts, RunPlan& plan) {
  auto& work = plan.work;
  work.push_back(Prerequisites(true));
  if (facts.modeFlags & mode::Upgrade) work.push_back(Step(RunStepKind::AppendUpgradeProperty));
  switch (Branch(facts.modeFlags)) {
    case mode::Install:
      work.push_back(Step(RunStepKind::DefaultInstallDirectory));
      if (text::EqualsNoCase(facts.shortName, L"VaradavuRadare")) work.push_back(Step(RunStepKind::DocumentServerDefaults));
      work.push_back(Sequence(RunStepKind::InstallSequence, SequenceProperties::RunExtra));
      work.push_back(Finalize(SetSuccess | CopySetupFiles | ProxyOverride | FinalizeGroups, kFailedProduct));
      work.push_back(Step(RunStepKind::RecordReboot));
      break;
    case mode::Uninstall:
      work.push_back(Sequence(RunStepKind::UninstallSequence, SequenceProperties::RunExtra));
      if (!facts.solo) work.push_back(Step(RunStepKind::RecheckMsi));
      work.push_back(Finalize(SetSuccess | FinalizeGroups, kFailedProduct));
      break;
    case mode::Repair:
      work.push_back(Sequence(RunStepKind::RepairSequence, SequenceProperties::RunExtra));
      work.push_back(Finalize(SetSuccess | ProxyOverride | FinalizeGroups, kFailedProduct));
      work.push_back(Step(RunStepKind::WorkDone));
      break;
    case mode::Upgrade: {
      work.push_back(Step(RunStepKind::DefaultServerName));
      if (IsRetiredSystem(facts.os)) {
        work.push_back(Step(RunStepKind::RefuseRetiredSystem));
        break;
      }
      work.push_back(Sequence(RunStepKind::UninstallSequence, SequenceProperties::RunExtra));
      work.push_back(Sequence(RunStepKind::InstallSequence, SequenceProperties::RunExtra, StepGuard::AfterSuccess));
      work.push_back(Step(RunStepKind::WorkDone, StepGuard::AfterSuccess));
      // Only the first product is finalized, whatever its own outcome.
      const uint32_t all = SetSuccess | CopySetupFiles | ProxyOverride | FinalizeGroups;
      work.push_back(Finalize(all, all, true));
      work.push_back(Step(RunStepKind::RecordReboot));
      break;
    }
    default:
      break;  // nothing asked of the products: the prerequisites were all
  }
}

void PlanWizard(const RunFacts& facts, RunPlan& plan) {
  auto& work = plan.work;
  switch (Branch(facts.modeFlags)) {
    case mode::Install:
      plan.workerLine = L"StartInstallation thread";
      work = {Line(L"Begin Installation"), Line(L"Start Prerequisites check"), Prerequisites(false),
              Line(L"Prerequisites check complete"),
              Sequence(RunStepKind::InstallSequence, SequenceProperties::RunExtra, StepGuard::PrerequisitesPassed)};
      plan.endLine = L"End Installation";
      break;
    case mode::Uninstall:
      plan.workerLine = L"StartUninstall thread";
      work = {Prerequisites(true), Sequence(RunStepKind::UninstallSequence, SequenceProperties::RunExtra)};
      break;
    case mode::Repair:
      plan.workerLine = L"StartRepair thread";
      work = {Sequence(RunStepKind::RepairSequence, SequenceProperties::None)};
      break;
    case mode::Upgrade:
      plan.workerLine = L"StartUpgrade thread";
      work.push_back(Prerequisites(true));
      if (IsRetiredSystem(facts.os)) {
        work.push_back(Step(RunStepKind::RefuseRetiredSystem));
      } else {
        work.push_back(Sequence(RunStepKind::UninstallSequence, SequenceProperties::UpgradeFirst));
        work.push_back(
            Sequence(RunStepKind::InstallSequence, SequenceProperties::UpgradeFirst, StepGuard::FirstProductAbsent));
      }
      break;
    default:
      break;
  }
  // A successful upgrade of the update manager closes without the finish page.
  const bool updateManager =
      text::EqualsNoCase(facts.shortName, L"DEVadirez") || text::EqualsNoCase(facts.shortName, L"DEVadirezClient");
  if (updateManager && facts.modeFlags == mode::Upgrade) {
    const uint32_t all = SetSuccess | CopySetupFiles | ProxyOverride;
    plan.closeOnSuccess = {Finalize(all, all, true), Step(RunStepKind::RecordRestart),
                           Finalize(FinalizeGroups, FinalizeGroups, true)};
  }
}

}  // namespace

RunPlan PlanRun(const RunFacts& facts) {
  RunPlan plan;
  if (facts.driver == RunDriver::Wizard) {
    PlanWizard(facts, plan);
  } else {
    // A passive run decides as a silent one does; only the showing differs.
    PlanSilent(facts, plan);
    if (facts.driver == RunDriver::Passive) {
      plan.workerLine = L"StartPassive thread";
      plan.passive = true;
    }
  }
  return plan;
}
