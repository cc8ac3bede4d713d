// The silent run: checks, prerequisites, the package sequence of the mode and the outcome.
#pragma once

#include <set>

#include "engine/finalize_actions.h"

class CCommonBootstrapperApp;
class Product;
struct CheckContext;
struct EngineContext;

class SilentDriver {
 public:
  explicit SilentDriver(CCommonBootstrapperApp& app) : app_(app) {}
  void Run(bool silenceForced);
  // Whether a branch has run the product's finalize actions (groups or commands) already.
  bool Finalized(const Product& product) const { return finalized_.count(&product) != 0; }

 private:
  void InstallBranch(EngineContext& context);
  bool RunRefusingChecks(CheckContext& checks);
  // "Stopping progress dialog" and the finished message, when the progress program runs.
  void StopProgress();
  void UninstallBranch(EngineContext& context, CheckContext& checks);
  void RepairBranch(EngineContext& context);
  void UpgradeBranch(EngineContext& context);
  void SetSuccessProperty(bool succeeded);
  // The product's finalize actions, remembered as run by a branch.
  FinalizeActions Finalizer(EngineContext& context, Product& product);

  CCommonBootstrapperApp& app_;
  std::set<const Product*> finalized_;
};
