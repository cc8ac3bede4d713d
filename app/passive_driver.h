// The passive run: the silent run's checks and decisions, none of which asks anything, then its
// work on the wizard's install page alone, which shows the progress, allows a confirmed cancel
// and closes by itself when the work ends.
#pragma once

#include <set>

class CCommonBootstrapperApp;
class Product;

class PassiveDriver {
 public:
  explicit PassiveDriver(CCommonBootstrapperApp& app) : app_(app) {}
  void Run();
  // Whether the work has run the product's finalize actions (groups or commands) already.
  bool Finalized(const Product& product) const { return finalized_.count(&product) != 0; }

 private:
  CCommonBootstrapperApp& app_;
  std::set<const Product*> finalized_;
};
