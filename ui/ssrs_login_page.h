// The report manager's account, report server and shared network folder: Next has the report
// server verify the account and proves the share writable before anything is stored.
#pragma once

#include <string>

#include "platform/handles.h"
#include "resources/wizard_ids.h"
#include "ui/wizard_page.h"

class SSRSLoginPage : public WizardPage {
 public:
  SSRSLoginPage(WizardHost& host, HINSTANCE library) : WizardPage(host, IDD_SSRS_LOGIN_PAGE, library), library_(library) {}
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  std::vector<int> Fields() const override { return {IDC_ACCOUNT}; }
  bool PreTranslateMessage(MSG& message) override;
  LRESULT OnWizardNext() override;
  void LoadPageTexts() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  std::wstring BrowsePath() const override;

 private:
  void MakeTooltips();
  void MakeFocusHints();
  void ShowFocusHint(int field, bool show);
  void Browse();

  HINSTANCE library_;
  platform::GdiObject information_;  // bitmap 1017 of the product's library
  HWND tooltip_ = nullptr;
  HWND hints_ = nullptr;             // the fields' hints, shown while a field has the focus
  std::wstring tipText_;             // the text a tooltip asked for last
  platform::CoTaskMemory<PIDLIST_ABSOLUTE> network_;  // the network folder, once asked for
};
