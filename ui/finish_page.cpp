#include "ui/finish_page.h"

#include "core/localization.h"
#include "core/log_file.h"
#include "ui/wizard_fonts.h"
#include "ui/wizard_sheet.h"

BOOL FinishPage::OnInitDialog() {
  WizardPage::OnInitDialog();
  LoadPageTexts();
  return TRUE;
}

void FinishPage::LoadPageTexts() {}

BOOL FinishPage::OnSetActive() {
  PostMessageW(SheetWindow(), PSM_SETWIZBUTTONS, 0, PSWIZB_FINISH);
  ShowCancelButton(false);
  MoveOntoCancel(wizard_control::Finish);
  SetFinishCaption();
  return WizardPage::OnSetActive();
}

BOOL FinishPage::OnWizardFinish() {
  if (finished_) return TRUE;
  finished_ = true;
  ShowWindow(SheetWindow(), SW_HIDE);
  log_.WriteLine(L"Closing setup");
  return TRUE;
}

BOOL FinishPage::OnQueryCancel() { return OnWizardFinish(); }

bool FinishPage::PreTranslateMessage(MSG& message) {
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
    OnEnterKey();
    return true;
  }
  return false;
}

void FinishPage::OnEnterKey() { PressButton(PSBTN_FINISH); }

HBRUSH FinishPage::OnCtlColor(HDC dc, HWND control, UINT message) {
  HBRUSH brush = WizardPage::OnCtlColor(dc, control, message);
  if (message == WM_CTLCOLORSTATIC && GetDlgCtrlID(control) == 180) {
    SelectObject(dc, TheWizardFonts().Title());
    SetTextColor(dc, host_.PlatformKind() == PlatformKind::OnPremises ? kTitleBlue : kTitleGrey);
  }
  return brush;
}
