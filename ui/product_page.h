// Where the products go: the install folder, shortened to fit, with Browse; Next checks running
// programs and the folder before storing it as "[INSTALLDIRECTORY]".
#pragma once

#include <string>

#include "resources/wizard_ids.h"
#include "ui/wizard_page.h"
#include "ui/zem_static.h"

class ProductPage : public WizardPage {
 public:
  explicit ProductPage(WizardHost& host) : WizardPage(host, IDD_PRODUCT_PAGE) {}
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  bool PreTranslateMessage(MSG& message) override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;
  void LoadPageTexts() override;
  void OnTabKey(bool flag) override;
  void DoDataExchange() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // The folder Next would store (the whole folder, not its shortened display).
  const std::wstring& Folder() const { return folder_; }
  std::wstring BrowsePath() const override { return folder_; }

 private:
  void ShowFolder(const std::wstring& folder);
  void Browse();

  std::wstring folder_;
  ZEMStatic folderText_;
  bool installed_ = false;  // the folder is the installed product's: no Browse
  bool browseTabStop_ = false;  // the Browse button's tab stop as the key rule last set it
};
