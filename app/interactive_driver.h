// The interactive run: the checks in the wizard's order, the maintenance message for an
// installed product started without a switch, then the wizard sheet of the product.
#pragma once

#include <string>

#include "ui/product_sheets.h"

class CCommonBootstrapperApp;

// The maintenance message's text number for an installed product started without a switch.
unsigned MaintenanceMessageId(const std::wstring& shortName, int platformKind);

class InteractiveDriver {
 public:
  explicit InteractiveDriver(CCommonBootstrapperApp& app) : app_(app) {}
  void Run();

 private:
  CCommonBootstrapperApp& app_;
};
