#include "ui/shared_folders_page.h"

#include "core/property_map.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "checks/login_checks.h"
#include "resources/wizard_ids.h"
#include "ui/wizard_fonts.h"

namespace {

constexpr int kVirusScan = IDC_VIRUS_SCAN, kDocumentCompress = IDC_DOCUMENT_COMPRESS;
constexpr int kBrowseVirusScan = IDC_BROWSE_VIRUS_SCAN, kBrowseDocumentCompress = IDC_BROWSE_DOCUMENT_COMPRESS;

}  // namespace

BOOL SharedFoldersPage::OnInitDialog() {
  WizardPage::OnInitDialog();
  LoadPageTexts();
  const std::wstring drive = platform::EnvironmentValue(L"SYSTEMDRIVE");
  SetText(kVirusScan, text::Format(L"%s\\VirusScan", drive), Fonts().Text());
  SetText(kDocumentCompress, text::Format(L"%s\\DocumentCompress", drive), Fonts().Text());
  return TRUE;
}

void SharedFoldersPage::LoadPageTexts() {
  const HFONT font = Fonts().Text();
  SetText(IDC_FOLDERS_TEXT, String(50160), font);
  SetText(IDC_VIRUS_SCAN_LABEL, String(50161), font);
  SetText(IDC_DOCUMENT_COMPRESS_LABEL, String(50162), font);
  SetText(kBrowseVirusScan, String(50194), nullptr);
  SetText(kBrowseDocumentCompress, String(50195), nullptr);
}

BOOL SharedFoldersPage::OnSetActive() {
  ShowStepButtons(true);
  return WizardPage::OnSetActive();
}

bool SharedFoldersPage::PreTranslateMessage(MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  const HWND focus = GetFocus();
  if (focus != Item(kVirusScan) && focus != Item(kDocumentCompress)) return false;
  OnEnterKey();
  return true;
}

LRESULT SharedFoldersPage::OnWizardNext() {
  const std::wstring virusScan = text::Trim(ItemText(kVirusScan));
  const std::wstring documentCompress = text::Trim(ItemText(kDocumentCompress));
  LoginChecks checks(log_, host_.Properties(), host_.GetPlatform());
  if (checks.CheckLocalFolder(virusScan) || checks.CheckLocalFolder(documentCompress)) {
    ShowErrorMessage(104);
    return -1;
  }
  host_.Properties().Set(L"[VIRUS_SCAN_PATH]", virusScan);
  host_.Properties().Set(L"[DOCUMENT_COMPRESS_PATH]", documentCompress);
  return 0;
}

bool SharedFoldersPage::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
  if (LOWORD(wParam) == kBrowseVirusScan) {
    Browse(kVirusScan, 50149);
  } else if (LOWORD(wParam) == kBrowseDocumentCompress) {
    Browse(kDocumentCompress, 50150);
  } else {
    return false;
  }
  result = 0;
  return true;
}

void SharedFoldersPage::Browse(int edit, UINT titleId) {
  browsing_ = ItemText(edit);
  std::wstring chosen;
  const Browsed browsed = BrowseForFolder(titleId, 0x71, chosen);  // file-system folders, edit box, validation, new style
  if (browsed == Browsed::Cancelled) return;
  if (browsed == Browsed::NoPath || !host_.ValidateInstallPath(chosen)) {
    ShowErrorMessage(104);
    return;
  }
  SetWindowTextW(Item(edit), chosen.c_str());
}
