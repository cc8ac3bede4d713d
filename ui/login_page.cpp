#include "ui/login_page.h"

#include "core/property_map.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "checks/login_checks.h"
#include "resources/wizard_ids.h"
#include "ui/wait_cursor.h"
#include "ui/wizard_fonts.h"

namespace {

constexpr int kAccount = IDC_ACCOUNT, kPassword = IDC_PASSWORD, kServer = IDC_SERVER;
constexpr int kAccountLabel = IDC_ACCOUNT_LABEL, kPasswordLabel = IDC_PASSWORD_LABEL, kServerLabel = IDC_SERVER_LABEL,
              kDescription = IDC_PAGE_DESCRIPTION;
constexpr int kAccountArea = IDC_ACCOUNT_AREA, kPasswordArea = IDC_PASSWORD_AREA, kServerArea = IDC_SERVER_AREA;

// Puts a control where another one stands, in the dialog's coordinates.
void MoveOnto(HWND dialog, int moved, int place) {
  HWND target = GetDlgItem(dialog, place);
  HWND item = GetDlgItem(dialog, moved);
  if (!target || !item) return;
  RECT area{};
  GetWindowRect(target, &area);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
  MoveWindow(item, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

}  // namespace

BOOL LoginPage::OnInitDialog() {
  LoadPageTexts();
  std::wstring server = host_.Properties().Get(L"[SERVER_NAME]");
  if (server.empty()) server = host_.GetPlatform().system.ComputerDnsName();
  SetWindowTextW(Item(kServer), server.c_str());
  if (upgrade_) LayOutForUpgrade();
  return WizardPage::OnInitDialog();
}

void LoginPage::LoadPageTexts() {
  const HFONT font = Fonts().Text();
  SetText(kAccountLabel, String(50157), font);
  SetText(kPasswordLabel, String(50158), font);
  SetText(kServerLabel, String(50163), font);
  SetText(kDescription, String(upgrade_ ? 50164 : updateServer_ ? 50278 : 50159), font);
  for (int edit : {kAccount, kPassword, kServer}) SendMessageW(Item(edit), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void LoginPage::LayOutForUpgrade() {
  // The server alone, in the place the account had.
  for (int id : {kAccountLabel, kAccount, kPasswordArea, kPasswordLabel, kPassword}) ShowWindow(Item(id), SW_HIDE);
  MoveOnto(Window(), kServerArea, kAccountArea);
  MoveOnto(Window(), kServerLabel, kAccountLabel);
  MoveOnto(Window(), kServer, kAccount);
}

BOOL LoginPage::OnSetActive() {
  // In an upgrade this page comes first: there is nothing to go back to.
  ShowStepButtons(!upgrade_);
  return WizardPage::OnSetActive();
}

bool LoginPage::PreTranslateMessage(MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  const HWND focus = GetFocus();
  if (focus != Item(kAccount) && focus != Item(kPassword) && focus != Item(kServer)) return false;
  OnEnterKey();
  return true;
}

LRESULT LoginPage::OnWizardNext() {
  const std::wstring account = ItemText(kAccount);
  std::wstring password = ItemText(kPassword);
  const std::wstring server = ItemText(kServer);
  LoginChecks checks(log_, host_.Properties(), host_.GetPlatform());
  int refusal = 0;
  {
    WaitCursor wait;
    refusal = checks.CheckServer(server);
    if (!refusal && !upgrade_) refusal = checks.CheckAccount(account, password, updateServer_);
  }
  if (refusal) {
    SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
    ShowErrorMessage(refusal);
    return -1;
  }
  PropertyMap& properties = host_.Properties();
  if (!upgrade_) {
    properties.Set(L"[USER]", text::Trim(account));
    properties.Set(L"[PASSWORD]", password);  // as typed: blanks may belong to it
  }
  SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
  properties.Set(L"[SERVER_NAME]", StoredServerName(server));
  return 0;
}
