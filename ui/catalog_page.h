// The fixed drive that holds the document catalog, the system drive first; stored as
// "[CATALOGDRIVE]".
#pragma once

#include "resources/wizard_ids.h"
#include "ui/wizard_page.h"

class CatalogPage : public WizardPage {
 public:
  CatalogPage(WizardHost& host, HINSTANCE library) : WizardPage(host, IDD_CATALOG_PAGE, library) {}
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  std::vector<int> Fields() const override { return {IDC_CATALOG_DRIVES}; }
  bool PreTranslateMessage(MSG& message) override;
  LRESULT OnWizardNext() override;
  void LoadPageTexts() override;
};
