// The last page of every wizard: the outcome, the readme and dashboard choices, and on Finish
// the products' finalize actions.
#pragma once

#include <vector>

#include "resources/wizard_ids.h"
#include "ui/wizard_page.h"

struct OfferLaunch;

class FinishPage : public WizardPage {
 public:
  explicit FinishPage(WizardHost& host) : WizardPage(host, IDD_FINISH_PAGE) {}
  void DoDataExchange() override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  BOOL OnWizardFinish() override;
  BOOL OnQueryCancel() override;
  bool PreTranslateMessage(MSG& message) override;
  void LoadPageTexts() override;
  void OnEnterKey() override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT message) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  std::vector<bool> Outcomes() const;
  void SetUpCheckBoxes();
  void FillTable();
  // The log link and the offers at the bottom, the outcome text and table above them.
  void Layout();
  void OpenLog();
  void OpenReadMe();
  void LaunchDashboard();
  void Launch(const OfferLaunch& launch);

  CPictureEx side_;
  bool mixed_ = false;
  bool finished_ = false;  // the finish actions run once, whichever way the page ends
};
