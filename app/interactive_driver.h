// The interactive run: the checks in the wizard's order, the maintenance message for an
// installed product started without a switch, then the wizard sheet of the product.
#pragma once

#include <memory>
#include <string>

class CCommonBootstrapperApp;
class CWizardSheet;
class WizardHost;

// The maintenance message's text number for an installed product started without a switch.
unsigned MaintenanceMessageId(const std::wstring& shortName, int platformKind);

class InteractiveDriver {
 public:
  explicit InteractiveDriver(CCommonBootstrapperApp& app) : app_(app) {}
  void Run();

  // The sheet class for the product's short name (the product sheets come with their pages).
  static std::unique_ptr<CWizardSheet> ChooseSheet(const std::wstring& shortName, WizardHost& host);

 private:
  CCommonBootstrapperApp& app_;
};
