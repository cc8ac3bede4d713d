#include "engine/finish_plan.h"

#include "core/exit_codes.h"
#include "core/run_mode.h"

using namespace finish_step;

FinishPlan PlanFinish(int setupResultCode, uint32_t modeFlags, const std::vector<bool>& succeeded) {
  FinishPlan plan;
  const bool install = modeFlags & mode::Install;
  const bool installOrUpgrade = modeFlags & (mode::Install | mode::Upgrade);
  // A pending restart of the setup itself, or a reboot the products do not wait for: the relaunch
  // after it finishes the work.
  if (setupResultCode == exit_code::RestartRequired ||
      (setupResultCode == exit_code::RebootRequired && !installOrUpgrade)) {
    plan.restartHandOver = true;
    return plan;
  }
  if (setupResultCode == exit_code::Success && install) {
    plan.products.assign(succeeded.size(), SetSuccess | CopySetupFiles | ProxyOverride | FinalizeGroups);
    plan.offersAfterwards = true;
    return plan;
  }
  if (setupResultCode == exit_code::Success) {
    // The installer's own record of what is left decides what an uninstall finalizes.
    plan.recheckMsiFirst = (modeFlags & mode::Uninstall) && succeeded.size() > 1;
    uint32_t steps = SetSuccess | FinalizeGroups;
    if (modeFlags == mode::Upgrade) steps |= CopySetupFiles;
    if (modeFlags != mode::Uninstall) steps |= ProxyOverride;
    plan.products.assign(succeeded.size(), steps);
    return plan;
  }
  for (bool ok : succeeded) {
    if (ok) {
      plan.products.push_back(SetSuccess | FinalizeGroups | (install ? CopySetupFiles | ProxyOverride : 0));
      plan.offersAfterwards = plan.offersAfterwards || install;
    } else {
      plan.products.push_back(SetSuccess | ExecuteCommandsOnly);
    }
  }
  return plan;
}
