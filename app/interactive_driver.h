// The interactive run: the checks in the wizard's order, the maintenance message for an
// installed product started without a switch, then the wizard sheet of the product.
#pragma once

#include <memory>
#include <string>

class CCommonBootstrapperApp;
class CWizardSheet;
class WizardHost;

// The wizard sheet a product gets, by its short name.
enum class SheetKind { Generic, Document, UpdateServer, ReportManager, DocumentStoragePlatform };
SheetKind ChooseSheetKind(const std::wstring& shortName);

// The maintenance message's text number for an installed product started without a switch.
unsigned MaintenanceMessageId(const std::wstring& shortName, int platformKind);

class InteractiveDriver {
 public:
  explicit InteractiveDriver(CCommonBootstrapperApp& app) : app_(app) {}
  void Run();

  // The sheet of the product's kind.
  static std::unique_ptr<CWizardSheet> MakeSheet(SheetKind kind, WizardHost& host);

 private:
  CCommonBootstrapperApp& app_;
};
