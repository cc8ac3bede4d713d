// The silent run: the checks in their order, then the run plan carried out with its progress
// shown through the progress program.
#pragma once

#include <memory>
#include <set>

class CCommonBootstrapperApp;
class InstallChecks;
class Product;
struct CheckContext;

class SilentDriver {
 public:
  explicit SilentDriver(CCommonBootstrapperApp& app);
  ~SilentDriver();
  void Run(bool silenceForced);
  // The checks and decisions of a silent run before its work, none of which asks anything;
  // progressShown: a window of this run shows its progress (a passive run). False when the run
  // ends here (the exit code says why).
  bool RunChecks(bool silenceForced, bool progressShown);
  // The silent plan carried out on this thread, after the checks.
  void RunWork();
  // What the work would do, into the report and the log; nothing is changed.
  void PlanWork();
  // Whether the plan has run the product's finalize actions (groups or commands) already.
  bool Finalized(const Product& product) const { return finalized_.count(&product) != 0; }

 private:
  bool RunRefusingChecks(CheckContext& checks);

  CCommonBootstrapperApp& app_;
  std::set<const Product*> finalized_;
  // The probes' objects are kept for the rest of the run, with the context they were made with.
  std::unique_ptr<CheckContext> checks_;
  std::unique_ptr<InstallChecks> probes_;
};
