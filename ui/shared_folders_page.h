// The document server's two local working folders (virus scanning and document compression),
// stored as "[VIRUS_SCAN_PATH]" and "[DOCUMENT_COMPRESS_PATH]".
#pragma once

#include <string>

#include "resources/wizard_ids.h"
#include "ui/wizard_page.h"

class SharedFoldersPage : public WizardPage {
 public:
  SharedFoldersPage(WizardHost& host, HINSTANCE library) : WizardPage(host, IDD_SHARED_FOLDERS_PAGE, library) {}
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  std::vector<int> Fields() const override { return {IDC_VIRUS_SCAN}; }
  bool PreTranslateMessage(MSG& message) override;
  LRESULT OnWizardNext() override;
  void LoadPageTexts() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  std::wstring BrowsePath() const override { return browsing_; }

 private:
  void Browse(int edit, UINT titleId);

  std::wstring browsing_;  // the folder of the edit being browsed for
};
