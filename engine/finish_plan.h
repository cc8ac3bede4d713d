// What pressing Finish runs, by the run's code and mode: the finalize steps of each product, the
// restart hand-over, and whether the readme and dashboard offers follow.
#pragma once

#include <cstdint>
#include <vector>

namespace finish_step {
constexpr uint32_t SetSuccess = 1;           // "SetupSuccess" from the product's outcome
constexpr uint32_t CopySetupFiles = 2;
constexpr uint32_t ProxyOverride = 4;
constexpr uint32_t FinalizeGroups = 8;       // copy, delete, execute
constexpr uint32_t ExecuteCommandsOnly = 16; // a failed product's own clean-up commands
}  // namespace finish_step

struct FinishPlan {
  bool restartHandOver = false;  // the restart handling takes over; no product step runs
  bool recheckMsiFirst = false;  // re-run the MSI checks before the products' steps
  std::vector<uint32_t> products;  // finish_step flags per product, in catalog order
  // Open the readme and launch the dashboard afterwards, each only when its box shows and is checked.
  bool offersAfterwards = false;
};
FinishPlan PlanFinish(int setupResultCode, uint32_t modeFlags, const std::vector<bool>& succeeded);
