#include "ui/catalog_page.h"

#include "core/property_map.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "resources/wizard_ids.h"
#include "ui/wizard_fonts.h"

namespace {
constexpr int kDrives = IDC_CATALOG_DRIVES;
}

BOOL CatalogPage::OnInitDialog() {
  WizardPage::OnInitDialog();
  LoadPageTexts();
  HWND list = Item(kDrives);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts().Text()), FALSE);
  platform::SystemQueries& system = host_.GetPlatform().system;
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    if (system.DriveType(root) == DRIVE_FIXED) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(root.c_str()));
  }
  std::wstring systemDrive = platform::EnvironmentValue(L"SYSTEMDRIVE");
  if (systemDrive.empty() || systemDrive.back() != L'\\') systemDrive += L'\\';
  SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(systemDrive.c_str()));
  return TRUE;
}

void CatalogPage::LoadPageTexts() {
  SetText(IDC_CATALOG_TEXT, String(50155), Fonts().Text());
  SetText(IDC_CATALOG_LABEL, String(50156), Fonts().Text());
}

BOOL CatalogPage::OnSetActive() {
  ShowStepButtons(true);
  return WizardPage::OnSetActive();
}

bool CatalogPage::PreTranslateMessage(MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  // The drop-down list is a combo box: its edit-less list takes the focus itself.
  if (GetFocus() != Item(kDrives)) return false;
  OnEnterKey();
  return true;
}

LRESULT CatalogPage::OnWizardNext() {
  HWND list = Item(kDrives);
  std::wstring drive;
  const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
  if (selected != CB_ERR) {
    drive.resize(static_cast<size_t>(SendMessageW(list, CB_GETLBTEXTLEN, selected, 0)) + 1);
    drive.resize(static_cast<size_t>(SendMessageW(list, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(drive.data()))));
  }
  host_.Properties().Set(L"[CATALOGDRIVE]", drive);
  return 0;
}
