// The service account and the database server of a server product: Next proves that the
// account logs on and that the server answers before "[USER]", "[PASSWORD]" and "[SERVER_NAME]"
// are stored. An upgrade asks only for the server.
#pragma once

#include <string>

#include "resources/wizard_ids.h"
#include "ui/wizard_page.h"

class LoginPage : public WizardPage {
 public:
  // updateServer: the account must also log on as a batch job.
  LoginPage(WizardHost& host, bool upgrade, bool updateServer, HINSTANCE library)
      : WizardPage(host, IDD_LOGIN_PAGE, library), upgrade_(upgrade), updateServer_(updateServer) {}
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  std::vector<int> Fields() const override { return {IDC_ACCOUNT, IDC_SERVER}; }
  bool PreTranslateMessage(MSG& message) override;
  LRESULT OnWizardNext() override;
  void LoadPageTexts() override;

 private:
  void LayOutForUpgrade();

  bool upgrade_;
  bool updateServer_;
};
