// The silent run: the checks in their order, then the run plan carried out with its progress
// shown through the progress program.
#pragma once

#include <set>

class CCommonBootstrapperApp;
class Product;
struct CheckContext;

class SilentDriver {
 public:
  explicit SilentDriver(CCommonBootstrapperApp& app) : app_(app) {}
  void Run(bool silenceForced);
  // Whether the plan has run the product's finalize actions (groups or commands) already.
  bool Finalized(const Product& product) const { return finalized_.count(&product) != 0; }

 private:
  bool RunRefusingChecks(CheckContext& checks);

  CCommonBootstrapperApp& app_;
  std::set<const Product*> finalized_;
};
