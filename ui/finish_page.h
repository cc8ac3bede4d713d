// The last page of every wizard: the outcome, the readme and dashboard choices, and on Finish
// the products' finalize actions.
#pragma once

#include "ui/wizard_page.h"

class FinishPage : public WizardPage {
 public:
  explicit FinishPage(WizardHost& host) : WizardPage(host, 179) {}
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  BOOL OnWizardFinish() override;
  BOOL OnQueryCancel() override;
  bool PreTranslateMessage(MSG& message) override;
  void LoadPageTexts() override;
  void OnEnterKey() override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT message) override;

 private:
  bool finished_ = false;  // the finish actions run once, whichever way the page ends
};
