// The first page of an installation: the product's name, what will be installed, Next or Cancel.
#pragma once

#include "resources/wizard_ids.h"
#include "ui/wizard_page.h"

class WelcomePage : public WizardPage {
 public:
  explicit WelcomePage(WizardHost& host) : WizardPage(host, IDD_WELCOME_PAGE) {}
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  bool PreTranslateMessage(MSG& message) override;
  void LoadPageTexts() override;
  void DoDataExchange() override;

 private:
  CPictureEx side_;
};

// The products named on the welcome and product pages.
std::wstring WizardProductList(WizardHost& host);
